#!/usr/bin/env bash
# Cross-builds libpng and FreeType for the Windows build from Debian's own source packages, into a
# prefix outside the source tree, and prints that prefix on standard output. The prefix is named
# after the source versions built, the cross compiler and this script, so it is built once and
# again only when one of them changes. zlib is Debian's libz-mingw-w64-dev; GoogleTest, Boost and
# nlohmann-json come from the Linux packages' sources and headers.
#   scripts/windows-deps.sh    (scripts/setup.sh --windows first)
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
root=$PWD

cache="${XDG_CACHE_HOME:-$HOME/.cache}/beatplate/mingw-w64"
triplet=x86_64-w64-mingw32

say() { echo "windows-deps: $*" >&2; }

source scripts/debian-sources.sh

png_versions=$(source_versions libpng1.6 "$(dpkg-query -W -f='${Version}' libpng-dev)")
freetype_versions=$(source_versions freetype "$(dpkg-query -W -f='${Version}' libfreetype-dev)")
compiler_version=$("$triplet-gcc-posix" -dumpfullversion)
recipe=$(sha256sum "$0" scripts/debian-sources.sh cmake/mingw-w64-x86_64.cmake | sha256sum | cut -c1-12)
# The prefix of a build of these libpng and FreeType versions.
prefix_of() {
  local key="png-${1}_freetype-${2}_gcc-${compiler_version}_${recipe}"
  echo "$cache/${key//[^A-Za-z0-9._-]/_}"
}
prefix=$(prefix_of "$(head -n1 <<<"$png_versions")" "$(head -n1 <<<"$freetype_versions")")
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

work=$(mktemp -d)
staging=""
trap 'rm -rf "$work" "$staging"' EXIT

# Unpacks the first version of a source package that downloads, notes that version in
# $work/PACKAGE.version and prints the source's folder.
fetch() {
  local package=$1
  fetch_source "$work/$package" "$package" "$2" >"$work/$package.version"
  find "$work/$package" -mindepth 1 -maxdepth 1 -type d -print -quit
}

png_source=$(fetch libpng1.6 "$png_versions")
freetype_source=$(fetch freetype "$freetype_versions")
# Named after the versions built, which are not the best ones when a mirror lacks those.
prefix=$(prefix_of "$(cat "$work/libpng1.6.version")" "$(cat "$work/freetype.version")")
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

say "building libpng and FreeType into $prefix"
staging="$prefix.partial.$$"
mkdir -p "$staging/include"
printf 'libpng1.6 %s\nfreetype %s\n' "$(cat "$work/libpng1.6.version")" \
  "$(cat "$work/freetype.version")" >"$staging/versions.txt"

toolchain=(-G "Unix Makefiles" --toolchain "$root/cmake/mingw-w64-x86_64.cmake"
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$staging"
  -DBEATPLATE_WINDOWS_PREFIX="$staging" -DBUILD_SHARED_LIBS=OFF)
jobs=$(nproc)

# libpng: the library only, static, against MinGW's zlib.
cmake -S "$png_source" -B "$work/png-build" "${toolchain[@]}" -DPNG_SHARED=OFF -DPNG_STATIC=ON \
  -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_BUILD_ZLIB=OFF -DSKIP_INSTALL_PROGRAMS=ON \
  -DSKIP_INSTALL_FILES=ON >/dev/null
cmake --build "$work/png-build" -j"$jobs" >/dev/null
cmake --install "$work/png-build" >/dev/null

# FreeType: what the header text needs (TrueType and OpenType outlines), without HarfBuzz,
# Brotli, bzip2 or PNG bitmaps; zlib for compressed fonts is MinGW's, as on Linux it is the system's.
cmake -S "$freetype_source" -B "$work/freetype-build" "${toolchain[@]}" \
  -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
  -DFT_REQUIRE_ZLIB=ON >/dev/null
cmake --build "$work/freetype-build" -j"$jobs" >/dev/null
cmake --install "$work/freetype-build" >/dev/null

link_headers "$staging" boost nlohmann
finish_prefix "$staging" "$prefix"
