#!/usr/bin/env bash
# The guide's two pictures, taken from the real programs against the simulated analyzer: the
# Win32 window under Wine and the Qt window off screen after a mass memory download.
#   scripts/guide-screenshots.sh     writes docs/screenshot-win32.png and docs/screenshot-qt.png
set -euo pipefail
cd "$(dirname "$0")/.."
program=tq58pc-rex5052-nt

scripts/windows-screenshot.sh "$program"
# Only the window: the black of the empty virtual screen around it is cut away.
convert "build/windows-x64/$program-win32.png" -trim +repage docs/screenshot-win32.png

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target "$program-drive" sim/all
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
LD_LIBRARY_PATH="$PWD/build/default/standins" QT_QPA_PLATFORM=offscreen \
  "build/default/drive/$program-drive" >/dev/null
cp "build/default/drive/$program.png" docs/screenshot-qt.png
echo "docs/screenshot-win32.png, docs/screenshot-qt.png"
