#!/usr/bin/env bash
# The release, built and checked: the Windows zips and the Debian package from CPack, each zip
# listed against exactly what it must hold, the package through lintian and
# desktop-file-validate, then installed, one program started off screen, a download by a test
# user from a folder it cannot write, and the package removed again.
#   scripts/release.sh      packages in build/release/
set -euo pipefail
cd "$(dirname "$0")/.."
EXTRA_PACKAGES="g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 googletest librsvg2-bin
  icoutils cmark-gfm lintian desktop-file-utils xdg-user-dirs unzip passwd dpkg-dev file" \
  scripts/install-deps.sh
release=$PWD/build/release
mkdir -p "$release"
version=$(sed -n 's/^project(tq58pc VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
fail() { echo "release check failed: $*" >&2; exit 1; }

# --- Windows zips -------------------------------------------------------------------------
for arch in x86 x64; do
  cmake --preset "windows-$arch" >/dev/null
  programs=build/windows-$arch/release-programs.txt
  if ! grep -q . "$programs"; then
    echo "windows-$arch: no program has a driver for this architecture, so no zip is made"
    continue
  fi
  cmake --build --preset "windows-$arch"
  cpack --preset "windows-$arch" >/dev/null
  zip=$release/tq58pc-$version-windows-$arch.zip
  top=tq58pc-$version-windows-$arch
  expected=$( (grep . "$programs" | sed "s|^|$top/|; s|\$|.exe|"
               printf '%s\n' "$top/README.txt" "$top/guide-ja.html" "$top/screenshot-win32.png" \
                             "$top/screenshot-qt.png") | sort)
  listed=$(unzip -Z1 "$zip" | grep -v '/$' | sort)
  echo "$(basename "$zip"):"; unzip -l "$zip" | sed 's/^/  /'
  [ "$listed" = "$expected" ] || fail "$zip holds other files than the programs, guide and README:
$(diff <(echo "$expected") <(echo "$listed"))"
  ! grep -qi '\.dll$\|test\|drive' <<<"$listed" || fail "$zip holds a DLL, a test or a drive program"
  # Notepad before Windows 10 1809 runs lines that end in LF alone together into one.
  unzip -p "$zip" "$top/README.txt" | perl -0777 -ne 'exit(/(?<!\r)\n/ || !/\r\n\z/)' \
    || fail "README.txt in $zip has a line that does not end in CR LF"
done

# --- Debian package -----------------------------------------------------------------------
cmake --preset default >/dev/null
cmake --build --preset default
cpack --preset deb >/dev/null
deb=$release/tq58pc_${version}_$(dpkg --print-architecture).deb
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"
dpkg-deb --info "$deb" | sed -n 's/^ \(Depends\|Recommends\|Installed-Size\):/  \1:/p'
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
! grep -q '\.so\b\|_test\|-drive' <<<"$contents" || fail "the package holds a stand-in, test or drive"
while read -r program; do
  grep -qx "./usr/bin/$program" <<<"$contents" || fail "$program is not in /usr/bin"
  grep -qx "./usr/share/applications/$program.desktop" <<<"$contents" \
    || fail "$program has no menu entry"
done < <(grep . build/default/release-programs.txt)
[ "$(grep -c '^./usr/bin/.' <<<"$contents")" = "$(grep -c . build/default/release-programs.txt)" ] \
  || fail "/usr/bin holds other files than the programs"

echo "lintian:"
lintian --fail-on error "$deb" | sed 's/^/  /' \
  || fail "lintian reports errors"
echo "desktop-file-validate:"
unpacked=$(mktemp -d)
dpkg-deb -x "$deb" "$unpacked"
desktop-file-validate "$unpacked"/usr/share/applications/*.desktop || fail "a menu entry is invalid"
echo "  $(ls "$unpacked"/usr/share/applications | wc -l) entries valid"
rm -rf "$unpacked"

# --- Installed ----------------------------------------------------------------------------
dpkg -i "$deb" >/dev/null
user=tq58check
check_work=$(mktemp -d)
cleanup() {
  dpkg -r tq58pc >/dev/null 2>&1 || true
  userdel -r "$user" >/dev/null 2>&1 || true
  rm -rf "$check_work"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=offscreen

# One installed program, started as a user would from the menu, still runs after two seconds.
XDG_RUNTIME_DIR=$check_work /usr/bin/tq58pc-rex5052-nt </dev/null >/dev/null 2>&1 &
started=$!
sleep 2
kill -0 "$started" 2>/dev/null || fail "the installed tq58pc-rex5052-nt did not keep running"
kill "$started"; wait "$started" 2>/dev/null || true
echo "installed tq58pc-rex5052-nt: still running after 2 s"

# The installed guide opens with its Japanese title and the two screenshots, rendered off screen.
XDG_RUNTIME_DIR=$check_work build/default/docs/tq58_guide_picture \
  /usr/share/doc/tq58pc/guide-ja.html "$release/guide-ja.png" || fail "the installed guide"
echo "installed guide: Japanese title and both screenshots first; picture: build/release/guide-ja.png"

# A download by a test user from a folder it cannot write. The programs take no command line, so
# the drive program (the same window, backend and choice of folder, which clicks the download
# button) is copied into a root-owned folder, with the simulated driver in a folder of its own.
useradd -m "$user" 2>/dev/null || true
home=$(getent passwd "$user" | cut -d: -f6)
mkdir -p "$check_work/bin" "$check_work/standins" "$check_work/runtime"
chmod 755 "$check_work" "$check_work/bin" "$check_work/standins"
chown "$user" "$check_work/runtime"; chmod 700 "$check_work/runtime"
cp build/default/drive/tq58pc-rex5052-nt-drive "$check_work/bin/"
cp build/default/standins/libgplib2K.so "$check_work/standins/"
as_user() {
  runuser -u "$user" -- env HOME="$home" XDG_RUNTIME_DIR="$check_work/runtime" \
    QT_QPA_PLATFORM=offscreen LD_LIBRARY_PATH="$check_work/standins" "$@"
}
as_user xdg-user-dirs-update
documents=$(as_user xdg-user-dir DOCUMENTS)
as_user test ! -w "$check_work/bin" || fail "the test user can write the program's folder"
(cd "$check_work/bin" && as_user ./tq58pc-rex5052-nt-drive) | sed 's/^/  /'
csv="$documents/TQ58/TQ58メモリーデータ.csv"
[ -s "$csv" ] || fail "no CSV file in $documents/TQ58"
[ "$(stat -c %U "$csv")" = "$user" ] || fail "the CSV file does not belong to the test user"
echo "download by $user from $check_work/bin: $csv, $(wc -l <"$csv") lines"

dpkg -r tq58pc >/dev/null
[ ! -e /usr/bin/tq58pc-rex5052-nt ] || fail "dpkg -r left the programs behind"
echo "package removed"
echo "release checks passed"
