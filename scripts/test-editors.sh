#!/usr/bin/env bash
# The VS Code extension inside VS Code: builds editors/vscode/beatplate.vsix
# (scripts/build-editors.sh), installs code-server from npm (scripts/install-code-server.sh),
# installs the package into a code-server whose every folder lies in a temporary one, and runs
# tests/editors/vscode_test.py against it in headless Chromium. The screenshots of its steps are
# kept in build/editor-shots/.
#   BEATPLATE  the program the extension starts (default: build/beatplate, built when missing)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
started=$SECONDS
./scripts/build-editors.sh
# Waits for an install that CI started in the background, and fails if that one failed.
program=$(./scripts/install-code-server.sh --wait)
beatplate=${BEATPLATE:-$root/build/beatplate}
if [ ! -x "$beatplate" ]; then
  cmake -S . -B build >/dev/null
  cmake --build build -j2 --target beatplate
fi

work=$(mktemp -d)
server=""
cleanup() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
# Nothing of code-server's, VS Code's or the extension's lands in the home folder.
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
  XDG_CACHE_HOME="$work/cache" XDG_STATE_HOME="$work/state"
mkdir -p "$HOME" "$work/user/User" "$work/folder"
options=(--config "$work/config.yaml" --user-data-dir "$work/user" --extensions-dir "$work/extensions")
printf 'bind-addr: 127.0.0.1:0\nauth: none\ncert: false\n' >"$work/config.yaml"
cat >"$work/user/User/settings.json" <<SETTINGS
{
  "beatplate.command": "$beatplate",
  "security.workspace.trust.enabled": false,
  "workbench.startupEditor": "none",
  "workbench.tips.enabled": false,
  "workbench.enableExperiments": false,
  "telemetry.telemetryLevel": "off",
  "extensions.autoCheckUpdates": false,
  "extensions.autoUpdate": false,
  "update.mode": "none",
  "editor.quickSuggestionsDelay": 0
}
SETTINGS
cp tests/data/lsp/mistakes.txt "$work/folder/song.txt"
printf '; a chart without mistakes\n#title Editor\n#bpm 150\no o x o o o x o \nO   X   (=====) \n#begingogo\noooooooooooooooo\n#endgogo\n' >"$work/folder/example.txt"
"$program" "${options[@]}" --install-extension editors/vscode/beatplate.vsix </dev/null

# Started by tests/editors/code_server.js, in one process, as code-server's own start would
# give up on a loaded machine.
: >"$work/server.log"
node tests/editors/code_server.js "$(dirname "$(readlink -f "$program")")/../.." "${options[@]}" \
  --disable-telemetry --disable-update-check --disable-workspace-trust \
  >"$work/server.log" 2>&1 </dev/null &
server=$!
# It prints its address once it listens.
url=""
while [ -z "$url" ]; do
  if ! kill -0 "$server" 2>/dev/null; then
    cat "$work/server.log" >&2
    echo "test-editors: code-server ended before it listened" >&2
    exit 1
  fi
  url=$(grep -o 'http://127\.0\.0\.1:[0-9]*/' "$work/server.log" | head -n 1 || true)
  [ -n "$url" ] || inotifywait -qq -t 5 -e modify "$work/server.log" 2>/dev/null || sleep 0.2
done

shots=build/editor-shots
rm -rf "$shots"
mkdir -p "$shots"
status=0
/usr/bin/python3 tests/editors/vscode_test.py "$beatplate" "${url}?folder=$work/folder" \
  "$work/folder" "$shots" || status=$?
if [ "$status" -ne 0 ]; then
  tail -n 40 "$work/server.log" >&2
fi
echo "test-editors: $((SECONDS - started)) s; screenshots in $shots"
exit "$status"
