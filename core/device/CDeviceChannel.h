#pragma once
// The channel over the capture stack: it finds the camera anew for every request,
// binds its filter, asks for the extension-unit control and issues one property
// request, giving everything back before it returns.
#include <memory>
#include <string>

#include "common/Trace.h"
#include "device/CaptureStack.h"
#include "device/DeviceChannel.h"

namespace tessmo {

// The camera's identity, matched from character 16 of a moniker's display name,
// ASCII case ignored.
inline constexpr char16_t CAMERA_MONIKER_PREFIX[] = u"USB#Vid_04fc&Pid_6333";
inline constexpr std::size_t CAMERA_MONIKER_OFFSET = 16;
inline constexpr std::size_t DISPLAY_NAME_CHARS = 512;

// True when `displayName` carries the camera's identity at character 16.
bool IsCameraDisplayName(std::u16string_view displayName);

class CDeviceChannel final : public DeviceChannel {
public:
    CDeviceChannel(CaptureStack& stack, TraceSink& trace) : stack_(stack), trace_(trace) {}

    // 1 with *filter holding the camera's bound filter; 0 with *filter null. Null filter: 0.
    int FindCaptureFilter(std::unique_ptr<CaptureFilter>* filter);

    Status SetProperty(std::uint32_t id, std::uint8_t* data, std::uint32_t length) override;
    Status GetProperty(std::uint32_t id, std::uint8_t* data, std::uint32_t length) override;
    int IsPresent() override;

private:
    CaptureStack& stack_;
    TraceSink& trace_;
};

class CaptureChannelFactory final : public ChannelFactory {
public:
    CaptureChannelFactory(CaptureStack& stack, TraceSink& trace) : stack_(stack), trace_(trace) {}
    std::unique_ptr<DeviceChannel> CreateChannel() override;

private:
    CaptureStack& stack_;
    TraceSink& trace_;
};

}  // namespace tessmo
