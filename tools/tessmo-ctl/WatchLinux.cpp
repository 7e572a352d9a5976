// watch: reports the camera's arrivals and removals and runs a sync pass at each
// arrival, until SIGINT or SIGTERM. Signals arrive through a signalfd in the same poll
// loop as the device events, so the program always ends between two passes.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "Ctl.h"
#include "HotplugMonitor.h"

namespace tessmo::ctl {
namespace {

class UniqueFd {
public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() {
        if (fd_ >= 0) ::close(fd_);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

// Blocks the two signals for the process's life in watch, so they are only read.
UniqueFd StopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    if (sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) return UniqueFd(-1);
    return UniqueFd(signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK));
}

void Announce(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// A pass over the definitions as the file holds them now, as the window reloads them
// when the camera goes; a failed pass is reported and watching goes on.
void Arrived(Session& session) {
    Announce("arrived");
    if (LoadDefinitions(session)) RunSync(session, {});
    std::fflush(stdout);
}

}  // namespace

int RunWatch(Session& session) {
    const UniqueFd stop = StopSignals();
    if (stop.Get() < 0) {
        Complain(std::string("cannot watch for signals: ") + std::strerror(errno));
        return kExitUsage;
    }
    std::string error;
    const std::unique_ptr<hotplug::HotplugMonitor> monitor = hotplug::HotplugMonitor::Open(error);
    if (!monitor) {
        Complain(error);
        return kExitUsage;
    }
    bool present = IsDevicePresent(session.channels) == 1;
    if (present) Arrived(session);
    pollfd fds[2] = {{stop.Get(), POLLIN, 0}, {monitor->Fd(), POLLIN, 0}};
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
        for (const DeviceEvent& event : monitor->Read()) {
            if (!IsCameraInterface(event)) continue;
            const bool arrival = event.kind == DeviceEventKind::Arrival;
            // A camera already reported (seen at start, or a repeated event) is not reported twice.
            if (arrival == present) continue;
            present = arrival;
            if (arrival) {
                Arrived(session);
            } else {
                Announce("removed");
            }
        }
    }
}

}  // namespace tessmo::ctl
