#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages the build and the tests need
# that this machine does not have yet. Nothing is installed when all are there.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang pkg-config libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev python3 zlib1g-dev
  python3-pil
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
