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
    const Guid& cls = KSCATEGORY_CAPTURE_VALUE;
    std::memcpy(&b[0], &size, 4);
    std::memcpy(&b[4], &type, 4);
    std::memcpy(&b[12], &cls.Data1, 4);
    std::memcpy(&b[16], &cls.Data2, 2);
    std::memcpy(&b[18], &cls.Data3, 2);
    std::memcpy(&b[20], cls.Data4.data(), 8);
    std::memcpy(&b[kBroadcastNameOffset], name.data(), 2 * name.size());
    return b;
}

TEST(BroadcastParser, ReadsKindClassAndNameWithinTheBroadcast) {
    const struct {
        const char* name;
        std::uintptr_t event;
        std::vector<unsigned char> bytes;
        bool parsed;
        DeviceEventKind kind = DeviceEventKind::Other;
        std::u16string interfaceName = {};
    } cases[] = {
        {.name = "arrival",
         .event = DBT_DEVICEARRIVAL_VALUE,
         .bytes = Broadcast(5, kCamera),
         .parsed = true,
         .kind = DeviceEventKind::Arrival,
         .interfaceName = kCamera},
        {.name = "removal complete",
         .event = DBT_DEVICEREMOVECOMPLETE_VALUE,
         .bytes = Broadcast(5, kCamera),
         .parsed = true,
         .kind = DeviceEventKind::Removal,
         .interfaceName = kCamera},
        {.name = "removal pending is no removal",
         .event = DBT_DEVICEREMOVEPENDING_VALUE,
         .bytes = Broadcast(5, kCamera),
         .parsed = true,
         .kind = DeviceEventKind::Other,
         .interfaceName = kCamera},
        {.name = "the name ends at its NUL",
         .event = DBT_DEVICEARRIVAL_VALUE,
         .bytes = Broadcast(5, std::u16string(u"\\\\?\0USB#VID_04FC&PID_6333&MI_00", 31)),
         .parsed = true,
         .kind = DeviceEventKind::Arrival,
         .interfaceName = u"\\\\?"},
        // What lies beyond dbch_size is not the sender's to give, even if it would match.
        {.name = "the name ends at dbch_size",
         .event = DBT_DEVICEARRIVAL_VALUE,
         .bytes = Broadcast(5, kCamera, kBroadcastNameOffset + 2 * 30 + 1),
         .parsed = true,
         .kind = DeviceEventKind::Arrival,
         .interfaceName = kCamera.substr(0, 30)},
        {.name = "volume broadcast",
         .event = DBT_DEVICEARRIVAL_VALUE,
         .bytes = Broadcast(2, kCamera),
         .parsed = false},
        {.name = "size below the header",
         .event = DBT_DEVICEARRIVAL_VALUE,
         .bytes = Broadcast(5, kCamera, 8),
         .parsed = false},
        {.name = "size below the class",
         .event = DBT_DEVICEARRIVAL_VALUE,
         .bytes = Broadcast(5, kCamera, kBroadcastNameOffset - 1),
         .parsed = false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto event = ParseDeviceBroadcast(c.event, c.bytes.data());
        ASSERT_EQ(event.has_value(), c.parsed);
        if (!event) continue;
        EXPECT_EQ(event->kind, c.kind);
        EXPECT_EQ(event->interfaceClass, KSCATEGORY_CAPTURE_VALUE);
        EXPECT_EQ(event->interfaceName, c.interfaceName);
    }
    EXPECT_FALSE(ParseDeviceBroadcast(DBT_DEVICEARRIVAL_VALUE, nullptr));
}

}  // namespace
}  // namespace tessmo::win32
