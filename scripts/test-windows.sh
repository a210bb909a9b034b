#!/usr/bin/env bash
# The Windows leg: cross-builds the programs and their tests for x86_64 and runs the tests
# under Wine on a virtual display; cross-builds the i686 programs, stand-in DLLs and every test
# (compiled, never run: these machines cannot execute 32-bit code), and checks what can only be
# checked at build time there: the driver function types, the imports against the oldest
# Windows the programs start on, and the stand-ins' undecorated exports.
set -euo pipefail
cd "$(dirname "$0")/.."
EXTRA_PACKAGES="g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 wine wine64 googletest librsvg2-bin icoutils" \
  scripts/install-deps.sh

started=$SECONDS
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64

source scripts/wine-session.sh
# A program that Wine fails to start prints nothing and fails the pass-line check; such a start
# failure is tried again, a test that runs and fails is not hidden by it three times.
ctest --preset windows-x64 -j "$(nproc)" --repeat until-pass:3
echo "Windows x86_64 leg (build and tests under Wine): $((SECONDS - started)) s"

started=$SECONDS
cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86
scripts/check-driver-signatures.sh
scripts/check-windows-imports.sh build/windows-x86
scripts/check-windows-binaries.sh build/windows-x86
echo "Windows i686 leg (programs and every test compiled, checks): $((SECONDS - started)) s"
