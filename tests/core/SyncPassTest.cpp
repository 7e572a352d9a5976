// The sync pass end to end: the catalogue and a recording window on one side, the
// channel and the simulated camera on the other. What counts is what the camera
// receives, what the window shows and what the catalogue holds afterwards.
#include <gtest/gtest.h>

#include <algorithm>

#include "device/CDeviceChannel.h"
#include "device/SimulatedCamera.h"
#include "support/DeviceFakes.h"
#include "sync/SyncPass.h"

namespace tessmo {
namespace {

using devicetest::PrintTo;
using devicetest::Hex;
using devicetest::RecordingSyncView;
using devicetest::ScriptedFactory;

constexpr std::uint16_t kUnset = kNoOption;

ParamItem Item(std::u16string name, std::uint16_t paraIdx, std::vector<std::u16string> options,
               std::uint16_t curIdx = kUnset) {
    ParamItem item;
    item.MainStr = std::move(name);
    item.SubStrs = std::move(options);
    item.ParaIdx = paraIdx;
    item.CurIdx = curIdx;
    return item;
}

// The catalogue most cases use: three parameters, the camera holding 2, 1, 0.
ParamList ThreeParams(std::uint16_t res = kUnset, std::uint16_t mic = kUnset, std::uint16_t mode = kUnset) {
    return {Item(u"Resolution", 1, {u"1080p", u"720p", u"480p"}, res), Item(u"Microphone", 7, {u"Off", u"On"}, mic),
            Item(u"Mode", 0x0102, {u"Auto", u"Manual", u"Night"}, mode)};
}

const std::vector<std::string> kReadThree{"SET 26 01 00 00 00 00", "GET 10 02", "SET 26 07 00 00 00 02", "GET 10 01",
                                          "SET 26 02 01 00 00 01", "GET 10 00"};
const std::vector<std::string> kClock{"SET 13 00 00 00 00 E8 07 02 00 1D 00", "SET 13 00 00 01 00 0E 00 05 00 09 00"};

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class SyncPassTest : public ::testing::Test {
protected:
    SyncPassTest() {
        camera_.SetOption(1, 2);
        camera_.SetOption(7, 1);
        camera_.SetOption(0x0102, 0);
    }

    void Pass(ParamList& list) {
        SyncWithCamera(list, factory_, view_, trace_);
        EXPECT_EQ(camera_.Live().Total(), 0u) << "a request kept something";
        EXPECT_EQ(camera_.ComBalance(), 0);
        EXPECT_EQ(camera_.ReleasesOutsideCom(), 0u);
    }

    // What reached the camera: "SET <id> <bytes>", "GET <id> <bytes returned>", and
    // " failed" after a request that did not succeed.
    std::vector<std::string> Wire() const {
        std::vector<std::string> out;
        for (const PropertyRequest& r : camera_.Requests()) {
            std::string line = (r.kind == RequestKind::Set ? "SET " : "GET ") + std::to_string(r.id);
            if (!r.bytes.empty()) line += " " + Hex(r.bytes);
            if (r.result != HR_S_OK) line += " failed";
            out.push_back(line);
        }
        return out;
    }

    static std::vector<std::uint16_t> CurIdx(const ParamList& list) {
        std::vector<std::uint16_t> out;
        for (const auto& item : list) out.push_back(item.CurIdx);
        return out;
    }
    static bool AnyDirty(const ParamList& list) {
        for (const auto& item : list)
            if (item.Dirty != 0) return true;
        return false;
    }

    SimulatedCamera camera_;
    TraceCollector trace_;
    CaptureChannelFactory factory_{camera_, trace_};
    RecordingSyncView view_;
};

TEST_F(SyncPassTest, FirstPassAdoptsShowsAndSetsTheClockOnly) {
    ParamList list = ThreeParams();
    view_.stamp = [this] { return camera_.PropertyRequestCount(); };
    Pass(list);

    EXPECT_EQ(Wire(), Concat(kReadThree, kClock));
    EXPECT_EQ(CurIdx(list), (std::vector<std::uint16_t>{2, 1, 0}));
    EXPECT_FALSE(AnyDirty(list));
    // Drawing is held from before the first request until the reads are done.
    EXPECT_EQ(view_.events, (std::vector<std::string>{"suspend@0", "cell 0 480p@2", "cell 1 On@4", "cell 2 Auto@6",
                                                      "resume@6", "clock@6"}));
    EXPECT_EQ(camera_.LastDate(), (ClockSetting{2024, 2, 29}));
    EXPECT_EQ(camera_.LastTime(), (ClockSetting{14, 5, 9}));
    // Presence check, two per read, two for the clock: nothing is cached.
    EXPECT_EQ(camera_.DiscoveryRuns(), 2u * 3 + 3);
}

TEST_F(SyncPassTest, FramingLinesNameOneChannelForThePass) {
    ParamList list{Item(u"Mic", 7, {u"Off", u"On"})};
    Pass(list);
    std::vector<std::string> framing;
    for (const auto& line : trace_.Lines())
        if (line.rfind("Read Device.", 0) == 0 || line.rfind("Write Device.", 0) == 0) framing.push_back(line);
    ASSERT_EQ(framing.size(), 4u);
    const std::string channel = framing[0].substr(std::string("Read Device.Device:").size(), sizeof(void*) * 2);
    EXPECT_NE(channel, FormatPointer(nullptr));
    EXPECT_EQ(framing, (std::vector<std::string>{"Read Device.Device:" + channel + "  10",
                                                 "Write Device.Device:" + channel + "  26",
                                                 "Write Device.Device:" + channel + "  13",
                                                 "Write Device.Device:" + channel + "  13"}));
}

TEST_F(SyncPassTest, UserChangesAreWrittenInCatalogueOrderAfterTheClock) {
    ParamList list = ThreeParams(0, 1, 2);  // the camera holds 2, 1, 0
    Pass(list);

    EXPECT_EQ(Wire(), Concat(Concat(kReadThree, kClock), {"SET 11 01 00 00 00 00", "SET 11 02 01 00 00 02"}));
    EXPECT_EQ(view_.Messages(), std::vector<std::string>{"Sync OK!"});
    EXPECT_EQ(view_.events.back(), "message Sync OK!");
    EXPECT_FALSE(AnyDirty(list));
    EXPECT_EQ(CurIdx(list), (std::vector<std::uint16_t>{0, 1, 2}));
    EXPECT_EQ(camera_.Option(1), 0);
    EXPECT_EQ(camera_.Option(0x0102), 2);
    EXPECT_EQ(camera_.DiscoveryRuns(), 2u * 3 + 3 + 2);
}

TEST_F(SyncPassTest, ChoiceEqualToTheCameraWritesNothingAndSaysNothing) {
    ParamList list = ThreeParams(2, 1, 0);
    Pass(list);
    EXPECT_EQ(Wire(), Concat(kReadThree, kClock));
    EXPECT_TRUE(view_.Messages().empty());
    EXPECT_EQ(view_.events, (std::vector<std::string>{"suspend", "resume", "clock"}));
}

TEST_F(SyncPassTest, IndexBeyondOneByteIsWrittenTruncatedEveryPass) {
    ParamList list{Item(u"Zoom", 5, std::vector<std::u16string>(301, u"z"), 300)};
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE("pass " + std::to_string(pass));
        camera_.ResetCounters();
        view_.events.clear();
        Pass(list);
        const auto wire = Wire();
        ASSERT_EQ(wire.size(), 5u);
        EXPECT_EQ(wire.back(), "SET 11 05 00 00 00 2C");
        EXPECT_EQ(view_.Messages(), std::vector<std::string>{"Sync OK!"});
        EXPECT_EQ(list[0].CurIdx, 300);
        EXPECT_EQ(camera_.Option(5), 44);
    }
}

TEST_F(SyncPassTest, EmptyCatalogueStillSetsTheClock) {
    ParamList list;
    Pass(list);
    EXPECT_EQ(Wire(), kClock);
    EXPECT_EQ(view_.events, (std::vector<std::string>{"suspend", "resume", "clock"}));
}

TEST_F(SyncPassTest, CameraValueOutsideTheOptionsIsAdoptedWithoutText) {
    camera_.SetOption(3, 5);
    camera_.SetOption(4, 0);
    ParamList list{Item(u"Two", 3, {u"A", u"B"}), Item(u"None", 4, {})};
    Pass(list);
    EXPECT_EQ(CurIdx(list), (std::vector<std::uint16_t>{5, 0}));
    EXPECT_EQ(view_.events, (std::vector<std::string>{"suspend", "resume", "clock"}));
}

TEST_F(SyncPassTest, AbsentCameraOnlySaysSo) {
    camera_.SetCameraPresent(false);
    ParamList list = ThreeParams(0, kUnset, 2);
    Pass(list);
    EXPECT_EQ(view_.events, std::vector<std::string>{"message Device not found!"});
    EXPECT_TRUE(camera_.Requests().empty());
    EXPECT_EQ(CurIdx(list), (std::vector<std::uint16_t>{0, kUnset, 2}));
    EXPECT_EQ(camera_.DiscoveryRuns(), 1u);
    for (const auto& line : trace_.Lines()) EXPECT_EQ(line.find("Device.Device:"), std::string::npos) << line;
}

// The presence check sees the camera, but no channel can be had for the pass.
TEST_F(SyncPassTest, WithoutAChannelNothingIsSentAndNothingIsGuessed) {
    CDeviceChannel presence(camera_, trace_);
    ScriptedFactory factory(presence);
    factory.refuse = [](int n) { return n > 0; };
    ParamList list = ThreeParams(kUnset, 1, 0);

    SyncWithCamera(list, factory, view_, trace_);

    EXPECT_TRUE(camera_.Requests().empty());
    EXPECT_EQ(CurIdx(list), (std::vector<std::uint16_t>{kUnset, 1, 0}));
    EXPECT_FALSE(AnyDirty(list));
    EXPECT_EQ(view_.events, (std::vector<std::string>{"suspend", "resume", "clock"}));
    const std::string none = FormatPointer(nullptr);
    std::vector<std::string> framing;
    for (const auto& line : trace_.Lines())
        if (line.find("Device.Device:") != std::string::npos) framing.push_back(line);
    EXPECT_EQ(framing, (std::vector<std::string>{"Read Device.Device:" + none + "  10",
                                                 "Read Device.Device:" + none + "  10",
                                                 "Read Device.Device:" + none + "  10",
                                                 "Write Device.Device:" + none + "  13",
                                                 "Write Device.Device:" + none + "  13"}));
}

// --- a read that fails leaves its item alone -------------------------------------------------

struct FailedReadCase {
    const char* name;
    std::size_t failingRequest;   // 3: Microphone's read-select, 4: its GET
    std::uint16_t micBefore;      // the camera holds 1; the item before reads 2
};

class SyncFailedReadTest : public SyncPassTest, public ::testing::WithParamInterface<FailedReadCase> {};

TEST_P(SyncFailedReadTest, ItemIsNeitherAdoptedNorMarked) {
    const FailedReadCase& c = GetParam();
    camera_.FailPropertyRequest(c.failingRequest, SIM_STATUS_DEVICE_GONE);
    ParamList list = ThreeParams(kUnset, c.micBefore, kUnset);
    Pass(list);

    EXPECT_EQ(list[1].CurIdx, c.micBefore);
    EXPECT_EQ(list[1].Dirty, 0);
    EXPECT_EQ(list[0].CurIdx, 2) << "the items around it are read as ever";
    EXPECT_EQ(list[2].CurIdx, 0);
    const auto wire = Wire();
    ASSERT_EQ(wire.size(), 8u) << "nothing is written";
    // The slot goes on with what it holds: the next read-select carries the 2 read
    // for the Resolution (when only the select failed, the GET still answered with
    // the parameter selected before, the Resolution, which is why that read is
    // not trusted either).
    EXPECT_EQ(wire[4], "SET 26 02 01 00 00 02");
    EXPECT_TRUE(view_.Messages().empty());
    for (const auto& event : view_.events) EXPECT_EQ(event.rfind("cell 1 ", 0), std::string::npos) << event;
}

INSTANTIATE_TEST_SUITE_P(
    Reads, SyncFailedReadTest,
    ::testing::Values(
        // The slot still holds the Resolution's 2: adopting or comparing it would be wrong.
        FailedReadCase{"UnsetItemWhoseGetFails", 4, kUnset},
        FailedReadCase{"UnsetItemWhoseSelectFails", 3, kUnset},
        FailedReadCase{"ChosenItemWhoseGetFails", 4, 0},
        FailedReadCase{"ChosenItemWhoseSelectFails", 3, 0}),
    devicetest::CaseName());

TEST_F(SyncPassTest, FailedWriteSuppressesSyncOkButOthersAreStillWritten) {
    camera_.FailPropertyRequest(2 * 3 + 2 + 1, SIM_STATUS_REQUEST_REFUSED);  // the first SET 11
    ParamList list = ThreeParams(0, 1, 2);
    Pass(list);
    const auto wire = Wire();
    ASSERT_EQ(wire.size(), 10u);
    EXPECT_EQ(wire[8], "SET 11 01 00 00 00 00 failed");
    EXPECT_EQ(wire[9], "SET 11 02 01 00 00 02");
    EXPECT_TRUE(view_.Messages().empty());
    EXPECT_FALSE(AnyDirty(list)) << "cleared whatever the write's outcome";
    EXPECT_EQ(camera_.Option(1), 2);
    EXPECT_EQ(camera_.Option(0x0102), 2);

    // The next pass finds the camera still holding the old value and tries again.
    camera_.ClearFaults();
    camera_.ResetCounters();
    Pass(list);
    EXPECT_EQ(Wire().back(), "SET 11 01 00 00 00 00");
    EXPECT_EQ(view_.Messages(), std::vector<std::string>{"Sync OK!"});
}

TEST_F(SyncPassTest, CameraVanishingMidPassIsSilentAndReleasesEverything) {
    camera_.VanishAfterRequests(2);  // after the Resolution's GET
    ParamList list = ThreeParams(0, kUnset, 2);
    Pass(list);

    EXPECT_EQ(Wire(), (std::vector<std::string>{"SET 26 01 00 00 00 00", "GET 10 02"}));
    EXPECT_EQ(CurIdx(list), (std::vector<std::uint16_t>{0, kUnset, 2}));
    EXPECT_FALSE(AnyDirty(list));
    EXPECT_FALSE(camera_.LastDate().has_value());
    EXPECT_TRUE(view_.Messages().empty()) << "the Resolution's write failed";
    EXPECT_EQ(view_.events, (std::vector<std::string>{"suspend", "resume", "clock"}));
    // The write of the changed Resolution was attempted and found no camera.
    const auto lines = trace_.Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Send Cmd,ID:11"), 1);
    EXPECT_EQ(lines.back(), "hr:1");
}

}  // namespace
}  // namespace tessmo
