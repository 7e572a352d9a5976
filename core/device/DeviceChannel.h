#pragma once
// The channel contract every camera request goes through. A channel keeps nothing
// between calls: each request stands alone.
#include <cstdint>
#include <memory>

#include "device/Commands.h"

namespace tessmo {

class DeviceChannel {
public:
    virtual ~DeviceChannel() = default;
    // id: a property id already reduced to 8 bits.
    virtual Status SetProperty(std::uint32_t id, std::uint8_t* data, std::uint32_t length) = 0;
    // On 0 the first `length` bytes of data hold the camera's answer; an answer of fewer
    // bytes is a failure (HR_INVALID_DATA). On failure data may hold anything.
    virtual Status GetProperty(std::uint32_t id, std::uint8_t* data, std::uint32_t length) = 0;
    // 0 = the camera is there, -1 = it is not.
    virtual int IsPresent() = 0;
};

// Makes the channel for one presence check or one sync pass. May return null,
// in which case requests are answered with STATUS_NOT_FOUND and nothing is sent.
class ChannelFactory {
public:
    virtual ~ChannelFactory() = default;
    virtual std::unique_ptr<DeviceChannel> CreateChannel() = 0;
};

// 1 when the camera is there, 0 otherwise (also when no channel can be made).
int IsDevicePresent(ChannelFactory& factory);

}  // namespace tessmo
