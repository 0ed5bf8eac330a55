#!/usr/bin/env bash
# Sets up the machine, builds everything with the sanitizers and runs every
# test: the GoogleTest suites and fuzz-target replays (gcc, AddressSanitizer
# and UndefinedBehaviorSanitizer), then each fuzz target under libFuzzer
# (clang) for a short fixed time.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQV_TESTS=ON -DQV_SANITIZE=ON
cmake --build build/test -j "$jobs"

if ls tests/fuzz/fuzz_*.cpp >/dev/null 2>&1; then
  cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQV_FUZZ=ON
  cmake --build build/fuzz -j "$jobs"
  ctest --test-dir build/fuzz -j "$jobs" --output-on-failure
fi

ctest --test-dir build/test -j "$jobs" --output-on-failure --timeout 300
