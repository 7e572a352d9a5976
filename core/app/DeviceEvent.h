#pragma once
// A device-interface event as every platform hands it to the dialog: Windows parses its
// device broadcasts into it, Linux its udev events. Only the recognition rule lives here.
#include <string>
#include <string_view>

#include "common/Status.h"

namespace tessmo {

// Device-interface class of capture devices (KSCATEGORY_CAPTURE).
inline constexpr Guid KSCATEGORY_CAPTURE_VALUE = {
    0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

// The camera's capture interface 00 in an interface name, from character 4 (after the
// "\\?\" of a device path), letter case significant.
inline constexpr char16_t CAMERA_INTERFACE_PREFIX[] = u"USB#VID_04FC&PID_6333&MI_00";
inline constexpr std::size_t CAMERA_INTERFACE_OFFSET = 4;

enum class DeviceEventKind { Arrival, Removal, Other };

struct DeviceEvent {
    DeviceEventKind kind = DeviceEventKind::Other;
    Guid interfaceClass{};
    // As the platform spells it, in the Windows device-path form ("\\?\USB#VID_...").
    std::u16string interfaceName;
};

// True when the event concerns the camera's capture interface 00: the capture class,
// and the identity exactly at character 4 of the name (nothing else of it is looked at).
bool IsCameraInterface(const DeviceEvent& event);

}  // namespace tessmo
