#include "device/CameraFirmware.h"

#include "device/Commands.h"

namespace tessmo {
namespace {

constexpr std::size_t kSelectLength = PAYLOAD_HEADER_BYTES + 1;
constexpr std::size_t kClockLength = PAYLOAD_HEADER_BYTES + 6;

std::uint16_t WordAt(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

}  // namespace

std::uint8_t CameraFirmware::Option(std::uint16_t paraIdx) const {
    const auto found = options_.find(paraIdx);
    return found != options_.end() ? found->second : 0;
}

void CameraFirmware::ClearFaults() {
    failures_.clear();
    vanishAfter_ = 0;
}

FirmwareReply CameraFirmware::Receive(RequestKind kind, std::uint32_t id, std::span<std::uint8_t> data) {
    const std::size_t n = ++count_;
    FirmwareReply reply;
    if (const auto failure = failures_.find(n); failure != failures_.end()) {
        reply = {FirmwareResult::Failed, failure->second, 0};
        // Spent: a soak that plants a fault in every pass keeps the table small.
        failures_.erase(failure);
    } else if (!present_) {
        reply.result = FirmwareResult::Absent;
    } else if (kind == RequestKind::Set) {
        reply.result = Set(id, data);
    } else if (kind == RequestKind::Get) {
        reply = Get(id, data);
    } else {
        reply.result = FirmwareResult::NotAddressed;
    }
    // The camera answers the request it leaves after: the host sees the loss on the next one.
    if (vanishAfter_ != 0 && n == vanishAfter_) present_ = false;
    return reply;
}

FirmwareResult CameraFirmware::Set(std::uint32_t id, std::span<const std::uint8_t> payload) {
    switch (id) {
        case CMD_READ_VALUE | CMD_READ_SELECT_BIT:
            if (payload.size() != kSelectLength) return FirmwareResult::Refused;
            // The byte after the words rides along with the select and means nothing to it.
            selected_ = WordAt(payload, 0);
            return FirmwareResult::Done;
        case CMD_WRITE_VALUE:
            if (payload.size() != kSelectLength) return FirmwareResult::Refused;
            options_[WordAt(payload, 0)] = payload[4];
            return FirmwareResult::Done;
        case CMD_SET_CLOCK: {
            if (payload.size() != kClockLength || WordAt(payload, 0) != 0) return FirmwareResult::Refused;
            const ClockSetting setting{WordAt(payload, 4), WordAt(payload, 6), WordAt(payload, 8)};
            switch (WordAt(payload, 2)) {
                case CLOCK_DATE:
                    date_ = setting;
                    return FirmwareResult::Done;
                case CLOCK_TIME:
                    time_ = setting;
                    return FirmwareResult::Done;
                default:
                    return FirmwareResult::Refused;
            }
        }
        default:
            return FirmwareResult::Refused;
    }
}

FirmwareReply CameraFirmware::Get(std::uint32_t id, std::span<std::uint8_t> answer) const {
    if (id != CMD_READ_VALUE || !selected_) return {FirmwareResult::Refused, 0, 0};
    if (answer.empty()) return {FirmwareResult::BufferTooSmall, 0, 0};
    answer[0] = Option(*selected_);
    return {FirmwareResult::Done, 0, 1};
}

}  // namespace tessmo
