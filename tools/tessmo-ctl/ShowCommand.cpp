// show: one presence check, then one read (SET 26, GET 10) per parameter in catalogue
// order. Nothing is written, not even the clock.
#include "Ctl.h"
#include "Output.h"
#include "device/Commands.h"
#include "device/Framing.h"

namespace tessmo::ctl {

int RunShow(Session& session) {
    if (IsDevicePresent(session.channels) == 0) {
        Complain("no camera found");
        return kExitNoCamera;
    }
    const std::unique_ptr<DeviceChannel> channel = session.channels.CreateChannel();
    // One slot for every read, as in the sync pass, so the wire is the pass's read phase.
    std::uint8_t slot = 0;
    std::vector<ValueReport> values;
    bool unanswered = false;
    bool denied = false;
    for (const ParamItem& item : session.list) {
        const Status status =
            ReadCommand(session.trace, channel.get(), CMD_READ_VALUE, item.ParaIdx, 0, slot);
        if (status == STATUS_OK) {
            values.push_back({&item, slot});
            continue;
        }
        values.push_back({&item, std::nullopt});
        unanswered = true;
        denied = denied || status == HR_E_ACCESSDENIED;
        if (!denied)
            Complain(NameOf(item) + ": the camera did not answer the read (" + DescribeStatus(status) + ")");
    }
    PrintResult(session.json ? "{\"parameters\":" + JsonArray(values) + "}\n" : TextLines(values));
    if (denied) return ComplainCameraUnusable();
    return unanswered ? kExitUnanswered : kExitDone;
}

}  // namespace tessmo::ctl
