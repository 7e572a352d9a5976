#include "UvcResponder.h"

#include <algorithm>

#include "device/Commands.h"

namespace tessmo::bench {
namespace {

constexpr std::uint8_t kClassInterfaceIn = 0xA1;   // class request, interface recipient, IN
constexpr std::uint8_t kClassInterfaceOut = 0x21;  // the same, OUT
constexpr std::uint8_t kControlInterface = 0;
constexpr std::uint8_t kStreamingInterface = 1;
constexpr std::uint8_t VC_REQUEST_ERROR_CODE_CONTROL = 0x02;
constexpr std::uint8_t VS_PROBE_CONTROL = 0x01;
constexpr std::uint8_t VS_COMMIT_CONTROL = 0x02;
constexpr std::uint8_t kInfoGet = 0x01, kInfoSet = 0x02;
constexpr std::uint8_t kReadSelect = CMD_READ_VALUE | CMD_READ_SELECT_BIT;

// Each extension-unit control: its payload size and whether the host may GET or SET it.
struct UnitControl {
    std::uint8_t selector;
    std::uint16_t length;
    std::uint8_t info;
};
constexpr std::array<UnitControl, 4> kUnitControls{{
    {CMD_READ_VALUE, 1, kInfoGet},
    {CMD_WRITE_VALUE, PAYLOAD_HEADER_BYTES + 1, kInfoSet},
    {CMD_SET_CLOCK, PAYLOAD_HEADER_BYTES + 6, kInfoSet},
    {kReadSelect, PAYLOAD_HEADER_BYTES + 1, kInfoSet},
}};

const UnitControl* FindControl(std::uint8_t selector) {
    for (const UnitControl& control : kUnitControls)
        if (control.selector == selector) return &control;
    return nullptr;
}

void PutLe(std::array<std::uint8_t, 34>& at, std::size_t offset, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        at[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

// One uncompressed 640x480 format at 30 frames/s, as the gadget's streaming descriptors say.
std::array<std::uint8_t, 34> DefaultProbe() {
    std::array<std::uint8_t, 34> probe{};
    probe[2] = 1;                        // bFormatIndex
    probe[3] = 1;                        // bFrameIndex
    PutLe(probe, 4, 333333, 4);          // dwFrameInterval, 100 ns units
    PutLe(probe, 18, 640 * 480 * 2, 4);  // dwMaxVideoFrameSize
    PutLe(probe, 22, 1024, 4);           // dwMaxPayloadTransferSize
    PutLe(probe, 26, 48000000, 4);       // dwClockFrequency
    return probe;
}

std::string Hex2(unsigned value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[(value >> 4) & 0xF], kDigits[value & 0xF]};
}

std::string Describe(const Setup& setup) {
    return "STALL " + Hex2(setup.requestType) + " " + Hex2(setup.request) + " " + Hex2(setup.value >> 8u) +
           Hex2(setup.value & 0xFFu) + " " + Hex2(setup.index >> 8u) + Hex2(setup.index & 0xFFu);
}

}  // namespace

std::string HexBytes(std::span<const std::uint8_t> bytes) {
    std::string out;
    for (const std::uint8_t b : bytes) out += " " + Hex2(b);
    return out;
}

UvcResponder::UvcResponder(CameraFirmware& camera, std::uint8_t unitId, Log log)
    : camera_(camera), unitId_(unitId), log_(std::move(log)), probe_(DefaultProbe()) {}

void UvcResponder::Reset() {
    errorCode_ = UVC_ERROR_NONE;
    pendingSet_.reset();
    pendingProbe_ = false;
    probe_ = DefaultProbe();
}

Answer UvcResponder::OnSetup(const Setup& setup) {
    pendingSet_.reset();
    pendingProbe_ = false;
    if (setup.requestType != kClassInterfaceIn && setup.requestType != kClassInterfaceOut)
        return Stall(UVC_ERROR_INVALID_REQUEST, Describe(setup));
    const auto interface = static_cast<std::uint8_t>(setup.index & 0xFFu);
    const auto entity = static_cast<std::uint8_t>(setup.index >> 8u);
    const auto selector = static_cast<std::uint8_t>(setup.value >> 8u);
    if (interface == kStreamingInterface && entity == 0) return Streaming(setup, selector);
    if (interface != kControlInterface) return Stall(UVC_ERROR_INVALID_REQUEST, Describe(setup));
    if (entity == unitId_) return ExtensionUnit(setup, selector);
    // uvcvideo asks this after every stall to choose the errno it reports; reading it
    // leaves it as it is.
    if (entity == 0 && selector == VC_REQUEST_ERROR_CODE_CONTROL && setup.request == UVC_GET_CUR) {
        log_("ERROR_CODE ->" + HexBytes(std::array{errorCode_}));
        return {false, {errorCode_}};
    }
    return Stall(UVC_ERROR_INVALID_CONTROL, Describe(setup));
}

Answer UvcResponder::ExtensionUnit(const Setup& setup, std::uint8_t selector) {
    const UnitControl* control = FindControl(selector);
    if (control == nullptr) return Stall(UVC_ERROR_INVALID_CONTROL, Describe(setup));
    const std::string name = std::to_string(selector);
    switch (setup.request) {
        case UVC_GET_LEN:
            return Reply({static_cast<std::uint8_t>(control->length), 0}, "GET_LEN " + name);
        case UVC_GET_INFO:
            return Reply({control->info}, "GET_INFO " + name);
        case UVC_GET_CUR:
            if (control->info != kInfoGet) break;
            return ReadValue(selector, setup.length);
        case UVC_SET_CUR:
            if (control->info != kInfoSet || setup.length != control->length) break;
            // A control transfer's status stage follows its data at once, so a failure
            // must be decided before the payload is seen.
            if (camera_.NextRequestFails()) {
                const FirmwareReply reply = camera_.Receive(RequestKind::Set, selector, {});
                return Stall(static_cast<std::uint8_t>(reply.code),
                             "SET " + name + " stall " + std::to_string(reply.code));
            }
            pendingSet_ = selector;
            errorCode_ = UVC_ERROR_NONE;
            return {false, std::vector<std::uint8_t>(setup.length)};
        default:
            break;
    }
    return Stall(UVC_ERROR_INVALID_REQUEST, Describe(setup));
}

Answer UvcResponder::ReadValue(std::uint8_t selector, std::uint16_t length) {
    std::vector<std::uint8_t> answer(length);
    const FirmwareReply reply = camera_.Receive(RequestKind::Get, selector, answer);
    const std::string name = "GET " + std::to_string(selector);
    switch (reply.result) {
        case FirmwareResult::Done: {
            answer.resize(reply.written);
            const std::string line = name + HexBytes(answer);
            return Reply(std::move(answer), line);
        }
        case FirmwareResult::Failed:
            return Stall(static_cast<std::uint8_t>(reply.code),
                         name + " stall " + std::to_string(reply.code));
        case FirmwareResult::Absent:
            return Stall(UVC_ERROR_NOT_READY, name + " stall absent");
        default:
            return Stall(UVC_ERROR_INVALID_REQUEST, name + " stall refused");
    }
}

void UvcResponder::OnData(std::span<const std::uint8_t> data) {
    if (pendingProbe_) {
        std::copy_n(data.begin(), std::min(data.size(), probe_.size()), probe_.begin());
        pendingProbe_ = false;
        return;
    }
    if (!pendingSet_) return;
    const std::uint8_t selector = *pendingSet_;
    pendingSet_.reset();
    std::vector<std::uint8_t> payload(data.begin(), data.end());
    const FirmwareReply reply = camera_.Receive(RequestKind::Set, selector, payload);
    // The host has already seen the transfer succeed; a refusal can only be noted.
    const bool done = reply.result == FirmwareResult::Done;
    errorCode_ = done ? UVC_ERROR_NONE : UVC_ERROR_INVALID_REQUEST;
    log_("SET " + std::to_string(selector) + HexBytes(data) + (done ? "" : " refused"));
}

Answer UvcResponder::Streaming(const Setup& setup, std::uint8_t selector) {
    if (selector != VS_PROBE_CONTROL && selector != VS_COMMIT_CONTROL)
        return Stall(UVC_ERROR_INVALID_CONTROL, Describe(setup));
    const std::string name = selector == VS_PROBE_CONTROL ? "PROBE" : "COMMIT";
    switch (setup.request) {
        case UVC_SET_CUR:
            pendingProbe_ = true;
            log_(name + " SET_CUR");
            return {false, std::vector<std::uint8_t>(std::min<std::size_t>(setup.length, probe_.size()))};
        case UVC_GET_INFO:
            return Reply({kInfoGet | kInfoSet}, name + " GET_INFO");
        case UVC_GET_LEN:
            return Reply({static_cast<std::uint8_t>(probe_.size()), 0}, name + " GET_LEN");
        case UVC_GET_CUR:
        case UVC_GET_MIN:
        case UVC_GET_MAX:
        case UVC_GET_DEF: {
            const std::size_t n = std::min<std::size_t>(setup.length, probe_.size());
            return Reply({probe_.begin(), probe_.begin() + static_cast<std::ptrdiff_t>(n)},
                         name + " GET " + Hex2(setup.request));
        }
        default:
            return Stall(UVC_ERROR_INVALID_REQUEST, Describe(setup));
    }
}

Answer UvcResponder::Stall(std::uint8_t code, const std::string& line) {
    errorCode_ = code;
    log_(line);
    return {true, {}};
}

Answer UvcResponder::Reply(std::vector<std::uint8_t> bytes, const std::string& line) {
    errorCode_ = UVC_ERROR_NONE;
    log_(line);
    return {false, std::move(bytes)};
}

}  // namespace tessmo::bench
