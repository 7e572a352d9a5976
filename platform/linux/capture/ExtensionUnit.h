#pragma once
// Finding the camera's extension unit in a USB device's raw descriptors, as sysfs gives
// them in the device's `descriptors` file: the device descriptor, then every
// configuration with its interfaces and class-specific descriptors. A pure function
// over bytes, so it can be fuzzed.
#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "common/Status.h"

namespace tessmo::linuxcapture {

using GuidBytes = std::array<std::uint8_t, 16>;

// A GUID as USB descriptors carry it: the first three fields little-endian.
GuidBytes GuidWireBytes(const Guid& guid);

struct ExtensionUnitSearch {
    GuidBytes guid;                             // guidExtensionCode looked for
    std::uint8_t controlInterface = 0;          // bInterfaceNumber of the VideoControl interface
    std::optional<std::uint8_t> configuration;  // bConfigurationValue in use; nullopt: any
};

// The bUnitID of the first extension unit with the GUID inside the VideoControl
// interface (class 0x0E, subclass 0x01) numbered `controlInterface`, or nullopt.
// Every length is checked: a descriptor shorter than 2 bytes or running past the end
// ends the walk (a unit found before it still counts), and an extension-unit
// descriptor whose own fields do not fit its bLength is passed over. Unit id 0 is
// reserved by the video class and never taken.
std::optional<std::uint8_t> FindExtensionUnit(std::span<const std::uint8_t> descriptors,
                                              const ExtensionUnitSearch& search);

}  // namespace tessmo::linuxcapture
