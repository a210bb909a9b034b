#!/usr/bin/env bash
# Installs what is missing, builds, and starts a program against the simulated analyzer.
#   ./run.sh [PROGRAM]     PROGRAM: tq58pc-rex5052-nt (default), tq58pc-rex5052-9x,
#                          tq58pc-contec, tq58pc-interface, tq58pc-axp-gp02,
#                          tq58pc-apci-g01, tq58pc-yamato, tq58pc-ni488, tq58pc-visa
# With a display the window opens. Without one, the window is driven off screen through a mass
# memory download; the file's path and first lines are printed and a screenshot is saved.
set -euo pipefail
cd "$(dirname "$0")"
program="${1:-tq58pc-rex5052-nt}"

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default

build=build/default
if [ ! -x "$build/bin/$program" ]; then
  echo "No program named $program; the programs are:" >&2
  ls "$build/bin" >&2
  exit 2
fi

# The simulated bench stands in for the board's driver library.
export LD_LIBRARY_PATH="$PWD/$build/standins${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$build/bin/$program"
fi
echo "No display: driving $program off screen through a mass memory download."
QT_QPA_PLATFORM=offscreen "$build/drive/$program-drive"
