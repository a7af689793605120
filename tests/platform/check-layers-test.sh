#!/usr/bin/env bash
# Runs tools/check-layers.sh on small trees, one include each, and compares
# its verdict with the layering rules.
#   check-layers-test.sh SOURCE_DIR
set -uo pipefail
src=${1:?usage: check-layers-test.sh SOURCE_DIR}
check=$src/tools/check-layers.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# file | included header | expected exit (0 allowed, 1 wrong way)
cases=(
  "views/A.cpp|component/ComputerResMgmtUI.h|1"
  "services/A.cpp|views/ResourceView.h|1"
  "services/editor/A.cpp|component/Module.h|1"
  "credentials/A.cpp|services/ServiceRef.h|1"
  "common/A.h|credentials/Credentials.h|1"
  "console/A.cpp|views/ViewMessages.h|1"
  "companions/A.cpp|services/ServiceRef.h|1"
  "public/A.h|common/Handles.h|1"
  "views/A.cpp|tests/Helper.h|1"
  "views/A.cpp|services/ServiceRef.h|0"
  "services/A.cpp|credentials/Credentials.h|0"
  "component/A.cpp|views/ResourceView.h|0"
  "console/A.cpp|public/ViewMessages.h|0"
  "services/editor/A.cpp|services/editor/B.h|0"
  "views/A.cpp|Vantrel_h.h|0"
)
for c in "${cases[@]}"; do
  IFS='|' read -r file header expected <<<"$c"
  rm -rf "$work/tree" && mkdir -p "$work/tree/$(dirname "$file")" "$work/tree/tests"
  printf '// first line\n#include "%s"\n' "$header" >"$work/tree/$file"
  out=$(bash "$check" --root "$work/tree" 2>/dev/null); rc=$?
  if [ "$rc" != "$expected" ]; then
    echo "FAIL: $file including $header: exit $rc, expected $expected ($out)"
    failures=$((failures + 1))
  elif [ "$expected" = 1 ] && [[ $out != "$file:2: "* ]]; then
    echo "FAIL: $file including $header reported as: $out"
    failures=$((failures + 1))
  fi
done

[ $failures = 0 ] && echo "check-layers: all ${#cases[@]} cases passed"
[ $failures = 0 ]
