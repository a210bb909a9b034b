#!/usr/bin/env bash
# Checks that tq58pc-rex5052-9x, the program of the Windows 9x driver, works on Windows 98 SE:
# each function its i686 .exe imports must be in scripts/windows98-imports.txt, and neither
# missing there (the loader refuses the program) nor a stub (it fails with
# ERROR_CALL_NOT_IMPLEMENTED) unless that file allows it, because its caller falls back. Wine
# implements every W function whatever Windows version it plays, so this is checked here.
#   scripts/check-windows98-imports.sh BUILD_FOLDER
set -euo pipefail
build="$1"
table="$(dirname "$0")/windows98-imports.txt"
program="$build/bin/tq58pc-rex5052-9x.exe"
objdump=i686-w64-mingw32-objdump

declare -A status allowed
while read -r first second third fourth _; do
  [[ -z "$first" || "$first" == \#* ]] && continue
  if [ "$first" = allow ]; then
    allowed["${second^^}:$third"]=1
  else
    status["${first^^}:$second"]="$third"
  fi
done <"$table"

result=0
declare -A counts=([native]=0 [stub]=0 [allowed]=0 [missing]=0)
while read -r dll function; do
  key="$dll:$function"
  case "${status[$key]:-}" in
    native) counts[native]=$((counts[native] + 1)) ;;
    stub)
      counts[stub]=$((counts[stub] + 1))
      if [ -n "${allowed[$key]:-}" ]; then
        counts[allowed]=$((counts[allowed] + 1))
      else
        echo "tq58pc-rex5052-9x.exe imports $dll $function, a stub on Windows 98 SE" >&2
        result=1
      fi ;;
    missing)
      counts[missing]=$((counts[missing] + 1))
      echo "tq58pc-rex5052-9x.exe imports $dll $function, which Windows 98 SE lacks" >&2
      result=1 ;;
    *)
      echo "tq58pc-rex5052-9x.exe imports $dll $function, which $table does not record" >&2
      result=1 ;;
  esac
done < <($objdump -p "$program" |
         awk '/DLL Name:/ {dll = toupper($3)}
              dll != "" && /^\t[0-9a-f]+\t/ && NF >= 3 {print dll, $3}
              /^$/ {dll = ""}')

echo "tq58pc-rex5052-9x.exe on Windows 98 SE: ${counts[native]} imports native," \
     "${counts[stub]} stubs (${counts[allowed]} allowed: their callers fall back)," \
     "${counts[missing]} missing"
[ $result -eq 0 ] || echo "tq58pc-rex5052-9x.exe would not work on Windows 98 SE" >&2
exit $result
