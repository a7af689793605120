#!/usr/bin/env bash
# Passes when platform/win32 defines every function the seam headers declare:
# a declaration without a forward would only show when a caller first links.
#   check-forwards.sh SOURCE_DIR
set -euo pipefail
src=${1:?usage: check-forwards.sh SOURCE_DIR}
mapfile -t names < <(bash "$src/tools/check-seam.sh" --headers "$src/platform" --list)
defined=$(cat "$src"/platform/win32/*.cpp | grep -o -E 'plat::[A-Za-z_][A-Za-z0-9_]*\(' | sort -u)
missing=0
for name in "${names[@]}"; do
  grep -qx "plat::$name(" <<<"$defined" || { echo "platform/win32 has no forward for $name"; missing=1; }
done
[ $missing = 0 ] && echo "platform/win32 forwards all ${#names[@]} seam functions"
exit $missing
