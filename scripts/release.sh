#!/usr/bin/env bash
# Builds a Korvel release from the committed tree (HEAD), whatever is
# uncommitted here: Korvel-<version>-win64.zip, SHA256SUMS, and the winget
# and Scoop manifests, in dist/ (or the folder given). Two runs of the same
# commit give byte-identical files, wherever and whenever they run: the
# sources are built in a fresh folder of their own, the programs carry no
# build time or build path, and the zip's times come from the last commit.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

out=$(realpath -m "${1:-dist}")
work=$(mktemp -d /tmp/korvel-release.XXXXXX)
trap 'rm -rf "$work"' EXIT
git archive --format=tar HEAD | tar -x -C "$work"
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct HEAD)
export SOURCE_DATE_EPOCH

cd "$work"
cmake --preset release >/dev/null
cmake --build --preset release
# The key map for README.txt, drawn from the keyboard table by a native build.
cmake -S . -B build/keymap -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVEL_BUILD_TESTS=OFF \
  -DKORVEL_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build/keymap --target korvel-keymap
build/keymap/bin/korvel-keymap --text >build/key-map.txt

rm -rf "$out"
python3 release/make_release.py --programs build/release/bin --release-info build/release/release-info.json \
  --key-map-text build/key-map.txt --key-map-picture docs/keyboard-map.png --out "$out"
echo "Release in $out:"
(cd "$out" && find . -type f | sort)
