#!/usr/bin/env bash
# Sets up the machine, builds the module and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/release
echo "Built the module: build/release/libqvui.so"
echo "There is no main job yet: the command-line host that plays the spooler and an application is not built."
