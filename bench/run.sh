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

# The paced wait once more as a Windows program (x86_64) under Wine, with the Win32 window's
# event step and the Windows tick counter. Wine's timers are not Windows': see bench/README.md.
EXTRA_PACKAGES="g++-mingw-w64-x86-64-win32 wine wine64 googletest" scripts/install-deps.sh
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64 --target wait_bench_win32
source scripts/wine-session.sh
"$wine64" build/windows-x64/bench/wait_bench_win32.exe
