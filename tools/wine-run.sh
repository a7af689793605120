#!/usr/bin/env bash
# CTest's emulator: runs one Windows program of the build under Wine.
#   wine-run.sh --root ROOT program.exe [args...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=
if [ "${1:-}" = --root ]; then root=$2; shift 2; fi
root=${root:-${VANTREL_WINE_ROOT:?set VANTREL_WINE_ROOT or pass --root}}
"$here/wine-env.sh" ensure "$root"
eval "$("$here/wine-env.sh" env "$root")"
exec wine "$@"
