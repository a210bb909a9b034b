#!/usr/bin/env bash
# Shows that the i686 compile-time checks of the driver function types bite: the Ratoc backend
# compiles as it stands, and fails to compile when TQ58_DRIVER_CALL loses its stdcall or when a
# 16-bit argument is widened; the NI-488.2 and VISA backends compile with the gpib-32.dll and
# visa32.dll rows of their tables, and fail to when a row's width is wrong. Syntax only, with the
# i686 cross compiler.
set -euo pipefail
cd "$(dirname "$0")/.."
compiler=i686-w64-mingw32-g++-win32
source=backends/ratoc/ratoc_backend.cpp
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

compiles() {  # compiles INCLUDE_ROOT SOURCE
  $compiler -std=c++20 -fsyntax-only -I"$1" -DTQ58_RATOC_LIBRARY='"gplib2K.dll"' \
    -DTQ58_NI488_LIBRARY='"gpib-32.dll"' -DTQ58_VISA_LIBRARY='"visa32.dll"' "$2" 2>/dev/null
}

compiles . "$source" || { echo "$source does not compile for i686" >&2; exit 1; }

# The same sources with cdecl driver functions.
mkdir -p "$work/cdecl"
cp -r platform session "$work/cdecl/"
sed -i 's/^#define TQ58_DRIVER_CALL __stdcall$/#define TQ58_DRIVER_CALL/' \
  "$work/cdecl/platform/driver_call.h"
grep -q '^#define TQ58_DRIVER_CALL$' "$work/cdecl/platform/driver_call.h"
if compiles "$work/cdecl" "$source"; then
  echo "driver functions without stdcall were not rejected" >&2
  exit 1
fi

# gp_init's third argument, 16 bits in the driver's interface, widened to 32.
sed 's/std::int16_t)> gp_init/std::int32_t)> gp_init/' "$source" >"$work/widened.cpp"
if cmp -s "$source" "$work/widened.cpp"; then echo "gp_init not found in $source" >&2; exit 1; fi
if compiles . "$work/widened.cpp"; then
  echo "a widened 16-bit driver argument was not rejected" >&2
  exit 1
fi

# The standard interfaces' i686 rows: each backend compiles with its table, and not with a
# transfer count (ni488.h's long) or an attribute value (visatype.h's 32-bit ViAttrState on
# i686) widened to 64 bits.
for table in ni488 visa; do
  compiles . "backends/$table/${table}_backend.cpp" ||
    { echo "the $table backend does not compile for i686" >&2; exit 1; }
  mkdir -p "$work/$table"
  cp -r platform session backends "$work/$table/"
done
sed -i '0,/using ByteCount = std::int32_t;/s//using ByteCount = std::int64_t;/' \
  "$work/ni488/backends/ni488/ni488_interface.h"
sed -i 's/using ViAttrState = .*/using ViAttrState = std::uint64_t;/' \
  "$work/visa/backends/visa/visa_interface.h"
for table in ni488 visa; do
  if cmp -s "backends/$table/${table}_interface.h" "$work/$table/backends/$table/${table}_interface.h"; then
    echo "nothing widened in the $table table" >&2
    exit 1
  fi
  if compiles "$work/$table" "$work/$table/backends/$table/${table}_backend.cpp"; then
    echo "a widened argument in the $table table was not rejected" >&2
    exit 1
  fi
done
echo "i686 driver signature checks reject a cdecl driver function and a widened argument" \
  "(Ratoc, gpib-32.dll, visa32.dll)"
