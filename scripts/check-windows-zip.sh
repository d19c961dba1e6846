#!/usr/bin/env bash
# Checks the Windows zip as a user gets it: the editor is a GUI program with its icon, version
# information and manifest; every DLL that anything in the zip imports (the editor, each DLL,
# each plugin) is in the zip or is a Windows system DLL listed in cmake/windows-system-dlls.txt;
# and every DLL beside the editor is imported by something, so none is shipped for nothing.
#
#   check-windows-zip.sh ZIP
set -euo pipefail
zip=$(realpath "$1")
here=$(cd "$(dirname "$0")/.." && pwd)
objdump=x86_64-w64-mingw32-objdump
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && cmake -E tar xf "$zip")
cd "$work"/*/ # the zip's one folder

failed=0
fail() { echo "$zip: $*"; failed=1; }
lower() { tr '[:upper:]' '[:lower:]'; }

for file in zrm-editor.exe platforms/qwindows.dll styles/qwindowsvistastyle.dll README.txt \
    licenses/LGPL-3.0.txt licenses/GPL-3.0.txt licenses/Qt-copyright.txt licenses/SOURCES.txt \
    licenses/build-qt.sh licenses/MinGW-runtime-GCC.txt licenses/MinGW-runtime-mingw-w64.txt; do
    [ -s "$file" ] || fail "lacks $file"
done
grep -q '^Subsystem.*(Windows GUI)' <<<"$("$objdump" -p zrm-editor.exe)" \
    || fail "zrm-editor.exe is not a GUI program (it would open a console window)"
resources=$(wrestool -l zrm-editor.exe)
for type in "group_icon" "type=version" "--type=24 "; do
    grep -qe "$type" <<<"$resources" || fail "zrm-editor.exe has no $type resource"
done

mapfile -t binaries < <(find . -type f \( -iname '*.exe' -o -iname '*.dll' \) | sort)
shipped=$(printf '%s\n' "${binaries[@]##*/}" | lower | sort -u)
known=$( (echo "$shipped" && grep -v '^#' "$here/cmake/windows-system-dlls.txt" | lower) | sort -u)
imported=
for binary in "${binaries[@]}"; do
    imports=$("$objdump" -p "$binary" | sed -n 's/^[[:space:]]*DLL Name: //p' | lower | sort -u)
    for dll in $imports; do
        grep -qxF "$dll" <<<"$known" \
            || fail "${binary#./} imports $dll, which is neither in the zip nor a Windows system DLL"
    done
    imported+="$imports"$'\n'
done
# Plugins are loaded by Qt, not imported; a DLL beside the editor must be imported.
for dll in *.dll; do
    grep -qxF "$(lower <<<"$dll")" <<<"$imported" || fail "ships $dll, which nothing imports"
done
[ $failed -eq 0 ] && echo "zip check: ${#binaries[@]} programs and DLLs; every DLL they import" \
    "is in the zip or a Windows system DLL, and every DLL shipped is used"
exit $failed
