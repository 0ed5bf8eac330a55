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
echo "== qvhost print --sample"
qvhost print --sample --out build/release/sample.prn
# The PJL/PCL interpreter beside the project, where there is one, shows the
# printed page as a picture.
gpcl6=../shared/tools/pcl/gpcl6
if [ -x "$gpcl6" ] && "$gpcl6" -dNOPAUSE -dBATCH -dQUIET -sDEVICE=pnggray -r100 \
    -sOutputFile=build/release/sample.png build/release/sample.prn >/dev/null 2>&1; then
  echo "The printed page as a picture: build/release/sample.png"
fi
echo
echo "More: build/release/qvhost --help"
