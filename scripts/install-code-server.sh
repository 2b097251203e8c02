#!/usr/bin/env bash
# Installs code-server 4.100.3 (VS Code in a browser; the newest that runs on Debian 12's
# Node 20) from npm into the cache, for scripts/test-editors.sh; does nothing when it is there.
# Prints the path of its program. Everything else it needs comes from Debian (scripts/setup.sh
# --editors): libkrb5-dev for its kerberos module, and ripgrep, whose copy seeds the download
# that @vscode/ripgrep would otherwise make from outside npm.
#   BEATPLATE_CACHE_DIR  the cache (default: ${XDG_CACHE_HOME:-~/.cache}/beatplate)
set -euo pipefail
version=4.100.3
cache=${BEATPLATE_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/beatplate}
prefix="$cache/code-server-$version"
program="$prefix/node_modules/.bin/code-server"
if [ -x "$program" ] && [ -f "$prefix/.installed" ]; then
  echo "$program"
  exit 0
fi
BEATPLATE_EDITOR_TOOLS=1 "$(dirname "$0")/setup.sh" >&2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# @vscode/ripgrep looks for its archive in this cache before it downloads one.
ripgrep_cache="$work/vscode-ripgrep-cache-1.15.11"
mkdir -p "$ripgrep_cache/pack"
cp "$(command -v rg)" "$ripgrep_cache/pack/rg"
tar -C "$ripgrep_cache/pack" -czf \
  "$ripgrep_cache/ripgrep-v13.0.0-10-x86_64-unknown-linux-musl.tar.gz" rg

rm -rf "$prefix"
mkdir -p "$prefix"
# A project of its own, not a global install, whose settings the npm that code-server's install
# runs inside it for VS Code's own modules would inherit. npm runs no dependency's install script
# unless the project allows it: the packages are put in place first, their scripts allowed, then
# run. None may ask a question.
echo "install-code-server: installing code-server $version into $prefix" >&2
echo '{ "private": true }' >"$prefix/package.json"
(
  cd "$prefix"
  export TMPDIR="$work" npm_config_yes=true
  npm install --unsafe-perm --no-audit --no-fund --save-exact "code-server@$version" </dev/null >&2
  npm install-scripts approve --all </dev/null >&2
  npm rebuild --unsafe-perm </dev/null >&2
)
"$program" --version >/dev/null
touch "$prefix/.installed"
echo "$program"
