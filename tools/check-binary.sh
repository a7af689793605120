#!/usr/bin/env bash
# Checks a built Windows binary: it imports only system DLLs (plus those
# named with --allow) and, with --exports, exports exactly the given names.
#   check-binary.sh FILE [--allow a.dll,b.dll] [--exports Name1,Name2]
set -euo pipefail
file=$1; shift
allow=; exports=
while [ $# -gt 0 ]; do
  case $1 in
    --allow) allow=$2; shift 2 ;;
    --exports) exports=$2; shift 2 ;;
    *) echo "check-binary: unknown option $1" >&2; exit 2 ;;
  esac
done
system='advapi32 comctl32 comdlg32 crypt32 dnsapi gdi32 iphlpapi kernel32 mprapi msvcrt netapi32 ole32 oleaut32
  secur32 shell32 shlwapi user32 userenv uxtheme version winspool.drv ws2_32 wsock32 wtsapi32 activeds wbemuuid
  rpcrt4 bcrypt ntdll icmp'
dump=$(x86_64-w64-mingw32-objdump -p "$file")
bad=0
while read -r dll; do
  name=$(echo "$dll" | tr 'A-Z' 'a-z'); base=${name%.dll}
  ok=0
  for s in $system; do [ "$base" = "$s" ] || [ "$name" = "$s" ] && ok=1; done
  for a in ${allow//,/ }; do [ "$name" = "$(echo "$a" | tr 'A-Z' 'a-z')" ] && ok=1; done
  if [ $ok = 0 ]; then echo "$file imports $dll, which is not a system DLL"; bad=1; fi
done < <(echo "$dump" | sed -n 's/^\s*DLL Name: //p')
if [ -n "$exports" ]; then
  have=$(echo "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p' | sort | tr '\n' ',' | sed 's/,$//')
  want=$(echo "$exports" | tr ',' '\n' | sort | tr '\n' ',' | sed 's/,$//')
  if [ "$have" != "$want" ]; then echo "$file exports [$have], expected [$want]"; bad=1; fi
fi
[ $bad = 0 ] && echo "$file: imports and exports as expected"
exit $bad
