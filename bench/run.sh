#!/usr/bin/env bash
# Builds and runs every benchmark against the simulated bench; prints one line per figure.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
export LD_LIBRARY_PATH="$PWD/build/default/standins"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
b=build/default/bench
"$b/exchange_bench" --benchmark_min_time=1
"$b/download_bench"
"$b/wait_bench"
"$b/startup_bench"
