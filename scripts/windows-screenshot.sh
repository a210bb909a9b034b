#!/usr/bin/env bash
# The Win32 window of a Windows program (x86_64 build) under Wine on a virtual display, after a
# mass memory download against the stand-in drivers into C:\TQ58, as a picture.
#   scripts/windows-screenshot.sh     (tq58pc-rex5052-nt, whose drive the build has)
set -euo pipefail
cd "$(dirname "$0")/.."
program=tq58pc-rex5052-nt
EXTRA_PACKAGES="g++-mingw-w64-x86-64-win32 wine wine64 googletest imagemagick librsvg2-bin icoutils" \
  scripts/install-deps.sh
cmake --preset windows-x64 >/dev/null
# The drive and the stand-in drivers only: the tests are not needed for a picture.
cmake --build --preset windows-x64 --target "$program-drive" sim/all

build=build/windows-x64
source scripts/wine-session.sh
status="$wine_work/status"
# The drive shows the window, clicks its download, prints the status line, and keeps the window
# up for 30 s.
WINEPATH="Z:$PWD/$build/standins" setsid "$wine64" "$build/drive/$program-drive.exe" 'C:\TQ58' 30 \
  </dev/null >"$status" 2>&1 &
for _ in $(seq 600); do grep -q '^Status:' "$status" && break; sleep 0.1; done
grep '^Status:' "$status" || { echo "the drive did not finish its download" >&2; cat "$status" >&2; exit 1; }
sleep 1
import -window root "$build/$program-win32.png"
echo "Screenshot: $build/$program-win32.png"
