#!/usr/bin/env bash
# Runs every GoogleTest program of a test build (build/test, as
# scripts/test.sh makes it, unless another is named) in one process with
# several random orders, to show a case that depends on what ran before it.
# Usage:
#   bash scripts/shuffle.sh [orders per program, default 5] [build dir]
set -uo pipefail
cd "$(dirname "$0")/.."
orders=${1:-5}
build=${2:-build/test}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QV_FIXTURES=$PWD/tests/fixtures
log=$(mktemp)
trap 'rm -f "$log"' EXIT
failed=0
for program in $(find "$build/tests" -type f -name 'qv_*_tests' -perm -u+x | sort); do
  for _ in $(seq "$orders"); do
    seed=$(( (RANDOM << 15 | RANDOM) % 99999 + 1 ))
    if ! "$program" --gtest_shuffle --gtest_random_seed=$seed --gtest_brief=1 >"$log" 2>&1; then
      echo "FAILED: $program --gtest_shuffle --gtest_random_seed=$seed"
      grep -E '^\[  FAILED  \]|ERROR: |runtime error' "$log" | head -5
      failed=1
    fi
  done
done
[ $failed -eq 0 ] && echo "every program passed in $orders random orders"
exit $failed
