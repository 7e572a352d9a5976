// set and sync: one ordinary sync pass of the core. The pass reports nothing per
// request, so its channel is wrapped to note each request's outcome, which then says
// which parameter the camera did not answer and what was written.
#include <cstdio>

#include "Ctl.h"
#include "Output.h"
#include "device/Commands.h"

namespace tessmo::ctl {
namespace {

struct Outcome {
    std::uint32_t id = 0;
    std::uint16_t word1 = 0;
    Status status = STATUS_OK;
};

// Passes every call through unchanged: the wire stays exactly the pass's.
class RecordingChannel final : public DeviceChannel {
public:
    RecordingChannel(std::unique_ptr<DeviceChannel> inner, std::vector<Outcome>& log)
        : inner_(std::move(inner)), log_(log) {}

    Status SetProperty(std::uint32_t id, std::uint8_t* data, std::uint32_t length) override {
        const Status status = inner_->SetProperty(id, data, length);
        Outcome outcome{id, 0, status};
        if (length >= PAYLOAD_HEADER_BYTES)
            outcome.word1 = static_cast<std::uint16_t>(data[2] | data[3] << 8);
        log_.push_back(outcome);
        return status;
    }
    Status GetProperty(std::uint32_t id, std::uint8_t* data, std::uint32_t length) override {
        const Status status = inner_->GetProperty(id, data, length);
        log_.push_back({id, 0, status});
        return status;
    }
    int IsPresent() override { return inner_->IsPresent(); }

private:
    std::unique_ptr<DeviceChannel> inner_;
    std::vector<Outcome>& log_;
};

class RecordingFactory final : public ChannelFactory {
public:
    RecordingFactory(ChannelFactory& inner, std::vector<Outcome>& log) : inner_(inner), log_(log) {}
    std::unique_ptr<DeviceChannel> CreateChannel() override {
        std::unique_ptr<DeviceChannel> channel = inner_.CreateChannel();
        if (!channel) return nullptr;
        return std::make_unique<RecordingChannel>(std::move(channel), log_);
    }

private:
    ChannelFactory& inner_;
    std::vector<Outcome>& log_;
};

// The pass's window: messages become results, the clock is the system's.
class CliSyncView final : public SyncView {
public:
    explicit CliSyncView(const ParamList& list) : list_(list) {}
    void SuspendListDrawing() override {}
    void ResumeListDrawing() override {}
    void SetValueCell(int, const std::u16string&) override {}
    void ShowMessage(const std::u16string& text) override {
        notFound_ = notFound_ || text == kMsgDeviceNotFound;
    }
    // The pass asks for the time once, between its read and write phases: the rows
    // marked then are exactly the ones its write phase writes, in this order.
    LocalTime GetLocalTime() override {
        for (std::size_t row = 0; row < list_.size(); ++row) {
            if (list_[row].Dirty == 1) marked_.push_back(row);
        }
        clock_ = ReadLocalClock();
        return *clock_;
    }

