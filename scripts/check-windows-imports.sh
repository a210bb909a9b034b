#!/usr/bin/env bash
# Checks that every i686 program starts on the oldest Windows it is built for: each function it
# imports must be in scripts/windows-imports.txt, which records the function's DLL and the first
# Windows that exports it, and that Windows must not be newer than the floor. A program whose
# import the system lacks is refused by the loader before it runs, so this is checked here.
# Also checks the PE header's OS and subsystem versions, which the loader compares with its own.
#   scripts/check-windows-imports.sh BUILD_FOLDER [FLOOR]     (FLOOR: 2000 unless given)
set -euo pipefail
build="$1"
floor="${2:-2000}"
list="$(dirname "$0")/windows-imports.txt"
objdump=i686-w64-mingw32-objdump
# Windows versions in order of release; the list names each function's first.
order=(2000 XP XP-SP1 XP-SP2 Vista 7 8 10)
rank() {
  local i
  for i in "${!order[@]}"; do [ "${order[$i]}" = "$1" ] && { echo "$i"; return; }; done
  echo "unknown Windows version '$1' in $list" >&2
  exit 2
}
floor_rank=$(rank "$floor")

declare -A first
while read -r dll function version _; do
  [[ -z "$dll" || "$dll" == \#* ]] && continue
  first["${dll^^}:$function"]="$version"
done <"$list"

status=0
count=0
for program in "$build"/bin/*.exe; do
  name=$(basename "$program")
  header=$($objdump -p "$program")
  for field in OSystemVersion SubsystemVersion; do
    major=$(awk -v f="Major$field" '$1 == f {print $2}' <<<"$header")
    minor=$(awk -v f="Minor$field" '$1 == f {print $2}' <<<"$header")
    if [ $((major * 100 + minor)) -gt 500 ]; then
      echo "$name: PE header $field $major.$minor is newer than 5.0" >&2
      status=1
    fi
  done
  # objdump lists each DLL's imports under "DLL Name:", one "vma hint name" line each.
  while read -r dll function; do
    count=$((count + 1))
    version="${first["$dll:$function"]:-}"
    if [ -z "$version" ]; then
      echo "$name imports $dll $function, which $list does not record" >&2
      status=1
    elif [ "$(rank "$version")" -gt "$floor_rank" ]; then
      echo "$name imports $dll $function, first in Windows $version: newer than $floor" >&2
      status=1
    fi
  done < <(awk '/DLL Name:/ {dll = toupper($3)}
                dll != "" && /^\t[0-9a-f]+\t/ && NF >= 3 {print dll, $3}
                /^$/ {dll = ""}' <<<"$header")
done

[ $status -eq 0 ] &&
  echo "i686 programs in $build: $count imports, none newer than Windows $floor; PE versions 5.0 or lower"
exit $status
