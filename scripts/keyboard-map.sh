#!/usr/bin/env bash
# Draws the key map from the core's keyboard table: docs/keyboard-map.svg,
# and docs/keyboard-map.png from it (rsvg-convert, DejaVu Sans). With a
# folder as its argument it writes both there instead, for the check that
# the committed pictures are what the program draws.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs}
cmake --preset native >/dev/null
cmake --build --preset native --target korvel-keymap >/dev/null
mkdir -p "$out"
build/native/bin/korvel-keymap >"$out/keyboard-map.svg"
rsvg-convert --format=png "$out/keyboard-map.svg" -o "$out/keyboard-map.png"