    bool NotFound() const { return notFound_; }
    const std::vector<std::size_t>& Marked() const { return marked_; }
    const std::optional<LocalTime>& Clock() const { return clock_; }

private:
    const ParamList& list_;
    bool notFound_ = false;
    std::vector<std::size_t> marked_;
    std::optional<LocalTime> clock_;
};

constexpr std::uint32_t kReadSelect = CMD_READ_VALUE | CMD_READ_SELECT_BIT;

// What the pass did, request by request, in the pass's own order.
struct PassReport {
    std::vector<std::optional<Status>> reads;  // per row: the read's status (nullopt: never sent)
    Status date = STATUS_NOT_FOUND;
    Status time = STATUS_NOT_FOUND;
    std::vector<Status> writes;  // per marked row, in order
};

PassReport Summarise(const std::vector<Outcome>& log, std::size_t rows) {
    PassReport report;
    report.reads.resize(rows);
    std::size_t row = 0;
    for (const Outcome& request : log) {
        if (request.id == kReadSelect) {
            if (row < rows) report.reads[row] = request.status;
            ++row;
        } else if (request.id == CMD_READ_VALUE && row > 0 && row <= rows) {
            // A read counts as answered only when the select and the GET both were.
            if (report.reads[row - 1] == STATUS_OK) report.reads[row - 1] = request.status;
        } else if (request.id == CMD_SET_CLOCK) {
            (request.word1 == CLOCK_DATE ? report.date : report.time) = request.status;
        } else if (request.id == CMD_WRITE_VALUE) {
            report.writes.push_back(request.status);
        }
    }
    return report;
}

std::string ClockText(const LocalTime& t, char separator) {
    char text[48];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u%c%02u:%02u:%02u", unsigned{t.year}, unsigned{t.month},
                  unsigned{t.day}, separator, unsigned{t.hour}, unsigned{t.minute}, unsigned{t.second});
    return text;
}

// Says on stderr what the camera did not answer; true when everything was answered.
bool ReportFailures(const Session& session, const PassReport& report, const std::vector<std::size_t>& marked,
                    const std::vector<Pick>& picks) {
    bool answered = true;
    for (std::size_t row = 0; row < session.list.size(); ++row) {
        if (report.reads[row] == STATUS_OK) continue;
        answered = false;
        std::string message = NameOf(session.list[row]) + ": the camera did not answer the read (" +
                              DescribeStatus(report.reads[row].value_or(STATUS_NOT_FOUND)) + ")";
        for (const Pick& pick : picks) {
            if (pick.row == row)
                message += "; " + OptionLabel(session.list[row], pick.option) + " was not written";
        }
        Complain(message);
    }
    if (report.date != STATUS_OK || report.time != STATUS_OK) {
        answered = false;
        Complain("the camera did not take the date and time (" +
                 DescribeStatus(report.date != STATUS_OK ? report.date : report.time) + ")");
    }
    for (std::size_t k = 0; k < report.writes.size() && k < marked.size(); ++k) {
        if (report.writes[k] == STATUS_OK) continue;
        answered = false;
        const ParamItem& item = session.list[marked[k]];
        Complain(NameOf(item) + ": the camera did not take " + OptionLabel(item, item.CurIdx) + " (" +
                 DescribeStatus(report.writes[k]) + ")");
    }
    return answered;
}

void PrintWritten(const Session& session, const PassReport& report, const std::vector<std::size_t>& marked,
                  const std::optional<LocalTime>& clock) {
    const bool clockSet = clock && report.date == STATUS_OK && report.time == STATUS_OK;
    std::vector<ValueReport> written;
    for (std::size_t k = 0; k < report.writes.size() && k < marked.size(); ++k) {
        const ParamItem& item = session.list[marked[k]];
        if (report.writes[k] == STATUS_OK)
            written.push_back({&item, static_cast<std::uint8_t>(item.CurIdx & 0xFF)});
    }
    if (session.json) {
        const std::string clockJson = clockSet ? "\"" + ClockText(*clock, 'T') + "\"" : "null";
        PrintResult("{\"clock\":" + clockJson + ",\"written\":" + JsonArray(written) + "}\n");
        return;
    }
    PrintResult((clockSet ? "clock: " + ClockText(*clock, ' ') + "\n" : "") + TextLines(written));
}

}  // namespace

int RunSync(Session& session, const std::vector<Pick>& picks) {
    for (const Pick& pick : picks) session.list[pick.row].CurIdx = pick.option;
    std::vector<Outcome> log;
    RecordingFactory channels(session.channels, log);
    CliSyncView view(session.list);
    SyncWithCamera(session.list, channels, view, session.trace);
    if (view.NotFound()) {
        Complain("no camera found");
        return kExitNoCamera;
    }
    for (const Outcome& request : log) {
        if (request.status == HR_E_ACCESSDENIED) return ComplainCameraUnusable();
    }
    const PassReport report = Summarise(log, session.list.size());
    const bool answered = ReportFailures(session, report, view.Marked(), picks);
    PrintWritten(session, report, view.Marked(), view.Clock());
    return answered ? kExitDone : kExitUnanswered;
}

}  // namespace tessmo::ctl
