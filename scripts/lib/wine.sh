# Facts about the Windows executables and this machine's Wine. Sourced by scripts.

# Prints i386 or amd64 for a PE executable (its COFF machine field), nothing otherwise.
tessmo_pe_machine() {
  local file=$1 offset machine
  [ -f "$file" ] || return 0
  offset=$(od -An -tu4 -j60 -N4 "$file" 2>/dev/null | tr -d ' ')
  [ -n "$offset" ] || return 0
  machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$file" 2>/dev/null | tr -d ' ' | sed 's/^0*//')
  case "$machine" in
    14c) echo i386 ;;
    8664) echo amd64 ;;
  esac
}

# True when the kernel runs 32-bit x86 programs (32-bit Wine needs that).
tessmo_kernel_runs_32bit() {
  local server=/usr/lib/wine/wineserver32 status=0
  [ -x "$server" ] || return 1
  "$server" --version >/dev/null 2>&1 || status=$?
  [ "$status" -ne 126 ]
}
