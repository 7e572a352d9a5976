#pragma once
// The video input devices of a Linux system as sysfs lists them, and the display name
// each is offered under: the Windows form, so the camera is recognised by the same
// rule from character 16 on every platform.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tessmo::linuxcapture {

// The USB camera function a video node belongs to.
struct UsbFunction {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::uint8_t configuration = 0;     // bConfigurationValue the interface belongs to
    std::uint8_t controlInterface = 0;  // bInterfaceNumber of the node's (VideoControl) interface
    std::string device;                 // the USB device's sysfs name ("1-1.4"): one per port
};

struct VideoNode {
    std::string name;                // "video3", also its name under /dev
    std::optional<UsbFunction> usb;  // nullopt: no USB interface behind the node
};

// The video input devices under `classDir` (<sysfs>/class/video4linux) in node order
// (video2 before video10): the lowest-numbered node of each parent device (so not
// uvcvideo's metadata nodes), except a USB gadget's own node. Empty when the folder is
// missing or unreadable.
std::vector<VideoNode> ListVideoInputNodes(const std::filesystem::path& classDir);

// "@device:pnp:\\?\usb#vid_04fc&pid_6333&mi_00#1-1.4&0&0000#{65e8773d-...}\global" for a
// USB function; a root-enumerated name ("...\\?\root#video4linux#video3#...") that can
// never be the camera for anything else.
std::u16string DisplayNameOf(const VideoNode& node);

// The `descriptors` file of the node's USB device.
std::filesystem::path DescriptorsPathOf(const std::filesystem::path& classDir, const VideoNode& node);

// Parses a USB interface's sysfs name, "<bus>-<port>[.<port>...]:<configuration>.<interface>".
std::optional<UsbFunction> ParseUsbInterfaceName(std::string_view name);

}  // namespace tessmo::linuxcapture
