// The camera's firmware on the bench: answers the UVC gadget's control requests through
// the shared camera model, logs every request, and takes orders on a local socket.
//
//   tessmo-bench-camera serve GADGET_DIR UDC_NAME LOG_FILE SOCKET
//   tessmo-bench-camera ctl SOCKET COMMAND...
//
// Orders (one line each, one line of reply): "option P V" sets what the camera holds,
// "table" lists it ("P=V ..."), "clock" gives the last date and time written,
// "fail N CODE" stalls the N-th request from now with UVC error code CODE, "vanish N"
// unplugs right after the N-th request from now, "clear" takes the faults back,
// "unplug", "plug", "quit".
#include <fcntl.h>
#include <linux/usb/g_uvc.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "Gadget.h"
#include "UvcResponder.h"

namespace tessmo::bench {
namespace {

class Firmware {
public:
    Firmware(GadgetPaths paths, Fd log, std::uint8_t unitId)
        : paths_(std::move(paths)),
          log_(std::move(log)),
          responder_(camera_, unitId, [this](const std::string& line) { Log(line); }) {}

    bool Plug(std::string& error);
    int NodeFd() const { return gadget_.Plugged() ? gadget_.NodeFd() : -1; }
    void DrainEvents();
    // One order; false when told to quit.
    bool Order(const std::string& line, std::string& reply);

private:
    void Log(const std::string& line) {
        const std::string text = line + "\n";
        if (write(log_.Get(), text.data(), text.size()) < 0) std::perror("camera log");
    }
    void OnEvent(const v4l2_event& event);
    void Respond(const Answer& answer);
    // After a request that left the camera unplugged, the cable goes too.
    void FollowPresence() {
        if (!camera_.Present() && gadget_.Plugged()) {
            Log("UNPLUGGED");
            gadget_.Unplug();
        }
    }

