// The simulated camera: its firmware model answers as the camera does, its faults
// appear where asked, and its counts tell the truth about what is still held.
#include <gtest/gtest.h>

#include <array>

#include "device/CDeviceChannel.h"
#include "device/SimulatedCamera.h"
#include "support/DeviceFakes.h"

namespace tessmo {
namespace {

using devicetest::PrintTo;
using devicetest::Hex;

// Everything one request obtains, held directly so a test can misuse it.
struct Held {
    std::unique_ptr<DeviceEnumerator> devices;
    std::unique_ptr<MonikerEnumerator> monikers;
    std::unique_ptr<DeviceMoniker> moniker;
    std::unique_ptr<CaptureFilter> filter;
    std::unique_ptr<ExtensionControl> control;
};

// Walks to the first device's control (COM must be initialised).
Held HoldFirstControl(SimulatedCamera& camera) {
    Held held;
    EXPECT_EQ(camera.CreateDeviceEnumerator(held.devices), HR_S_OK);
    EXPECT_EQ(held.devices->CreateVideoInputEnumerator(held.monikers), HR_S_OK);
    EXPECT_EQ(held.monikers->Next(held.moniker), HR_S_OK);
    held.moniker->BindToFilter(held.filter);
    EXPECT_EQ(held.filter->QueryExtensionControl(held.control), HR_S_OK);
    return held;
}

KspNode Node(std::uint32_t id, std::uint32_t flags) {
    return KspNode{EXTENSION_UNIT_PROPSET, id, flags, EXTENSION_UNIT_NODE, 0};
}

// --- the firmware model, request by request ---------------------------------------------

struct Step {
    char kind;                        // 'S' SET with `bytes`, 'G' GET of `getLength` bytes
    std::uint32_t id;
    std::vector<std::uint8_t> bytes;
    std::uint32_t getLength;
    HResult expected;
    std::string answer;               // GET: the block afterwards (starts as AA bytes)
};

struct FirmwareCase {
    const char* name;
    std::vector<Step> steps;
};

Step Set(std::uint32_t id, std::vector<std::uint8_t> bytes, HResult expected = HR_S_OK) {
    return {'S', id, std::move(bytes), 0, expected, ""};
}
Step Get(std::uint32_t id, std::uint32_t length, HResult expected, std::string answer) {
    return {'G', id, {}, length, expected, std::move(answer)};
}

class SimulatedFirmwareTest : public ::testing::TestWithParam<FirmwareCase> {};

TEST_P(SimulatedFirmwareTest, AnswersEachRequestAsTheCameraDoes) {
    SimulatedCamera camera;
    camera.SetOption(7, 4);
    camera.SetOption(0x0102, 1);
    TraceCollector trace;
    CDeviceChannel channel(camera, trace);

    for (std::size_t i = 0; i < GetParam().steps.size(); ++i) {
        const Step& step = GetParam().steps[i];
        SCOPED_TRACE("step " + std::to_string(i));
        if (step.kind == 'S') {
            std::vector<std::uint8_t> block = step.bytes;
            EXPECT_EQ(channel.SetProperty(step.id, block.data(), static_cast<std::uint32_t>(block.size())),
                      step.expected);
        } else {
            std::vector<std::uint8_t> block(step.getLength, 0xAA);
            EXPECT_EQ(channel.GetProperty(step.id, block.data(), step.getLength), step.expected);
            EXPECT_EQ(Hex(block), step.answer);
        }
    }
    EXPECT_EQ(camera.Requests().size(), GetParam().steps.size());
}

INSTANTIATE_TEST_SUITE_P(
    Requests, SimulatedFirmwareTest,
    ::testing::Values(
        FirmwareCase{"SelectThenGet", {Set(26, {7, 0, 0, 0, 0x99}), Get(10, 1, HR_S_OK, "04")}},
        FirmwareCase{"SelectionHoldsUntilTheNext",
                     {Set(26, {7, 0, 0, 0, 0}), Get(10, 1, HR_S_OK, "04"), Get(10, 1, HR_S_OK, "04"),
                      Set(26, {2, 1, 0, 0, 0}), Get(10, 1, HR_S_OK, "01"), Set(26, {8, 0, 0, 0, 0}),
                      Get(10, 1, HR_S_OK, "00")}},
        FirmwareCase{"WriteIsReadBack",
                     {Set(11, {2, 1, 0, 0, 3}), Set(26, {2, 1, 0, 0, 0}), Get(10, 1, HR_S_OK, "03")}},
        FirmwareCase{"GetBeforeAnySelect", {Get(10, 1, SIM_STATUS_REQUEST_REFUSED, "AA")}},
        FirmwareCase{"GetFillsOneByteOfALongerBlock",
                     {Set(26, {7, 0, 0, 0, 0}), Get(10, 3, HR_S_OK, "04 AA AA")}},
        FirmwareCase{"ShortSelect", {Set(26, {7, 0, 0, 0}, SIM_STATUS_REQUEST_REFUSED)}},
        FirmwareCase{"LongWriteChangesNothing",
                     {Set(11, {7, 0, 0, 0, 9, 9}, SIM_STATUS_REQUEST_REFUSED), Set(26, {7, 0, 0, 0, 0}),
                      Get(10, 1, HR_S_OK, "04")}},
        FirmwareCase{"GetOfTheWriteId", {Get(11, 1, SIM_STATUS_REQUEST_REFUSED, "AA")}},
        FirmwareCase{"ClockWithUnknownHalf",
                     {Set(13, {0, 0, 2, 0, 1, 0, 2, 0, 3, 0}, SIM_STATUS_REQUEST_REFUSED)}}),
    devicetest::CaseName());

TEST(SimulatedClockTest, KeepsTheLastDateAndTime) {
    SimulatedCamera camera;
    TraceCollector trace;
    CDeviceChannel channel(camera, trace);
    EXPECT_FALSE(camera.LastDate().has_value());
    std::array<std::uint8_t, 10> date{0, 0, 0, 0, 0xE8, 0x07, 2, 0, 29, 0};
    std::array<std::uint8_t, 10> time{0, 0, 1, 0, 14, 0, 5, 0, 9, 0};
    std::array<std::uint8_t, 10> later{0, 0, 1, 0, 14, 0, 6, 0, 0, 0};
    ASSERT_EQ(channel.SetProperty(13, date.data(), 10), HR_S_OK);
    ASSERT_EQ(channel.SetProperty(13, time.data(), 10), HR_S_OK);
    ASSERT_EQ(channel.SetProperty(13, later.data(), 10), HR_S_OK);
    EXPECT_EQ(camera.LastDate(), (ClockSetting{2024, 2, 29}));
    EXPECT_EQ(camera.LastTime(), (ClockSetting{14, 6, 0}));
}

// --- the request descriptor -------------------------------------------------------------

struct DescriptorCase {
    const char* name;
    KspNode node;
    std::uint32_t nodeLength;
};

class SimulatedDescriptorTest : public ::testing::TestWithParam<DescriptorCase> {};

TEST_P(SimulatedDescriptorTest, AnythingButTheExtensionUnitIsNotFound) {
    SimulatedCamera camera;
    camera.ComInitialize();
    {
        Held held = HoldFirstControl(camera);
        std::array<std::uint8_t, 5> write{7, 0, 0, 0, 9};
        std::uint32_t returned = 0;
        EXPECT_EQ(held.control->KsProperty(GetParam().node, GetParam().nodeLength, write.data(), 5, &returned),
                  SIM_STATUS_SET_NOT_FOUND);
    }
    camera.ComUninitialize();
    EXPECT_EQ(camera.Option(7), 0) << "a refused request changes nothing";
    ASSERT_EQ(camera.Requests().size(), 1u);
    EXPECT_EQ(camera.Requests()[0].result, SIM_STATUS_SET_NOT_FOUND);
}

KspNode OtherSet() {
    KspNode node = Node(11, KS_FLAGS_SET);
    node.Set.Data1 ^= 1;
    return node;
}

INSTANTIATE_TEST_SUITE_P(
    Descriptors, SimulatedDescriptorTest,
    ::testing::Values(DescriptorCase{"OtherPropertySet", OtherSet(), 32},
                      DescriptorCase{"OtherNode", KspNode{EXTENSION_UNIT_PROPSET, 11, KS_FLAGS_SET, 1, 0}, 32},
                      DescriptorCase{"SetWithoutTopology", Node(11, KSPROPERTY_TYPE_SET_VALUE), 32}),
    devicetest::CaseName());

// --- faults -----------------------------------------------------------------------------

TEST(SimulatedFaultTest, NthRequestFailsWithTheGivenStatusAndReachesNoFirmware) {
    SimulatedCamera camera;
    camera.SetOption(7, 4);
    camera.FailPropertyRequest(2, SIM_STATUS_DEVICE_GONE);
    TraceCollector trace;
    CDeviceChannel channel(camera, trace);

    std::array<std::uint8_t, 5> select{7, 0, 0, 0, 0};
    std::uint8_t value = 0x55;
    EXPECT_EQ(channel.SetProperty(26, select.data(), 5), HR_S_OK);
    EXPECT_EQ(channel.GetProperty(10, &value, 1), SIM_STATUS_DEVICE_GONE);
    EXPECT_EQ(value, 0x55);
    EXPECT_EQ(channel.GetProperty(10, &value, 1), HR_S_OK);
    EXPECT_EQ(value, 4);
    ASSERT_EQ(camera.Requests().size(), 3u);
    EXPECT_TRUE(camera.Requests()[1].bytes.empty());
    EXPECT_EQ(camera.Requests()[1].result, SIM_STATUS_DEVICE_GONE);
}

TEST(SimulatedFaultTest, VanishingCameraLeavesOtherDevicesListed) {
    SimulatedCamera camera({SimulatedDevice::Other(), SimulatedDevice::Camera()});
    camera.VanishAfterRequests(1);
    TraceCollector trace;
    CDeviceChannel channel(camera, trace);

    std::array<std::uint8_t, 5> write{7, 0, 0, 0, 9};
    EXPECT_EQ(channel.SetProperty(11, write.data(), 5), HR_S_OK);
    EXPECT_FALSE(camera.CameraPresent());
    trace.Clear();
    EXPECT_EQ(channel.IsPresent(), -1);
    EXPECT_EQ(trace.Lines().size(), 6u) << "the webcam is still enumerated";

    camera.SetCameraPresent(true);
    EXPECT_EQ(channel.IsPresent(), 0);
    EXPECT_EQ(camera.Option(7), 9) << "the firmware keeps its values across a replug";
}

TEST(SimulatedFaultTest, ControlHeldAcrossAnUnplugAnswersDeviceGone) {
    SimulatedCamera camera;
    camera.ComInitialize();
    {
        Held held = HoldFirstControl(camera);
        camera.SetCameraPresent(false);
        std::array<std::uint8_t, 5> write{7, 0, 0, 0, 9};
        std::uint32_t returned = 0;
        EXPECT_EQ(held.control->KsProperty(Node(11, KS_FLAGS_SET), 32, write.data(), 5, &returned),
                  SIM_STATUS_DEVICE_GONE);
        std::unique_ptr<CaptureFilter> rebound;
        EXPECT_EQ(held.moniker->BindToFilter(rebound), SIM_STATUS_DEVICE_GONE);
        EXPECT_EQ(rebound, nullptr);
    }
    camera.ComUninitialize();
    EXPECT_EQ(camera.Option(7), 0);
}

TEST(SimulatedFaultTest, DeviceEnumeratorNeedsComInitialised) {
    SimulatedCamera camera;
    std::unique_ptr<DeviceEnumerator> devices;
    EXPECT_EQ(camera.CreateDeviceEnumerator(devices), SIM_STATUS_COM_NOT_INITIALIZED);
    EXPECT_EQ(devices, nullptr);
}

// --- counting what is held ------------------------------------------------------------

TEST(SimulatedCountTest, CountsEachKindWhileItLives) {
    SimulatedCamera camera;
    camera.ComInitialize();
    {
        Held held = HoldFirstControl(camera);
        const LiveObjects live = camera.Live();
        EXPECT_EQ(live.enumerators, 2u);
        EXPECT_EQ(live.monikers, 1u);
        EXPECT_EQ(live.filters, 1u);
        EXPECT_EQ(live.controls, 1u);
        held.control.reset();
        EXPECT_EQ(camera.Live().controls, 0u);
        EXPECT_EQ(camera.Live().Total(), 4u);
    }
    EXPECT_EQ(camera.ComBalance(), 1);
    camera.ComUninitialize();
    EXPECT_EQ(camera.Live().Total(), 0u);
    EXPECT_EQ(camera.ComBalance(), 0);
    EXPECT_EQ(camera.ReleasesOutsideCom(), 0u);
}

TEST(SimulatedCountTest, ReleaseAfterComEndedIsNoticed) {
    SimulatedCamera camera;
    camera.ComInitialize();
    Held held = HoldFirstControl(camera);
    camera.ComUninitialize();
    held = Held{};
    EXPECT_EQ(camera.ReleasesOutsideCom(), 5u);
    EXPECT_EQ(camera.Live().Total(), 0u);
}

TEST(SimulatedCountTest, ObjectsOutlivingTheCameraStaySafe) {
    auto camera = std::make_unique<SimulatedCamera>();
    camera->ComInitialize();
    Held held = HoldFirstControl(*camera);
    camera.reset();
    std::array<std::uint8_t, 5> write{7, 0, 0, 0, 9};
    std::uint32_t returned = 0;
    EXPECT_EQ(held.control->KsProperty(Node(11, KS_FLAGS_SET), 32, write.data(), 5, &returned), HR_S_OK);
}

TEST(SimulatedCountTest, CountersRestartAndLoggingCanBeOff) {
    SimulatedCamera camera;
    TraceCollector trace;
    CDeviceChannel channel(camera, trace);
    std::array<std::uint8_t, 5> write{7, 0, 0, 0, 9};
    channel.SetProperty(11, write.data(), 5);
    EXPECT_EQ(camera.PropertyRequestCount(), 1u);
    EXPECT_EQ(camera.DiscoveryRuns(), 1u);

    camera.ResetCounters();
    camera.SetRequestLogging(false);
    camera.FailPropertyRequest(1, HR_E_FAIL);
    EXPECT_EQ(channel.SetProperty(11, write.data(), 5), HR_E_FAIL) << "n counts from the reset";
    EXPECT_EQ(channel.IsPresent(), 0);
    EXPECT_EQ(camera.PropertyRequestCount(), 1u);
    EXPECT_EQ(camera.DiscoveryRuns(), 2u);
    EXPECT_TRUE(camera.Requests().empty());
}

}  // namespace
}  // namespace tessmo
