# Installs with apt whatever of the given packages is missing. Sourced by scripts/run and scripts/test.
tessmo_missing_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  printf '%s\n' "${missing[@]}"
}

tessmo_ensure_packages() {
  local missing
  mapfile -t missing < <(tessmo_missing_packages "$@")
  [ "${#missing[@]}" -eq 0 ] || [ -z "${missing[0]}" ] && return 0
  echo "== Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$'; then
    dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
}

# What builds and tests the native core.
TESSMO_NATIVE_PACKAGES=(g++ cmake ninja-build clang-format git libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
  nlohmann-json3-dev)
# What builds and runs the Windows program.
TESSMO_WIN32_PACKAGES=(g++-mingw-w64-i686 g++-mingw-w64-x86-64-posix googletest wine wine32:i386 wine64 xvfb xauth xdotool imagemagick x11-utils)
# What builds and tests the Linux programs (capture stack, tessmo-ctl, the Qt window, the .deb).
TESSMO_LINUX_PACKAGES=(pkg-config libudev-dev qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins dpkg-dev fakeroot xvfb xauth)
# What the camera bench (a VM running the kernel's UVC gadget and uvcvideo) needs on the host.
TESSMO_BENCH_PACKAGES=(qemu-system-x86 busybox-static cpio xz-utils zstd)
