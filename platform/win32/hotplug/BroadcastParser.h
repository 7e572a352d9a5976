#pragma once
// WM_DEVICECHANGE's broadcast bytes turned into the core's device event. Plain bytes in,
// no system header, so the parser is tested and fuzzed natively as well as under Wine.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "app/DeviceEvent.h"

namespace tessmo::win32 {

inline constexpr std::uintptr_t DBT_DEVICEARRIVAL_VALUE = 0x8000;
inline constexpr std::uintptr_t DBT_DEVICEQUERYREMOVE_VALUE = 0x8001;
inline constexpr std::uintptr_t DBT_DEVICEREMOVEPENDING_VALUE = 0x8003;
inline constexpr std::uintptr_t DBT_DEVICEREMOVECOMPLETE_VALUE = 0x8004;
inline constexpr std::uint32_t DBT_DEVTYP_DEVICEINTERFACE_VALUE = 5;

// Byte layout of DEV_BROADCAST_HDR / DEV_BROADCAST_DEVICEINTERFACE_W: size, device
// type, reserved (3 x uint32), then for device interfaces the class GUID (16 bytes) and
// the NUL-terminated UTF-16 name.
inline constexpr std::size_t kBroadcastHeaderBytes = 12;
inline constexpr std::size_t kBroadcastNameOffset = 28;

// The event a device-interface broadcast carries; nullopt for any other broadcast (a
// volume, a port) and for one too short to hold a class. `event` is the message's
// WPARAM, `broadcast` its LPARAM (not null). Nothing beyond the broadcast's own
// dbch_size is read, and class and name are read only of device-interface broadcasts.
std::optional<DeviceEvent> ParseDeviceBroadcast(std::uintptr_t event, const void* broadcast);

}  // namespace tessmo::win32
