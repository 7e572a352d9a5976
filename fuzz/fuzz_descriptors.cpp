// The extension-unit lookup on arbitrary bytes standing for a USB device's `descriptors`
// file. The first byte picks the VideoControl interface and whether a configuration is
// asked for. A unit found must be a well-placed extension-unit descriptor with the GUID,
// and cutting the bytes short may lose a unit but never find another.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

#include "ExtensionUnit.h"
#include "device/CaptureStack.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessmo::linuxcapture;
    if (size == 0) return 0;
    const std::span<const std::uint8_t> bytes(data + 1, size - 1);
    ExtensionUnitSearch search{GuidWireBytes(tessmo::EXTENSION_UNIT_PROPSET),
                               static_cast<std::uint8_t>(data[0] & 0x7F), std::nullopt};
    if ((data[0] & 0x80) != 0) search.configuration = 1;

    const auto unit = FindExtensionUnit(bytes, search);
    if (unit) {  // an extension-unit descriptor with the GUID, wholly inside the bytes
        Require(*unit != 0);
        bool placed = false;
        for (std::size_t at = 0; at + 20 <= bytes.size() && !placed; ++at)
            placed = bytes[at] >= 24 && bytes[at] <= bytes.size() - at && bytes[at + 1] == 0x24 &&
                     bytes[at + 2] == 0x06 && bytes[at + 3] == *unit &&
                     std::memcmp(&bytes[at + 4], search.guid.data(), search.guid.size()) == 0;
        Require(placed);
    }
    if (const auto early = FindExtensionUnit(bytes.first(bytes.size() / 2), search)) Require(early == unit);
    return 0;
}
