#!/usr/bin/env bash
# Cross-builds beatplate for 64-bit Windows on Debian, in build-windows/: installs the cross
# compiler and Wine, builds libpng and FreeType from Debian's sources once (scripts/windows-deps.sh
# keeps them in a cache), then configures and builds with cmake/mingw-w64-x86_64.cmake.
#   scripts/build-windows.sh [cmake --build arguments]
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh --windows

prefix=$(./scripts/windows-deps.sh)
flags=(-DBEATPLATE_TESTS=ON -DBEATPLATE_WINDOWS_PREFIX="$prefix")
[ "${CI:-}" = true ] && flags+=(-DBEATPLATE_WERROR=ON)

cmake -S . -B build-windows --toolchain cmake/mingw-w64-x86_64.cmake "${flags[@]}" >/dev/null
cmake --build build-windows -j"$(nproc)" "$@"
