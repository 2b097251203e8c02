#!/usr/bin/env bash
# Installs every Debian package that building, testing and running beatplate needs.
# Runs apt-get only when something is missing, and never asks a question; then unpacks
# cpp-httplib's header (scripts/fetch-httplib.sh).
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libpng-dev zlib1g-dev libgtest-dev libgmock-dev nlohmann-json3-dev
  libboost-dev # only the reference pictures test, for its SHA-1
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

  # Another install (a second terminal, unattended upgrades) may hold the package manager's lock:
  # wait for it, up to ten minutes, instead of failing at once.
  apt_get() {
    local deadline=$((SECONDS + 600)) errors status
    errors=$(mktemp)
    while true; do
      status=0
      $sudo apt-get -o DPkg::Lock::Timeout=60 "$@" </dev/null 2>"$errors" || status=$?
      if [ "$status" -eq 0 ] || ! grep -q -e 'Could not get lock' -e 'Unable to lock' "$errors" \
        || [ "$SECONDS" -ge "$deadline" ]; then
        cat "$errors" >&2
        rm -f "$errors"
        return "$status"
      fi
      echo "setup: another package manager holds the lock; waiting for it" >&2
      sleep 5
    done
  }

  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt_get update -qq
  apt_get install -y -qq --no-install-recommends "${missing[@]}"
fi
"$(dirname "$0")/fetch-httplib.sh"
