#include "SysfsDiscovery.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <memory>

#include "UniqueFd.h"
#include "common/Text.h"

namespace tessmo::linuxcapture {

using posix::UniqueFd;
namespace {

// Plain system calls rather than std::filesystem and streams: a lookup runs before every
// camera request and reads a handful of attributes per node, so each read is one
// open, one read and one close.

// A sysfs attribute's text without its line end; nullopt when it cannot be read.
std::optional<std::string> ReadAttribute(int dirFd, const char* name) {
    const UniqueFd fd(::openat(dirFd, name, O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return std::nullopt;
    char buffer[64];
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0) return std::nullopt;
    std::string text(buffer, static_cast<std::size_t>(n));
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

std::optional<std::string> LinkTargetName(int dirFd, const char* name) {
    char buffer[512];
    const ssize_t n = ::readlinkat(dirFd, name, buffer, sizeof buffer);
    if (n <= 0 || static_cast<std::size_t>(n) == sizeof buffer) return std::nullopt;
    const std::string_view target(buffer, static_cast<std::size_t>(n));
    return std::string(target.substr(target.rfind('/') + 1));
}

template <class Number>
std::optional<Number> ParseWhole(std::string_view text, int base) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// "video<n>" gives n; anything else (vbi0, v4l-subdev0, radio0, video1a) gives nullopt.
std::optional<unsigned> NodeNumber(std::string_view name) {
    constexpr std::string_view kPrefix = "video";
    if (!name.starts_with(kPrefix) || name.size() > kPrefix.size() + 9) return std::nullopt;
    return ParseWhole<unsigned>(name.substr(kPrefix.size()), 10);
}

bool IsDevicePath(std::string_view device) {
    const auto dash = device.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == device.size()) return false;
    return std::all_of(device.begin(), device.end(),
                       [](char c) { return (c >= '0' && c <= '9') || c == '-' || c == '.'; });
}

// "usb:v04FCp6333d0100dcEFdsc02dp01ic0Eisc01ip00in00": a USB interface's modalias gives
// the device's vendor and product in one read.
bool ReadVendorAndProduct(int classFd, const std::string& node, UsbFunction& usb) {
    const auto alias = ReadAttribute(classFd, (node + "/device/modalias").c_str());
    if (!alias || alias->size() < 14 || !alias->starts_with("usb:v") || (*alias)[9] != 'p') return false;
    const auto vendor = ParseWhole<std::uint16_t>(std::string_view(*alias).substr(5, 4), 16);
    const auto product = ParseWhole<std::uint16_t>(std::string_view(*alias).substr(10, 4), 16);
    if (!vendor || !product) return false;
    usb.vendor = *vendor;
    usb.product = *product;
    return true;
}

// One node per V4L2 parent device, its lowest-numbered, as Windows lists one filter per
// camera function: uvcvideo registers each function's capture node before its metadata
// node, so the capture node always holds the lower number. A USB gadget's own node has
// `function_name` and is an output, not a video input device.
std::optional<VideoNode> InspectNode(int classFd, std::string name, std::vector<std::string>& parentsSeen) {
    const auto parent = LinkTargetName(classFd, (name + "/device").c_str());
    if (parent) {
        if (std::find(parentsSeen.begin(), parentsSeen.end(), *parent) != parentsSeen.end())
            return std::nullopt;
        parentsSeen.push_back(*parent);
    }
    auto usb = parent ? ParseUsbInterfaceName(*parent) : std::nullopt;
    // A gadget's node hangs off the gadget device, never off a USB interface.
    if (!usb && ::faccessat(classFd, (name + "/function_name").c_str(), F_OK, 0) == 0) return std::nullopt;
    VideoNode node{std::move(name), std::nullopt};
    if (usb && ReadVendorAndProduct(classFd, node.name, *usb)) node.usb = std::move(usb);
    return node;
}

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

void AppendHex(std::string& out, unsigned value, int digits) {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) out += kDigits[(value >> shift) & 0xF];
}

constexpr std::string_view kNamePrefix = "@device:pnp:\\\\?\\";
constexpr std::string_view kNameSuffix = "#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";

}  // namespace

std::optional<UsbFunction> ParseUsbInterfaceName(std::string_view name) {
    const auto colon = name.find(':');
    const auto dot = name.find('.', colon);
    if (colon == std::string_view::npos || dot == std::string_view::npos) return std::nullopt;
    const std::string_view device = name.substr(0, colon);
    const auto configuration = ParseWhole<std::uint8_t>(name.substr(colon + 1, dot - colon - 1), 10);
    const auto interface = ParseWhole<std::uint8_t>(name.substr(dot + 1), 10);
    if (!IsDevicePath(device) || !configuration || !interface) return std::nullopt;
    UsbFunction usb;
    usb.configuration = *configuration;
    usb.controlInterface = *interface;
    usb.device = std::string(device);
    return usb;
}

std::vector<VideoNode> ListVideoInputNodes(const std::filesystem::path& classDir) {
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(classDir.c_str()));
    if (!dir) return {};
    std::vector<std::pair<unsigned, std::string>> names;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (const auto number = NodeNumber(entry->d_name)) names.emplace_back(*number, entry->d_name);
    }
    std::sort(names.begin(), names.end());
    std::vector<VideoNode> nodes;
    std::vector<std::string> parentsSeen;
    for (auto& [number, name] : names) {
        if (auto node = InspectNode(::dirfd(dir.get()), std::move(name), parentsSeen))
            nodes.push_back(std::move(*node));
    }
    return nodes;
}

std::u16string DisplayNameOf(const VideoNode& node) {
    std::string name(kNamePrefix);
    if (const auto& usb = node.usb) {
        name += "usb#vid_";
        AppendHex(name, usb->vendor, 4);
        name += "&pid_";
        AppendHex(name, usb->product, 4);
        name += "&mi_";
        AppendHex(name, usb->controlInterface, 2);
        name += '#';
        name += usb->device;
        name += "&0&";
        AppendHex(name, usb->controlInterface, 4);
    } else {
        name += "root#video4linux#";
        name += node.name;
    }
    name += kNameSuffix;
    return FromUtf8(name);
}

std::filesystem::path DescriptorsPathOf(const std::filesystem::path& classDir, const VideoNode& node) {
    return classDir / node.name / "device" / ".." / "descriptors";
}

}  // namespace tessmo::linuxcapture
