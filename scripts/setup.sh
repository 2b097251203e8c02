#!/usr/bin/env bash
# Installs every Debian package that building, testing and running beatplate needs.
# Runs apt-get only when something is missing, and never asks a question; then unpacks
# cpp-httplib's header (scripts/fetch-httplib.sh).
#   scripts/setup.sh            what the Linux build needs
#   scripts/setup.sh --tests    that, and Chromium, its driver and Selenium, with which the tests
#                               drive the preview page (the same as BEATPLATE_TEST_TOOLS=1;
#                               scripts/test.sh asks for them)
#   scripts/setup.sh --windows  that, and the MinGW-w64 cross compiler, Wine (with its `wine`
#                               command) and Debian's sources of libpng and FreeType (the same as
#                               BEATPLATE_WINDOWS=1)
#   BEATPLATE_SCREENSHOT_TOOLS=1  also a virtual X display, xwd, xdotool and netpbm, with which
#                               tools/console_screenshot.sh photographs beatplate.exe's console
#   scripts/setup.sh --web      that, and Debian's emscripten and the deb-src entries from which
#                               scripts/web-deps.sh builds zlib, libpng and FreeType for the browser
#                               (the same as BEATPLATE_WEB=1)
#   scripts/setup.sh --editors  that, and Neovim (the language server's test against a real
#                               client), Node.js and npm (the VS Code extension), and what
#                               code-server's install needs from Debian (the extension's test
#                               inside VS Code); the same as BEATPLATE_EDITOR_TOOLS=1
set -euo pipefail

windows="${BEATPLATE_WINDOWS:-0}"
web="${BEATPLATE_WEB:-0}"
editors="${BEATPLATE_EDITOR_TOOLS:-0}"
tests="${BEATPLATE_TEST_TOOLS:-0}"
for argument in "$@"; do
  case "$argument" in
    --windows) windows=1 ;;
    --web) web=1 ;;
    --editors) editors=1 ;;
    --tests) tests=1 ;;
    *) echo "setup: unknown argument $argument (--tests, --windows, --web or --editors)" >&2; exit 4 ;;
  esac
done

packages=(
  cmake g++ make pkg-config
  libpng-dev zlib1g-dev libgtest-dev libgmock-dev nlohmann-json3-dev
  libboost-dev # only the reference pictures test, for its SHA-1
  libfreetype-dev libfontconfig-dev fonts-ipafont-gothic
  pngcheck desktop-file-utils
  git # the test of beatplate diff as git's difftool and of pictures' textconv
  dpkg-dev # dpkg-source, with which apt-get source unpacks cpp-httplib (fetch-httplib.sh)
)
if [ "$tests" = 1 ]; then
  packages+=(chromium chromium-driver python3-selenium)
fi
if [ "${BEATPLATE_DEV_TOOLS:-0}" = 1 ]; then
  packages+=(clang-14 libclang-rt-14-dev clang-format clang-tidy-14 libbenchmark-dev optipng hyperfine valgrind)
fi
# Only scripts/package.sh needs these: dpkg-shlibdeps and dpkg-buildflags, file, lintian.
if [ "${BEATPLATE_PACKAGE_TOOLS:-0}" = 1 ]; then
  packages+=(dpkg-dev file lintian)
fi
# The Windows build: scripts/windows-deps.sh cross-builds libpng and FreeType from their Debian
# sources (dpkg-source unpacks them); the tests run under 64-bit Wine, which needs no display.
if [ "$windows" = 1 ]; then
  # xvfb and xdotool give tests/windows/console.sh a display on which to press Enter; wine64
  # alone installs no command on PATH, which the package wine adds (`wine program.exe`).
  packages+=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64 wine dpkg-dev xvfb xdotool)
fi
# The browser's build: Debian's emscripten (with its own clang, lld, binaryen and Node.js
# modules) and, for its ports of zlib, libpng and FreeType, the sources apt-get source unpacks.
if [ "$web" = 1 ]; then
  packages+=(emscripten dpkg-dev)
fi
# tools/console_screenshot.sh only; CI draws no windows.
if [ "${BEATPLATE_SCREENSHOT_TOOLS:-0}" = 1 ]; then
  packages+=(xvfb xterm x11-apps xdotool netpbm)
fi

# A Node.js that came with its own npm is kept: Debian's npm would ask for Debian's nodejs.
if [ "$editors" = 1 ]; then
  # code-server builds its kerberos module against libkrb5 and takes Debian's ripgrep.
  packages+=(neovim libkrb5-dev ripgrep)
  command -v npm >/dev/null || packages+=(nodejs npm)
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
if { [ "$windows" = 1 ] || [ "$web" = 1 ]; } && add_source_entries; then
  echo "setup: added deb-src entries for apt-get source"
  refresh=1
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
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

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  apt_get update -qq
  apt_get install -y -qq --no-install-recommends "${missing[@]}"
elif [ "$refresh" = 1 ]; then
  apt_get update -qq
fi
"$(dirname "$0")/fetch-httplib.sh"
