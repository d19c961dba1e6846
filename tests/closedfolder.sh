#!/bin/sh
# Runs tst_closedfolder in a scratch folder holding closed/, where no new file may be made, with
# a.txt (0666), which may be written, and open/, which takes new files. Root may write anywhere,
# so as root a copy of the test runs as nobody; where that cannot be done the test is skipped
# (77). The Windows build's test runs under wine (EMULATOR: cmake/wine-run.sh), as nobody too,
# with a wine prefix, a key to the X server and a results file of nobody's own.
# Usage: closedfolder.sh TEST_PROGRAM [EMULATOR...]
set -u
scratch=$(mktemp -d) && chmod 755 "$scratch" || exit 1
trap 'chmod -R u+w "$scratch"; rm -rf "$scratch"' EXIT
mkdir "$scratch/closed" "$scratch/open" "$scratch/own" || exit 1
printf ooo >"$scratch/closed/a.txt" && chmod 666 "$scratch/closed/a.txt"
chmod 555 "$scratch/closed" && chmod 777 "$scratch/open"
export ZRM_SCRATCH="$scratch"
test="$scratch/own/$(basename "$1")"
cp "$1" "$test" && chmod 755 "$test" || exit 1
shift
if [ $# -gt 0 ]; then set -- "$@" "$test" -o "$scratch/own/results.txt,txt"; else set -- "$test"; fi
if [ "$(id -u)" -ne 0 ]; then
    "$@"
    exit
fi
setpriv --reuid=nobody --regid=nogroup --clear-groups true 2>/dev/null \
    || { echo "SKIP: setpriv cannot run a program as nobody here"; exit 77; }
chown nobody:nogroup "$scratch/own"
if [ -n "${XAUTHORITY:-}" ]; then
    cp "$XAUTHORITY" "$scratch/own/xauthority" && chown nobody "$scratch/own/xauthority"
    export XAUTHORITY="$scratch/own/xauthority"
fi
HOME="$scratch/own" WINEPREFIX="$scratch/own/wine" \
    setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"
