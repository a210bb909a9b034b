#!/usr/bin/env bash
# The Windows leg: cross-builds the programs, stand-in DLLs and tests for x86_64 and i686 and runs
# each suite under Wine of its width on a virtual display: x86_64 under 64-bit Wine, i686 (the
# programs that ship) under 32-bit Wine through qemu-user. Also checks what the build itself
# guards: the driver function types, the imports against the oldest Windows the programs start
# on (and tq58pc-rex5052-9x's against Windows 98 SE), and the stand-ins' undecorated exports.
# 32-bit Wine is set up by scripts/setup-wine32.sh as root. In CI (CI=true) a set-up that fails,
# or no root to make it, fails the leg; elsewhere, without root, the i686 suite is not run and the
# leg says so.
set -euo pipefail
cd "$(dirname "$0")/.."
EXTRA_PACKAGES="g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 wine wine64 googletest librsvg2-bin icoutils" \
  scripts/install-deps.sh

started=$SECONDS
i686_suite=run
if [ "$(id -u)" -eq 0 ]; then
  scripts/setup-wine32.sh
elif ! scripts/setup-wine32.sh --check; then
  if [ "${CI:-}" = true ]; then
    echo "32-bit Wine is not set up, and without root scripts/setup-wine32.sh cannot set it up" >&2
    exit 1
  fi
  i686_suite="not run: 32-bit Wine is not set up (run scripts/setup-wine32.sh as root)"
fi
echo "32-bit Wine set-up: $((SECONDS - started)) s"

# The simulated Prologix controller that the Windows programs reach through a COM port is a
# Linux program.
cmake --preset default >/dev/null
cmake --build --preset default --target tq58-prologix-sim

started=$SECONDS
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64

source scripts/wine-session.sh
# A program that Wine fails to start prints nothing and fails the pass-line check; such a start
# failure is tried again, a test that runs and fails is not hidden by it three times.
ctest --preset windows-x64 -j "$(nproc)" --repeat until-pass:3
tests/win32/with_prologix_simulator.sh build/windows-x64
echo "Windows x86_64 leg (build and tests under 64-bit Wine): $((SECONDS - started)) s"

started=$SECONDS
cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86
scripts/check-driver-signatures.sh
scripts/check-windows-imports.sh build/windows-x86
# A program that would not work on Windows 98 SE fails the leg, after the suite has run.
windows98=passed
scripts/check-windows98-imports.sh build/windows-x86 || windows98=failed
scripts/check-windows-binaries.sh build/windows-x86
if [ "$i686_suite" = run ]; then
  ctest --preset windows-x86 -j "$(nproc)" --repeat until-pass:3
  tests/win32/with_prologix_simulator.sh build/windows-x86
  echo "Windows i686 leg (build, checks and tests under 32-bit Wine): $((SECONDS - started)) s"
else
  echo "Windows i686 leg (build and checks): $((SECONDS - started)) s"
  echo "THE i686 SUITE WAS NOT RUN: ${i686_suite#not run: }" >&2
fi
[ "$windows98" = passed ] || { echo "tq58pc-rex5052-9x fails the Windows 98 SE check" >&2; exit 1; }
