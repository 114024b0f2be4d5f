#!/usr/bin/env bash
# Sets up a fresh machine, builds all three builds and runs the main job: the
# simulated machine's demonstration.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
bash scripts/build.sh
bash scripts/make-dist.sh
build/host/tools/dorvik-sim/dorvik-sim
