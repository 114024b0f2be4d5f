#!/usr/bin/env bash
# Assembles the release in dist/ from the target build: Dorvik.sys and
# DORVIK.cpl for 32-bit Windows NT, the installation notes for Windows NT 4.0
# and an example registry file (release/), the text files with CR LF line
# ends as Windows NT's Notepad and registry editor expect.
#
#   bash scripts/make-dist.sh [TARGET-BUILD-FOLDER]   (default build/target)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/target}
images=("$build/driver/Dorvik.sys" "$build/applet/DORVIK.cpl")
for image in "${images[@]}"; do
  if [[ ! -s $image ]]; then
    echo "make-dist: $image is missing; build the target first (scripts/build.sh)" >&2
    exit 1
  fi
done

rm -rf dist
mkdir dist
cp "${images[@]}" dist/
for text in INSTALL.txt Dorvik-example.reg; do
  sed 's/\r*$/\r/' "release/$text" >"dist/$text"
done
echo "make-dist: dist/ holds $(cd dist && echo *)"
