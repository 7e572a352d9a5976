// The system's event source: a libudev monitor on the video4linux subsystem, on
// udev's events where udevd runs and on the kernel's uevents where it does not.
#include <libudev.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "HotplugMonitor.h"

namespace tessmo::hotplug {
namespace {

struct UdevUnref {
    void operator()(udev* handle) const { udev_unref(handle); }
    void operator()(udev_monitor* handle) const { udev_monitor_unref(handle); }
    void operator()(udev_device* handle) const { udev_device_unref(handle); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevUnref>;

// udevd announces itself with this socket; without it nobody rebroadcasts events.
constexpr char kUdevControl[] = "/run/udev/control";

class LibudevSource final : public UeventSource {
public:
    LibudevSource(UdevPtr<udev> context, UdevPtr<udev_monitor> monitor)
        : context_(std::move(context)), monitor_(std::move(monitor)) {}

    int Fd() const override { return udev_monitor_get_fd(monitor_.get()); }

    // The monitor's socket does not block: no pending event gives null.
    std::optional<UeventProperties> Receive() override {
        const UdevPtr<udev_device> device(udev_monitor_receive_device(monitor_.get()));
        if (!device) return std::nullopt;
        UeventProperties properties;
        udev_list_entry* entry = udev_device_get_properties_list_entry(device.get());
        for (; entry != nullptr; entry = udev_list_entry_get_next(entry)) {
            const char* value = udev_list_entry_get_value(entry);
            properties[udev_list_entry_get_name(entry)] = value != nullptr ? value : "";
        }
        return properties;
    }

private:
    UdevPtr<udev> context_;
    UdevPtr<udev_monitor> monitor_;
};

std::string Failure(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

std::unique_ptr<HotplugMonitor> HotplugMonitor::Open(std::string& error) {
    std::error_code ec;
    const bool udevRuns = std::filesystem::exists(kUdevControl, ec);
    const char* origin = udevRuns ? "udev" : "kernel";
    UdevPtr<udev> context(udev_new());
    if (!context) {
        error = Failure("cannot start libudev");
        return nullptr;
    }
    UdevPtr<udev_monitor> monitor(udev_monitor_new_from_netlink(context.get(), origin));
    if (!monitor ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "video4linux", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor.get()) < 0) {
        error = Failure(udevRuns ? "cannot listen to udev's device events"
                                 : "cannot listen to the kernel's uevents");
        return nullptr;
    }
    // Listening starts before the nodes present are listed, so none falls in between.
    auto result = std::make_unique<HotplugMonitor>(
        std::make_unique<LibudevSource>(std::move(context), std::move(monitor)), "/sys");
    result->origin_ = origin;
    return result;
}

}  // namespace tessmo::hotplug
