// WM_DEVICECHANGE broadcast bytes: whatever they hold, the parser reads nothing beyond
// dbch_size. The input's first four bytes are the declared size, clamped to the input
// so that the platform's promise (dbch_size bytes are there) holds.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "hotplug/BroadcastParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return 0;
    const std::uintptr_t event = 0x8000u + (data[0] & 0x7u);
    std::vector<std::uint8_t> broadcast(data + 1, data + size);
    std::uint32_t declared = 0;
    std::memcpy(&declared, broadcast.data(), 4);
    declared = static_cast<std::uint32_t>(std::min<std::size_t>(declared, broadcast.size()));
    std::memcpy(broadcast.data(), &declared, 4);
    // Exactly as long as declared, so AddressSanitizer catches a read past it.
    broadcast.resize(std::max<std::size_t>(declared, 4));
    if (const auto parsed = tessmo::win32::ParseDeviceBroadcast(event, broadcast.data())) {
        (void)tessmo::IsCameraInterface(*parsed);
    }
    return 0;
}
