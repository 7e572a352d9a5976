#pragma once
// The event sources behind HotplugMonitor::Open.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "HotplugMonitor.h"

namespace tessmo::hotplug {

// A netlink socket on the kernel's uevent group; null with `error` set when it cannot be had.
std::unique_ptr<UeventSource> OpenKernelUeventSource(std::string& error);

// One kernel uevent datagram ("add@/devices/...", then NUL-separated KEY=VALUE) as
// properties; nullopt for anything else (udev's own messages, no ACTION or DEVPATH).
std::optional<UeventProperties> ParseKernelUevent(std::string_view datagram);

// udev's events through libudev (not in a static build); null with `error` set.
std::unique_ptr<UeventSource> OpenUdevSource(std::string& error);

}  // namespace tessmo::hotplug
