#!/usr/bin/env bash
# Installs code-server 4.100.3 (VS Code in a browser; the newest that runs on Debian 12's
# Node 20) from npm into the cache, for scripts/test-editors.sh, and prints the path of its
# program; does nothing more when it is there. Everything else it needs comes from Debian
# (scripts/setup.sh --editors): libkrb5-dev for its kerberos module, and ripgrep, whose copy
# seeds the download that @vscode/ripgrep would otherwise make from outside npm.
#   scripts/install-code-server.sh               installs now (again after a failure) and prints
#                                                the program
#   scripts/install-code-server.sh --background  installs Debian's part now, then npm's in the
#                                                background, and returns: CI starts it before
#                                                the compile steps
#   scripts/install-code-server.sh --wait        waits for an install started in the background
#                                                to end, then prints the program; fails, with
#                                                the end of its log, if that install failed, and
#                                                installs now if none was started
#   BEATPLATE_CACHE_DIR  the cache (default: ${XDG_CACHE_HOME:-~/.cache}/beatplate)
# One install at a time holds a lock on the cache's code-server-VERSION.lock, so that any number
# of calls may overlap; a background install logs to code-server-VERSION.log and leaves
# "running", "installed" or "failed" in code-server-VERSION.status.
set -euo pipefail
version=4.100.3
here=$(cd "$(dirname "$0")" && pwd)
cache=${BEATPLATE_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/beatplate}
prefix="$cache/code-server-$version"
program="$prefix/node_modules/.bin/code-server"
lock="$prefix.lock"
log="$prefix.log"
status="$prefix.status"
mode=${1:-}
case "$mode" in
  "" | --background | --wait | --in-background) ;;
  *) echo "install-code-server: unknown argument $mode (--background or --wait)" >&2; exit 4 ;;
esac

installed() {
  [ -x "$program" ] && [ -f "$prefix/.installed" ]
}

work=""
# What is left when the script ends, and, in the background, the status it ended with.
finish() {
  local code=$?
  [ -z "$work" ] || rm -rf "$work"
  if [ "$mode" = --in-background ]; then
    if [ "$code" -eq 0 ]; then echo installed >"$status"; else echo failed >"$status"; fi
  fi
}
trap finish EXIT

# npm's part: slow (VS Code's own modules, some of them compiled), and nothing of Debian's.
install_from_npm() {
  work=$(mktemp -d)
  # @vscode/ripgrep looks for its archive in this cache before it downloads one.
  local ripgrep_cache="$work/vscode-ripgrep-cache-1.15.11"
  mkdir -p "$ripgrep_cache/pack"
  cp "$(command -v rg)" "$ripgrep_cache/pack/rg"
  tar -C "$ripgrep_cache/pack" -czf \
    "$ripgrep_cache/ripgrep-v13.0.0-10-x86_64-unknown-linux-musl.tar.gz" rg

  rm -rf "$prefix"
  mkdir -p "$prefix"
  # A project of its own, not a global install, whose settings the npm that code-server's
  # install runs inside it for VS Code's own modules would inherit. npm runs no dependency's
  # install script unless the project allows it: the packages are put in place first, their
  # scripts allowed, then run. None may ask a question.
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
}

# The background install, started by --background with the lock already held (descriptor 9):
# whatever ends it, its status says how.
if [ "$mode" = --in-background ]; then
  install_from_npm
  echo "install-code-server: code-server $version installed"
  exit 0
fi

mkdir -p "$cache"
exec 9>"$lock"

if [ "$mode" = --background ]; then
  # One already under way is the one to wait for.
  if ! flock -n 9; then
    echo "install-code-server: an install is already under way; log in $log" >&2
    exit 0
  fi
  if installed; then
    echo installed >"$status"
    exit 0
  fi
  # Debian's part now, while nothing else runs apt-get.
  BEATPLATE_EDITOR_TOOLS=1 "$here/setup.sh" >&2
  echo running >"$status"
  # The child inherits descriptor 9 and with it the lock, which it holds until it ends.
  setsid nice -n 10 "$here/install-code-server.sh" --in-background </dev/null >"$log" 2>&1 &
  echo "install-code-server: installing code-server $version in the background; log in $log" >&2
  exit 0
fi

# Waits for any install under way to end: the lock is free only then.
flock 9
if installed; then
  echo "$program"
  exit 0
fi
if [ "$mode" = --wait ] && [ "$(cat "$status" 2>/dev/null)" != "" ]; then
  last=$(cat "$status")
  # Told once: the next call tries again.
  rm -f "$status"
  if [ "$last" = failed ] || [ "$last" = running ]; then
    echo "install-code-server: the install of code-server $version in the background failed;" \
      "the end of its log ($log):" >&2
    tail -n 30 "$log" >&2 || true
    exit 1
  fi
fi
BEATPLATE_EDITOR_TOOLS=1 "$here/setup.sh" >&2
install_from_npm
echo "$program"
