# Sourced by the browser build's scripts: Debian's emscripten, as it must be run.
# Debian's emscripten with the Python it was packaged for, not one a user may have put first.
export EMSDK_PYTHON=/usr/bin/python3
# Its JavaScript optimiser needs Debian's acorn, which a Node.js of another origin that comes
# first on PATH does not search for.
export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"
# Its frozen cache of system libraries is all it may use: another cache would be filled by
# building, or downloading, what is already there.
unset EM_CACHE
if ! command -v emcc >/dev/null; then
  echo "emcc is missing: run scripts/setup.sh --web" >&2
  exit 1
fi
