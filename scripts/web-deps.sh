#!/usr/bin/env bash
# Builds zlib, libpng and FreeType for the browser build from Debian's own source packages with
# Debian's emscripten, into a prefix outside the source tree, and prints that prefix on standard
# output. The versions are the Linux build's own where the archive still serves them, so that
# the browser compresses and rasterises as the Linux program does; the prefix is named after the
# versions built, the compiler and this script, so it is built once and again only when one of
# them changes. Emscripten's own ports would be downloaded, and its frozen cache refuses them.
#   scripts/web-deps.sh    (scripts/setup.sh --web first)
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
source scripts/web-env.sh
source scripts/debian-sources.sh

cache="${BEATPLATE_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/beatplate}/web"

say() { echo "web-deps: $*" >&2; }

work=$(mktemp -d)
trap 'rm -rf "$work" "${staging:-}"' EXIT

source_dir() { find "$work/$1" -mindepth 1 -maxdepth 1 -type d -print -quit; }

# The prefix is named after what is built, which is known only once the sources are unpacked:
# the first version that downloads is not always the first listed. A complete prefix for the
# versions listed first is taken without downloading anything.
compiler_version=$(emcc -dumpversion)
recipe=$(sha256sum "$0" scripts/debian-sources.sh | sha256sum | cut -c1-12)
prefix_for() {
  local key="zlib-$1_png-$2_freetype-$3_emcc-${compiler_version}_${recipe}"
  echo "$cache/${key//[^A-Za-z0-9._-]/_}"
}
zlib_versions=$(source_versions zlib "$(dpkg-query -W -f='${Version}' zlib1g-dev)")
png_versions=$(source_versions libpng1.6 "$(dpkg-query -W -f='${Version}' libpng-dev)")
freetype_versions=$(source_versions freetype "$(dpkg-query -W -f='${Version}' libfreetype-dev)")
for candidate in "$cache"/*/.complete; do
  [ -f "$candidate" ] || continue
  candidate=$(dirname "$candidate")
  for zlib in $zlib_versions; do for png in $png_versions; do for freetype in $freetype_versions; do
    if [ "$candidate" = "$(prefix_for "$zlib" "$png" "$freetype")" ]; then
      echo "$candidate"
      exit 0
    fi
  done; done; done
done

zlib_version=$(fetch_source "$work/zlib" zlib "$zlib_versions")
png_version=$(fetch_source "$work/libpng1.6" libpng1.6 "$png_versions")
freetype_version=$(fetch_source "$work/freetype" freetype "$freetype_versions")
# FreeType flattens curves by differences on x86-64 and ARM64 and by halving them elsewhere,
# which sets a few edge pixels of a glyph one step apart: the browser's build takes the way of
# the Linux program's machines (in plain C, which gives what their vector code gives), so that
# the header text is the same to the last pixel.
ftgrays="$(source_dir freetype)/src/smooth/ftgrays.c"
sed -i 's/^    defined( __aarch64__ ) || \\$/    defined( __aarch64__ ) || defined( __wasm__ ) || \\/' "$ftgrays"
if ! grep -q 'defined( __wasm__ )' "$ftgrays"; then
  say "FreeType's choice of how to flatten curves is not where it was; see $0"
  exit 1
fi
prefix=$(prefix_for "$zlib_version" "$png_version" "$freetype_version")
say "building zlib $zlib_version, libpng $png_version and FreeType $freetype_version into $prefix"
staging="$prefix.partial.$$"
mkdir -p "$staging/include" "$staging/lib" "$staging/licenses"
printf 'zlib %s\nlibpng1.6 %s\nfreetype %s\n' "$zlib_version" "$png_version" "$freetype_version" \
  >"$staging/versions.txt"
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2

# zlib: the static library alone, through its own configure (its CMake build names a shared and
# a static library alike, which emscripten builds both static). -O3 as zlib builds itself.
(cd "$(source_dir zlib)" && CFLAGS="-O3" emconfigure ./configure --static --prefix="$staging" \
  >/dev/null && emmake make -j"$jobs" libz.a >/dev/null && emmake make install >/dev/null)

cmake_flags=(-G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$staging"
  -DBUILD_SHARED_LIBS=OFF -DZLIB_INCLUDE_DIR="$staging/include" -DZLIB_LIBRARY="$staging/lib/libz.a")

# libpng: the library only, static, against that zlib; it only reads the sprite sheet.
emcmake cmake -S "$(source_dir libpng1.6)" -B "$work/png-build" "${cmake_flags[@]}" \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_BUILD_ZLIB=OFF \
  -DPNG_HARDWARE_OPTIMIZATIONS=OFF -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_FILES=ON >/dev/null
cmake --build "$work/png-build" -j"$jobs" >/dev/null
cmake --install "$work/png-build" >/dev/null

# FreeType with Debian's patches and options (ftoption.h as the Linux library has it): what the
# header text needs, without HarfBuzz, Brotli, bzip2 or PNG bitmaps; zlib for compressed fonts
# is the one above, as on Linux it is the system's (without it FreeType would build a copy of
# its own, whose names clash with zlib's).
emcmake cmake -S "$(source_dir freetype)" -B "$work/freetype-build" "${cmake_flags[@]}" \
  -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
  -DFT_REQUIRE_ZLIB=ON >/dev/null
cmake --build "$work/freetype-build" -j"$jobs" >/dev/null
cmake --install "$work/freetype-build" >/dev/null

# The licences of what was built, for the archives that carry it.
cp "$(source_dir zlib)/debian/copyright" "$staging/licenses/zlib.txt"
cp "$(source_dir libpng1.6)/debian/copyright" "$staging/licenses/libpng.txt"
cp "$(source_dir freetype)/debian/copyright" "$staging/licenses/FreeType.txt"

link_headers "$staging" nlohmann
finish_prefix "$staging" "$prefix"
