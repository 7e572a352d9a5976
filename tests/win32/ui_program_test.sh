#!/usr/bin/env bash
# Tessmo.exe as a user starts it: in a folder holding the two example INI files, with
# its standard output redirected to a file, under Wine on the X display of xvfb-run.
# With no camera on this machine the trace is the start-up and the presence check
# only; the window carries the settings' title, its Sync button is disabled, and
# Escape ends the program.
#   ui_program_test.sh <Tessmo.exe> <tessmo_window_probe.exe> <examples folder>
set -euo pipefail
exe=$1 probe=$2 examples=$3
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
wine_run=${TESSMO_WINE_RUN:-$root/scripts/wine-run}
: "${DISPLAY:?needs an X display: run under xvfb-run}"

work=$(mktemp -d)
pid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cp "$examples/Tessmo.ini" "$examples/Vorlund.ini" "$work/"
cd "$work"
title=$(sed -n 's/^Title=//p' Tessmo.ini | head -n 1 | tr -d '\r')
[ -n "$title" ] || fail "no Title in Tessmo.ini"

"$wine_run" "$exe" >trace.txt 2>stderr.txt &
pid=$!

window=""
for _ in $(seq 1 150); do
  window=$(xdotool search --name "^${title}\$" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  if ! kill -0 "$pid" 2>/dev/null; then
    status=0; wait "$pid" || status=$?; pid=""
    fail "Tessmo.exe ended (status $status) before showing its window: $(cat stderr.txt)"
  fi
  sleep 0.2
done
[ -n "$window" ] || fail "no window titled '$title'"
echo "window $window titled '$title'"

state=$("$wine_run" "$probe" "$title" | tr -d '\r')
echo "$state"
grep -qx 'found=1' <<<"$state" || fail "the probe does not find the dialog"
grep -qx 'sync_enabled=0' <<<"$state" || fail "Sync is enabled without a camera"
grep -qx 'exit_enabled=1' <<<"$state" || fail "Exit is disabled"
# The examples carry a banner: it is shown (the button layout is checked in-process).
grep -qx 'banner_visible=1' <<<"$state" || fail "the banner is hidden"
rows=$(sed -n 's/^rows=//p' <<<"$state")
sections=$(grep -c '^\[' Vorlund.ini)
[ "$rows" = "$sections" ] || fail "$rows rows for $sections sections"

xdotool windowfocus --sync "$window"
xdotool key Escape
for _ in $(seq 1 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.2
done
kill -0 "$pid" 2>/dev/null && fail "Escape did not end the program"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" -eq 0 ] || fail "exit status $status after Escape"

# The trace, line by line; the runtime writes each line end as CR LF.
expected=$'Init Instance\nGet Cap Device.\nCreate Instance. hr = 0\nCreate Device Enum. hr = 1\nDialog Init Done'
actual=$(tr -d '\r' <trace.txt)
if [ "$actual" != "$expected" ]; then
  echo "expected trace:"; echo "$expected"; echo "actual trace:"; cat -A trace.txt
  fail "the trace differs"
fi
grep -q $'Init Instance\r$' trace.txt || fail "trace lines do not end in CR LF"
echo "PASS: trace, title, disabled Sync, Escape"
