#pragma once
#include <cstdint>
#include <string>

#include "common/Trace.h"
#include "config/ParamItem.h"
#include "device/DeviceChannel.h"

namespace tessmo {

inline constexpr char16_t kMsgDeviceNotFound[] = u"Device not found!";
inline constexpr char16_t kMsgSyncOk[] = u"Sync OK!";

struct LocalTime {
    std::uint16_t year, month, day, hour, minute, second;
};

// What the sync pass needs of the window around it.
class SyncView {
public:
    virtual ~SyncView() = default;
    virtual void SuspendListDrawing() = 0;
    virtual void ResumeListDrawing() = 0;
    // Text of column 1 of `row`; no colour is passed.
    virtual void SetValueCell(int row, const std::u16string& text) = 0;
    // Shows whether the value of `row` is not yet in the camera (the dialog paints it
    // red). Views that show no such mark need not implement it.
    virtual void MarkValueCell(int /*row*/, bool /*differsFromCamera*/) {}
    // A message box: the text, an empty caption, an OK button; returns when closed.
    virtual void ShowMessage(const std::u16string& text) = 0;
    virtual LocalTime GetLocalTime() = 0;
};

// Reads every parameter from the camera, adopts values the catalogue lacks, marks
// the user's differing choices, sets the camera's clock and writes what was marked.
// Every item's CameraIdx follows what the camera answered or accepted, and before any
// message is shown every value cell is marked by whether it differs from the camera.
void SyncWithCamera(ParamList& list, ChannelFactory& channels, SyncView& view, TraceSink& trace);

}  // namespace tessmo
