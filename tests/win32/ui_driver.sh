# Sourced by the ui_*.sh drivers. Starts a Windows build of the program the way a user
# does, in a scratch folder holding the two example INI files, under Wine on the X
# display of xvfb-run with its standard output in trace.txt, and finds its window by
# the title the settings give it. The program is killed if the driver fails.
set -euo pipefail
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

# start_program <exe> <examples folder>: sets title, pid and window; the current
# directory becomes the scratch folder.
start_program() {
  cp "$2/Tessmo.ini" "$2/Vorlund.ini" "$work/"
  cd "$work"
  title=$(sed -n 's/^Title=//p' Tessmo.ini | head -n 1 | tr -d '\r')
  [ -n "$title" ] || fail "no Title in Tessmo.ini"
  "$wine_run" "$1" >trace.txt 2>stderr.txt &
  pid=$!
  window=""
  for _ in $(seq 1 150); do
    window=$(xdotool search --name "^${title}\$" 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && return 0
    if ! kill -0 "$pid" 2>/dev/null; then
      status=0; wait "$pid" || status=$?; pid=""
      fail "$(basename "$1") ended (status $status) before showing its window: $(cat stderr.txt)"
    fi
    sleep 0.2
  done
  fail "no window titled '$title'"
}

# probe <probe exe>: the dialog's state as key=value lines into $state.
probe() { state=$("$wine_run" "$1" "$title" | tr -d '\r'); }
probe_value() { sed -n "s/^$1=//p" <<<"$state"; }

# wait_for_end: the program must end within 20 seconds; sets status.
wait_for_end() {
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
  done
  kill -0 "$pid" 2>/dev/null && fail "the program did not end"
  status=0
  wait "$pid" || status=$?
  pid=""
}
