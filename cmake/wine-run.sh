#!/bin/sh
# Runs a Windows program of the build under wine64: the tests (through CTest, as the cross
# build's emulator) and the editor. Needs an X server in DISPLAY: wine makes a hidden window for
# Qt's event loop even on Qt's offscreen platform.
#
#   wine-run.sh PROGRAM [ARGUMENTS...]
#
# Wine keeps QT_* variables from Windows programs; they are passed on as WINEQT_*, which wine
# hands over under their own names. WINEPATH names the folders with the DLLs the program needs.
# A QtTest program given "-o FILE,txt" writes its results there (its standard output does not
# always reach a pipe under wine): they are printed when it ends. Wine's own messages are off.
set -u
[ -n "${DISPLAY:-}" ] || { echo "wine-run.sh: no X server (DISPLAY is not set)" >&2; exit 1; }
export WINEPREFIX="${WINEPREFIX:-${TMPDIR:-/tmp}/zrm-wine-$(id -u)}"
export WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
wine=/usr/lib/wine/wine64
# A new prefix is made once, quietly, by whichever run comes first.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    flock "$WINEPREFIX" sh -c "[ -f '$WINEPREFIX/system.reg' ] || $wine wineboot -i" >/dev/null 2>&1
fi
for variable in $(env | sed -n 's/^\(QT_[A-Za-z0-9_]*\)=.*/\1/p'); do
    eval "export WINE$variable=\"\$$variable\""
done

results=
previous=
for argument; do
    [ "$previous" = -o ] && case "$argument" in *,txt) results="$results ${argument%,txt}" ;; esac
    previous=$argument
done
for file in $results; do rm -f "$file"; done
"$wine" "$@"
status=$?
for file in $results; do [ -f "$file" ] && cat "$file"; done
exit $status
