#!/usr/bin/env bash
# Two programs started into one folder: while the first downloads, the second's download is
# refused before it sends anything, naming the first; the first's file comes out whole.
#   two_downloads_test.sh FIRST_DRIVE SECOND_DRIVE   (the programs' off-screen drives)
set -euo pipefail
first=$1
second=$2
folder=$(mktemp -d)
first_pid=
cleanup() {
  [ -n "$first_pid" ] && kill "$first_pid" 2>/dev/null || true
  rm -rf "$folder"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  for output in "$folder"/*.out "$folder"/*.err; do
    echo "--- $(basename "$output")" >&2
    cat "$output" >&2
  done
  exit 1
}
partial="$folder/TQ58メモリーデータ_取込中.csv"
target="$folder/TQ58メモリーデータ.csv"

# 100 records with three 20 ms pauses each: the first download runs for about six seconds.
"$first" "$folder" >"$folder/first.out" 2>"$folder/first.err" &
first_pid=$!
for _ in $(seq 200); do
  [ -s "$partial" ] && break
  sleep 0.05
done
[ -s "$partial" ] || fail "the first program wrote no partial file"

if "$second" "$folder" >"$folder/second.out" 2>"$folder/second.err"; then
  fail "the second program's download was not refused"
fi
grep -q "「$(basename "$first")」が取り込み中です" "$folder/second.err" ||
  fail "the refusal does not name the first program"
grep -q "取り込み中）" "$folder/second.out" || fail "the status line does not say why"
kill -0 "$first_pid" 2>/dev/null || fail "the first download ended before the second started"

wait "$first_pid" || fail "the first program's download failed"
first_pid=
[ "$(grep -c $'\r$' "$target")" -eq 100 ] || fail "the first program's file is not whole"
[ ! -e "$partial" ] || fail "a partial file is left behind"
ls "$folder"/*.csv | grep -qv 'TQ58メモリーデータ.csv$' && fail "another file is left behind"
echo "PASS: the second download was refused, naming $(basename "$first"); the first wrote 100 records"
