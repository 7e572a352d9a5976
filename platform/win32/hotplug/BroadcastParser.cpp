#include "hotplug/BroadcastParser.h"

#include <cstring>

namespace tessmo::win32 {
namespace {

std::uint32_t ReadU32(const unsigned char* bytes) {
    std::uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

Guid ReadGuid(const unsigned char* bytes) {
    Guid guid{};
    std::memcpy(&guid.Data1, bytes, 4);
    std::memcpy(&guid.Data2, bytes + 4, 2);
    std::memcpy(&guid.Data3, bytes + 6, 2);
    std::memcpy(guid.Data4.data(), bytes + 8, 8);
    return guid;
}

DeviceEventKind KindOf(std::uintptr_t event) {
    if (event == DBT_DEVICEARRIVAL_VALUE) return DeviceEventKind::Arrival;
    if (event == DBT_DEVICEREMOVECOMPLETE_VALUE) return DeviceEventKind::Removal;
    return DeviceEventKind::Other;
}

}  // namespace

std::optional<DeviceEvent> ParseDeviceBroadcast(std::uintptr_t event, const void* broadcast) {
    if (broadcast == nullptr) return std::nullopt;
    const auto* bytes = static_cast<const unsigned char*>(broadcast);
    // dbch_size bounds every read below: a short or truncated broadcast never leads us
    // past the memory its sender gave us.
    const std::uint32_t size = ReadU32(bytes);
    if (size < kBroadcastHeaderBytes) return std::nullopt;
    if (ReadU32(bytes + 4) != DBT_DEVTYP_DEVICEINTERFACE_VALUE) return std::nullopt;
    if (size < kBroadcastNameOffset) return std::nullopt;

    DeviceEvent parsed;
    parsed.kind = KindOf(event);
    parsed.interfaceClass = ReadGuid(bytes + kBroadcastHeaderBytes);
    // The name runs to its NUL or to the end of the broadcast, whichever comes first.
    const std::size_t nameChars = (size - kBroadcastNameOffset) / 2;
    for (std::size_t i = 0; i < nameChars; ++i) {
        char16_t c;
        std::memcpy(&c, bytes + kBroadcastNameOffset + 2 * i, 2);
        if (c == u'\0') break;
        parsed.interfaceName.push_back(c);
    }
    return parsed;
}

}  // namespace tessmo::win32
