#!/usr/bin/env bash
# The guide's two pictures, taken from the real programs against the simulated analyzer: the
# Win32 window under Wine and the Qt window off screen after a mass memory download.
#   scripts/guide-screenshots.sh     writes docs/screenshot-win32.png and docs/screenshot-qt.png
set -euo pipefail
cd "$(dirname "$0")/.."
program=tq58pc-rex5052-nt

scripts/windows-screenshot.sh
# Only the window: the black of the empty virtual screen around it is cut away.
convert "build/windows-x64/$program-win32.png" -trim +repage docs/screenshot-win32.png

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target "$program-drive" sim/all
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
export LD_LIBRARY_PATH="$PWD/build/default/standins" QT_QPA_PLATFORM=offscreen
# The folder line shows the folder an installed program writes into: TQ58 in a user's documents
# folder. That home is a tmpfs over /home in a mount namespace of its own, gone when the drive
# ends; without the rights for one, a scratch folder stands in (and the picture shows its path).
drive_in_home() {
  local documents="$1/ドキュメント/TQ58"
  mkdir -p "$documents"
  HOME="$1" "build/default/drive/$program-drive" "$documents" >/dev/null
  cp "$documents/$program.png" docs/screenshot-qt.png
}
export -f drive_in_home; export program
if ! unshare --mount bash -c 'mount -t tmpfs tmpfs /home && drive_in_home /home/user' 2>/dev/null
then
  echo "no mount namespace here: the Qt picture shows a scratch folder's path" >&2
  drive_in_home "$(mktemp -d)"
fi
echo "docs/screenshot-win32.png, docs/screenshot-qt.png"
