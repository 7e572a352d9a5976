# The camera bench's scenarios, run by the VM's init (bench/vm/init) with the camera
# plugged in: `cam` gives the firmware orders, `camera_node` names uvcvideo's node,
# `wait_camera present|absent` waits for the driver, $UNIT is the extension unit's id.
# Each scenario prints "BENCH ok NAME" or "BENCH FAIL NAME: why"; the host's verdict
# (tests/bench/verdict) checks that every planned scenario said ok.
DEF=/bench/Vorlund.ini
LOG=/run/camera.log
CTL=$(command -v tessmo-ctl || true)

verdict() {  # NAME WHY: an empty WHY is a pass; a failure leaves the kernel's last words
  if [ -z "$2" ]; then echo "BENCH ok $1"; return; fi
  echo "BENCH FAIL $1: $2"
  FAILED=1
  dmesg | tail -n 12 | sed 's/^/kernel: /'
  sed 's/^/usbip ports: /' /sys/devices/platform/vhci_hcd.0/status
}
mark() { MARK=$(wc -l < "$LOG"); }
# The extension unit's value traffic since the mark, as "SET 26 07 00 00 00 00" / "GET 10 02".
wire() { tail -n +$((MARK + 1)) "$LOG" | grep -E '^(SET|GET) '; }
# The read pairs a pass over the firmware's table sends, in ParaIdx (= catalogue) order.
expected_reads() {
  local slot=0 pv p v
  for pv in $(cam table); do
    p=${pv%=*}; v=${pv#*=}
    printf 'SET 26 %02X %02X 00 00 %02X\nGET 10 %02X\n' $((p & 255)) $((p >> 8)) "$slot" "$v"
    slot=$v
  done
}
clock_bytes() {  # the two SET 13 lines for a date and time given as seconds since 1970
  local y m d H M S
  read -r y m d H M S <<EOF
$(date -u -d "@$1" '+%Y %m %d %H %M %S')
EOF
  printf 'SET 13 00 00 00 00 %02X %02X %02X 00 %02X 00\n' $((10#$y & 255)) $((10#$y >> 8)) $((10#$m)) $((10#$d))
  printf 'SET 13 00 00 01 00 %02X 00 %02X 00 %02X 00\n' $((10#$H)) $((10#$M)) $((10#$S))
}
# How far (in seconds) the camera's clock is from NOW.
clock_skew() {
  local c t
  c=$(cam clock)
  t=$(date -u -D '%Y-%m-%d %H:%M:%S' -d "$c" +%s 2>/dev/null) || { echo 9999; return; }
  echo $(( t > $1 ? t - $1 : $1 - t ))
}
differs() {  # WHAT GOT WANT: prints why they differ, nothing when equal
  [ "$2" = "$3" ] || printf '%s: got [%s] want [%s]' "$1" "$(echo "$2" | tr '\n' '|')" "$(echo "$3" | tr '\n' '|')"
}
ctl() { "$CTL" --definition "$DEF" "$@"; }

TABLE="1=1 2=3 3=0 4=2 7=1 9=0 12=2 20=1 33=0 100=2 258=1 511=0 1000=5"
for pv in $TABLE; do cam option "${pv%=*}" "${pv#*=}" >/dev/null; done
NODE=$(camera_node)

scenario_driver_sees_camera() {
  local usb=/sys/class/video4linux/${NODE#/dev/}/device/..
  verdict driver-sees-camera "$(differs "USB id" "$(cat $usb/idVendor):$(cat $usb/idProduct)" "04fc:6333")"
}

scenario_raw_query() {
  mark
  local set got
  set=$(tessmo-bench-probe query "$NODE" "$UNIT" set 26 07 00 00 00 00)
  got=$(tessmo-bench-probe query "$NODE" "$UNIT" get 10 1)
  verdict raw-query "$(differs answers "$set$got" "ok 01")$(differs wire "$(wire)" \
    "$(printf 'SET 26 07 00 00 00 00\nGET 10 01')")"
}

# A stall with "out of range" reaches the caller as ERANGE, and the byte stays unread.
scenario_raw_stall() {
  mark
  cam fail 2 4 >/dev/null
  tessmo-bench-probe query "$NODE" "$UNIT" set 26 01 00 00 00 00 >/dev/null
  local got
  got=$(tessmo-bench-probe query "$NODE" "$UNIT" get 10 1)
  cam clear >/dev/null
  verdict raw-stall "$(differs errno "$got" ERANGE)$(differs wire "$(wire)" \
    "$(printf 'SET 26 01 00 00 00 00\nGET 10 stall 4')")"
}

scenario_show() {
  mark
  local want out status
  want=$(expected_reads)
  out=$(ctl show 2>/tmp/show.err); status=$?
  verdict show "$(differs status $status 0)$(differs output "$out" "Resolution: 720p
Loop: 5 min
Exposure: +1
White Balance: Cloudy
Microphone: On
G-Sensor: Off
Stamp: Date and time
Frequency: 60Hz
Parking: Off
Language: Francais
Mode: Manual
Beep: Off
Brightness: #5")$(differs wire "$(wire)" "$want")"
}

scenario_set() {
  mark
  local reads out status wired stamp skew after want
  reads=$(expected_reads)
  out=$(ctl set "White Balance=Tungsten" "Mode=#2" 2>/tmp/set.err); status=$?
  wired=$(wire)
  stamp=$(date -u -D '%Y-%m-%d %H:%M:%S' -d "$(cam clock)" +%s 2>/dev/null || echo 0)
  skew=$(( $(date +%s) - stamp ))
  after=$(ctl show 2>/dev/null | grep -E '^(White Balance|Mode):')
  want=$(printf '%s\n' "$reads"; clock_bytes "$stamp"; printf 'SET 11 04 00 00 00 03\nSET 11 02 01 00 00 02')
  verdict set "$(differs status $status 0)$( [ $skew -ge 0 ] && [ $skew -le 5 ] || echo "camera clock $skew s off the VM's")$(
    differs wire "$wired" "$want")$(differs "read back" "$after" "$(printf 'White Balance: Tungsten\nMode: Night')")"
}

# The trace a user would send us is the same through the real driver as over the
# simulated camera holding the same values, but for addresses and the device instance.
scenario_trace() {
  local sim status
  sim=$(cam table | tr ' ' ',')
  ctl --trace sync >/dev/null 2>/tmp/real.trace; status=$?
  TESSMO_SIM_OPTIONS=$sim ctl --simulated --trace sync >/dev/null 2>/tmp/sim.trace
  local normalise='s/[0-9A-Fa-f]{16}/{ptr}/g; s/(mi_[0-9a-f]{2}#)[^#]*#/\1{instance}#/'
  local real simulated
  real=$(sed -E "$normalise" /tmp/real.trace)
  simulated=$(sed -E "$normalise" /tmp/sim.trace)
  local why
  why=$(differs status $status 0)
  [ -n "$(grep -c . /tmp/real.trace | grep -v '^0$')" ] || why="${why}no trace"
  if [ "$real" != "$simulated" ]; then
    why="${why}traces differ: $(diff /tmp/sim.trace /tmp/real.trace | sed -n 3,6p | tr '\n' '|')"
  fi
  verdict trace-matches-simulated "$why"
}

# A fault through the real driver must leave no stale value adopted or written: the
# pass names the parameter, exits 3 (1 once the camera is gone), and the camera holds
# what it held, but for writes the user asked for that did go through.
fault() {  # NAME WANT_STATUS WANT_TABLE WANT_IN_STDERR SET_ARGS...
  local name=$1 want=$2 table=$3 named=$4 status why
  shift 4
  ctl set "$@" >/dev/null 2>/tmp/fault.err; status=$?
  cam clear >/dev/null
  why=$(differs status $status "$want")$(differs table "$(cam table)" "$table")
  grep -q "$named" /tmp/fault.err || why="${why}stderr does not name $named: $(head -c 200 /tmp/fault.err)"
  verdict "$name" "$why"
}

scenario_faults() {
  local before n=13
  before=$(cam table)
  mark
  cam fail 10 4 >/dev/null  # the GET of the fifth parameter, Microphone
  fault stall-get 3 "$before" Microphone Microphone=Off
  [ -z "$(wire | grep '^SET 11')" ] || verdict stall-get-writes-nothing "a value was written: $(wire | grep '^SET 11')"
  cam fail $((2 * n + 3)) 4 >/dev/null  # the first write, the resolution's
  fault stall-set 3 "$(echo "$before" | sed 's/511=0/511=1/')" Resolution Resolution=480p Beep=On
  before=$(cam table)
  mark
  cam vanish 7 >/dev/null  # in the middle of the reads
  ctl set Microphone=Off >/dev/null 2>/tmp/fault.err
  local status=$? why
  why=$( [ $status = 3 ] || [ $status = 1 ] || echo "status $status, want 3 or 1")$(differs table "$(cam table)" "$before")
  [ -z "$(wire | grep -E '^SET (11|13)')" ] || why="${why}wrote after the camera left"
  wait_camera absent || why="${why}the camera did not leave"
  local plugged
  plugged=$(cam plug)
  wait_camera present || why="${why}the camera did not come back ($plugged; $(tail -n 3 "$LOG" | tr '\n' '|'))"
  verdict unplug-mid-pass "$why"
  NODE=$(camera_node)
}

# Pulling the camera out and putting it back: watch reports both, and the arrival's
# sync pass sets the clock.
scenario_hotplug() {
  mark
  "$CTL" --definition "$DEF" watch >/tmp/watch.out 2>/tmp/watch.err &
  local watcher=$! why="" i=0
  # The camera is there when watch starts: its first pass ends with the clock.
  while [ $i -lt 50 ] && [ "$(wire | grep -c '^SET 13')" -lt 2 ]; do usleep 200000; i=$((i + 1)); done
  i=0
  mark
  cam unplug >/dev/null
  wait_camera absent || why="the camera did not leave; "
  sleep 1
  cam plug >/dev/null
  wait_camera present || why="${why}the camera did not come back; "
  while [ $i -lt 50 ] && [ "$(wire | grep -c '^SET 13')" -lt 2 ]; do usleep 200000; i=$((i + 1)); done
  kill -INT $watcher
  wait $watcher
  local status=$?
  [ "$(wire | grep -c '^SET 13')" = 2 ] ||
    why="${why}the arrival did not set the clock (watch: $(tr '\n' '|' < /tmp/watch.out) $(tail -n 4 /tmp/watch.err | tr '\n' '|'); camera: $(tail -n +$((MARK + 1)) "$LOG" | tail -n 6 | tr '\n' '|')); "
  # A camera present when watch starts is reported as an arrival first.
  why="$why$(differs "watch said" "$(grep -oE '^(removed|arrived)' /tmp/watch.out | tr '\n' ' ' | sed 's/^arrived removed/removed/')" \
    "removed arrived ")"
  why="$why$(differs "status after SIGINT" $status 0)"
  verdict hotplug "$why"
  NODE=$(camera_node)
}

scenario_permissions() {
  chmod 600 "$NODE"
  local status why
  su -s /bin/sh bench -c "$CTL --definition $DEF show >/dev/null 2>/tmp/perm.err"
  status=$?
  why=$(differs status $status 1)
  [ -z "$why" ] || why="$why ($(head -c 300 /tmp/perm.err | tr '\n' '|'))"
  grep -q "$NODE" /tmp/perm.err || why="${why}stderr does not name $NODE: $(head -c 200 /tmp/perm.err)"
  [ "$(grep -c . /tmp/perm.err)" -ge 1 ] || why="${why}nothing on stderr"
  verdict permissions "$why"
}

# A sync pass over 64 parameters through tessmo-ctl against the least the driver can do:
# the same 2n+2 queries on one descriptor opened once; beside them the same queries with
# the node reopened each time, and the program over the simulated camera (its start-up
# and the core's own work). Rounds interleave so that the emulator's drift hits all
# alike; the best of three rounds is kept. Figures, not a verdict on speed.
scenario_performance() {
  local def=/tmp/Vorlund64.ini p r out=/tmp/perf
  for p in $(seq 0 63); do printf '[P%d]\nMainStr=P%d\nParaIdx=%d\nSubStr0=A\nSubStr1=B\n' "$p" "$p" "$p"; done > $def
  "$CTL" --definition $def sync >/dev/null 2>&1  # the driver learns each control's size once
  : > $out
  for r in 1 2 3; do
    echo "ctl $(tessmo-bench-probe time 1 "$CTL" --definition $def sync)" >> $out
    echo "floor $(tessmo-bench-probe floor "$NODE" "$UNIT" 64 1)" >> $out
    echo "reopen $(tessmo-bench-probe floor "$NODE" "$UNIT" 64 1 reopen)" >> $out
    echo "simulated $(tessmo-bench-probe time 1 "$CTL" --simulated --definition $def sync)" >> $out
  done
  awk '
    { ms = $3; if (!($1 in best) || ms < best[$1]) best[$1] = ms; if ($0 !~ / 0 failed/) bad = bad $0 "; " }
    END {
      printf "BENCH figure tessmo-ctl sync, 64 parameters, through uvcvideo: %.0f ms\n", best["ctl"]
      printf "BENCH figure the floor, its 130 queries on one open descriptor: %.0f ms\n", best["floor"]
      printf "BENCH figure the same queries, the node opened and closed around each: %.0f ms\n", best["reopen"]
      printf "BENCH figure tessmo-ctl sync, 64 parameters, simulated camera: %.0f ms\n", best["simulated"]
      printf "BENCH figure ratio tessmo-ctl / floor: %.2f (goal 1.10)\n", best["ctl"] / best["floor"]
      if (bad != "") printf "BENCH FAIL performance: %s\n", bad; else print "BENCH ok performance"
    }' $out
}

plan="driver-sees-camera raw-query raw-stall"
[ -n "$CTL" ] && plan="$plan show set trace-matches-simulated stall-get stall-set unplug-mid-pass hotplug permissions performance"
echo "BENCH plan $plan"
scenario_driver_sees_camera
scenario_raw_query
scenario_raw_stall
if [ -n "$CTL" ]; then
  scenario_show
  scenario_set
  scenario_trace
  scenario_faults
  scenario_hotplug
  scenario_permissions
  scenario_performance
fi
# After a failure the firmware's whole log goes to the console the host keeps.
[ -z "${FAILED:-}" ] || sed 's/^/camera: /' "$LOG"
