#include "ExtensionUnit.h"

#include <algorithm>

namespace tessmo::linuxcapture {
namespace {

constexpr std::uint8_t kConfigurationType = 0x02;
constexpr std::uint8_t kInterfaceType = 0x04;
constexpr std::uint8_t kClassSpecificInterfaceType = 0x24;  // CS_INTERFACE
constexpr std::uint8_t kVideoClass = 0x0E;
constexpr std::uint8_t kVideoControlSubclass = 0x01;
constexpr std::uint8_t kExtensionUnitSubtype = 0x06;  // VC_EXTENSION_UNIT

// bLength, bDescriptorType, bDescriptorSubtype, bUnitID, guidExtensionCode[16],
// bNumControls, bNrInPins (p), baSourceID[p], bControlSize (n), bmControls[n], iExtension.
constexpr std::size_t kGuidOffset = 4;
constexpr std::size_t kPinsOffset = 21;
constexpr std::size_t kFixedUnitBytes = 24;

// The unit's id when `d` (one whole descriptor) is a well-formed extension unit with the GUID.
std::optional<std::uint8_t> MatchingUnit(std::span<const std::uint8_t> d, const GuidBytes& guid) {
    if (d.size() < kFixedUnitBytes || d[1] != kClassSpecificInterfaceType || d[2] != kExtensionUnitSubtype)
        return std::nullopt;
    const std::size_t pins = d[kPinsOffset];
    const std::size_t controlSizeAt = kPinsOffset + 1 + pins;
    if (controlSizeAt >= d.size() || d.size() < kFixedUnitBytes + pins + d[controlSizeAt])
        return std::nullopt;
    if (!std::equal(guid.begin(), guid.end(), d.begin() + kGuidOffset)) return std::nullopt;
    if (d[3] == 0) return std::nullopt;
    return d[3];
}

}  // namespace

GuidBytes GuidWireBytes(const Guid& guid) {
    GuidBytes out{};
    for (std::size_t i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(guid.Data1 >> (8 * i));
    for (std::size_t i = 0; i < 2; ++i) {
        out[4 + i] = static_cast<std::uint8_t>(guid.Data2 >> (8 * i));
        out[6 + i] = static_cast<std::uint8_t>(guid.Data3 >> (8 * i));
    }
    std::copy(guid.Data4.begin(), guid.Data4.end(), out.begin() + 8);
    return out;
}

std::optional<std::uint8_t> FindExtensionUnit(std::span<const std::uint8_t> descriptors,
                                              const ExtensionUnitSearch& search) {
    std::optional<std::uint8_t> configuration;
    bool inControlInterface = false;
    for (std::size_t at = 0; descriptors.size() - at >= 2;) {
        const std::size_t length = descriptors[at];
        if (length < 2 || length > descriptors.size() - at) break;
        const auto d = descriptors.subspan(at, length);
        if (d[1] == kConfigurationType && length >= 6) {
            configuration = d[5];
            inControlInterface = false;
        } else if (d[1] == kInterfaceType && length >= 9) {
            const bool configurationInUse = !search.configuration || configuration == search.configuration;
            inControlInterface = configurationInUse && d[2] == search.controlInterface &&
                                 d[5] == kVideoClass && d[6] == kVideoControlSubclass;
        } else if (inControlInterface) {
            if (const auto unit = MatchingUnit(d, search.guid)) return unit;
        }
        at += length;
    }
    return std::nullopt;
}

}  // namespace tessmo::linuxcapture
