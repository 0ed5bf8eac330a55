#!/usr/bin/env bash
# Sets up the machine, builds the module and the command-line host, and runs
# a short demonstration on the sample printer: install it, show its default
# DEVMODE, list its capabilities and run a print job's document events. The
# platform's state lives in a temporary directory that is removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/release

state=$(mktemp -d)
trap 'rm -rf "$state"' EXIT
qvhost() { build/release/qvhost --state "$state" "$@"; }

echo
echo "== qvhost install"
qvhost install
echo
echo "== qvhost devmode"
qvhost devmode
echo
echo "== qvhost caps"
qvhost caps
echo
echo "== qvhost job"
qvhost job
echo
echo "More: build/release/qvhost --help"
