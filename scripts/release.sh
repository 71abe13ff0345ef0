#!/usr/bin/env bash
# Builds a Korvel release from the committed tree (HEAD), whatever is
# uncommitted here, into dist/ (or the folder given): Korvel-<version>-win64.zip,
# SHA256SUMS, and the winget and Scoop manifests.
#
#   bash scripts/release.sh --download-url 'https://HOST/v{version}/Korvel-{version}-win64.zip' \
#                           --home-host HOST [FOLDER]
#
# Without the two addresses it makes a test build: the same programs and zip,
# marked as a test build in release-info.json and README.txt, with no
# manifests, since they would point nowhere.
#
# Two runs of the same commit give byte-identical files, wherever and
# whenever they run: the sources are built in a fresh folder of their own, the
# programs carry no build time or build path, and the zip's times come from
# the last commit.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: bash scripts/release.sh [--download-url URL --home-host HOST] [FOLDER]" >&2
  exit 2
}
url=
host=
out=dist
while (($# > 0)); do
  case $1 in
    --download-url) (($# > 1)) || usage; url=$2; shift 2 ;;
    --home-host) (($# > 1)) || usage; host=$2; shift 2 ;;
    -*) usage ;;
    *) out=$1; shift ;;
  esac
done
if [ -n "$url" ] && [ -n "$host" ]; then
  addresses=(-DKORVEL_RELEASE_URL="$url" -DKORVEL_HOME_HOST="$host")
elif [ -z "$url" ] && [ -z "$host" ]; then
  addresses=(-DKORVEL_RELEASE_URL= -DKORVEL_HOME_HOST=korvel.example)
  echo "No --download-url and --home-host: this is a TEST BUILD, not for publishing (no package manifests)."
else
  echo "A release needs both --download-url and --home-host." >&2
  usage
fi

bash scripts/install-deps.sh
out=$(realpath -m "$out")
work=$(mktemp -d /tmp/korvel-release.XXXXXX)
trap 'rm -rf "$work"' EXIT
git archive --format=tar HEAD | tar -x -C "$work"
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct HEAD)
export SOURCE_DATE_EPOCH

cd "$work"
cmake --preset release "${addresses[@]}" >/dev/null
cmake --build --preset release
# The key map for README.txt and the system keyboard layouts, from the
# keyboard table by a native build.
cmake -S . -B build/keymap -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVEL_BUILD_TESTS=OFF \
  -DKORVEL_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build/keymap --target korvel-keymap korvel-layout-files
build/keymap/bin/korvel-keymap --text >build/key-map.txt
build/keymap/bin/korvel-keymap --text de >build/key-map.de.txt
build/keymap/bin/korvel-keymap --text ru >build/key-map.ru.txt

rm -rf "$out"
python3 release/make_release.py --programs build/release/bin --release-info build/release/release-info.json \
  --key-map-text build/key-map.txt --key-map-picture docs/keyboard-map.png --layouts build/keymap/layouts --out "$out"
echo "Release in $out:"
(cd "$out" && find . -type f | sort)
if [ -z "$url" ]; then
  echo "This is a TEST BUILD: its Home site button and download address are placeholders."
fi
