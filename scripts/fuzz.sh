#!/usr/bin/env bash
# Builds the libFuzzer targets with clang under ASan and UBSan and runs each for a bounded time
# on a copy of its seed corpus in tests/fuzz/corpus/.
#   scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 30)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
EXTRA_PACKAGES="clang libclang-rt-14-dev" scripts/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

status=0
artifacts=$(mktemp -d)
for target in numeric_value reply_path reply_path_ni488 reply_path_visa settings analyzer; do
  corpus=$(mktemp -d)
  seeds=tests/fuzz/corpus/$target
  [ -d "$seeds" ] || seeds=tests/fuzz/corpus/${target%_*}  # the backends share reply_path's
  cp "$seeds"/* "$corpus"/
  log=$(mktemp)
  if build/fuzz/tests/fuzz/fuzz_$target -max_total_time="$seconds" -print_final_stats=1 \
       -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
    echo "fuzz_$target: ${runs:-?} runs in ${seconds} s, no fault"
  else
    echo "fuzz_$target: FAULT" >&2
    grep -v '^#' "$log" | tail -n 30 >&2
    echo "the input that failed is kept in $artifacts" >&2
    status=1
  fi
  rm -rf "$corpus" "$log"
done
exit $status
