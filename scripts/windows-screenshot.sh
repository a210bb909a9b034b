#!/usr/bin/env bash
# Starts a Windows program (x86_64 build) under Wine on a virtual display against the stand-in
# drivers and saves a screenshot of its window.
#   scripts/windows-screenshot.sh [PROGRAM]   (default tq58pc-rex5052-nt)
set -euo pipefail
cd "$(dirname "$0")/.."
program="${1:-tq58pc-rex5052-nt}"
EXTRA_PACKAGES="g++-mingw-w64-x86-64-win32 wine wine64 googletest imagemagick librsvg2-bin icoutils" \
  scripts/install-deps.sh
cmake --preset windows-x64 >/dev/null
# The program and the stand-in drivers only: the tests are not needed for a picture.
cmake --build --preset windows-x64 --target "$program" sim/all

build=build/windows-x64
source scripts/wine-session.sh
WINEPATH="Z:$PWD/$build/standins" setsid "$wine64" "$build/bin/$program.exe" </dev/null >/dev/null 2>&1 &
sleep 8
import -window root -crop 640x400+0+0 "$build/$program-win32.png"
echo "Screenshot: $build/$program-win32.png"
