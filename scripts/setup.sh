#!/usr/bin/env bash
# Installs every Debian package that building, testing and running beatplate needs.
# Runs apt-get only when something is missing, and never asks a question.
#   scripts/setup.sh            what the Linux build needs
#   scripts/setup.sh --windows  that, and the MinGW-w64 cross compiler, Wine and Debian's sources
#                               of libpng and FreeType (the same as BEATPLATE_WINDOWS=1)
set -euo pipefail

windows="${BEATPLATE_WINDOWS:-0}"
[ "${1:-}" = --windows ] && windows=1

packages=(
  cmake g++ make pkg-config
  libpng-dev zlib1g-dev libboost-dev libgtest-dev libgmock-dev nlohmann-json3-dev
  libfreetype-dev libfontconfig-dev fonts-ipafont-gothic
  pngcheck desktop-file-utils
  libcpp-httplib-dev
  chromium chromium-driver python3-selenium
)
if [ "${BEATPLATE_DEV_TOOLS:-0}" = 1 ]; then
  packages+=(clang-14 libclang-rt-14-dev clang-format clang-tidy-14 libbenchmark-dev optipng)
fi
# Only scripts/package.sh needs these: dpkg-shlibdeps and dpkg-buildflags, file, lintian.
if [ "${BEATPLATE_PACKAGE_TOOLS:-0}" = 1 ]; then
  packages+=(dpkg-dev file lintian)
fi
# The Windows build: scripts/windows-deps.sh cross-builds libpng and FreeType from their Debian
# sources (dpkg-source unpacks them); the tests run under 64-bit Wine, which needs no display.
if [ "$windows" = 1 ]; then
  packages+=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64 dpkg-dev)
fi

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

# apt-get source needs a deb-src entry: one for each of Debian's own archives and suites that the
# deb entries name, whichever of the two forms they are written in.
add_source_entries() {
  if grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    return 1
  fi
  local found=1 file
  for file in /etc/apt/sources.list.d/*.sources; do
    grep -q debian-archive-keyring "$file" 2>/dev/null || continue
    sed 's/^Types: *deb *$/Types: deb-src/' "$file" |
      $sudo tee "/etc/apt/sources.list.d/beatplate-src-$(basename "$file")" >/dev/null
    found=0
  done
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    grep -qE '^deb .*/debian' "$file" 2>/dev/null || continue
    sed -nE 's,^deb (.*/debian.*),deb-src \1,p' "$file" |
      $sudo tee "/etc/apt/sources.list.d/beatplate-src-$(basename "$file")" >/dev/null
    found=0
  done
  return $found
}
refresh=0
if [ "$windows" = 1 ] && add_source_entries; then
  echo "setup: added deb-src entries for apt-get source"
  refresh=1
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  [ "$refresh" = 1 ] && $sudo apt-get update -qq </dev/null
  exit 0
fi

echo "setup: installing ${missing[*]}"
$sudo apt-get update -qq </dev/null
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
