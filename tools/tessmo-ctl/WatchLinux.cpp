// watch: reports the camera's arrivals and removals and runs a sync pass at each
// arrival, until SIGINT or SIGTERM. Signals arrive through a signalfd in the same poll
// loop as the device events, so the program always ends between two passes.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "Ctl.h"
#include "HotplugMonitor.h"
#include "UniqueFd.h"

namespace tessmo::ctl {
namespace {

using posix::UniqueFd;

// Blocks the two signals for the process's life in watch, so they are only read.
UniqueFd StopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    if (sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) return UniqueFd(-1);
    return UniqueFd(signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK));
}

}  // namespace

int RunWatch(Session& session) {
    const UniqueFd stop = StopSignals();
    if (stop.get() < 0) {
        Complain(std::string("cannot watch for signals: ") + std::strerror(errno));
        return kExitUsage;
    }
    std::string error;
    const std::unique_ptr<hotplug::HotplugMonitor> monitor = hotplug::HotplugMonitor::Open(error);
    if (!monitor) {
        Complain(error);
        return kExitUsage;
    }
    CameraWatch watch(session);
    watch.Start();
    pollfd fds[2] = {{stop.get(), POLLIN, 0}, {monitor->Fd(), POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            Complain(std::string("cannot wait for events: ") + std::strerror(errno));
            return kExitUsage;
        }
        if (fds[0].revents != 0) return kExitDone;
        if ((fds[1].revents & (POLLHUP | POLLNVAL)) != 0) {
            Complain("the device events stopped");
            return kExitUsage;
        }
        if (fds[1].revents == 0) continue;
        for (const DeviceEvent& event : monitor->Read()) watch.OnEvent(event);
    }
}

}  // namespace tessmo::ctl
