#!/usr/bin/env bash
# Runs tools/check-seam.sh on the fixtures and compares what it reports.
#   check-seam-test.sh SOURCE_DIR
set -uo pipefail
src=${1:?usage: check-seam-test.sh SOURCE_DIR}
check=$src/tools/check-seam.sh
cd "$src/tests/platform/fixtures"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The real seam headers: exactly the marked lines, exit 1.
out=$(bash "$check" --headers "$src/platform" module 2>/dev/null); rc=$?
[ $rc = 1 ] || fail "violations: exit $rc, expected 1"
diff <(printf '%s\n' "$out") expected-violations.txt >/dev/null ||
  fail "violations reported differ from expected-violations.txt:
$(diff <(printf '%s\n' "$out") expected-violations.txt)"

# Other headers, other names: FrobnicateW (declared over two lines) is the only
# seam function now, so OpenSCManagerW and friends no longer count.
out=$(bash "$check" --headers headers module 2>/dev/null); rc=$?
[ $rc = 1 ] || fail "fake headers: exit $rc, expected 1"
[ "$out" = "module/Violations.cpp:29: call to FrobnicateW without plat::" ] ||
  fail "fake headers reported: $out"
[ "$(bash "$check" --headers headers --list)" = FrobnicateW ] || fail "--list of fake headers"

# Clean code: one summary line, exit 0.
out=$(bash "$check" --headers "$src/platform" clean 2>&1); rc=$?
[ $rc = 0 ] || fail "clean: exit $rc, expected 0"
[ "$(printf '%s\n' "$out" | wc -l)" = 1 ] && [[ $out == "check-seam: no direct calls of the "*" seam functions in 1 files" ]] ||
  fail "clean summary: $out"

# Headers without declarations must not pass everything.
bash "$check" --headers module clean >/dev/null 2>&1; rc=$?
[ $rc = 2 ] || fail "no declarations: exit $rc, expected 2"

[ $failures = 0 ] && echo "check-seam: all cases passed"
[ $failures = 0 ]
