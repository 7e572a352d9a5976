#!/usr/bin/env bash
# Escape at the earliest moment: Tessmo.exe is started N times and sent Escape the moment
# its window is found; every start must end within 10 seconds with the trace complete.
# A start that does not end is examined (focus, active window) and sent Escape again
# through a focused window before it counts as a failure.
#   escape_test.sh <Tessmo.exe> <tessmo-window-probe.exe> <examples folder> <starts>
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/wine-window.sh"
prepare_folder "$3"
# ended_within <tenths of a second>: whether the program has ended by then.
ended_within() {
  for _ in $(seq 1 "$1"); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
  return 1
}
for run in $(seq 1 "$4"); do
  launch "$1"
  find_window "$1"
  timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key Escape
  if ! ended_within 100; then
    probe "$2"
    echo "start $run did not end after Escape: $(tr '\n' ' ' <<<"$state")"
    xdotool windowfocus --sync "$window" key Escape
    ended_within 100 && fail "start $run: the first Escape was lost; a second one ended the program"
    fail "start $run: Escape no longer ends the program"
  fi
  wait_for_end 1
  grep -q 'Dialog Init Done' trace.txt || fail "start $run: trace incomplete: $(cat trace.txt)"
done
echo "PASS: $4 starts, each ended by an Escape sent the moment its window appeared"
