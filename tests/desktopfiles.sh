#!/bin/sh
# Installs the build into a scratch prefix and checks what a desktop gets: exactly the editor,
# its desktop entry, metainfo and icon, each valid and pointing at the others.
# Usage: desktopfiles.sh CMAKE BUILD_DIR PREFIX
set -eu
cmake=$1 build=$2 prefix=$3
id=org.zrmeditor.ZrmEditor

rm -rf "$prefix"
"$cmake" --install "$build" --prefix "$prefix" >/dev/null

expected="bin/zrm-editor
share/applications/$id.desktop
share/icons/hicolor/scalable/apps/$id.svg
share/metainfo/$id.metainfo.xml"
installed=$(cd "$prefix" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
if [ "$installed" != "$expected" ]; then
    printf 'installed:\n%s\nexpected:\n%s\n' "$installed" "$expected"
    exit 1
fi

fail() { echo "$1"; exit 1; }
desktop=$prefix/share/applications/$id.desktop
# Warnings and hints fail too: they exit 0 but show in software centres and menus.
out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ] || fail "desktop entry: $out"
# validate-tree also checks that the metainfo's launchable names the installed desktop entry.
appstreamcli validate-tree --no-net "$prefix" || fail "metainfo is invalid"
python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])' \
    "$prefix/share/icons/hicolor/scalable/apps/$id.svg" || fail "icon is not well-formed SVG"

icon=$(sed -n 's/^Icon=//p' "$desktop")
[ "$icon" = "$id" ] || fail "desktop entry names icon '$icon', not $id"
exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$prefix/bin/$exec" ] || fail "desktop entry starts '$exec', which is not installed"
echo "desktop files: installed and valid"
