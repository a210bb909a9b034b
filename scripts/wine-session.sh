# Sourced by the Windows scripts: Wine in a prefix of its own, on a virtual display of its own,
# both removed when the calling script exits.
wine_work=$(mktemp -d)
wine_display=:$((90 + RANDOM % 9))
Xvfb "$wine_display" -screen 0 1024x768x24 >/dev/null 2>&1 &
wine_xvfb=$!
export WINEPREFIX="$wine_work/prefix" WINEDEBUG=-all DISPLAY="$wine_display"
wine_cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  kill "$wine_xvfb" >/dev/null 2>&1 || true
  rm -rf "$wine_work"
}
trap wine_cleanup EXIT
# The server and Wine's own services start detached: whatever starts them keeps their pipes,
# and CTest would wait for those pipes to close.
mkdir -p "$WINEPREFIX"
setsid wineserver -p </dev/null >/dev/null 2>&1
setsid wine wineboot -i </dev/null >/dev/null 2>&1
