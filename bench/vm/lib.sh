# Helpers of the camera bench VM, for its init, the scenarios and a shell in the VM.
# uvcvideo's capture node: the one without a gadget function, at index 0.
camera_node() {
  for d in /sys/class/video4linux/video*; do
    [ -e "$d/function_name" ] && continue
    [ "$(cat "$d/index" 2>/dev/null)" = 0 ] && { echo "/dev/${d##*/}"; return 0; }
  done
  return 1
}
wait_camera() {  # present|absent, within 10 s
  local i=0
  while [ $i -lt 100 ]; do
    if camera_node >/dev/null; then [ "$1" = present ] && return 0; else [ "$1" = absent ] && return 0; fi
    usleep 100000; i=$((i + 1))
  done
  return 1
}
cam() { tessmo-bench-camera ctl /run/camera.sock "$@"; }
