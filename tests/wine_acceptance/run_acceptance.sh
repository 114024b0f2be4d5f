#!/usr/bin/env bash
# Runs the applet's acceptance program under 32-bit Wine and exports the
# registry its last case saved, all in one Wine session:
#
#   bash run_acceptance.sh ACCEPTANCE.exe DORVIK.cpl OUTPUT-FOLDER
#
# OUTPUT-FOLDER (emptied first) receives acceptance.log, the program's
# checks; pictures/, PNG screenshots of the screen with NAME.rect, the
# pictured window's rectangle (x y width height); dorvik-service.reg, the
# driver's service key as Wine's "reg export" writes it; and Wine's and the
# X server's logs. Exits 0 when every check passed and the export was made.
# Needs scripts/setup-wine.sh to have run.
set -euo pipefail

if (($# != 3)); then
  echo "usage: $0 ACCEPTANCE.exe DORVIK.cpl OUTPUT-FOLDER" >&2
  exit 2
fi
exe=$(realpath "$1")
cpl=$(realpath "$2")
out=$(realpath -m "$3")
here=$(cd "$(dirname "$0")" && pwd)

say() { echo "run_acceptance: $(date +%T) $*"; }

# Windows path of a file, through drive Z:, which is the root of the file system.
winpath() {
  local path
  path=$(realpath -m "$1")
  echo "Z:${path//\//\\}"
}

source "$here/../../scripts/wine-run.sh"
say "shared Wine prefix"
wine_prefix_ready

# The run works in its own copy of the shared prefix: the cases rewrite the
# registry, and this copy's Wine server can be stopped without touching any
# other Wine session.
rm -rf "$out"
mkdir -p "$out/pictures"
cp -a "$WINEPREFIX" "$out/prefix"
rm -f "$out/prefix/wineserver" "$out/prefix/.dorvik-ready"
export WINEPREFIX=$out/prefix
# A crashing program ends; no debugger is started to keep the session alive.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winedbg.exe=d"

xvfb='' watcher=''
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  if [[ -n $watcher ]]; then kill "$watcher" 2>/dev/null || true; fi
  if [[ -n $xvfb ]]; then kill "$xvfb" 2>/dev/null || true; fi
  wait 2>/dev/null || true
  rm -rf "$out/prefix"
}
trap cleanup EXIT

# A virtual X server on the first free display.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$out/display" >"$out/xvfb.log" 2>&1 &
xvfb=$!
for ((i = 0; i < 300; i++)); do
  [[ -s $out/display ]] && break
  sleep 0.1
done
if [[ ! -s $out/display ]]; then
  echo "run_acceptance: Xvfb did not start, see $out/xvfb.log" >&2
  exit 1
fi
export DISPLAY=:$(head -n1 "$out/display")

# Pictures on request: the program writes NAME.request once the window is
# painted and waits until NAME.png is there and the request gone.
take_pictures() {
  local request name
  while :; do
    for request in "$out"/pictures/*.request; do
      [[ -e $request ]] || continue
      name=${request%.request}
      import -display "$DISPLAY" -window root "$name.tmp.png" && mv "$name.tmp.png" "$name.png"
      rm -f "$request"
    done
    sleep 0.2
  done
}
take_pictures >"$out/pictures.log" 2>&1 &
watcher=$!

# One session for both programs: starting it costs most of the time.
wineserver -p >/dev/null 2>&1 </dev/null
say "acceptance program (the session starts first: minutes)"
status=0
wine "$(winpath "$exe")" "$(winpath "$cpl")" "$(winpath "$out/pictures")" \
  >"$out/acceptance.log" 2>"$out/wine.log" </dev/null || status=$?
cat "$out/acceptance.log"

say "reg export of the driver's service key"
export_status=0
wine reg export 'HKLM\SYSTEM\CurrentControlSet\Services\Dorvik' "$(winpath "$out/dorvik-service.reg")" /y \
  >"$out/reg-export.log" 2>&1 </dev/null || export_status=$?
if [[ -s $out/dorvik-service.reg ]]; then
  iconv -f UTF-16 -t UTF-8 "$out/dorvik-service.reg" | tr -d '\r'
fi
say "done"

result=0
if [[ $status != 0 ]]; then
  echo "run_acceptance: the acceptance program exited with $status (see $out/wine.log)" >&2
  result=1
fi
if [[ $(tail -n1 "$out/acceptance.log" | tr -d '\r') != "0 failure(s)" ]]; then
  echo "run_acceptance: the acceptance program did not finish without failures" >&2
  result=1
fi
if [[ $export_status != 0 || ! -s $out/dorvik-service.reg ]]; then
  echo "run_acceptance: reg export failed ($export_status), see $out/reg-export.log" >&2
  result=1
fi
exit $result
