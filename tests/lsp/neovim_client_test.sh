#!/bin/sh
# Runs neovim_client_test.lua in a headless Neovim:
#   neovim_client_test.sh BEATPLATE CHART SCRIPT EDITOR_DIR    with editors/vim on the runtime path
#   neovim_client_test.sh BEATPLATE CHART SCRIPT README        with the README's lines instead, and
#                                                              BEATPLATE's folder first on PATH
# Neovim comes with scripts/setup.sh --editors; CI installs it, so only a developer's machine
# without it skips the test.
if ! command -v nvim >/dev/null 2>&1; then
  if [ "${CI:-}" = true ]; then
    echo "nvim is missing: scripts/setup.sh --editors installs it" >&2
    exit 1
  fi
  echo "skipped: nvim is missing (scripts/setup.sh --editors installs it)"
  exit 77
fi
if [ -f "$4" ]; then
  PATH="$(dirname "$1"):$PATH" BEATPLATE="$1" CHART="$2" README="$4" \
    exec nvim --headless --clean -n -c "luafile $3" </dev/null
fi
BEATPLATE="$1" CHART="$2" exec nvim --headless --clean -n --cmd "set rtp^=$4" -c "luafile $3" </dev/null
