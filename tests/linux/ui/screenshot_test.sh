#!/usr/bin/env bash
# tessmo-demo's scripted run under a virtual X server, as scripts/run does it without a
# display: a pick, a sync that the camera must then hold, a second pick that must show
# red, a screenshot, and Exit with status 0.
#   screenshot_test.sh <tessmo-demo> <examples folder> <output folder>
set -euo pipefail
command -v xvfb-run >/dev/null || { echo "SKIP: xvfb-run is not installed"; exit 77; }
demo=$1 examples=$2 out=$3
mkdir -p "$out"
cp "$examples/Tessmo.ini" "$examples/Vorlund.ini" "$out/"
cd "$out"
rm -f screenshot.png
status=0
xvfb-run -a -s "-screen 0 1024x768x24" "$demo" --script --screenshot "$out/screenshot.png" >trace.txt 2>stderr.txt ||
  status=$?
cat stderr.txt
[ "$status" -eq 0 ] || { echo "FAIL: tessmo-demo --script ended with status $status"; exit 1; }
grep -q '^tessmo-demo --script: Sync says "Sync OK!"$' stderr.txt || { echo "FAIL: no Sync OK!"; exit 1; }
[ "$(head -c 8 screenshot.png | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
  { echo "FAIL: no PNG screenshot"; exit 1; }
[ "$(head -n 1 trace.txt)" = "Init Instance" ] || { echo "FAIL: the trace does not start with Init Instance"; exit 1; }
echo "PASS: screenshot in $out/screenshot.png"
