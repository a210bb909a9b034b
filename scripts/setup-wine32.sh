#!/usr/bin/env bash
# Makes 32-bit Wine run on an x86_64 Debian 12 machine whose kernel does not execute 32-bit code:
# qemu-user runs the 32-bit side, started by the kernel through binfmt_misc. Idempotent; says what
# it did and what it found in place. As root.
#   scripts/setup-wine32.sh           sets up what is missing
#   scripts/setup-wine32.sh --check   exits 0 if everything is in place (no root needed)
# What a 32-bit Wine process then needs in its environment is set by scripts/wine-session.sh.
# Also makes the host's ja_JP.UTF-8 locale, in which Wine's ANSI code page is 932, as on Japanese
# Windows: tq58pc-rex5052-9x's tests run in it.
set -euo pipefail

binfmt=/proc/sys/fs/binfmt_misc
entry=$binfmt/qemu-i386
qemu=/usr/bin/qemu-i386-static
wine32=/usr/lib/wine/wine
# i386 ELF executables and shared objects: qemu's own magic and mask for them. Debian's
# qemu-user-static registers every other architecture, but not i386 on an amd64 host.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
mounted() { [ -f $binfmt/register ]; }
# F: the kernel opens the interpreter now, so it is found from any mount namespace or chroot.
registered() { [ -f $entry ] && grep -qx enabled $entry && grep -qx "interpreter $qemu" $entry &&
               grep -q '^flags: .*F' $entry; }
# The whole chain: the 32-bit loader, an i386 ELF file, starts through the emulator.
runs() { [ -x $wine32 ] && $wine32 --version >/dev/null 2>&1; }
japanese() { locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; }

if [ "${1:-}" = --check ]; then
  mounted && registered && runs && japanese
  exit
fi
[ "$(id -u)" -eq 0 ] || { echo "setup-wine32: must run as root" >&2; exit 1; }

# A mirror caught mid-sync fails the update ("File has unexpected size"): tried again a few times,
# then the install goes on with what was fetched, and fails by itself if that is not enough.
apt_update() {
  local try
  for try in 1 2 3; do
    apt-get update -qq 2>/tmp/setup-wine32-update.log && return 0
    cat /tmp/setup-wine32-update.log >&2
    echo "setup-wine32: apt-get update failed (try $try); trying again in 30 s" >&2
    sleep 30
  done
  echo "setup-wine32: going on with the package lists fetched so far" >&2
}

# When the mirror keeps serving an i386 index that is older than its Release (seen for days on
# the security suite), apt drops that index and the i386 libraries cannot match their amd64
# halves. The index is then taken as the mirror serves it; apt still checks every package it
# downloads against it. Said loudly, and only after the update failed.
take_stale_i386_indexes() {
  local url list
  grep -o 'Failed to fetch http[^ ]*binary-i386/Packages\.xz' /tmp/setup-wine32-update.log |
    sed 's/^Failed to fetch //' | sort -u | while read -r url; do
      list=/var/lib/apt/lists/$(echo "${url#*://}" | sed 's|/|_|g; s|\.xz$||')
      curl -fsS "$url" | xz -dc >"$list.part" && mv "$list.part" "$list" &&
        echo "setup-wine32: WARNING: took $url as served, although it does not match the Release" >&2
    done
}

apt_install() {
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

if installed qemu-user-static; then
  echo "setup-wine32: qemu-user-static already installed"
else
  apt_update
  apt_install qemu-user-static
  echo "setup-wine32: installed qemu-user-static"
fi

if mounted; then
  echo "setup-wine32: binfmt_misc already mounted"
else
  mount -t binfmt_misc binfmt_misc $binfmt
  echo "setup-wine32: mounted binfmt_misc on $binfmt"
fi

if registered; then
  echo "setup-wine32: $qemu already registered for i386"
else
  [ -f $entry ] && echo -1 >$entry  # registered otherwise: replaced
  echo ":qemu-i386:M::$magic:$mask:$qemu:F" >$binfmt/register
  registered || { echo "setup-wine32: registering $qemu for i386 failed" >&2; exit 1; }
  echo "setup-wine32: registered $qemu for i386 executables (flags F)"
fi

if installed wine32:i386; then
  echo "setup-wine32: wine32:i386 already installed"
else
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    echo "setup-wine32: added the i386 architecture to dpkg"
  fi
  apt_update
  if ! apt_install wine32:i386; then
    take_stale_i386_indexes
    apt_install wine32:i386
  fi
  echo "setup-wine32: installed wine32:i386"
fi

if japanese; then
  echo "setup-wine32: the ja_JP.UTF-8 locale is already there"
else
  installed locales || { apt_update; apt_install locales; }
  localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
  echo "setup-wine32: made the ja_JP.UTF-8 locale"
fi

runs || { echo "setup-wine32: $wine32 does not start under $qemu" >&2; exit 1; }
echo "setup-wine32: 32-bit Wine runs: $($wine32 --version)"
