#!/usr/bin/env bash
# Builds everything and runs every test. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

echo "== layout: clang-format"
git ls-files -- '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

for preset in native sanitize; do
  echo "== $preset: build and test"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
