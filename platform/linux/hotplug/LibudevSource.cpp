// udev's device events through libudev, filtered to the video4linux subsystem.
#include <libudev.h>

#include <cerrno>
#include <cstring>

#include "EventSources.h"

namespace tessmo::hotplug {
namespace {

struct UdevUnref {
    void operator()(udev* handle) const { udev_unref(handle); }
    void operator()(udev_monitor* handle) const { udev_monitor_unref(handle); }
    void operator()(udev_device* handle) const { udev_device_unref(handle); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevUnref>;

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

std::unique_ptr<UeventSource> OpenUdevSource(std::string& error) {
    UdevPtr<udev> context(udev_new());
    UdevPtr<udev_monitor> monitor(context ? udev_monitor_new_from_netlink(context.get(), "udev") : nullptr);
    if (!monitor ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "video4linux", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor.get()) < 0) {
        error = Failure("cannot listen to udev's device events");
        return nullptr;
    }
    return std::make_unique<LibudevSource>(std::move(context), std::move(monitor));
}

}  // namespace tessmo::hotplug
