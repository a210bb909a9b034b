#!/usr/bin/env bash
# Checks a Windows build folder: each program imports only DLLs that Windows ships, and each
# stand-in DLL exports its driver's functions under their plain names (no stdcall decoration).
#   scripts/check-windows-binaries.sh BUILD_FOLDER
set -euo pipefail
build="$1"
objdump=i686-w64-mingw32-objdump
if x86_64-w64-mingw32-objdump -f "$build"/bin/tq58pc-ni488.exe 2>/dev/null | grep -q 'x86-64'; then
  objdump=x86_64-w64-mingw32-objdump  # an x86_64 build folder
fi
system_dlls="KERNEL32.DLL USER32.DLL GDI32.DLL COMCTL32.DLL MSVCRT.DLL WINMM.DLL ADVAPI32.DLL SHELL32.DLL"
system_dlls+=" WS2_32.DLL"  # Winsock 2, since Windows 98 and NT 4.0
status=0

for program in "$build"/bin/*.exe; do
  for dll in $($objdump -p "$program" | awk '/DLL Name:/ {print toupper($3)}'); do
    case " $system_dlls " in
      *" $dll "*) ;;
      *) echo "$(basename "$program") imports $dll, which Windows does not ship" >&2; status=1 ;;
    esac
  done
done

declare -A functions=(
  [gplib2K]="gp_cardinfo gp_init gp_cli gp_ren gp_delm gp_lcl gp_tfrout gp_tfrin gp_count"
  [gplib32]="gp_cardinfo gp_init gp_cli gp_ren gp_delm gp_lcl gp_tfrout gp_tfrin gp_count"
  [apigpib1]="GpExit GpIni GpTimeout GpDelim GpIfc GpRen GpBoardsts GpTalk GpListen"
  [GPC4304]="PciGpibExFinishBoard PciGpibExInitBoard PciGpibExSetConfig PciGpibExSetIfc
             PciGpibExSetRen PciGpibExMastSendData PciGpibExMastRecvData"
  [axpgp02]="Gp02Close Gp02Create Gp02Init Gp02SetTime Gp02SetEos Gp02Ifc Gp02Ren
             Gp02GetLastError Gp02SendDataC Gp02RecvDataC"
  [Apci01]="Apci01Close Apci01Create Apci01Init Apci01SetTime Apci01SetEos Apci01Ifc Apci01Ren
            Apci01GetLastError Apci01SendDataC Apci01RecvDataC"
  [Gpdllpci]="Gpib_Init Gpib_Ifc Gpib_Ren Gpib_Lcl Gpib_Bwrt Gpib_Bred"
)
# The standard interfaces' libraries are named by width: gpib-32 and visa32 on i686, ni4882 and
# visa64 on x86_64. The NI-488.2 byte count is a function under the name its header declares:
# ThreadIbcntl in gpib-32.dll (ni488.h), ThreadIbcnt in ni4882.dll (ni4882.h, where ThreadIbcntl
# is only a macro, so the DLL has no function of that name).
ni488="ibconfig ibonl SendIFC EnableRemote EnableLocal Send Receive ThreadIbsta ThreadIberr"
visa="viOpenDefaultRM viOpen viClose viSetAttribute viGpibSendIFC viGpibControlREN viWrite viRead"
declare -A absent=()
if $objdump -f "$build"/bin/tq58pc-ni488.exe | grep -q 'x86-64'; then
  ni488_library=ni4882 count=ThreadIbcnt
  absent[ni4882]=ThreadIbcntl
  functions[visa64]=$visa
else
  ni488_library=gpib-32 count=ThreadIbcntl
  functions[visa32]=$visa
fi
functions[$ni488_library]="$ni488 $count"
# The program looks the byte count up by that name and by no other.
looked_up=$(strings -a "$build"/bin/tq58pc-ni488.exe | grep -x 'ThreadIbcntl\?' | sort -u | xargs)
if [ "$looked_up" != "$count" ]; then
  echo "tq58pc-ni488.exe looks up '$looked_up' for the byte count; $ni488_library.dll has $count" >&2
  status=1
fi
for library in "${!functions[@]}"; do
  dll="$build/standins/$library.dll"
  [ -f "$dll" ] || { echo "missing $dll" >&2; status=1; continue; }
  exports=$($objdump -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
            awk '/\[/ && !/Table/ {print $NF}')
  for function in ${functions[$library]}; do
    grep -qx "$function" <<<"$exports" || { echo "$library.dll lacks $function" >&2; status=1; }
  done
  for function in ${absent[$library]:-}; do
    if grep -qx "$function" <<<"$exports"; then
      echo "$library.dll exports $function, which its header declares only as a macro" >&2
      status=1
    fi
  done
  if grep -q '@' <<<"$exports"; then
    echo "$library.dll exports decorated names" >&2
    status=1
  fi
done

[ $status -eq 0 ] && echo "Windows binaries in $build: system imports only, driver exports undecorated, NI-488.2 byte count $count"
exit $status
