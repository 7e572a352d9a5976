// The broadcast bytes of WM_DEVICECHANGE as the parser reads them. Built natively: the
// parser needs no Windows header.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "hotplug/BroadcastParser.h"

namespace tessmo::win32 {
namespace {

const std::u16string kCamera = u"\\\\?\\USB#VID_04FC&PID_6333&MI_00#6&2b6a6b0&0&0000#{65e8773d}\\global";

// A broadcast as the system lays it out: dbch_size, type, reserved, class GUID, name, NUL.
std::vector<unsigned char> Broadcast(std::uint32_t type, const std::u16string& name, std::uint32_t size = 0) {
    std::vector<unsigned char> b(kBroadcastNameOffset + 2 * (name.size() + 1), 0);
    if (size == 0) size = static_cast<std::uint32_t>(b.size());
    static_assert(sizeof(Guid) == 16);  // laid out as the system's GUID, on a little-endian host
    std::memcpy(&b[0], &size, 4);
    std::memcpy(&b[4], &type, 4);
    std::memcpy(&b[12], &KSCATEGORY_CAPTURE_VALUE, 16);
    std::memcpy(&b[kBroadcastNameOffset], name.data(), 2 * name.size());
    return b;
}

TEST(BroadcastParser, ReadsKindClassAndNameWithinTheBroadcast) {
    const auto arrival = DBT_DEVICEARRIVAL_VALUE;
    const struct {
        const char* name;
        std::uintptr_t event;
        std::vector<unsigned char> bytes;
        std::optional<DeviceEventKind> kind;  // nullopt: no device-interface event
        std::u16string interfaceName = {};
    } cases[] = {
        // clang-format off
        {"arrival", arrival, Broadcast(5, kCamera), DeviceEventKind::Arrival, kCamera},
        {"removal complete", DBT_DEVICEREMOVECOMPLETE_VALUE, Broadcast(5, kCamera), DeviceEventKind::Removal,
         kCamera},
        {"removal pending is no removal", DBT_DEVICEREMOVEPENDING_VALUE, Broadcast(5, kCamera),
         DeviceEventKind::Other, kCamera},
        {"the name ends at its NUL", arrival,
         Broadcast(5, std::u16string(u"\\\\?\0USB#VID_04FC&PID_6333&MI_00", 31)), DeviceEventKind::Arrival,
         u"\\\\?"},
        // What lies beyond dbch_size is not the sender's to give, even if it would match.
        {"the name ends at dbch_size", arrival, Broadcast(5, kCamera, kBroadcastNameOffset + 2 * 30 + 1),
         DeviceEventKind::Arrival, kCamera.substr(0, 30)},
        {"volume broadcast", arrival, Broadcast(2, kCamera), std::nullopt},
        {"size below the header", arrival, Broadcast(5, kCamera, 8), std::nullopt},
        {"size below the class", arrival, Broadcast(5, kCamera, kBroadcastNameOffset - 1), std::nullopt},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto event = ParseDeviceBroadcast(c.event, c.bytes.data());
        ASSERT_EQ(event.has_value(), c.kind.has_value());
        if (!event) continue;
        EXPECT_EQ(event->kind, *c.kind);
        EXPECT_EQ(event->interfaceClass, KSCATEGORY_CAPTURE_VALUE);
        EXPECT_EQ(event->interfaceName, c.interfaceName);
    }
    EXPECT_FALSE(ParseDeviceBroadcast(DBT_DEVICEARRIVAL_VALUE, nullptr));
}

}  // namespace
}  // namespace tessmo::win32
