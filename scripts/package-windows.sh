#!/usr/bin/env bash
# Writes dist/beatplate-VERSION-windows-x64.zip: a folder a Windows user unpacks and drops charts
# on. It holds the two programs (stripped), the sprite sheet, the header font
# (IPAGothic from fonts-ipafont-gothic), README.txt in Japanese and English (CRLF, UTF-8 with a
# byte-order mark), LICENSE.txt, and the licences of zlib, libpng, FreeType and the font from
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
python3 - "$stage" "$name" "$archive" "$(git log -1 --format=%ct 2>/dev/null || echo 315532800)" <<'PY'
import os, sys, time, zipfile
stage, name, archive, stamp = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
date = time.gmtime(max(stamp, 315532800))[:6]
files = sorted(os.path.relpath(os.path.join(root, file), stage)
               for root, _, names in os.walk(os.path.join(stage, name)) for file in names)
partial = archive + ".partial"
with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as zip:
    for path in files:
        entry = zipfile.ZipInfo(path.replace(os.sep, "/"), date)
        entry.compress_type = zipfile.ZIP_DEFLATED
        entry.external_attr = 0o644 << 16
        with open(os.path.join(stage, path), "rb") as source:
            zip.writestr(entry, source.read())
os.replace(partial, archive)
PY
echo "$archive ($(stat -c %s "$archive") bytes)"
