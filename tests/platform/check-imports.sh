#!/usr/bin/env bash
# Passes when a Windows program imports only system DLLs: each DLL it names
# must be one the platform ships (Wine's built-in DLL folder stands for it), and
# none may be a toolchain runtime (libwinpthread, libstdc++, libgcc).
#   check-imports.sh PROGRAM [WINE_DLL_FOLDER]
set -euo pipefail
program=${1:?usage: check-imports.sh PROGRAM [WINE_DLL_FOLDER]}
system=${2:-}
if [ -z "$system" ]; then
  for d in /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/wine/x86_64-windows /usr/lib64/wine/x86_64-windows; do
    [ -f "$d/kernel32.dll" ] && { system=$d; break; }
  done
fi
[ -n "$system" ] && [ -f "$system/kernel32.dll" ] || { echo "no Wine DLL folder found" >&2; exit 2; }

mapfile -t dlls < <(x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p')
[ ${#dlls[@]} -gt 0 ] || { echo "$program: no imports read" >&2; exit 2; }
bad=0
for dll in "${dlls[@]}"; do
  lower=${dll,,}
  if [[ $lower == libwinpthread* || $lower == libstdc++* || $lower == libgcc* ]] || [ ! -f "$system/$lower" ]; then
    echo "$program imports $dll, which is not a system DLL"
    bad=1
  fi
done
[ $bad = 0 ] && echo "$(basename "$program") imports only system DLLs: ${dlls[*]}"
exit $bad
