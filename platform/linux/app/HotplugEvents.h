#pragma once
// The camera's coming and going on a live system: the udev (or kernel uevent) monitor's
// descriptor on a QSocketNotifier, its events handed to the dialog as they arrive.
#include <QSocketNotifier>
#include <functional>
#include <memory>
#include <string>

#include "HotplugMonitor.h"
#include "ui/MainDialog.h"

namespace tessmo::linuxapp {

class HotplugEventSource final : public qt::DeviceEventSource {
public:
    // How the monitor is opened: the system's by default; tests hand in one over injected events.
    using Opener = std::function<std::unique_ptr<hotplug::HotplugMonitor>(std::string& error)>;
    explicit HotplugEventSource(Opener open = &hotplug::HotplugMonitor::Open) : open_(std::move(open)) {}

    // Says on stderr when no monitor can be opened; the window then does not follow the camera.
    bool Start(const Guid& interfaceClass, Sink sink) override;

private:
    Opener open_;
    std::unique_ptr<hotplug::HotplugMonitor> monitor_;
    std::unique_ptr<QSocketNotifier> notifier_;
    Sink sink_;
    Guid interfaceClass_{};
};

}  // namespace tessmo::linuxapp
