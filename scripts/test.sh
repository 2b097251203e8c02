#!/usr/bin/env bash
# Sets up the machine, builds beatplate and runs every test.
#   scripts/test.sh             the normal build, in build/
#   scripts/test.sh --sanitize  an AddressSanitizer + UndefinedBehaviorSanitizer build, in build-sanitize/
set -euo pipefail
cd "$(dirname "$0")/.."
# The tests also need what drives the preview page in a browser, which nothing else needs.
./scripts/setup.sh --tests

build_dir=build
flags=(-DBEATPLATE_TESTS=ON)
if [ "${1:-}" = --sanitize ]; then
  build_dir=build-sanitize
  flags+=(-DBEATPLATE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
  export ASAN_OPTIONS=detect_stack_use_after_return=1:strict_string_checks=1:detect_leaks=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
[ "${CI:-}" = true ] && flags+=(-DBEATPLATE_WERROR=ON)

cmake -S . -B "$build_dir" "${flags[@]}" >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
ctest --test-dir "$build_dir" --output-on-failure --no-tests=error -j"$(nproc)" </dev/null
