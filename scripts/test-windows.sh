#!/usr/bin/env bash
# Builds beatplate for Windows (scripts/build-windows.sh) and runs its test programs under 64-bit
# Wine, in a Wine prefix of their own that is removed afterwards, then the end-to-end tests of the
# two programs (tests/windows/e2e.sh), which compare what they make with what the Linux programs
# make, the tests of the archive (tests/windows/package.sh) and, where Xvfb and xdotool are
# installed, the wait for Enter in a console window of its own (tests/windows/console.sh). Fails
# when a test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build-windows.sh
# The Linux programs that the Windows ones are compared with.
cmake -S . -B build -DBEATPLATE_TESTS=ON >/dev/null
cmake --build build -j"$(nproc)" --target beatplate beatplate-chart

WINEPREFIX=$(mktemp -d)
export WINEPREFIX
# No X server, no debug channels, and no offer to install Mono or Gecko into the new prefix.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
# Wine's server and services, started by the first program of a session, keep that program's
# output open until they end, which is when no program is left: ctest then took the program to
# last as long as the longest one beside it, and a program started in the moment they ended lost
# the server ("wine client error"). They are started here instead, with no output of ours, and
# kept for the whole run.
keep_wine_server() {
  /usr/lib/wine/wineserver -w
  /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1
  /usr/lib/wine/wine64 cmd /c exit </dev/null >/dev/null 2>&1
}

# The prefix is made once before the tests, which would otherwise each wait for it.
/usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
keep_wine_server
ctest --test-dir build-windows --output-on-failure --no-tests=error -j"$(nproc)" </dev/null
tests/windows/e2e.sh build-windows build
tests/windows/console.sh build-windows
keep_wine_server
# The archive a Windows user downloads, unpacked and used as a drop uses it.
archive=$(./scripts/package-windows.sh | tail -n1 | cut -d' ' -f1)
tests/windows/package.sh "$archive" build
