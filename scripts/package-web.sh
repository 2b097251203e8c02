#!/usr/bin/env bash
# Writes dist/beatplate-VERSION-web.zip: the page of scripts/build-web.sh in a folder that any
# static file server hosts as it stands (python3 -m http.server in it will do), with README.txt,
# LICENSE.txt and the licences of zlib, libpng, FreeType and the IPA font from the Debian packages
# the build used. The archive's entries are sorted and dated at the last commit, so that the same
# tree gives the same archive.
#   scripts/package-web.sh
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(beatplate VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
./scripts/build-web.sh

name=beatplate-$version-web
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
folder=$stage/$name
cp -r dist/web "$folder"
mkdir -p "$folder/licenses"
sed "s/@VERSION@/$version/g" packaging/web/README.txt >"$folder/README.txt"
cp LICENSE "$folder/LICENSE.txt"
cp "$(./scripts/web-deps.sh)"/licenses/*.txt "$folder/licenses/"
cp dist/web/fonts/LICENSE-IPAfont.txt "$folder/licenses/IPAfont.txt"

mkdir -p dist
archive=dist/$name.zip
python3 scripts/write-zip.py "$stage" "$name" "$archive" \
  "$(git log -1 --format=%ct 2>/dev/null || echo 315532800)"
echo "$archive ($(stat -c %s "$archive") bytes)"
