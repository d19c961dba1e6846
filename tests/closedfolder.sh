#!/bin/sh
# Runs tst_closedfolder on a folder where no new file may be made, holding props.txt (0666),
# which may be written, and locked.txt (0444), which may not. Root may write anywhere, so as
# root a copy of the test runs as nobody; where that cannot be done the test is skipped (77).
# Usage: closedfolder.sh TEST_PROGRAM
set -u
scratch=$(mktemp -d) && chmod 755 "$scratch" && mkdir "$scratch/closed" || exit 1
trap 'chmod -R u+w "$scratch"; rm -rf "$scratch"' EXIT
printf old >"$scratch/closed/props.txt" && printf old >"$scratch/closed/locked.txt"
chmod 666 "$scratch/closed/props.txt" && chmod 444 "$scratch/closed/locked.txt" && chmod 555 "$scratch/closed"
export ZRM_CLOSED_FOLDER="$scratch/closed"
[ "$(id -u)" -ne 0 ] && exec "$1"
cp "$1" "$scratch/test" && chmod 755 "$scratch/test"
setpriv --reuid=nobody --regid=nogroup --clear-groups true 2>/dev/null \
    || { echo "SKIP: setpriv cannot run a program as nobody here"; exit 77; }
setpriv --reuid=nobody --regid=nogroup --clear-groups "$scratch/test"
