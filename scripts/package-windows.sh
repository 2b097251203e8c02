#!/usr/bin/env bash
# Writes dist/beatplate-VERSION-windows-x64.zip: a folder a Windows user unpacks and drops charts
# on. It holds the two programs (stripped), the sprite sheet, the header font
# (IPAGothic from fonts-ipafont-gothic), the page in web (scripts/build-web.sh), README.txt
# in Japanese and English (CRLF, UTF-8 with a byte-order mark), LICENSE.txt, and the licences of zlib, libpng, FreeType and the font from
# the Debian packages the build used. The archive's entries are sorted and dated at the last
# commit, so that the same tree gives the same archive.
#   scripts/package-windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(beatplate VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
# The Windows build of scripts/build-windows.sh (optimised, with debugging information that the
# archive's copies are stripped of), which the tests under Wine also run.
./scripts/build-windows.sh --target beatplate beatplate-chart
build=build-windows

name=beatplate-$version-windows-x64
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
folder=$stage/$name
mkdir -p "$folder/licenses"
for program in beatplate beatplate-chart; do
  x86_64-w64-mingw32-strip -o "$folder/$program.exe" "$build/$program.exe"
done
cp assets/pic.png "$folder/pic.png"
cp /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf "$folder/ipag.ttf"
# The page (scripts/build-web.sh), which beatplate serve serves from web beside the program and
# any static file server hosts as it stands.
./scripts/build-web.sh
cp -r dist/web "$folder/web"

# Windows editors and Notepad read a text file best with CRLF line ends and a byte-order mark.
windows_text() {
  printf '\xEF\xBB\xBF'
  sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$1"
}
windows_text packaging/windows/README.txt >"$folder/README.txt"
windows_text LICENSE >"$folder/LICENSE.txt"
windows_text /usr/share/doc/libz-mingw-w64-dev/copyright >"$folder/licenses/zlib.txt"
windows_text /usr/share/doc/libpng16-16/copyright >"$folder/licenses/libpng.txt"
windows_text /usr/share/doc/libfreetype6/copyright >"$folder/licenses/FreeType.txt"
windows_text /usr/share/doc/fonts-ipafont-gothic/copyright >"$folder/licenses/IPAfont.txt"

mkdir -p dist
archive=dist/$name.zip
python3 scripts/write-zip.py "$stage" "$name" "$archive" \
  "$(git log -1 --format=%ct 2>/dev/null || echo 315532800)"
echo "$archive ($(stat -c %s "$archive") bytes)"
