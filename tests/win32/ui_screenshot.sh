#!/usr/bin/env bash
# The dialog as a user sees it, driven with real X input under Xvfb: TessmoDemo.exe
# (the program over the simulated camera) starts in a folder with the example INI
# files and syncs; a click on a value cell opens its drop-down, Down and Enter pick the
# next option (the cell turns red), a click on Sync writes it and "Sync OK!" is closed
# with Enter. Screenshots of each step go to the output folder; the last one must
# show red text in the list.
#   ui_screenshot.sh <TessmoDemo.exe> <tessmo_window_probe.exe> <examples folder> <output folder>
set -euo pipefail
exe=$1 probe=$2 examples=$3 out=$4
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
wine_run=${TESSMO_WINE_RUN:-$root/scripts/wine-run}
: "${DISPLAY:?needs an X display: run under xvfb-run}"
mkdir -p "$out"

work=$(mktemp -d)
pid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
probe_value() { sed -n "s/^$1=//p" <<<"$state"; }

cp "$examples/Tessmo.ini" "$examples/Vorlund.ini" "$work/"
cd "$work"
title=$(sed -n 's/^Title=//p' Tessmo.ini | head -n 1 | tr -d '\r')

# Without a window manager nobody draws the title bar; let Wine draw it for the demo.
"$wine_run" reg add 'HKCU\Software\Wine\AppDefaults\TessmoDemo.exe\X11 Driver' \
  /v Decorated /d N /f >/dev/null 2>&1 || true

"$wine_run" "$exe" >trace.txt 2>stderr.txt &
pid=$!
window=""
for _ in $(seq 1 150); do
  window=$(xdotool search --name "^${title}\$" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  if ! kill -0 "$pid" 2>/dev/null; then
    status=0; wait "$pid" || status=$?; pid=""
    fail "TessmoDemo.exe ended (status $status) before showing its window: $(cat stderr.txt)"
  fi
  sleep 0.2
done
[ -n "$window" ] || fail "no window titled '$title'"
sleep 1
shot() { sleep 0.7; import -window root "$out/$1.png"; echo "screenshot $out/$1.png"; }
shot 1-started

state=$("$wine_run" "$probe" "$title" | tr -d '\r')
grep -qx 'sync_enabled=1' <<<"$state" || fail "Sync is disabled with the simulated camera"
row=3  # White Balance
x=$(probe_value value_screen_x)
y=$(( $(probe_value first_row_screen_y) + row * $(probe_value row_height) ))
xdotool mousemove --sync "$x" "$y" click 1
shot 2-drop-down-open
xdotool key Down Return
shot 3-picked
xdotool mousemove --sync "$(probe_value sync_screen_x)" "$(probe_value sync_screen_y)" click 1
sleep 1
shot 4-sync-ok
box=$(xdotool search --name '^$' 2>/dev/null | tail -n 1 || true)
[ -n "$box" ] && xdotool windowfocus --sync "$box" 2>/dev/null || true
xdotool key Return
shot 5-after-sync

grep -q 'Send Cmd,ID:11' trace.txt || fail "Sync wrote no value"

# Red text (the picked value) inside the window's list.
geometry=$(xdotool getwindowgeometry --shell "$window")
wx=$(sed -n 's/^X=//p' <<<"$geometry"); wy=$(sed -n 's/^Y=//p' <<<"$geometry")
ww=$(sed -n 's/^WIDTH=//p' <<<"$geometry"); wh=$(sed -n 's/^HEIGHT=//p' <<<"$geometry")
convert "$out/5-after-sync.png" -crop "${ww}x${wh}+${wx}+${wy}" +repage "$out/window.png"
red=$(convert "$out/window.png" -fx 'r>0.6 && g<0.3 && b<0.3 ? 1 : 0' -format '%[fx:mean*w*h]' info:)
echo "red pixels in the window: $red"
awk -v n="$red" 'BEGIN { exit !(n >= 20) }' || fail "no red value in the list"

xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key Escape
for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
echo "PASS: picked value red after a sync; screenshots in $out"
