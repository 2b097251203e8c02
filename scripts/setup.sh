#!/usr/bin/env bash
# Installs every Debian package that building, testing and running beatplate needs.
# Runs apt-get only when something is missing, and never asks a question; then unpacks
# cpp-httplib's header (scripts/fetch-httplib.sh).
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libpng-dev zlib1g-dev libboost-dev libgtest-dev libgmock-dev nlohmann-json3-dev
  libfreetype-dev libfontconfig-dev fonts-ipafont-gothic
  pngcheck desktop-file-utils
  dpkg-dev # dpkg-source, with which apt-get source unpacks cpp-httplib (fetch-httplib.sh)
  chromium chromium-driver python3-selenium
)
if [ "${BEATPLATE_DEV_TOOLS:-0}" = 1 ]; then
  packages+=(clang-14 libclang-rt-14-dev clang-format clang-tidy-14 libbenchmark-dev optipng hyperfine)
fi
# Only scripts/package.sh needs these: dpkg-shlibdeps and dpkg-buildflags, file, lintian.
if [ "${BEATPLATE_PACKAGE_TOOLS:-0}" = 1 ]; then
  packages+=(dpkg-dev file lintian)
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq </dev/null
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
fi
"$(dirname "$0")/fetch-httplib.sh"
