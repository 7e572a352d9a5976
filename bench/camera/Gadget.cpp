#include "Gadget.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/usb/g_uvc.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

namespace tessmo::bench {
namespace {

using namespace std::chrono_literals;

constexpr int kHighSpeed = 3;  // enum usb_device_speed: USB_SPEED_HIGH
constexpr int kHostPorts = 8;  // the host controller's high-speed ports

// The gadget's own node is the one with a function_name: uvcvideo's nodes have none.
std::string FindGadgetNode() {
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir("/sys/class/video4linux"), closedir);
    if (!dir) return {};
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name.rfind("video", 0) != 0) continue;
        if (access(("/sys/class/video4linux/" + name + "/function_name").c_str(), F_OK) == 0)
            return "/dev/" + name;
    }
    return {};
}

bool Subscribe(int fd, std::uint32_t type) {
    v4l2_event_subscription subscription{};
    subscription.type = type;
    return ioctl(fd, VIDIOC_SUBSCRIBE_EVENT, &subscription) == 0;
}

}  // namespace

void Fd::Reset() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

bool WriteFile(const std::string& path, const std::string& text) {
    const Fd fd(open(path.c_str(), O_WRONLY | O_CLOEXEC));
    if (!fd) return false;
    // configfs and sysfs take a store in one write; an empty one still has to happen.
    const std::string body = text.empty() ? "\n" : text;
    return write(fd.Get(), body.data(), body.size()) == static_cast<ssize_t>(body.size());
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool PluggedGadget::Plug(const GadgetPaths& paths, PluggedGadget& out, std::string& error) {
    out.Unplug();
    out.paths_ = paths;
    if (!WriteFile(paths.gadget + "/UDC", paths.udc)) {
        error = "cannot bind the gadget to " + paths.udc + ": " + std::strerror(errno);
        return false;
    }
    if (out.OpenNode(error) && out.AttachCable(error)) return true;
    out.Unplug();
    return false;
}

bool PluggedGadget::OpenNode(std::string& error) {
    // The node appears once the function is bound; give the kernel a moment.
    for (int tries = 0; tries < 200 && !node_; ++tries) {
        const std::string path = FindGadgetNode();
        if (!path.empty()) node_ = Fd(open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
        if (!node_) std::this_thread::sleep_for(10ms);
    }
    if (!node_) {
        error = "the gadget's video node did not appear";
        return false;
    }
    // SETUP last: subscribing to it is what lets the gadget connect.
    for (const int type : {UVC_EVENT_CONNECT, UVC_EVENT_DISCONNECT, UVC_EVENT_STREAMON, UVC_EVENT_STREAMOFF,
                           UVC_EVENT_DATA, UVC_EVENT_SETUP}) {
        if (!Subscribe(node_.Get(), static_cast<std::uint32_t>(type))) {
            error = std::string("cannot subscribe to the gadget's events: ") + std::strerror(errno);
            return false;
        }
    }
    return true;
}

bool PluggedGadget::AttachCable(std::string& error) {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        error = std::string("socketpair: ") + std::strerror(errno);
        return false;
    }
    gadgetEnd_ = Fd(ends[0]);
    hostEnd_ = Fd(ends[1]);
    if (!WriteFile(paths_.udcDevice + "/usbip_sockfd", std::to_string(gadgetEnd_.Get()))) {
        error = std::string("the UDC refused the cable: ") + std::strerror(errno);
        return false;
    }
    // A port just freed by an unplug can stay busy for a moment.
    for (int tries = 0; tries < 100; ++tries) {
        for (int port = 0; port < kHostPorts; ++port) {
            const std::string attach = std::to_string(port) + " " + std::to_string(hostEnd_.Get()) + " " +
                                       std::to_string(port + 1) + " " + std::to_string(kHighSpeed);
            if (WriteFile(paths_.hostController + "/attach", attach)) return true;
        }
        std::this_thread::sleep_for(10ms);
    }
    error = std::string("no host port took the cable: ") + std::strerror(errno);
    return false;
}

void PluggedGadget::Unplug() {
    if (paths_.gadget.empty()) return;
    // The function waits for its node to be closed before it lets the UDC go.
    node_.Reset();
    WriteFile(paths_.gadget + "/UDC", "");
    gadgetEnd_.Reset();
    hostEnd_.Reset();
    paths_ = {};
}

}  // namespace tessmo::bench
