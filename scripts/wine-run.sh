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
  # Desktop menu entries are of no use here and cost most of a minute under
  # the emulator on every start.
  case ";${WINEDLLOVERRIDES:-};" in
    *";winemenubuilder.exe=d;"*) ;;
    *) export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d ;;
  esac
  # Japanese locale for Wine itself: ANSI code page 932, as on the target's
  # Japanese systems. No Linux locale of that name is needed (bash's own
  # complaint that it lacks one is silenced).
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 2>/dev/null
}

# Settings every session here wants, written into the new prefix's registry
# files while no Wine server has them open (see wine-prepare-prefix.py).
wine_prepare_prefix() {
  local font
  if fc-list IPAPGothic family | grep -q .; then
    font=IPAPGothic
  elif fc-list IPAGothic family | grep -q .; then
    font=IPAGothic
  else
    echo "wine-run: no IPA gothic font (fonts-ipafont-gothic); run scripts/setup-wine.sh" >&2
    return 1
  fi
  # Without the Japanese locale: python3 may be a shell wrapper, and bash
  # complains of every locale this machine lacks.
  env -u LANG -u LC_ALL python3 "$wine_root/scripts/wine-prepare-prefix.py" "$WINEPREFIX" "$font"
}

# The processes of this prefix's sessions whose command line matches the
# pattern.
wine_prefix_pids() {
  local pid
  for pid in $(pgrep -f "$1"); do
    if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
      echo "$pid"
    fi
  done
}

wine_prefix_ready() {
  wine_environment
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    set -e
    flock 9
    if [[ ! -e $WINEPREFIX/.dorvik-ready ]]; then
      echo "wine-run: creating the Wine prefix $WINEPREFIX (takes minutes)" >&2
      # What an interrupted creation left behind, server included, goes first.
      wineserver -k >/dev/null 2>&1 || true
      rm -rf "$WINEPREFIX"
      # No Mono or Gecko: nothing here needs them, and their installers ask.
      if ! WINEDLLOVERRIDES="$WINEDLLOVERRIDES;mscoree=;mshtml=" wineboot -i >"$WINEPREFIX.log" 2>&1; then
        echo "wine-run: wineboot failed, see $WINEPREFIX.log" >&2
        exit 1
      fi
      # wineboot may return before the set-up has finished (the launcher stops
      # waiting after a few minutes), so wait for this prefix's wineboot to
      # go. The session's system processes then often hang under the
      # emulator rather than end, so the server is told to write the
      # registry out and stop.
      local waited
      for ((waited = 0; waited < 1200; waited += 5)); do
        [[ -n $(wine_prefix_pids 'wineboot\.exe') ]] || break
        sleep 5
      done
      if ! timeout 60 wineserver -w; then
        wineserver -k15 >/dev/null 2>&1 || true
        wineserver -w
        # Cut off from their server, such processes spin under the emulator.
        kill -9 $(wine_prefix_pids '^[^ ]*qemu-i386 ') 2>/dev/null || true
      fi
      wine_prepare_prefix
      touch "$WINEPREFIX/.dorvik-ready"
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
  # The program's output goes through a file: the system processes that Wine
  # starts inherit it and may outlive the program (or hang under the
  # emulator), and a caller reading a pipe would wait for them.
  output=$(mktemp)
  trap 'rm -f "$output"' EXIT
  status=0
  wine "$@" >"$output" 2>&1 </dev/null || status=$?
  cat "$output"
  exit "$status"
fi
