# Sourced by the scripts that drive a Windows build of the program through X (xdotool):
# scripts/win32-screenshots and the window tests. Starts the program the way a user does,
# in a scratch folder holding the two INI files, under Wine on the X display of xvfb-run
# with its standard output in trace.txt, and finds its window by its title. The program
# is killed if the caller fails.
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

# prepare_folder <folder with Tessmo.ini and Vorlund.ini>: copies them into the scratch
# folder, which becomes the current directory; sets title from Tessmo.ini.
prepare_folder() {
  cp "$1/Tessmo.ini" "$1/Vorlund.ini" "$work/"
  cd "$work"
  title=$(sed -n 's/^Title=//p' Tessmo.ini | head -n 1 | tr -d '\r')
  [ -n "$title" ] || fail "no Title in Tessmo.ini"
}

# launch <exe>: starts it in the background (pid); its output goes to trace.txt.
launch() {
  "$wine_run" "$1" >trace.txt 2>stderr.txt &
  pid=$!
}

# find_window <exe> [title suffix]: waits for the window titled "$title<suffix>"; sets window.
find_window() {
  window=""
  for _ in $(seq 1 300); do
    window=$(xdotool search --onlyvisible --name "^${title}${2:-}\$" 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && return 0
    if ! kill -0 "$pid" 2>/dev/null; then
      status=0; wait "$pid" || status=$?; pid=""
      fail "$(basename "$1") ended (status $status) before showing its window: $(cat stderr.txt)"
    fi
    sleep 0.1
  done
  fail "no window titled '$title${2:-}'"
}

# start_program <exe> <folder with the INI files> [title suffix]
start_program() {
  prepare_folder "$2"
  launch "$1"
  find_window "$1" "${3:-}"
}

# probe <probe exe> [title suffix]: the dialog's state as key=value lines into $state.
probe() { state=$("$wine_run" "$1" "$title${2:-}" | tr -d '\r'); }
probe_value() { sed -n "s/^$1=//p" <<<"$state"; }

# wait_for_end [tenths of a second]: the program must end within that time (default 20 s); sets status.
wait_for_end() {
  for _ in $(seq 1 "${1:-200}"); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "the program did not end"
  status=0
  wait "$pid" || status=$?
  pid=""
}
