#include "sync/SyncPass.h"

#include <array>
#include <memory>

#include "device/Commands.h"
#include "device/Framing.h"

namespace tessmo {
namespace {

// The list is not redrawn item by item while the camera is read; drawing comes
// back however the read phase ends.
class SuspendedDrawing {
public:
    explicit SuspendedDrawing(SyncView& view) : view_(view) { view_.SuspendListDrawing(); }
    ~SuspendedDrawing() { view_.ResumeListDrawing(); }
    SuspendedDrawing(const SuspendedDrawing&) = delete;
    SuspendedDrawing& operator=(const SuspendedDrawing&) = delete;

private:
    SyncView& view_;
};

constexpr std::uint32_t kClockDataBytes = 6;

// Three 16-bit little-endian numbers, the data of one clock write.
std::array<std::uint8_t, kClockDataBytes> ClockData(std::uint16_t a, std::uint16_t b, std::uint16_t c) {
    return {static_cast<std::uint8_t>(a & 0xFF), static_cast<std::uint8_t>(a >> 8),
            static_cast<std::uint8_t>(b & 0xFF), static_cast<std::uint8_t>(b >> 8),
            static_cast<std::uint8_t>(c & 0xFF), static_cast<std::uint8_t>(c >> 8)};
}

// Reads every item. Returns true when some item holds a choice the camera lacks.
bool ReadPhase(ParamList& list, DeviceChannel* channel, SyncView& view, TraceSink& trace,
               std::uint8_t& slot) {
    bool changed = false;
    for (std::size_t row = 0; row < list.size(); ++row) {
        ParamItem& item = list[row];
        // An unanswered read tells nothing about the camera: the slot still holds
        // the previous item's byte, and adopting or comparing it would put another
        // parameter's value into this one.
        if (ReadCommand(trace, channel, CMD_READ_VALUE, item.ParaIdx, 0, slot) != STATUS_OK) continue;

        const std::uint16_t value = slot;
        item.CameraIdx = value;
        if (item.CurIdx == kNoOption) {
            // Adopted even when the catalogue has no such option: the camera knows best,
            // and the user can still pick one of the listed options.
            item.CurIdx = value;
            if (value < item.SubStrs.size()) view.SetValueCell(static_cast<int>(row), item.SubStrs[value]);
        } else if (item.CurIdx != value) {
            changed = true;
            item.Dirty = 1;
        }
    }
    return changed;
}

void WriteClock(DeviceChannel* channel, SyncView& view, TraceSink& trace) {
    // One reading for both writes, so the date and the time belong to the same moment.
    const LocalTime now = view.GetLocalTime();
    const auto date = ClockData(now.year, now.month, now.day);
    const auto time = ClockData(now.hour, now.minute, now.second);
    WriteCommand(trace, channel, CMD_SET_CLOCK, 0, CLOCK_DATE, kClockDataBytes, date.data());
    WriteCommand(trace, channel, CMD_SET_CLOCK, 0, CLOCK_TIME, kClockDataBytes, time.data());
}

// Writes every marked item. Returns true when at least one was written and every write
// succeeded.
bool WritePhase(ParamList& list, DeviceChannel* channel, TraceSink& trace, std::uint8_t& slot) {
    bool allWritten = true;
    std::size_t written = 0;
    for (ParamItem& item : list) {
        if (item.Dirty != 1) continue;
        // Cleared whatever the write's outcome: a failed write is retried by the next
        // pass, which finds the camera still holding its old value.
        item.Dirty = 0;
        // The camera stores one byte; larger indices go out truncated.
        slot = static_cast<std::uint8_t>(item.CurIdx & 0xFF);
        ++written;
        if (WriteCommand(trace, channel, CMD_WRITE_VALUE, item.ParaIdx, 0, 1, &slot) != STATUS_OK) {
            allWritten = false;
            continue;
        }
        item.CameraIdx = slot;
    }
    return written != 0 && allWritten;
}

// Done before any message box opens: the pass touches neither the catalogue nor the
// list once a box is up, since the box's loop may deliver a removal that rebuilds both.
void MarkValueCells(const ParamList& list, SyncView& view) {
    for (std::size_t row = 0; row < list.size(); ++row) {
        view.MarkValueCell(static_cast<int>(row), list[row].CurIdx != list[row].CameraIdx);
    }
}

}  // namespace

void SyncWithCamera(ParamList& list, ChannelFactory& channels, SyncView& view, TraceSink& trace) {
    // Carries each byte read and each byte written; the first read-select sends 0.
    std::uint8_t slot = 0;

    if (IsDevicePresent(channels) == 0) {
        view.ShowMessage(kMsgDeviceNotFound);
        return;
    }

    std::unique_ptr<DeviceChannel> channel;
    bool changed = false;
    {
        const SuspendedDrawing suspended(view);
        // Without a channel every request answers "not found" and sends nothing.
        channel = channels.CreateChannel();
        changed = ReadPhase(list, channel.get(), view, trace, slot);
    }

    WriteClock(channel.get(), view, trace);

    const bool allWritten = changed && WritePhase(list, channel.get(), trace, slot);
    MarkValueCells(list, view);
    if (allWritten) view.ShowMessage(kMsgSyncOk);
}

}  // namespace tessmo
