#!/usr/bin/env bash
# The dialog as a user sees it, driven with real X input under Xvfb: TessmoDemo.exe
# (the program over the simulated camera) starts in a folder with the example INI
# files and syncs; a click on a value cell opens its drop-down, Down and Enter pick the
# next option (the cell turns red), a click on Sync writes it and "Sync OK!" is closed
# with Enter; a click on Exit ends the program. Screenshots of each step go to the
# output folder; the last one must show red text in the list.
#   ui_screenshot.sh <TessmoDemo.exe> <tessmo_window_probe.exe> <examples folder> <output folder>
source "$(dirname "${BASH_SOURCE[0]}")/ui_driver.sh"
out=$4
mkdir -p "$out"
# Without a window manager nobody draws the title bar; let Wine draw it for the demo.
"$wine_run" reg add 'HKCU\Software\Wine\AppDefaults\TessmoDemo.exe\X11 Driver' \
  /v Decorated /d N /f >/dev/null 2>&1 || true

start_program "$1" "$3"
sleep 1
shot() { sleep 0.7; import -window root "$out/$1.png"; echo "screenshot $out/$1.png"; }
shot 1-started

probe "$2"
[ "$(probe_value sync_enabled)" = 1 ] || fail "Sync is disabled with the simulated camera"
row=3  # White Balance
y=$(( $(probe_value first_row_screen_y) + row * $(probe_value row_height) ))
xdotool mousemove --sync "$(probe_value value_screen_x)" "$y" click 1
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

# Exit ends the process at once with status 0, writing nothing more.
lines=$(wc -l <trace.txt)
xdotool mousemove --sync "$(probe_value exit_screen_x)" "$(probe_value exit_screen_y)" click 1
wait_for_end
[ "$status" -eq 0 ] || fail "exit status $status after Exit"
[ "$(wc -l <trace.txt)" -eq "$lines" ] || fail "Exit wrote to the trace: $(tail -n 2 trace.txt)"
echo "PASS: picked value red after a sync, Exit ends with status 0; screenshots in $out"
