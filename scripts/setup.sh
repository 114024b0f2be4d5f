#!/usr/bin/env bash
# Installs what the builds and tests need on a fresh Debian bookworm machine.
# Run as root. Safe to run again: it installs only what is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ g++-multilib googletest
  g++-mingw-w64-i686 mingw-w64-i686-dev binutils-mingw-w64-i686
  qemu-user python3
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
else
  echo "setup: all packages present"
fi
