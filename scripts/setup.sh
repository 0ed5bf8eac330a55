#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages the build and the tests need
# that this machine does not have yet. Nothing is installed when all are there.
# When another install holds the package manager's lock, it waits for it.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang lld pkg-config libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev python3 zlib1g-dev
  python3-pil libsqlite3-dev libjpeg62-turbo-dev libpng-dev libfreetype-dev fonts-dejavu-core fonts-liberation2
  ghostscript python3-fonttools
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
  # apt-get waits up to this long for the dpkg lock itself; the package
  # lists' lock has no such wait, so the update is tried again meanwhile.
  wait_seconds=900
  apt=($sudo env DEBIAN_FRONTEND=noninteractive apt-get -q -o DPkg::Lock::Timeout=$wait_seconds)
  deadline=$((SECONDS + wait_seconds))
  until "${apt[@]}" update; do
    if [ $SECONDS -ge $deadline ]; then
      echo "setup: the package manager stayed busy for $wait_seconds s; giving up" >&2
      exit 1
    fi
    echo "setup: the package manager is busy; trying again in 10 s"
    sleep 10
  done
  "${apt[@]}" install -y --no-install-recommends "${missing[@]}"
fi
