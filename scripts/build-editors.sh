#!/usr/bin/env bash
# Builds the editor packages: compiles the VS Code extension, tests its grammar on the sample
# charts of editors/vscode/test/grammar and packs it as editors/vscode/beatplate.vsix. Installs
# what it needs: Node.js and npm through scripts/setup.sh --editors, then the npm packages that
# package-lock.json pins. editors/vim needs no build.
set -euo pipefail
cd "$(dirname "$0")/.."
BEATPLATE_EDITOR_TOOLS=1 ./scripts/setup.sh
cd editors/vscode
npm ci --no-audit --no-fund </dev/null
npm run -s compile
npm run -s test:grammar
# The package carries the project's licence; the copy is made only for it.
cp ../../LICENSE LICENSE
trap 'rm -f LICENSE' EXIT
npx vsce package --no-dependencies --allow-missing-repository --out beatplate.vsix </dev/null
echo "build-editors: editors/vscode/beatplate.vsix"
