#!/usr/bin/env bash
# Runs each libFuzzer target of the test build (build/test, as scripts/test.sh
# makes it) for longer than the test suite does, growing its working corpus
# in build/test/tests/fuzz/corpus-<name>/. Usage:
#   bash scripts/fuzz.sh [seconds per target, default 300] [target names...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
shift || true
dir=build/test/tests/fuzz
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for src in tests/fuzz/fuzz_*.cpp; do targets+=("$(basename "$src" .cpp)"); done
fi
for name in "${targets[@]}"; do
  echo "== $name ($seconds s)"
  mkdir -p "$dir/corpus-$name"
  seeds=()
  [ -d "tests/fuzz/corpus/$name" ] && seeds+=("tests/fuzz/corpus/$name")
  "$dir/$name" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 "$dir/corpus-$name" "${seeds[@]}"
done
