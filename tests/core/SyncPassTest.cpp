// The sync pass end to end, from the catalogue and a recording window through the channel
// to the simulated camera: what the camera receives, the window shows, the catalogue holds.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/Text.h"
#include "device/CDeviceChannel.h"
#include "support/DeviceFakes.h"
#include "sync/SyncPass.h"

namespace tessmo {
namespace {

using devicetest::Join;
using devicetest::Lines;
using devicetest::Wire;
using Indices = std::vector<std::uint16_t>;

// What the pass does to the window, each event stamped "@<camera requests so far>".
struct RecordingView final : SyncView {
    explicit RecordingView(const SimulatedCamera& simulated) : camera(simulated) {}
    void SuspendListDrawing() override { Note("suspend"); }
    void ResumeListDrawing() override { Note("resume"); }
    void SetValueCell(int row, const std::u16string& text) override {
        Note("cell " + std::to_string(row) + " " + ToUtf8(text));
    }
    void ShowMessage(const std::u16string& text) override { Note("message " + ToUtf8(text)); }
    LocalTime GetLocalTime() override {
        Note("clock");
        return {2024, 2, 29, 14, 5, 9};
    }
    void Note(const std::string& event) {
        events.push_back(event + "@" + std::to_string(camera.PropertyRequestCount()));
    }
    const SimulatedCamera& camera;
    Lines events;
};

// Makes real channels for the first `left` requests, then none.
struct RationedFactory final : ChannelFactory {
    RationedFactory(ChannelFactory& factory, int channels) : real(factory), left(channels) {}
    std::unique_ptr<DeviceChannel> CreateChannel() override {
        return left-- > 0 ? real.CreateChannel() : nullptr;
    }
    ChannelFactory& real;
    int left;
};

ParamItem Item(std::uint16_t paraIdx, std::vector<std::u16string> options, std::uint16_t curIdx = kNoOption) {
    return {u"", std::move(options), u"", paraIdx, curIdx, 0};
}

// The catalogue most cases use: resolution, microphone, mode; the camera holds 2, 1, 0.
ParamList ThreeParams(std::uint16_t res = kNoOption, std::uint16_t mic = kNoOption,
                      std::uint16_t mode = kNoOption) {
    return {Item(1, {u"1080p", u"720p", u"480p"}, res), Item(7, {u"Off", u"On"}, mic),
            Item(0x0102, {u"Auto", u"Manual", u"Night"}, mode)};
}

const Lines kReads{"SET 26 01 00 00 00 00", "GET 10 02", "SET 26 07 00 00 00 02", "GET 10 01",
                   "SET 26 02 01 00 00 01", "GET 10 00"};
const Lines kClock{"SET 13 00 00 00 00 E8 07 02 00 1D 00", "SET 13 00 00 01 00 0E 00 05 00 09 00"};

TEST(SyncPassTest, AdoptsComparesWritesAndReports) {
    // The slot still holds the resolution's 2; after a failed select the GET even answers for it.
    const Lines selectFailed = Join({kReads[0], kReads[1], "SET 26 07 00 00 00 02 failed", "GET 10 02",
                                     "SET 26 02 01 00 00 02", "GET 10 00"},
                                    kClock);
    const Lines quietEvents{"suspend@0", "resume@6", "clock@6"};
    const Lines notFound{"message Device not found!@0"};
    struct Case {
        const char* name;
        ParamList list;
        Indices curIdx;  // afterwards
        Lines wire = {}, events;
        int writesTried = 0;  // "Send Cmd,ID:11" in the trace
        std::size_t failingRequest = 0, vanishAfter = 0;
        bool present = true;
        int channels = 99;
    };
    // clang-format off
    const Case cases[] = {
        {.name = "FirstPassAdopts", .list = ThreeParams(), .curIdx = {2, 1, 0}, .wire = Join(kReads, kClock),
         .events = {"suspend@0", "cell 0 480p@2", "cell 1 On@4", "cell 2 Auto@6", "resume@6", "clock@6"}},
        // "Sync OK!" only when something was written and every write returned 0.
        {.name = "TwoChangedWrittenInCatalogueOrder", .list = ThreeParams(0, 1, 2), .curIdx = {0, 1, 2},
         .wire = Join(kReads, kClock, {"SET 11 01 00 00 00 00", "SET 11 02 01 00 00 02"}),
         .events = Join(quietEvents, {"message Sync OK!@10"}), .writesTried = 2},
        {.name = "NoneChanged", .list = ThreeParams(2, 1, 0), .curIdx = {2, 1, 0}, .wire = Join(kReads, kClock),
         .events = quietEvents},
        // The camera's value is adopted even with no option to show for it.
        {.name = "ValueOutsideTheOptions", .list = {Item(3, {u"A", u"B"}), Item(4, {})}, .curIdx = {2, 0},
         .wire = Join({"SET 26 03 00 00 00 00", "GET 10 02", "SET 26 04 00 00 00 02", "GET 10 00"}, kClock),
         .events = {"suspend@0", "resume@4", "clock@4"}},
        // The camera stores one byte: 300 goes out as 44, and so differs again next pass.
        {.name = "IndexBeyondOneByte", .list = {Item(5, std::vector<std::u16string>(301, u"z"), 300)},
         .curIdx = {300},
         .wire = Join({"SET 26 05 00 00 00 00", "GET 10 00"}, kClock, {"SET 11 05 00 00 00 2C"}),
         .events = {"suspend@0", "resume@2", "clock@2", "message Sync OK!@5"}, .writesTried = 1},
        // Cleared all the same: the next pass finds the old value and tries again.
        {.name = "FirstWriteFails", .list = ThreeParams(0, 1, 2), .curIdx = {0, 1, 2},
         .wire = Join(kReads, kClock, {"SET 11 01 00 00 00 00 failed", "SET 11 02 01 00 00 02"}),
         .events = quietEvents, .writesTried = 2, .failingRequest = 9},
        // A failed read leaves the item alone (how a read fails is the framing test's).
        {.name = "ChosenItemWhoseSelectFails", .list = ThreeParams(kNoOption, 0), .curIdx = {2, 0, 0},
         .wire = selectFailed,
         .events = {"suspend@0", "cell 0 480p@2", "cell 2 Auto@6", "resume@6", "clock@6"},
         .failingRequest = 3},
        // The resolution's write is still tried; it finds no camera, so no "Sync OK!".
        {.name = "CameraVanishesAfterTheFirstRead", .list = ThreeParams(0, kNoOption, 2),
         .curIdx = {0, kNoOption, 2}, .wire = {kReads.begin(), kReads.begin() + 2},
         .events = {"suspend@0", "resume@2", "clock@2"}, .writesTried = 1, .vanishAfter = 2},
        {.name = "CameraAbsent", .list = ThreeParams(kNoOption, 1, 0), .curIdx = {kNoOption, 1, 0},
         .events = notFound, .present = false},
        {.name = "NoChannelAtAll", .list = ThreeParams(kNoOption, 1, 0), .curIdx = {kNoOption, 1, 0},
         .events = notFound, .channels = 0},
        // The presence check sees the camera, but no channel can be had for the pass.
        {.name = "NoChannelForThePass", .list = ThreeParams(kNoOption, 1, 0), .curIdx = {kNoOption, 1, 0},
         .wire = {}, .events = {"suspend@0", "resume@0", "clock@0"}, .channels = 1},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedCamera camera;
        camera.SetOption(1, 2);
        camera.SetOption(7, 1);
        camera.SetOption(3, 2);
        camera.FailPropertyRequest(c.failingRequest, SIM_STATUS_DEVICE_GONE);
        camera.VanishAfterRequests(c.vanishAfter);
        camera.SetCameraPresent(c.present);
        TraceCollector trace;
        CaptureChannelFactory factory(camera, trace);
        RationedFactory channels(factory, c.channels);
        RecordingView view(camera);
        ParamList list = c.list;
        SyncWithCamera(list, channels, view, trace);

        EXPECT_EQ(Wire(camera), c.wire);
        EXPECT_EQ(view.events, c.events);
        const Lines lines = trace.Lines();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "Send Cmd,ID:11"), c.writesTried);
        // No lookup is cached: one for the presence check and one per request, 2n + 3 + k
        // for n items and k writes once the pass has a channel.
        const std::size_t passDiscoveries = 2 * c.list.size() + 2 + static_cast<std::size_t>(c.writesTried);
        const bool passRan = c.present && c.channels > 1;
        EXPECT_EQ(camera.DiscoveryRuns(), c.channels == 0 ? 0 : 1 + (passRan ? passDiscoveries : 0));
        EXPECT_TRUE(devicetest::AllGivenBack(camera));
        // What the camera model holds: the clock the pass read once and, after a pass where
        // nothing failed, each chosen option as its one byte.
        const bool clockSet =
            std::search(c.wire.begin(), c.wire.end(), kClock.begin(), kClock.end()) != c.wire.end();
        EXPECT_EQ(camera.LastDate(), clockSet ? std::optional(ClockSetting{2024, 2, 29}) : std::nullopt);
        EXPECT_EQ(camera.LastTime(), clockSet ? std::optional(ClockSetting{14, 5, 9}) : std::nullopt);
        Indices curIdx;
        for (const ParamItem& item : list) {
            EXPECT_EQ(item.Dirty, 0) << "no item is left marked for writing: " << item.ParaIdx;
            curIdx.push_back(item.CurIdx);
            if (c.failingRequest == 0 && c.vanishAfter == 0 && item.CurIdx != kNoOption) {
                EXPECT_EQ(camera.Option(item.ParaIdx), item.CurIdx & 0xFF) << item.ParaIdx;
            }
        }
        EXPECT_EQ(curIdx, c.curIdx);
    }
}

}  // namespace
}  // namespace tessmo
