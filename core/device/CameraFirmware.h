#pragma once
// The camera's extension-unit firmware, modelled once for every front end: the
// simulated capture stack (tests, demos, `tessmo-ctl --simulated`) and the gadget
// firmware that meets the real uvcvideo driver on the camera bench. A protocol rule
// or a fault written here holds on both paths.
//
//   SET 26 [ParaIdx, 0, byte]   selects ParaIdx for the next read; the byte is ignored
//   GET 10, 1 byte              returns the selected parameter's option byte
//   SET 11 [ParaIdx, 0, byte]   stores the byte as ParaIdx's option
//   SET 13 [0, 0, y, m, d]      sets the date;  SET 13 [0, 1, h, m, s] sets the time
//
// Words are 16-bit little-endian. Anything else (another id, a wrong length, a GET of
// a SET-only id, a GET before any read-select) is refused. A request that is refused,
// fails or finds the camera gone changes nothing.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>

namespace tessmo {

enum class RequestKind { Set, Get, Other };

struct ClockSetting {
    std::uint16_t first, second, third;  // year, month, day  or  hour, minute, second
    friend bool operator==(const ClockSetting&, const ClockSetting&) = default;
};

enum class FirmwareResult {
    Done,
    Refused,         // not a request the protocol knows, or malformed
    BufferTooSmall,  // a GET with no room for the answer
    Failed,          // told to fail this request (FailRequest)
    Absent,          // the camera is unplugged
    NotAddressed,    // reached the camera but not its extension unit (RequestKind::Other)
};

struct FirmwareReply {
    FirmwareResult result = FirmwareResult::Done;
    std::int32_t code = 0;      // Failed: the code given to FailRequest
    std::uint32_t written = 0;  // GET done: bytes of the answer
};

class CameraFirmware {
public:
    using OptionTable = std::map<std::uint16_t, std::uint8_t>;

    // The option byte held for a parameter; 0 until set.
    void SetOption(std::uint16_t paraIdx, std::uint8_t value) { options_[paraIdx] = value; }
    std::uint8_t Option(std::uint16_t paraIdx) const;
    // Only the parameters that were ever set, in ParaIdx order.
    const OptionTable& Options() const { return options_; }
    // The last date and time written with SET 13, if any.
    std::optional<ClockSetting> LastDate() const { return date_; }
    std::optional<ClockSetting> LastTime() const { return time_; }

    void SetPresent(bool present) { present_ = present; }
    bool Present() const { return present_; }

    // Requests are numbered from 1, counting every request the camera receives since
    // construction or ResetCount. The n-th fails with `code` (whose meaning is the
    // front end's: a status, a USB request error code) and reaches no firmware; the
    // fault is spent once it has struck.
    void FailRequest(std::size_t n, std::int32_t code) { failures_[n] = code; }
    // The camera is unplugged right after answering the n-th request (0: never).
    void VanishAfterRequests(std::size_t n) { vanishAfter_ = n; }
    void ClearFaults();
    // Whether the next request is to fail: a front end that must refuse a SET before
    // its payload arrives (a USB control transfer) asks here.
    bool NextRequestFails() const { return failures_.contains(count_ + 1); }
    std::size_t RequestCount() const { return count_; }
    void ResetCount() { count_ = 0; }

    // One request. SET: `data` is the payload. GET: `data` receives the answer.
    FirmwareReply Receive(RequestKind kind, std::uint32_t id, std::span<std::uint8_t> data);

private:
    FirmwareResult Set(std::uint32_t id, std::span<const std::uint8_t> payload);
    FirmwareReply Get(std::uint32_t id, std::span<std::uint8_t> answer) const;

    OptionTable options_;
    std::optional<std::uint16_t> selected_;  // ParaIdx named by the last read-select
    std::optional<ClockSetting> date_;
    std::optional<ClockSetting> time_;
    bool present_ = true;
    std::map<std::size_t, std::int32_t> failures_;
    std::size_t vanishAfter_ = 0;
    std::size_t count_ = 0;
};

}  // namespace tessmo
