#!/usr/bin/env bash
# Builds beatplate for the browser: the core as WebAssembly with Debian's emscripten (in
# build-web/), and the page around it in dist/web, which any static file server can host.
#   scripts/build-web.sh    (scripts/setup.sh --web first)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/web-env.sh
prefix=$(scripts/web-deps.sh)
emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release -DBEATPLATE_WEB_PREFIX="$prefix" \
  -DBEATPLATE_TESTS=OFF >/dev/null
cmake --build build-web -j"$(( $(nproc) < 2 ? $(nproc) : 2 ))"
mkdir -p dist
rm -rf dist/web.partial
cp -r build-web/page dist/web.partial
rm -rf dist/web
mv dist/web.partial dist/web
echo "build-web: the page is in dist/web" >&2
