#!/usr/bin/env bash
# Installs what is missing, builds, and starts a program against the simulated analyzer.
#   ./run.sh [PROGRAM]     PROGRAM: tq58pc-rex5052-nt (default), tq58pc-rex5052-9x,
#                          tq58pc-contec, tq58pc-interface, tq58pc-axp-gp02,
#                          tq58pc-apci-g01, tq58pc-yamato, tq58pc-ni488, tq58pc-visa,
#                          tq58pc-prologix
# With a display the window opens. Without one, the window is driven off screen through a mass
# memory download; the file's path and first lines and the status line are printed and a
# screenshot is saved.
# tq58pc-prologix talks to a simulated Prologix controller on a pseudo-terminal, started here and
# named to the program with --port; it stops when this script ends.
set -euo pipefail
cd "$(dirname "$0")"
program="${1:-tq58pc-rex5052-nt}"

scripts/install-deps.sh
cmake --preset default >/dev/null

build=build/default
# The configure lists the programs, one a line.
if ! grep -qx -- "$program" "$build/release-programs.txt"; then
  echo "No program named $program; the programs are:" >&2
  sed 's/^/  /' "$build/release-programs.txt" >&2
  echo >&2
  exit 2
fi
# The program, its off-screen drive and the simulated bench (stand-in libraries, controller).
cmake --build --preset default --target "$program" "$program-drive" sim/all

# The simulated bench stands in for the board's driver library.
export LD_LIBRARY_PATH="$PWD/$build/standins${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"

options=()
if [ "$program" = tq58pc-prologix ]; then
  # Its standard input is this script's pipe: when the script ends, the controller stops.
  coproc controller { exec "$build/standins/tq58-prologix-sim"; }
  port=
  read -r -t 10 port <&"${controller[0]}" || true
  if [ -z "$port" ]; then
    echo "The simulated Prologix controller did not start." >&2
    exit 1
  fi
  echo "Simulated Prologix controller on $port"
  options=(--port "$port")
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  # Not exec: the controller's pipe must stay open while the window is.
  "$build/bin/$program" "${options[@]}"
  exit
fi
echo "No display: driving $program off screen through a mass memory download."
QT_QPA_PLATFORM=offscreen "$build/drive/$program-drive" "${options[@]}"
