// The camera model both front ends share (the simulated stack here, the gadget firmware on
// the bench), and the simulated camera's own counts, on which every "gave everything back"
// check in the channel and sync tests rests.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "device/CDeviceChannel.h"
#include "device/CameraFirmware.h"
#include "support/DeviceFakes.h"
#include "sync/SyncPass.h"

namespace tessmo {
namespace {

using R = FirmwareResult;
using Bytes = std::vector<std::uint8_t>;

struct Step {
    RequestKind kind;
    std::uint32_t id;
    Bytes data;  // SET: the payload; GET: the room given (its content is ignored)
    R result;
    Bytes answer = {};  // GET: the bytes expected back
};

Step Set(std::uint32_t id, Bytes payload, R result = R::Done) {
    return {RequestKind::Set, id, std::move(payload), result};
}
Step Get(std::uint32_t id, std::size_t room, R result, Bytes answer = {}) {
    return {RequestKind::Get, id, Bytes(room, 0xEE), result, std::move(answer)};
}

struct ModelCase {
    std::string name;
    std::vector<Step> steps;
    std::map<std::uint16_t, std::uint8_t> options;  // after the steps; the camera starts with {7: 2}
    std::optional<ClockSetting> date = {};
    std::optional<ClockSetting> time = {};
    std::size_t failAt = 0;  // request told to fail with code -5
    std::size_t vanishAfter = 0;
};

TEST(CameraFirmwareTest, AnswersTheProtocolAndChangesNothingOnARefusal) {
    const Bytes select7{7, 0, 0, 0, 0x55};
    const std::vector<ModelCase> cases{
        {"ReadSelectThenRead",
         {Set(26, select7), Get(10, 1, R::Done, {2}), Get(10, 4, R::Done, {2})},
         {{7, 2}}},
        {"ReadOfAParameterNeverSet", {Set(26, {9, 1, 0, 0, 0}), Get(10, 1, R::Done, {0})}, {{7, 2}}},
        {"ReadBeforeAnySelect", {Get(10, 1, R::Refused)}, {{7, 2}}},
        {"ReadWithNoRoom", {Set(26, select7), Get(10, 0, R::BufferTooSmall)}, {{7, 2}}},
        {"GetOfASetOnlyId", {Set(26, select7), Get(11, 1, R::Refused), Get(26, 1, R::Refused)}, {{7, 2}}},
        {"WriteStoresByteFourOfWordZero",
         {Set(11, {0x02, 0x01, 0, 0, 3}), Set(11, {7, 0, 0, 0, 0})},
         {{7, 0}, {0x0102, 3}}},
        {"WriteOfTheWrongLength",
         {Set(11, {7, 0, 0, 0}, R::Refused), Set(11, {7, 0, 0, 0, 1, 1}, R::Refused)},
         {{7, 2}}},
        {"ClockDateAndTime",
         {Set(13, {0, 0, 0, 0, 0xE8, 0x07, 2, 0, 29, 0}), Set(13, {0, 0, 1, 0, 14, 0, 5, 0, 9, 0})},
         {{7, 2}},
         ClockSetting{2024, 2, 29},
         ClockSetting{14, 5, 9}},
        {"ClockWithABadWord",
         {Set(13, {0, 0, 2, 0, 1, 0, 2, 0, 3, 0}, R::Refused),
          Set(13, {1, 0, 0, 0, 1, 0, 2, 0, 3, 0}, R::Refused), Set(13, {0, 0, 0, 0, 1, 0}, R::Refused)},
         {{7, 2}}},
        {"UnknownIdAndNotAddressed",
         {Set(12, select7, R::Refused), {RequestKind::Other, 11, select7, R::NotAddressed}},
         {{7, 2}}},
        // The failed write reaches no firmware; the next request is served as usual.
        {"FailedRequestChangesNothing",
         {Set(11, {7, 0, 0, 0, 5}, R::Failed), Set(26, select7), Get(10, 1, R::Done, {2})},
         {{7, 2}},
         {},
         {},
         1},
        // The third request is answered; from the fourth on the camera is gone.
        {"VanishesAfterAnsweringTheNth",
         {Set(26, select7), Get(10, 1, R::Done, {2}), Set(11, {7, 0, 0, 0, 1}),
          Set(11, {7, 0, 0, 0, 4}, R::Absent), Get(10, 1, R::Absent)},
         {{7, 1}},
         {},
         {},
         0,
         3},
    };
    for (const ModelCase& c : cases) {
        SCOPED_TRACE(c.name);
        CameraFirmware camera;
        camera.SetOption(7, 2);
        camera.FailRequest(c.failAt, -5);
        camera.VanishAfterRequests(c.vanishAfter);
        for (Step step : c.steps) {
            const FirmwareReply reply = camera.Receive(step.kind, step.id, step.data);
            EXPECT_EQ(reply.result, step.result) << "request " << camera.RequestCount();
            if (reply.result == R::Failed) {
                EXPECT_EQ(reply.code, -5);
            }
            if (step.kind == RequestKind::Get && reply.result == R::Done) {
                EXPECT_EQ(Bytes(step.data.begin(), step.data.begin() + reply.written), step.answer);
            }
        }
        EXPECT_EQ(camera.Options(), c.options);
        EXPECT_EQ(camera.LastDate(), c.date);
        EXPECT_EQ(camera.LastTime(), c.time);
    }
}

// Everything one request obtains, held directly so a test can misuse it.
struct Held {
    std::unique_ptr<DeviceEnumerator> devices;
    std::unique_ptr<MonikerEnumerator> monikers;
    std::unique_ptr<DeviceMoniker> moniker;
    std::unique_ptr<CaptureFilter> filter;
    std::unique_ptr<ExtensionControl> control;
};

void Obtain(SimulatedCamera& camera, Held& held) {
    ASSERT_EQ(camera.CreateDeviceEnumerator(held.devices), HR_S_OK);
    ASSERT_EQ(held.devices->CreateVideoInputEnumerator(held.monikers), HR_S_OK);
    ASSERT_EQ(held.monikers->Next(held.moniker), HR_S_OK);
    ASSERT_EQ(held.moniker->BindToFilter(held.filter), HR_S_OK);
    ASSERT_EQ(held.filter->QueryExtensionControl(held.control), HR_S_OK);
}

TEST(SimulatedCameraTest, CountsWhatIsHeldAndWhatIsReleasedAfterComEnded) {
    SimulatedCamera camera;
    std::unique_ptr<DeviceEnumerator> early;
    EXPECT_EQ(camera.CreateDeviceEnumerator(early), SIM_STATUS_COM_NOT_INITIALIZED);
    EXPECT_EQ(early, nullptr);

    camera.ComInitialize();
    Held held;
    Obtain(camera, held);
    const LiveObjects live = camera.Live();
    EXPECT_EQ((std::array{live.enumerators, live.monikers, live.filters, live.controls}),
              (std::array<std::size_t, 4>{2, 1, 1, 1}));
    held.control.reset();
    EXPECT_EQ(camera.Live().Total(), 4u);
    EXPECT_FALSE(devicetest::AllGivenBack(camera));

    camera.ComUninitialize();
    held = Held{};
    EXPECT_EQ(camera.Live().Total(), 0u);
    EXPECT_EQ(camera.ReleasesOutsideCom(), 4u);
    EXPECT_FALSE(devicetest::AllGivenBack(camera)) << "a release after COM ended is caught";
}

// A demo runs for days: the log keeps the latest requests and stops growing.
TEST(SimulatedCameraTest, RequestLogKeepsTheLatestRequestsOnly) {
    SimulatedCamera camera;
    camera.ComInitialize();
    Held held;
    Obtain(camera, held);
    const std::size_t total = SimulatedCamera::kRequestLogCapacity + 10;
    for (std::size_t i = 0; i < total; ++i) {
        std::array<std::uint8_t, 5> payload{static_cast<std::uint8_t>(i), 0, 0, 0, 1};
        const KspNode node{EXTENSION_UNIT_PROPSET, CMD_WRITE_VALUE, KS_FLAGS_SET, EXTENSION_UNIT_NODE, 0};
        ASSERT_EQ(held.control->KsProperty(node, sizeof node, payload.data(), 5, nullptr), HR_S_OK);
    }
    EXPECT_EQ(camera.PropertyRequestCount(), total);
    ASSERT_EQ(camera.Requests().size(), SimulatedCamera::kRequestLogCapacity);
    EXPECT_EQ(camera.Requests().front().bytes[0], 10) << "the oldest kept is the 11th";
    EXPECT_EQ(camera.Requests().back().bytes[0], static_cast<std::uint8_t>(total - 1));
    held = Held{};
    camera.ComUninitialize();
}

// The clock a sync pass reads once is the clock the camera ends up with, through the
// framing, the channel and the model, and a value the user picked is what it holds.
TEST(SimulatedCameraTest, SyncPassLeavesTheCameraWithThePcClockAndThePick) {
    struct View final : SyncView {
        void SuspendListDrawing() override {}
        void ResumeListDrawing() override {}
        void SetValueCell(int, const std::u16string&) override {}
        void ShowMessage(const std::u16string&) override {}
        LocalTime GetLocalTime() override { return {2031, 12, 31, 23, 59, 58}; }
    } view;
    SimulatedCamera camera;
    camera.SetOption(4, 1);
    TraceCollector trace;
    CaptureChannelFactory channels(camera, trace);
    ParamList list{{u"Mode", {u"A", u"B", u"C"}, u"", 4, 2, 0}};
    SyncWithCamera(list, channels, view, trace);
    EXPECT_EQ(camera.LastDate(), (ClockSetting{2031, 12, 31}));
    EXPECT_EQ(camera.LastTime(), (ClockSetting{23, 59, 58}));
    EXPECT_EQ(camera.Option(4), 2);
}

}  // namespace
}  // namespace tessmo
