#pragma once
// Camera arrival and removal on Linux, as the device events the dialog logic takes.
//
// Events come from udev's monitor on the video4linux subsystem where udevd runs
// (/run/udev/control exists), and from the kernel's own uevents where it does not (a
// container, a minimal VM), so the same program works in both. Each USB capture node's
// arrival or removal becomes one DeviceEvent whose interface name has the form Windows
// broadcasts:
//     \\?\USB#VID_04FC&PID_6333&MI_00#1-2&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\global
// (the instance text, USB device and interface number, as in the capture stack's
// display names).
// Every USB capture device is reported; recognising the camera by its name stays with
// the caller. Second nodes of one interface (uvcvideo's metadata node) and devices
// without a USB parent are not reported.
//
// Use (toolkit-free: a poll loop or a QSocketNotifier):
//     std::string error;
//     auto monitor = tessmo::hotplug::HotplugMonitor::Open(error);   // null: see error
//     ... when monitor->Fd() is readable:
//     for (const auto& event : monitor->Read()) dialog.OnDeviceChange(event);
// Read() never blocks: it takes what is pending (at most 256 events; the rest keep the
// descriptor readable) and returns.
//
// A removal's sysfs directory is already gone, so the name comes from what the monitor
// remembered of the node (every node present when it opened, and every arrival since),
// else from the event's own properties (udev's ID_VENDOR_ID, ID_MODEL_ID,
// ID_USB_INTERFACE_NUM, or PRODUCT) and the USB interface in its DEVPATH.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/DeviceEvent.h"
#include "common/Status.h"

namespace tessmo::hotplug {

// The core's parsed device event; every event of this monitor carries the capture
// interface class (KSCATEGORY_CAPTURE) and is an arrival or a removal.
using tessmo::DeviceEvent;
using tessmo::DeviceEventKind;
inline constexpr Guid kCaptureInterfaceClass = KSCATEGORY_CAPTURE_VALUE;

// One uevent's properties: ACTION, DEVPATH, SUBSYSTEM, and what else it carries.
using UeventProperties = std::map<std::string, std::string>;

// Where raw events come from; tests replace it to inject events.
class UeventSource {
public:
    virtual ~UeventSource() = default;
    // Readable when an event is pending; -1 for a source that has none.
    virtual int Fd() const = 0;
    // The next pending event; nullopt when none is pending (never blocks).
    virtual std::optional<UeventProperties> Receive() = 0;
};

class HotplugMonitor {
public:
    // The system's monitor over /sys; null with `error` naming the cause when no event
    // source can be opened.
    static std::unique_ptr<HotplugMonitor> Open(std::string& error);

    // Events from `source`; sysfs read under `sysfsRoot` ("/sys" on a live system).
    HotplugMonitor(std::unique_ptr<UeventSource> source, std::string sysfsRoot);
    ~HotplugMonitor();
    HotplugMonitor(const HotplugMonitor&) = delete;
    HotplugMonitor& operator=(const HotplugMonitor&) = delete;

    int Fd() const;
    // The pending events that are a USB capture node's arrival or removal, in order.
    std::vector<DeviceEvent> Read();
    // "udev" or "kernel": which events Open chose (for messages and docs).
    const char* Origin() const { return origin_; }

private:
    std::optional<DeviceEvent> Translate(const UeventProperties& event);

    std::unique_ptr<UeventSource> source_;
    std::string sysfsRoot_;
    // DEVPATH -> interface name of every capture node seen; nullopt for nodes that are
    // not reported (second nodes, non-USB devices).
    std::map<std::string, std::optional<std::u16string>> known_;
    const char* origin_ = "injected";
};

// The Windows-form interface name of a USB interface: vendor and product ids,
// bInterfaceNumber and an instance text stable for as long as the device stays plugged.
std::u16string InterfaceName(std::uint16_t vendorId, std::uint16_t productId, unsigned interfaceNumber,
                             const std::string& instance);

}  // namespace tessmo::hotplug
