#pragma once
// Framing of the extension-unit commands into SET/GET byte blocks.
#include <cstdint>

#include "common/Trace.h"
#include "device/DeviceChannel.h"

namespace tessmo {

// Sends SET `id & 0xFF` with [word0, word1, data[0..length)]. Returns the channel's
// status; 1 with no channel; STATUS_PAYLOAD_TOO_LONG when length + 4 does not fit in
// 16 bits, STATUS_OUT_OF_MEMORY when the payload cannot be had (nothing sent either way).
Status WriteCommand(TraceSink& trace, DeviceChannel* channel, std::uint32_t id, std::uint16_t word0,
                    std::uint16_t word1, std::uint32_t length, const std::uint8_t* data);

// Reads one byte: SET read-select ((id | 0x10) & 0xFF) carrying the slot's current
// byte, then GET id & 0xFF into the slot. Both requests are always sent. Returns 0
// only when both succeeded (the slot then holds the camera's byte); otherwise the
// first failing status, 1 with no channel. A failed GET leaves the slot untouched.
Status ReadCommand(TraceSink& trace, DeviceChannel* channel, std::uint32_t id, std::uint16_t word0,
                   std::uint16_t word1, std::uint8_t& slot);

}  // namespace tessmo
