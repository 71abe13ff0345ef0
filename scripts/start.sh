#!/usr/bin/env bash
# Builds Korvel and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native
echo "The Windows program is not built yet; showing what the core does instead."
./build/native/bin/transcription_bench --benchmark_min_time=0.05
