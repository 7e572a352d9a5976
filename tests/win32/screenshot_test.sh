#!/usr/bin/env bash
# TessmoDemo.exe clicked through by scripts/win32-screenshots: a picked value is red in
# the list until Sync has written it ("Sync OK!"), and Exit ends the demo with status 0. Then with 200 rows: a vertical scroll bar, no horizontal one, and the
# two columns share the client width.
#   screenshot_test.sh <TessmoDemo.exe> <tessmo-window-probe.exe> <examples folder> <output folder>
set -euo pipefail
here=$(dirname "${BASH_SOURCE[0]}")
fail() { echo "FAIL: $*" >&2; exit 1; }
value() { sed -n "s/^$1=//p" "$2/probe.txt"; }

bash "$here/../../scripts/win32-screenshots" "$@"
out=$4
grep -q 'Send Cmd,ID:11' "$out/trace.txt" || fail "Sync wrote no value"
red() { convert "$out/window-$1.png" -fx 'r>0.6 && g<0.3 && b<0.3 ? 1 : 0' -format '%[fx:mean*w*h]' info:; }
picked=$(red 3-picked) synced=$(red 5-after-sync)
echo "red pixels in the window: $picked after the pick, $synced after the sync"
awk -v n="$picked" 'BEGIN { exit !(n >= 20) }' || fail "the picked value is not red"
awk -v n="$synced" 'BEGIN { exit !(n < 20) }' || fail "the value stays red after it was written"
[ "$(cat "$out/status")" -eq 0 ] || fail "exit status $(cat "$out/status") after Exit"

long="$out/rows-200"
bash "$here/../../scripts/win32-screenshots" --rows 200 "$1" "$2" "$3" "$long"
cat "$long/probe.txt"
[ "$(value rows "$long")" = 200 ] || fail "not 200 rows"
[ "$(value vscroll "$long")" = 1 ] || fail "no vertical scroll bar with 200 rows"
[ "$(value hscroll "$long")" = 0 ] || fail "a horizontal scroll bar covers the last row"
[ $(( $(value column_widths "$long") )) -eq "$(value client_width "$long")" ] ||
  fail "columns $(value column_widths "$long") for a client width of $(value client_width "$long")"
echo "PASS: red until synced, Exit ends with 0; 200 rows fit the width; screenshots in $out"
