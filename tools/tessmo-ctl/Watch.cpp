// What watch does with the camera's arrivals and removals, whatever reports them.
#include <cstdio>

#include "Ctl.h"

namespace tessmo::ctl {
namespace {

void Announce(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

}  // namespace

void CameraWatch::Start() {
    if (IsDevicePresent(session_.channels) == 1) Arrived();
}

void CameraWatch::OnEvent(const DeviceEvent& event) {
    if (!IsCameraInterface(event)) return;
    const bool arrival = event.kind == DeviceEventKind::Arrival;
    // A camera already reported (seen at start, or a repeated event) is not reported twice.
    if (event.kind == DeviceEventKind::Other || arrival == present_) return;
    present_ = arrival;
    if (arrival) {
        Arrived();
    } else {
        Announce("removed");
    }
}

// A pass over the definitions as the file holds them now, as the window reloads them
// when the camera goes; a failed pass is reported and watching goes on.
void CameraWatch::Arrived() {
    present_ = true;
    Announce("arrived");
    if (LoadDefinitions(session_)) RunSync(session_, {});
    std::fflush(stdout);
}

}  // namespace tessmo::ctl
