#!/usr/bin/env bash
# Builds Korvel's web page into build/web/site/ (the `web` preset, Debian's
# emscripten through emcmake). Extra arguments go to the configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
# emcc's JavaScript optimizer needs Debian's acorn, which lives here.
export NODE_PATH=/usr/share/nodejs
emcmake cmake --preset web "$@" >/dev/null
cmake --build --preset web
