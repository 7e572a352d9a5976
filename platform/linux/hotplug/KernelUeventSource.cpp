// The kernel's own uevents, read from a netlink socket without libudev: what a minimal
// system without udevd has, and all a statically linked program can use.
#include <linux/netlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "EventSources.h"
#include "HotplugMonitor.h"

namespace tessmo::hotplug {
namespace {

// The kernel's multicast group of uevents.
constexpr unsigned kKernelGroup = 1;
// A uevent holds at most 2048 bytes of properties plus its header.
constexpr std::size_t kDatagramBytes = 8192;

class KernelUeventSource final : public UeventSource {
public:
    explicit KernelUeventSource(int fd) : fd_(fd) {}
    ~KernelUeventSource() override { ::close(fd_); }
    KernelUeventSource(const KernelUeventSource&) = delete;
    KernelUeventSource& operator=(const KernelUeventSource&) = delete;

    int Fd() const override { return fd_; }

    std::optional<UeventProperties> Receive() override {
        char buffer[kDatagramBytes];
        for (;;) {
            sockaddr_nl sender{};
            socklen_t senderBytes = sizeof sender;
            const ssize_t got =
                ::recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&sender), &senderBytes);
            if (got < 0 && errno == EINTR) continue;
            // Nothing pending (or the socket's buffer overran: the events lost cannot be had).
            if (got <= 0) return std::nullopt;
            // Only the kernel (port 0) speaks for devices; anything else is skipped.
            if (sender.nl_pid != 0) continue;
            if (auto event = ParseKernelUevent(std::string_view(buffer, static_cast<std::size_t>(got))))
                return event;
        }
    }

private:
    int fd_;
};

}  // namespace

std::optional<UeventProperties> ParseKernelUevent(std::string_view datagram) {
    // "<action>@<devpath>" then NUL-separated KEY=VALUE properties. udev's messages
    // start with "libudev" and have no '@' header.
    const std::size_t headerEnd = datagram.find('\0');
    if (headerEnd == std::string_view::npos ||
        datagram.substr(0, headerEnd).find('@') == std::string_view::npos) {
        return std::nullopt;
    }
    UeventProperties properties;
    std::size_t at = headerEnd + 1;
    while (at < datagram.size()) {
        std::size_t end = datagram.find('\0', at);
        if (end == std::string_view::npos) end = datagram.size();
        const std::string_view field = datagram.substr(at, end - at);
        const std::size_t eq = field.find('=');
        if (eq != std::string_view::npos) properties.emplace(field.substr(0, eq), field.substr(eq + 1));
        at = end + 1;
    }
    if (properties.count("ACTION") == 0 || properties.count("DEVPATH") == 0) return std::nullopt;
    return properties;
}

std::unique_ptr<UeventSource> OpenKernelUeventSource(std::string& error) {
    const int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT);
    if (fd < 0) {
        error = std::string("cannot listen to the kernel's uevents: ") + std::strerror(errno);
        return nullptr;
    }
    auto source = std::make_unique<KernelUeventSource>(fd);
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = kKernelGroup;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = std::string("cannot listen to the kernel's uevents: ") + std::strerror(errno);
        return nullptr;
    }
    return source;
}

}  // namespace tessmo::hotplug
