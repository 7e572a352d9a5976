#!/usr/bin/env bash
# Tessmo.exe as a user starts it: in a folder holding the two example INI files, with
# its standard output redirected to a file. With no camera on this machine the trace
# is the start-up and the presence check only; the window carries the settings'
# title, its Sync button is disabled, and Escape ends the program.
#   program_test.sh <Tessmo.exe> <tessmo-window-probe.exe> <examples folder>
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/wine-window.sh"
start_program "$1" "$3"
echo "window $window titled '$title'"

probe "$2"
echo "$state"
[ "$(probe_value found)" = 1 ] || fail "the probe does not find the dialog"
[ "$(probe_value sync_enabled)" = 0 ] || fail "Sync is enabled without a camera"
[ "$(probe_value exit_enabled)" = 1 ] || fail "Exit is disabled"
# The examples carry a banner: it is shown (the button layout is checked in-process).
[ "$(probe_value banner_visible)" = 1 ] || fail "the banner is hidden"
sections=$(grep -c '^\[' Vorlund.ini)
[ "$(probe_value rows)" = "$sections" ] || fail "$(probe_value rows) rows for $sections sections"

xdotool windowfocus --sync "$window"
xdotool key Escape
wait_for_end
[ "$status" -eq 0 ] || fail "exit status $status after Escape"

# The trace, line by line; the runtime writes each line end as CR LF.
expected=$'Init Instance\nGet Cap Device.\nCreate Instance. hr = 0\nCreate Device Enum. hr = 1\nDialog Init Done'
if [ "$(tr -d '\r' <trace.txt)" != "$expected" ]; then
  echo "expected trace:"; echo "$expected"; echo "actual trace:"; cat -A trace.txt
  fail "the trace differs"
fi
grep -q $'Init Instance\r$' trace.txt || fail "trace lines do not end in CR LF"
echo "PASS: trace, title, disabled Sync, Escape"
