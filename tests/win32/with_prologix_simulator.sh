#!/usr/bin/env bash
# tq58pc-prologix for Windows through a COM port, under Wine of the build's width: the Linux simulated
# controller (a process of its own, on a pseudo-terminal) becomes COM9 through Wine's port map
# (HKLM\Software\Wine\Ports), and the Win32 program test runs against COM9, then with the port
# found among the serial ports. The loopback TCP tests of the suite do not reach the serial code.
# The controller is an AR488 on an Arduino Uno, the most demanding: a 64-byte input buffer at
# 115200 baud that loses what overflows, and a reset each time the port is opened.
#   tests/win32/with_prologix_simulator.sh [WINDOWS_BUILD_FOLDER]   (build/windows-x64 unless given)
# Needs the simulator of the Linux build (build/default) and the Windows build's tests.
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build/windows-x64}"
simulator=build/default/standins/tq58-prologix-sim
test="$build/tests/win32/win32_tq58pc-prologix_test.exe"
for file in "$simulator" "$test"; do
  [ -x "$file" ] || [ -f "$file" ] || { echo "missing $file: build it first" >&2; exit 2; }
done

source scripts/wine-session.sh
# The i686 build runs under 32-bit Wine, in the same prefix.
wine="$wine64"
grep -q 'mingw-i686' "$build/CMakeCache.txt" 2>/dev/null && wine="$wine32"

# The simulator ends when its standard input, this script's pipe, closes.
coproc SIMULATOR { exec "$simulator" --kind ar488-uno; }
read -r pty <&"${SIMULATOR[0]}"
[[ "$pty" == /dev/* ]] || { echo "the simulator did not start: '$pty'" >&2; exit 1; }

# Wine's mount manager makes the ports of the map when Wine starts: it is restarted.
"$wine64" reg add 'HKLM\Software\Wine\Ports' /v COM9 /d "$pty" /f >/dev/null 2>&1
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
setsid wineserver -p </dev/null >/dev/null 2>&1
setsid "$wine64" wineboot </dev/null >/dev/null 2>&1
[ "$(readlink "$WINEPREFIX/dosdevices/com9")" = "$pty" ] ||
  { echo "Wine did not map COM9 onto $pty" >&2; exit 1; }

status=0
run() {
  local port="$1" filter="$2" output
  echo "== COM port test: port $port, tests $filter"
  output=$(WINEPATH="Z:$PWD/$build/standins" TQ58_PROLOGIX_PORT="$port" \
    TQ58_PROLOGIX_NAME="AR488 0.53.04" \
    timeout 600 "$wine" "$test" --gtest_filter="$filter" 2>&1) || true
  grep -E '^\[ *(RUN|OK|FAILED|PASSED) *\]' <<<"$output" || true
  # Wine may exit 0 from a program that could not run: only GoogleTest's own line counts.
  if ! grep -q '^\[  PASSED  \]' <<<"$output" || grep -q '^\[  FAILED  \]' <<<"$output"; then
    echo "$output" >&2
    status=1
  fi
}
# The analyzer behind COM9 is the simulator process's own, out of the reach of the tests' control
# interface: the test that takes it off the bus runs against the in-process controller.
run COM9 'Win32Program.*:ShippedProgram.*:-Win32Program.AnEarlierPartialFileSurvivesARunWithTheAnalyzerOffAndOneWithItOn'
# "auto" tries each port of the serial device map in turn; COM9 is among them.
run auto 'Win32Program.MassMemoryDownloadWithTheDefaultsWritesEveryRecord'
exit $status
