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

# A program that exits with a failure before writing anything, in a moment,
# never reached its own code: Wine lost the start (seen once in some
# thousand runs, with a busy wineserver). Such a start is tried once more
# and said so; a program that fails the same way again fails.
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
for attempt in 1 2; do
  rc=0
  started=$SECONDS
  wine "$@" >"$out" 2>"$err" || rc=$?
  cat "$out"; cat "$err" >&2
  if [ "$rc" = 0 ] || [ -s "$out" ] || [ -s "$err" ] || [ $((SECONDS - started)) -gt 2 ]; then
    exit "$rc"
  fi
  echo "wine-run: $1 exited $rc at once and wrote nothing (attempt $attempt)" >&2
done
exit "$rc"
