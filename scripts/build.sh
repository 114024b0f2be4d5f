#!/usr/bin/env bash
# Configures and builds the three builds: host, host32 and target.
set -euo pipefail
cd "$(dirname "$0")/.."

configure() {  # name, extra cmake arguments...
  local name=$1; shift
  cmake -S . -B "build/$name" -G Ninja -DDORVIK_BUILD="$name" "$@" >/dev/null
}

configure host
configure host32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-host32.cmake
configure target -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake

for b in target host host32; do
  echo "build: $b"
  cmake --build "build/$b"
done
