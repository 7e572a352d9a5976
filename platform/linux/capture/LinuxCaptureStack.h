#pragma once
// The capture stack on Linux: the video nodes listed in sysfs stand in for the system
// device enumerator's video input devices, the camera's extension unit is found by its
// GUID in the USB descriptors, and each property request is one UVCIOC_CTRL_QUERY of
// the uvcvideo driver. The channel's algorithm, statuses and trace stay the core's.
//
// Use:
//     auto stack = tessmo::MakeLinuxCaptureStack({});   // /sys, /dev, the real system calls
//     tessmo::CDeviceChannel channel(*stack, tessmo::StdoutTrace());
//
// Nothing is cached: every lookup reads sysfs afresh and every control opens the node
// anew, so a camera plugged in or out between two requests is seen at the next one.
// Single-threaded, like the channel.
#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>

#include "device/CaptureStack.h"

namespace tessmo {

// The system calls made on a device node (/dev/videoN), replaceable so tests can stand
// in for the driver and inject any errno. Each returns what the system call returns on
// success and -errno on failure, so a fake never touches errno.
struct LinuxSystemCalls {
    std::function<int(const char* path, int flags)> open;
    std::function<int(int fd, unsigned long request, void* argument)> ioctl;
    std::function<void(int fd)> close;
};

// open(2), ioctl(2) and close(2) of the C library.
LinuxSystemCalls RealLinuxSystemCalls();

// One line for a person, without a line end: which node could not be used and how to
// fix it (today: a node the user may not open). The trace on stdout is not touched.
using LinuxDiagnostics = std::function<void(std::string_view line)>;

// Writes the line and a line end to stderr.
void WriteDiagnosticToStderr(std::string_view line);

struct LinuxCaptureOptions {
    std::filesystem::path sysfsRoot = "/sys";  // where class/video4linux is looked for
    std::filesystem::path devRoot = "/dev";    // where the nodes named there are opened
    LinuxSystemCalls calls = RealLinuxSystemCalls();
    // Called at most once per node and cause until the node opens again; may be empty.
    LinuxDiagnostics diagnostics = WriteDiagnosticToStderr;
};

// Never null. Statuses: docs/linux.md lists what each errno becomes.
std::unique_ptr<CaptureStack> MakeLinuxCaptureStack(LinuxCaptureOptions options = {});

}  // namespace tessmo