    GadgetPaths paths_;
    Fd log_;
    CameraFirmware camera_;
    UvcResponder responder_;
    PluggedGadget gadget_;
    bool connected_ = false;
};

bool Firmware::Plug(std::string& error) {
    // The usbip UDC keeps a transfer that was in flight when the camera was pulled and
    // sends it down the next cable, where the host takes it for a protocol error and
    // drops the connection before enumerating: such a plug is done again.
    for (int attempt = 0; attempt < 4; ++attempt) {
        camera_.SetPresent(true);
        responder_.Reset();
        connected_ = false;
        if (!PluggedGadget::Plug(paths_, gadget_, error)) return false;
        for (int waited = 0; waited < 40 && gadget_.Plugged() && !connected_; ++waited) {
            pollfd node{gadget_.NodeFd(), POLLPRI, 0};
            if (poll(&node, 1, 100) > 0) DrainEvents();
        }
        if (connected_) return true;
        Log("PLUG AGAIN");
        gadget_.Unplug();
    }
    error = "the host never configured the camera";
    return false;
}

void Firmware::DrainEvents() {
    v4l2_event event{};
    while (gadget_.Plugged() && ioctl(gadget_.NodeFd(), VIDIOC_DQEVENT, &event) == 0) OnEvent(event);
}

void Firmware::OnEvent(const v4l2_event& event) {
    uvc_event uvc{};
    std::memcpy(&uvc, event.u.data, sizeof uvc);
    switch (event.type) {
        case UVC_EVENT_SETUP:
            Respond(responder_.OnSetup(
                {uvc.req.bRequestType, uvc.req.bRequest, uvc.req.wValue, uvc.req.wIndex, uvc.req.wLength}));
            break;
        case UVC_EVENT_DATA: {
            const auto length = static_cast<std::size_t>(std::clamp(uvc.data.length, 0, 60));
            responder_.OnData({uvc.data.data, length});
            break;
        }
        case UVC_EVENT_CONNECT:
            responder_.Reset();
            connected_ = true;
            Log("CONNECT");
            break;
        case UVC_EVENT_DISCONNECT:
            // The gadget waits at most 500 ms for its node to close before giving up.
            Log("DISCONNECT");
            gadget_.Unplug();
            break;
        default:
            Log("EVENT " + std::to_string(event.type));
            break;
    }
    FollowPresence();
}

void Firmware::Respond(const Answer& answer) {
    uvc_request_data response{};
    if (answer.stall) {
        response.length = -EL2HLT;
    } else {
        const std::size_t n = std::min(answer.bytes.size(), sizeof response.data);
        response.length = static_cast<std::int32_t>(n);
        std::memcpy(response.data, answer.bytes.data(), n);
    }
    if (ioctl(gadget_.NodeFd(), UVCIOC_SEND_RESPONSE, &response) != 0)
        Log(std::string("SEND_RESPONSE failed: ") + std::strerror(errno));
}

bool Firmware::Order(const std::string& line, std::string& reply) {
    std::istringstream in(line);
    std::string verb;
    long a = 0, b = 0;
    in >> verb >> a >> b;
    const auto from = static_cast<std::size_t>(a) + camera_.RequestCount();
    reply = "ok";
    if (verb == "option") {
        camera_.SetOption(static_cast<std::uint16_t>(a), static_cast<std::uint8_t>(b));
    } else if (verb == "table") {
        reply.clear();
        for (const auto& [paraIdx, value] : camera_.Options())
            reply += (reply.empty() ? "" : " ") + std::to_string(paraIdx) + "=" + std::to_string(value);
    } else if (verb == "clock") {
        const auto d = camera_.LastDate(), t = camera_.LastTime();
        char text[64] = "none";
        if (d && t)
            std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", d->first, d->second, d->third,
                          t->first, t->second, t->third);
        reply = text;
    } else if (verb == "fail") {
        camera_.FailRequest(from, static_cast<std::int32_t>(b));
    } else if (verb == "vanish") {
        camera_.VanishAfterRequests(from);
    } else if (verb == "clear") {
        camera_.ClearFaults();
    } else if (verb == "unplug") {
        gadget_.Unplug();
    } else if (verb == "plug") {
        std::string error;
        if (!Plug(error)) reply = "error " + error;
    } else if (verb == "quit") {
        return false;
    } else {
        reply = "error unknown order: " + line;
    }
    return true;
}

Fd Listen(const std::string& path) {
    Fd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (!fd || path.size() >= sizeof address.sun_path) return Fd();
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    unlink(path.c_str());
    if (bind(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd.Get(), 4) != 0)
        return Fd();
    return fd;
}

std::string ReadLine(int fd) {
    std::string line;
    char c = 0;
    while (read(fd, &c, 1) == 1 && c != '\n') line += c;
    return line;
}

// Serves until told to quit; orders are taken between requests, never in the middle of one.
bool ServeOrders(Firmware& firmware, const Fd& listener) {
    for (;;) {
        pollfd fds[2] = {{listener.Get(), POLLIN, 0}, {firmware.NodeFd(), POLLPRI, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (fds[1].revents != 0) firmware.DrainEvents();
        if ((fds[0].revents & POLLIN) == 0) continue;
        const Fd client(accept4(listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!client) continue;
        std::string reply;
        const bool go_on = firmware.Order(ReadLine(client.Get()), reply);
        reply += "\n";
        if (write(client.Get(), reply.data(), reply.size()) < 0) std::perror("camera order");
        if (!go_on) return true;
    }
}

int Serve(const std::vector<std::string>& args) {
    GadgetPaths paths{args[0], args[1]};
    const std::string unit = ReadFile(args[0] + "/functions/uvc.camera/control/extensions/xu/bUnitID");
    Fd log(open(args[2].c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    const Fd listener = Listen(args[3]);
    if (unit.empty() || !log || !listener) {
        std::fprintf(stderr, "tessmo-bench-camera: cannot read the unit id, open the log or listen\n");
        return 1;
    }
    Firmware firmware(paths, std::move(log), static_cast<std::uint8_t>(std::stoi(unit)));
    std::string error;
    if (!firmware.Plug(error)) {
        std::fprintf(stderr, "tessmo-bench-camera: %s\n", error.c_str());
        return 1;
    }
    return ServeOrders(firmware, listener) ? 0 : 1;
}

int Control(const std::string& path, const std::string& order) {
    Fd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), std::min(path.size() + 1, sizeof address.sun_path - 1));
    if (connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        std::fprintf(stderr, "tessmo-bench-camera: the camera is not listening on %s\n", path.c_str());
        return 1;
    }
    const std::string line = order + "\n";
    if (write(fd.Get(), line.data(), line.size()) < 0) return 1;
    const std::string reply = ReadLine(fd.Get());
    std::printf("%s\n", reply.c_str());
    return reply.rfind("error", 0) == 0 ? 1 : 0;
}

}  // namespace
}  // namespace tessmo::bench

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 5 && args[0] == "serve") return tessmo::bench::Serve({args.begin() + 1, args.end()});
    if (args.size() >= 3 && args[0] == "ctl") {
        std::string order;
        for (std::size_t i = 2; i < args.size(); ++i) order += (i > 2 ? " " : "") + args[i];
        return tessmo::bench::Control(args[1], order);
    }
    std::fprintf(stderr,
                 "usage: tessmo-bench-camera serve GADGET_DIR UDC_NAME LOG_FILE SOCKET\n"
                 "       tessmo-bench-camera ctl SOCKET ORDER...\n");
    return 2;
}
