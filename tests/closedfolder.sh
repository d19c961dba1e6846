#!/bin/sh
# Runs tst_closedfolder in a scratch folder holding closed/, where no new file may be made, with
# a.txt (0666), which may be written, and open/, which takes new files. Root may write anywhere,
# so as root the test runs twice, each in a scratch folder of its own: as root, and as nobody,
# in the group users. For those runs root also makes another user's (daemon's) files that the
# group may write, in shared/ (the group's folder) and in sticky/ (a sticky folder that anyone
# may write, as /tmp), and open/acl.txt, nobody's own; each has an ACL entry and a user.
# attribute (with setfacl and setfattr, from the packages acl and attr) that a save must keep.
# Where nobody cannot be run as, the test is skipped (77). The Windows build's test runs under
# wine (EMULATOR: cmake/wine-run.sh), as nobody only, with a wine prefix, a key to the X server
# and a results file of nobody's own.
# Usage: closedfolder.sh TEST_PROGRAM [EMULATOR...]
set -u
scratches=
trap 'for s in $scratches; do chmod -R u+w "$s"; rm -rf "$s"; done' EXIT

# Makes a scratch folder for one run and copies the test into it, as $scratch and $test.
prepare() {
    scratch=$(mktemp -d) && chmod 755 "$scratch" || exit 1
    scratches="$scratches $scratch"
    mkdir "$scratch/closed" "$scratch/open" "$scratch/own" || exit 1
    printf ooo >"$scratch/closed/a.txt" && chmod 666 "$scratch/closed/a.txt"
    chmod 555 "$scratch/closed" && chmod 777 "$scratch/open"
    test="$scratch/own/$(basename "$program")"
    cp "$program" "$test" && chmod 755 "$test" || exit 1
    [ "$(id -u)" -eq 0 ] || return 0
    mkdir "$scratch/shared" "$scratch/sticky" || exit 1
    chgrp users "$scratch/shared" && chmod 2775 "$scratch/shared" && chmod 1777 "$scratch/sticky"
    for f in shared/b.txt sticky/b.txt open/acl.txt; do
        printf ooo >"$scratch/$f" && chown daemon:users "$scratch/$f" && chmod 660 "$scratch/$f"
    done
    chown nobody:nogroup "$scratch/open/acl.txt" && chmod 600 "$scratch/open/acl.txt"
    # Without the tools, or on a file system without attributes, those cases are skipped.
    for f in shared/b.txt sticky/b.txt open/acl.txt; do
        setfacl -m u:bin:r "$scratch/$f" 2>/dev/null \
            && setfattr -n user.zrm.kept -v "$f" "$scratch/$f" 2>/dev/null
    done
}

program=$1
shift
prepare
export ZRM_SCRATCH="$scratch"
if [ $# -gt 0 ]; then set -- "$@" "$test" -o "$scratch/own/results.txt,txt"; else set -- "$test"; fi
if [ "$(id -u)" -ne 0 ]; then
    "$@"
    exit
fi
setpriv --reuid=nobody --regid=nogroup --clear-groups true 2>/dev/null \
    || { echo "SKIP: setpriv cannot run a program as nobody here"; exit 77; }
status=0
# As root too, but not under wine, which would make a wine prefix for root.
if [ $# -eq 1 ]; then
    "$@" || status=1
    prepare
    export ZRM_SCRATCH="$scratch"
    set -- "$test"
fi
chown nobody:nogroup "$scratch/own"
if [ -n "${XAUTHORITY:-}" ]; then
    cp "$XAUTHORITY" "$scratch/own/xauthority" && chown nobody "$scratch/own/xauthority"
    export XAUTHORITY="$scratch/own/xauthority"
fi
HOME="$scratch/own" WINEPREFIX="$scratch/own/wine" \
    setpriv --reuid=nobody --regid=nogroup --groups=users "$@" || status=1
exit $status
