#include "device/Framing.h"

#include <cstring>

#include "common/Allocation.h"

namespace tessmo {
namespace {

// A caller that names bytes it does not hand over (E_POINTER): nothing is sent.
constexpr Status STATUS_INVALID_POINTER = static_cast<Status>(0x80004003U);

// The payload's size travels in 16 bits on the camera's side.
constexpr std::uint32_t kMaxPayloadBytes = 0xFFFF;

void PutWord(std::uint8_t* at, std::uint16_t word) {
    at[0] = static_cast<std::uint8_t>(word & 0xFF);
    at[1] = static_cast<std::uint8_t>(word >> 8);
}

int TraceNumber(std::uint32_t id) {
    return static_cast<int>(id & 0xFF);
}

}  // namespace

Status WriteCommand(TraceSink& trace, DeviceChannel* channel, std::uint32_t id, std::uint16_t word0,
                    std::uint16_t word1, std::uint32_t length, const std::uint8_t* data) {
    Tracef(trace, "Write Device.Device:%s  %d\n", FormatPointer(channel).c_str(), TraceNumber(id));
    if (channel == nullptr) return STATUS_NOT_FOUND;
    if (length > kMaxPayloadBytes - PAYLOAD_HEADER_BYTES) return STATUS_PAYLOAD_TOO_LONG;
    if (data == nullptr && length != 0) return STATUS_INVALID_POINTER;

    const std::uint32_t payloadBytes = length + PAYLOAD_HEADER_BYTES;
    // A failed allocation must not pass for a sent command: the caller would take
    // the camera to hold a value it never received.
    const auto payload = TryAllocateArray<std::uint8_t>(payloadBytes);
    if (!payload) return STATUS_OUT_OF_MEMORY;

    PutWord(payload.get(), word0);
    PutWord(payload.get() + 2, word1);
    if (length != 0) std::memcpy(payload.get() + PAYLOAD_HEADER_BYTES, data, length);
    return channel->SetProperty(id & 0xFF, payload.get(), payloadBytes);
}

Status ReadCommand(TraceSink& trace, DeviceChannel* channel, std::uint32_t id, std::uint16_t word0,
                   std::uint16_t word1, std::uint8_t& slot) {
    Tracef(trace, "Read Device.Device:%s  %d\n", FormatPointer(channel).c_str(), TraceNumber(id));
    if (channel == nullptr) return STATUS_NOT_FOUND;

    // The firmware answers the GET with the parameter named by the preceding
    // read-select, so the select goes out even if it reports failure: the GET
    // still tells whether the camera answered at all.
    const Status selectStatus =
        WriteCommand(trace, channel, (id | CMD_READ_SELECT_BIT) & 0xFF, word0, word1, 1, &slot);

    // The answer lands in a byte of our own, so a GET that fails half-way cannot
    // leave a torn value in the caller's slot.
    std::uint8_t answer = slot;
    const Status getStatus = channel->GetProperty(id & 0xFF, &answer, 1);
    if (getStatus == STATUS_OK) slot = answer;

    return selectStatus != STATUS_OK ? selectStatus : getStatus;
}

int IsDevicePresent(ChannelFactory& factory) {
    const std::unique_ptr<DeviceChannel> channel = factory.CreateChannel();
    if (!channel) return 0;
    return channel->IsPresent() == 0 ? 1 : 0;
}

}  // namespace tessmo
