#!/usr/bin/env bash
# Builds the page for the browser (scripts/build-web.sh) and tests it in headless Chromium
# against the Linux program of build/, which is built first when it is not there or not
# current: tests/browser/standalone_test.py.
#   scripts/test-web.sh
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh --web --tests
./scripts/build-web.sh
cmake -S . -B build >/dev/null
cmake --build build -j"$(nproc)" --target beatplate
# The system's Python, with Debian's Selenium, not one a user may have put first on PATH.
/usr/bin/python3 tests/browser/standalone_test.py build/beatplate dist/web .
