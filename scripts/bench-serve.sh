#!/usr/bin/env bash
# Builds beatplate in Release (build-release/) and puts beatplate serve under load: REQUESTS
# POST /api/render (200 by default) of a generated chart of MEASURES measures (150) from CLIENTS
# concurrent clients (8), every answer checked against the picture the command line draws;
# prints the median, 95th- and 99th-percentile latency (the 95th must be at most twice the
# median) and the server's peak memory; then times ordinary requests while 1,000 clients drip
# their headers a byte every 1.5 s and 100 idle connections and 50 event listeners are held
# open, each opened again when the server closes it (each request must be answered within 2 s),
# and prints the server's memory. Fails when a figure misses its bound.
#   scripts/bench-serve.sh [MEASURES [REQUESTS [CLIENTS]]]
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DBEATPLATE_TESTS=OFF -DBEATPLATE_BENCH=ON >/dev/null
cmake --build build-release -j"$(nproc)" --target beatplate serve_load >/dev/null
./build-release/bench/serve_load ./build-release/beatplate "${1:-150}" "${2:-200}" "${3:-8}"
