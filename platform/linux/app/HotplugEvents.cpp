#include "app/HotplugEvents.h"

#include <cstdio>
#include <string>

namespace tessmo::linuxapp {

bool HotplugEventSource::Start(const Guid& interfaceClass, Sink sink) {
    std::string error;
    monitor_ = hotplug::HotplugMonitor::Open(error);
    if (monitor_ == nullptr || monitor_->Fd() < 0) {
        std::fprintf(stderr, "tessmo: not following the camera being plugged in or out: %s\n", error.c_str());
        monitor_.reset();
        return false;
    }
    sink_ = std::move(sink);
    interfaceClass_ = interfaceClass;
    notifier_ = std::make_unique<QSocketNotifier>(monitor_->Fd(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] {
        for (const hotplug::DeviceEvent& event : monitor_->Read()) {
            if (!(event.interfaceClass == interfaceClass_)) continue;
            DeviceEvent parsed;
            parsed.kind = event.kind == hotplug::DeviceEventKind::Arrival ? DeviceEventKind::Arrival
                                                                          : DeviceEventKind::Removal;
            parsed.interfaceClass = event.interfaceClass;
            parsed.interfaceName = event.interfaceName;
            sink_(parsed);
        }
    });
    return true;
}

}  // namespace tessmo::linuxapp
