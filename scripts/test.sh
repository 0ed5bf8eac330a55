#!/usr/bin/env bash
# Sets up the machine, builds everything once (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, libFuzzer's coverage hooks) and runs every
# test: each GoogleTest program as one process (the longest as a few
# shards), each fuzz target's replay, and each fuzz target under libFuzzer
# for a bounded number of runs from a fixed seed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQV_TESTS=ON -DQV_SANITIZE=ON -DQV_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld -DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=lld
cmake --build build/test -j "$jobs"
ctest --test-dir build/test -j "$jobs" --output-on-failure --timeout 900
