#!/usr/bin/env bash
# The Windows leg: cross-builds the programs and their tests for x86_64 and runs the tests
# under Wine on a virtual display; cross-builds the i686 programs and stand-in DLLs (the boards'
# drivers are 32-bit) and checks that the programs import only DLLs that Windows ships and that
# the stand-ins export the drivers' functions under their undecorated names.
set -euo pipefail
cd "$(dirname "$0")/.."
EXTRA_PACKAGES="g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 googletest librsvg2-bin icoutils" \
  scripts/install-deps.sh

cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64

source scripts/wine-session.sh
# A program that Wine fails to start prints nothing and fails the pass-line check; such a start
# failure is tried again, a test that runs and fails is not hidden by it three times.
ctest --preset windows-x64 -j "$(nproc)" --repeat until-pass:3

cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86
scripts/check-windows-binaries.sh build/windows-x86
