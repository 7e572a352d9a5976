// The camera model both front ends share (the simulated stack here, the gadget firmware on
// the bench), and the simulated camera's own counts, on which every "gave everything back"
// check in the channel and sync tests rests.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "device/CDeviceChannel.h"
#include "device/CameraFirmware.h"
#include "support/DeviceFakes.h"

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

// Setting the clock, writes, failures and a vanishing camera are checked through the sync
// pass (the sync test); reads and refusals here.
TEST(CameraFirmwareTest, AnswersTheProtocolAndChangesNothingOnARefusal) {
    const Bytes select7{7, 0, 0, 0, 0x55};
    // clang-format off
    const struct {
        const char* name;
        std::vector<Step> steps;
    } cases[]{
        {.name = "ReadSelectThenRead", .steps = {Set(26, select7), Get(10, 1, R::Done, {2}), Get(10, 4, R::Done, {2})}},
        {.name = "ReadBeforeAnySelect", .steps = {Get(10, 1, R::Refused)}},
        {.name = "ReadWithNoRoom", .steps = {Set(26, select7), Get(10, 0, R::BufferTooSmall)}},
        {.name = "GetOfASetOnlyId", .steps = {Set(26, select7), Get(11, 1, R::Refused), Get(26, 1, R::Refused)}},
        {.name = "WriteOfTheWrongLength", .steps = {Set(11, {7, 0, 0, 0, 1, 1}, R::Refused)}},
        {.name = "ClockWithABadWord", .steps = {Set(13, {0, 0, 2, 0, 1, 0, 2, 0, 3, 0}, R::Refused),
                                                Set(13, {1, 0, 0, 0, 1, 0, 2, 0, 3, 0}, R::Refused),
                                                Set(13, {0, 0, 0, 0, 1, 0}, R::Refused)}},
        {.name = "UnknownIdAndNotAddressed",
         .steps = {Set(12, select7, R::Refused), {RequestKind::Other, 11, select7, R::NotAddressed}}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CameraFirmware camera;
        camera.SetOption(7, 2);
        for (Step step : c.steps) {
            const FirmwareReply reply = camera.Receive(step.kind, step.id, step.data);
            EXPECT_EQ(reply.result, step.result) << "request " << camera.RequestCount();
            if (step.kind == RequestKind::Get && reply.result == R::Done) {
                EXPECT_EQ(Bytes(step.data.begin(), step.data.begin() + reply.written), step.answer);
            }
        }
        EXPECT_EQ(camera.Options(), (std::map<std::uint16_t, std::uint8_t>{{7, 2}}));
        EXPECT_FALSE(camera.LastDate() || camera.LastTime());
    }
}

TEST(SimulatedCameraTest, CountsWhatIsHeldAndWhatIsReleasedAfterComEnded) {
    SimulatedCamera camera;
    std::unique_ptr<DeviceEnumerator> devices;
    EXPECT_EQ(camera.CreateDeviceEnumerator(devices), SIM_STATUS_COM_NOT_INITIALIZED);
    EXPECT_EQ(devices, nullptr);

    camera.ComInitialize();
    std::unique_ptr<MonikerEnumerator> monikers;
    std::unique_ptr<DeviceMoniker> moniker;
    std::unique_ptr<CaptureFilter> filter;
    std::unique_ptr<ExtensionControl> control;
    ASSERT_EQ(camera.CreateDeviceEnumerator(devices), HR_S_OK);
    ASSERT_EQ(devices->CreateVideoInputEnumerator(monikers), HR_S_OK);
    ASSERT_EQ(monikers->Next(moniker), HR_S_OK);
    ASSERT_EQ(moniker->BindToFilter(filter), HR_S_OK);
    ASSERT_EQ(filter->QueryExtensionControl(control), HR_S_OK);
    EXPECT_EQ(camera.Live().Total(), 5u) << "two enumerators, a moniker, a filter and a control";
    control.reset();
    EXPECT_EQ(camera.Live().Total(), 4u);

    camera.ComUninitialize();
    devices.reset(), monikers.reset(), moniker.reset(), filter.reset();
    EXPECT_EQ(camera.Live().Total(), 0u);
    EXPECT_EQ(camera.ReleasesOutsideCom(), 4u);
    EXPECT_FALSE(devicetest::AllGivenBack(camera)) << "a release after COM ended is caught";
}

// A demo runs for days: the log keeps the latest requests and stops growing.
TEST(SimulatedCameraTest, RequestLogKeepsTheLatestRequestsOnly) {
    SimulatedCamera camera;
    TraceCollector trace;
    CDeviceChannel channel(camera, trace);
    const std::size_t total = SimulatedCamera::kRequestLogCapacity + 10;
    for (std::size_t i = 0; i < total; ++i) {
        std::array<std::uint8_t, 5> payload{static_cast<std::uint8_t>(i), 0, 0, 0, 1};
        ASSERT_EQ(channel.SetProperty(CMD_WRITE_VALUE, payload.data(), 5), STATUS_OK);
    }
    EXPECT_EQ(camera.PropertyRequestCount(), total);
    ASSERT_EQ(camera.Requests().size(), SimulatedCamera::kRequestLogCapacity);
    EXPECT_EQ(camera.Requests().front().bytes[0], 10) << "the oldest kept is the 11th";
    EXPECT_EQ(camera.Requests().back().bytes[0], static_cast<std::uint8_t>(total - 1));
}

}  // namespace
}  // namespace tessmo
