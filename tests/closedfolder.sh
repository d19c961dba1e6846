#!/bin/sh
# Runs tst_closedfolder in a scratch folder holding closed/, where no new file may be made, with
# a.txt (0666), which may be written, and open/, which takes new files. Root may write anywhere,
# so as root a copy of the test runs as nobody; where that cannot be done the test is skipped
# (77).
# Usage: closedfolder.sh TEST_PROGRAM
set -u
scratch=$(mktemp -d) && chmod 755 "$scratch" && mkdir "$scratch/closed" "$scratch/open" || exit 1
trap 'chmod -R u+w "$scratch"; rm -rf "$scratch"' EXIT
printf ooo >"$scratch/closed/a.txt" && chmod 666 "$scratch/closed/a.txt"
chmod 555 "$scratch/closed" && chmod 777 "$scratch/open"
export ZRM_SCRATCH="$scratch"
[ "$(id -u)" -ne 0 ] && exec "$1"
cp "$1" "$scratch/test" && chmod 755 "$scratch/test"
setpriv --reuid=nobody --regid=nogroup --clear-groups true 2>/dev/null \
    || { echo "SKIP: setpriv cannot run a program as nobody here"; exit 77; }
setpriv --reuid=nobody --regid=nogroup --clear-groups "$scratch/test"
