#!/bin/sh
# The editor's command line, through the real executable: --help and --version print and end
# with 0 (also beside Qt's own options), a wrong option, a second file or a file name that is
# no UTF-8 print an error and end with 2, all before any window (a window would keep the
# editor running past the timeout).
# The output is redirected to files, and the editor names itself by its file name
# (zrm-editor.exe on Windows).
# Usage: commandline.sh EDITOR [RUNNER]   (RUNNER: what runs a Windows build here, under wine)
editor=$1 failed=0 out=$(mktemp -d) name=${1##*/}
shift
runner=$*
limit=10 && [ -n "$runner" ] && limit=60
trap 'rm -rf "$out"' EXIT
# An editor that got as far as a window would keep its recovery copies here, not the user's.
ZRM_DATA_DIR=$out/data && export ZRM_DATA_DIR
expect() { # STATUS STREAM START ARGUMENTS...: the exit status, and how STREAM begins (the other stays empty)
    status=$1 stream=$2 start=$3
    shift 3
    # Under wine a start may take many seconds on a busy machine.
    QT_QPA_PLATFORM=offscreen timeout "$limit" $runner "$editor" "$@" >"$out/stdout" 2>"$out/stderr"
    code=$?
    other=stderr && [ "$stream" = stderr ] && other=stdout
    case "$(cat "$out/$stream")" in
    "$start"*) [ "$code" = "$status" ] && [ ! -s "$out/$other" ] && return ;;
    esac
    echo "zrm-editor $*: status $code, output: $(cat "$out/stdout" "$out/stderr")"
    failed=1
}
expect 0 stdout "Usage: $name [options] [FILE]" --help
expect 0 stdout "$name 1.0" -v
expect 2 stderr "$name: Unknown option 'bogus'." --bogus a
expect 2 stderr "$name: only one FILE can be opened." a b
# Qt's own options and their values are the application object's, not files or errors.
expect 0 stdout "$name 1.0" -style Fusion -session 1a2b --reverse -stylesheet=x.qss --version
expect 2 stderr "$name: Unknown option 'stylee'." --stylee Fusion
case $name in
# Windows' own way of asking for help.
*.exe) expect 0 stdout "Usage: $name [options] [FILE]" /? ;;
*) echo "skipped on this system: /? asks for help only on Windows; here it names a file" ;;
esac
if [ -n "$runner" ]; then
    # Wine hands a Windows program its arguments in UTF-16, whatever their bytes were, and a
    # Windows program reports a platform plugin it lacks in a message box, not on stderr.
    echo "skipped under $runner: a file name of bytes that are no UTF-8 and -platform=NAME"
    exit $failed
fi
# A name that is no UTF-8 names no file Qt can open: refused for what it is, not as missing.
expect 2 stderr "$name: the file name 'caf\xE9.txt' is not valid UTF-8, so the editor cannot \
open it." "$(printf 'caf\351.txt')"
# Qt takes -platform only with its value in the next argument: -platform=NAME is handed to it
# so (a plugin that does not exist ends the editor at once, saying which).
expect 134 stderr 'qt.qpa.plugin: Could not find the Qt platform plugin "nowhere"' -platform=nowhere
exit $failed
