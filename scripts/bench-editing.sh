#!/usr/bin/env bash
# Builds beatplate in Release (build-release/) and prints how long beatplate lsp takes to answer
# completion, folding ranges and inlay hints for charts of 200 and 2,000 measures (or the sizes
# given), with the machine's load before and after.
#   scripts/bench-editing.sh [MEASURES...]
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DBEATPLATE_TESTS=OFF -DBEATPLATE_BENCH=ON >/dev/null
cmake --build build-release -j2 --target editing_bench
echo "load before: $(uptime)"
./build-release/bench/editing_bench "$@" </dev/null
echo "load after: $(uptime)"
