#include "ui/StdoutSetup.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>

namespace tessmo::win32 {
namespace {

// The runtimes mark a descriptor without a handle with -1 (msvcrt) or -2 (ucrt).
bool IsRealHandle(std::intptr_t handle) {
    return handle != -1 && handle != -2 && handle != 0;
}

}  // namespace

bool IsStdoutUsable() {
    const int fd = _fileno(stdout);
    return fd >= 0 && IsRealHandle(_get_osfhandle(fd));
}

bool EnsureStdoutUsable() {
    if (IsStdoutUsable()) return true;
    HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
    // Text mode, as the runtime would have opened it: "\n" goes out as CR LF.
    const int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_TEXT);
    if (fd < 0) return false;
    // stdout writes to descriptor 1. The new descriptor stays open: closing it would
    // close the process's standard output handle along with it.
    if (fd != 1 && _dup2(fd, 1) != 0) return false;
    std::clearerr(stdout);
    return IsStdoutUsable();
}

}  // namespace tessmo::win32
