#include "app/HotplugEvents.h"

#include <cstdio>

namespace tessmo::linuxapp {

bool HotplugEventSource::Start(const Guid& interfaceClass, Sink sink) {
    std::string error;
    monitor_ = open_(error);
    if (monitor_ == nullptr || monitor_->Fd() < 0) {
        std::fprintf(stderr, "tessmo: not following the camera being plugged in or out: %s\n",
                     error.empty() ? "no event source" : error.c_str());
        monitor_.reset();
        return false;
    }
    sink_ = std::move(sink);
    interfaceClass_ = interfaceClass;
    notifier_ = std::make_unique<QSocketNotifier>(monitor_->Fd(), QSocketNotifier::Read);
    // Read() drains everything pending, so one wake-up never leaves an event behind.
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] {
        for (const DeviceEvent& event : monitor_->Read()) {
            if (event.interfaceClass == interfaceClass_) sink_(event);
        }
    });
    return true;
}

}  // namespace tessmo::linuxapp
