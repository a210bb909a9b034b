# Sourced by the Windows scripts: Wine in a prefix of its own, on a virtual display of its own,
# both removed when the calling script exits. The x86_64 programs run under $wine64, named: once
# wine32 is installed, Debian's `wine` picks the 32-bit loader for every program. The i686
# programs run under $wine32 (scripts/setup-wine32.sh) in the same 64-bit prefix, as 32-bit
# programs do on 64-bit Windows.
wine64=/usr/lib/wine/wine64
wine32=/usr/lib/wine/wine
wine_work=$(mktemp -d)
# Xvfb picks a free display and names it once it accepts clients: a display that is not ready, or
# another session's, would make a test start Wine's desktop process, which keeps CTest's pipes.
Xvfb -displayfd 1 -screen 0 1024x768x24 >"$wine_work/display" 2>/dev/null &
wine_xvfb=$!
for _ in $(seq 100); do [ -s "$wine_work/display" ] && break; sleep 0.1; done
wine_display=:$(<"$wine_work/display")
[ "$wine_display" != : ] || { echo "Xvfb did not start" >&2; exit 1; }
# No Mono, Gecko or menu entries: nothing here needs them, and the prefix is made much sooner.
export WINEDEBUG=-all DISPLAY="$wine_display"
export WINEDLLOVERRIDES="mscoree=d;mshtml=d;winemenubuilder.exe=d"
export WINEPREFIX="$wine_work/prefix"
wine_cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  kill "$wine_xvfb" >/dev/null 2>&1 || true
  rm -rf "$wine_work"
}
trap wine_cleanup EXIT

# 32-bit Wine under qemu-user: without the reserved address space it stops at once ("failed to
# map the shared user data"), and scripts/wine32-noreplace.c makes its start take half a second
# instead of a minute. QEMU_SET_ENV hands LD_PRELOAD to the emulated processes only; $LIB (left
# to the loader) gives the 64-bit processes they start an empty library. Set whenever wine32 is
# installed: making the prefix starts 32-bit programs too.
if [ -x "$wine32" ]; then
  wine_preload=libtq58noreplace.so
  mkdir -p "$wine_work/lib/i386-linux-gnu" "$wine_work/lib/x86_64-linux-gnu"
  gcc -m32 -O2 -fPIC -shared -nostdlib -ffreestanding -Wall -Wextra -Wpedantic -Werror \
    -o "$wine_work/lib/i386-linux-gnu/$wine_preload" scripts/wine32-noreplace.c
  gcc -shared -nostdlib -o "$wine_work/lib/x86_64-linux-gnu/$wine_preload" -x c /dev/null
  export QEMU_RESERVED_VA=0xffff0000 QEMU_SET_ENV="LD_PRELOAD=$wine_work/\$LIB/$wine_preload"
fi

# The server and Wine's own services start detached: whatever starts them keeps their pipes, and
# CTest would wait for those pipes to close.
mkdir -p "$WINEPREFIX"
setsid wineserver -p </dev/null >/dev/null 2>&1
setsid "$wine64" wineboot -i </dev/null >/dev/null 2>&1
