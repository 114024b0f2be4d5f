#!/usr/bin/env bash
# Runs every test: sets up and builds first, so it works on a fresh machine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
bash scripts/setup-wine.sh
bash scripts/build.sh

status=0
for b in host host32; do
  echo "test: $b"
  ctest --test-dir "build/$b" --output-on-failure -j2 || status=1
done
# The target build's programs under 32-bit Wine.
echo "test: target"
ctest --test-dir build/target --output-on-failure || status=1
exit $status
