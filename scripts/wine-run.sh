#!/usr/bin/env bash
# Runs a Windows program under 32-bit Wine in the project's one shared prefix
# (build/wineprefix, made on first use) and exits with the program's exit code.
#
#   bash scripts/wine-run.sh PROGRAM.exe [ARGUMENTS...]
#
# Other scripts may source this file instead: it then only defines
# wine_environment (exports the settings every Wine run here shares) and
# wine_prefix_ready (makes the prefix once, safely when runs start together).
# Needs scripts/setup-wine.sh to have run.

wine_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

wine_environment() {
  export WINEPREFIX=${DORVIK_WINEPREFIX:-$wine_root/build/wineprefix}
  export WINEARCH=win32
  export WINEDEBUG=-all
  # Japanese locale for Wine itself: ANSI code page 932, as on the target's
  # Japanese systems. No Linux locale of that name is needed (bash's own
  # complaint that it lacks one is silenced).
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 2>/dev/null
}

wine_prefix_ready() {
  wine_environment
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [[ ! -e $WINEPREFIX/.ready ]]; then
      echo "wine-run: creating the Wine prefix $WINEPREFIX (takes minutes)" >&2
      rm -rf "$WINEPREFIX"
      # No Mono or Gecko: nothing here needs them, and their installers ask.
      WINEDLLOVERRIDES="mscoree=;mshtml=" wineboot -i >/dev/null 2>&1
      wineserver -w
      touch "$WINEPREFIX/.ready"
    fi
  ) 9>"$WINEPREFIX.lock"
}

if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
  set -euo pipefail
  if (($# < 1)); then
    echo "usage: $0 PROGRAM.exe [ARGUMENTS...]" >&2
    exit 2
  fi
  wine_prefix_ready
  status=0
  wine "$@" || status=$?
  exit "$status"
fi
