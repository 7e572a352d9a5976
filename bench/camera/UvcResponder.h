#pragma once
// What the camera answers on its USB control endpoint, one class request at a time, as
// the kernel's UVC gadget function hands them to userspace: the extension unit's
// controls (through the shared camera model), the VideoControl request-error-code
// control that uvcvideo reads after every stall, and the streaming probe/commit that
// uvcvideo negotiates while probing. Anything else stalls at once, so the host never
// waits for a timeout. Free of system headers, so the answers are tested natively.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/CameraFirmware.h"

namespace tessmo::bench {

// The setup packet of one control transfer (USB 2.0 table 9-2), as the gadget gives it:
// the interface byte of wIndex already rewritten to 0 (control) or 1 (streaming).
struct Setup {
    std::uint8_t requestType = 0;
    std::uint8_t request = 0;
    std::uint16_t value = 0;
    std::uint16_t index = 0;
    std::uint16_t length = 0;
};

// UVC class-specific request codes and error codes (the VideoControl error-code control).
inline constexpr std::uint8_t UVC_SET_CUR = 0x01, UVC_GET_CUR = 0x81, UVC_GET_MIN = 0x82, UVC_GET_MAX = 0x83,
                              UVC_GET_RES = 0x84, UVC_GET_LEN = 0x85, UVC_GET_INFO = 0x86, UVC_GET_DEF = 0x87;
inline constexpr std::uint8_t UVC_ERROR_NONE = 0, UVC_ERROR_NOT_READY = 1, UVC_ERROR_INVALID_CONTROL = 6,
                              UVC_ERROR_INVALID_REQUEST = 7;

struct Answer {
    bool stall = false;
    // IN: the bytes to send. OUT (a SET accepted): the size of the data stage to take.
    std::vector<std::uint8_t> bytes;
};

class UvcResponder {
public:
    using Log = std::function<void(const std::string&)>;

    // `unitId`: the extension unit's bUnitID, as the gadget assigned it.
    UvcResponder(CameraFirmware& camera, std::uint8_t unitId, Log log);

    Answer OnSetup(const Setup& setup);
    // The data stage of the SET that the last OnSetup accepted.
    void OnData(std::span<const std::uint8_t> data);
    // A new connection: nothing is pending and no error is reported.
    void Reset();

private:
    Answer ExtensionUnit(const Setup& setup, std::uint8_t selector);
    Answer ReadValue(std::uint8_t selector, std::uint16_t length);
    Answer Streaming(const Setup& setup, std::uint8_t selector);
    Answer Stall(std::uint8_t code, const std::string& line);
    Answer Reply(std::vector<std::uint8_t> bytes, const std::string& line);

    CameraFirmware& camera_;
    std::uint8_t unitId_;
    Log log_;
    std::uint8_t errorCode_ = UVC_ERROR_NONE;
    std::optional<std::uint8_t> pendingSet_;  // extension-unit selector awaiting its data
    std::array<std::uint8_t, 34> probe_{};    // the last probe/commit the host set
    bool pendingProbe_ = false;
};

// " 07 00 00 00 21": each byte with a leading space, upper-case hex.
std::string HexBytes(std::span<const std::uint8_t> bytes);

}  // namespace tessmo::bench
