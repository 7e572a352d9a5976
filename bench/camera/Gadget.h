#pragma once
// The camera's side of the bench: the kernel's UVC gadget function and the cable to the
// host side of the same kernel. The gadget is bound to the usbip virtual UDC, and the
// cable is a local socket pair handed to that UDC and to the usbip host controller, so
// the stock uvcvideo driver sees a camera plugged into a USB port.
#include <string>
#include <utility>

namespace tessmo::bench {

// An owned file descriptor.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    void Reset();

private:
    int fd_ = -1;
};

struct GadgetPaths {
    std::string gadget;  // the gadget's folder in configfs
    std::string udc;     // the UDC it binds to
    std::string udcDevice = "/sys/devices/platform/usbip-vudc.0";
    std::string hostController = "/sys/devices/platform/vhci_hcd.0";
};

// The gadget plugged in: its video node open with the UVC events subscribed, the cable
// attached. Destruction unplugs.
class PluggedGadget {
public:
    // Binds the gadget, opens its node and attaches the cable; on failure `error` says why.
    static bool Plug(const GadgetPaths& paths, PluggedGadget& out, std::string& error);
    ~PluggedGadget() { Unplug(); }
    PluggedGadget() = default;
    PluggedGadget(PluggedGadget&&) = default;
    PluggedGadget& operator=(PluggedGadget&&) = default;

    bool Plugged() const { return static_cast<bool>(node_); }
    int NodeFd() const { return node_.Get(); }
    // Closes the node (within the gadget's 500 ms grace), unbinds the UDC, drops the cable.
    void Unplug();

private:
    bool OpenNode(std::string& error);
    bool AttachCable(std::string& error);

    GadgetPaths paths_;
    Fd node_;
    Fd gadgetEnd_;
    Fd hostEnd_;
};

bool WriteFile(const std::string& path, const std::string& text);
std::string ReadFile(const std::string& path);

}  // namespace tessmo::bench
