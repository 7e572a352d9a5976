// Which events the monitor listens to. Where udevd runs, its events come after its rules
// have run (the node's permissions are set); elsewhere the kernel's are all there is.
// A build without libudev (a static one) always takes the kernel's.
#include <filesystem>

#include "EventSources.h"

namespace tessmo::hotplug {
namespace {

// udevd announces itself with this socket.
constexpr char kUdevControl[] = "/run/udev/control";

}  // namespace

std::unique_ptr<HotplugMonitor> HotplugMonitor::Open(std::string& error) {
    std::unique_ptr<UeventSource> source;
    const char* origin = "kernel";
#if TESSMO_HOTPLUG_LIBUDEV
    std::error_code ec;
    if (std::filesystem::exists(kUdevControl, ec)) {
        source = OpenUdevSource(error);
        if (!source) return nullptr;
        origin = "udev";
    }
#else
    (void)kUdevControl;
#endif
    if (!source) source = OpenKernelUeventSource(error);
    if (!source) return nullptr;
    // Listening has started before the nodes present are listed, so none falls in between.
    auto monitor = std::make_unique<HotplugMonitor>(std::move(source), "/sys");
    monitor->origin_ = origin;
    return monitor;
}

}  // namespace tessmo::hotplug
