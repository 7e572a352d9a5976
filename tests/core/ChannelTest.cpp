// The channel over the capture stack, against the simulated camera: which device
// is taken for the camera, the trace a user would send us, the request descriptor
// the camera receives, the statuses, and that every request gives back all it got.
#include <gtest/gtest.h>

#include <array>

#include "device/CDeviceChannel.h"
#include "device/Framing.h"
#include "device/SimulatedCamera.h"
#include "support/DeviceFakes.h"

namespace tessmo {
namespace {

using devicetest::PrintTo;
using devicetest::TraceMatches;

constexpr char kIdentityLine[] = "devID6330:USB#Vid_04fc&Pid_6333";
// SIM_CAMERA_DISPLAY_NAME from character 16 on.
constexpr char kCameraTail[] =
    "usb#vid_04fc&pid_6333&mi_00#7&2a1f0c3&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";

std::u16string WithPath(std::u16string_view path) { return u"@device:pnp:\\\\?\\" + std::u16string(path); }

// Nothing a request obtained may outlive it, nor its COM initialisation.
::testing::AssertionResult AllGivenBack(const SimulatedCamera& camera) {
    const LiveObjects live = camera.Live();
    if (live.Total() != 0 || camera.ComBalance() != 0 || camera.ReleasesOutsideCom() != 0)
        return ::testing::AssertionFailure()
               << "live enumerators " << live.enumerators << ", monikers " << live.monikers << ", filters "
               << live.filters << ", controls " << live.controls << "; COM balance " << camera.ComBalance()
               << "; released outside COM " << camera.ReleasesOutsideCom();
    return ::testing::AssertionSuccess();
}

class ChannelFixture {
protected:
    explicit ChannelFixture(std::vector<SimulatedDevice> devices = {SimulatedDevice::Camera()})
        : camera_(std::move(devices)) {}

    SimulatedCamera camera_;
    TraceCollector trace_;
    CDeviceChannel channel_{camera_, trace_};
};

// --- the trace of whole requests --------------------------------------------------------

class ChannelTraceTest : public ::testing::Test, protected ChannelFixture {};

TEST_F(ChannelTraceTest, SuccessfulSetLineByLine) {
    std::array<std::uint8_t, 5> payload{7, 0, 0, 0, 2};
    EXPECT_EQ(channel_.SetProperty(26, payload.data(), 5), STATUS_OK);

    std::vector<std::string> pointers;
    EXPECT_TRUE(TraceMatches(trace_.Lines(),
                             {"",
                              "Send Cmd,ID:26",
                              "Get Cap Device.",
                              "Create Instance. hr = 0",
                              "Create Device Enum. hr = 0",
                              std::string("wszDisplayName:@device:pnp:\\\\?\\") + kCameraTail,
                              std::string("wszVidStr:") + kCameraTail,
                              kIdentityLine,
                              "*ppCap:{ptr}",
                              "Get Device Done",
                              "sts:OK",
                              "pVidCap:{ptr}",
                              "query interface.IID:0x28f54685",
                              "hr:0  control:{ptr}",
                              "data_len:5,hr:0",
                              "control release",
                              "hr:0"},
                             &pointers));
    ASSERT_EQ(pointers.size(), 3u);
    EXPECT_EQ(pointers[0], pointers[1]) << "the filter bound is the filter used";
    EXPECT_NE(pointers[1], pointers[2]) << "the control is an object of its own";
    EXPECT_TRUE(AllGivenBack(camera_));
}

TEST_F(ChannelTraceTest, SuccessfulGetLineByLine) {
    camera_.SetOption(7, 2);
    std::array<std::uint8_t, 5> select{7, 0, 0, 0, 0};
    ASSERT_EQ(channel_.SetProperty(26, select.data(), 5), STATUS_OK);
    trace_.Clear();

    std::uint8_t value = 0;
    EXPECT_EQ(channel_.GetProperty(10, &value, 1), STATUS_OK);
    EXPECT_EQ(value, 2);
    EXPECT_TRUE(TraceMatches(trace_.Lines(), {"",
                                              "Get Cmd,ID:10",
                                              "Get Cap Device.",
                                              "Create Instance. hr = 0",
                                              "Create Device Enum. hr = 0",
                                              std::string("wszDisplayName:@device:pnp:\\\\?\\") + kCameraTail,
                                              std::string("wszVidStr:") + kCameraTail,
                                              kIdentityLine,
                                              "*ppCap:{ptr}",
                                              "Get Device Done",
                                              "hr:0"}));
    EXPECT_TRUE(AllGivenBack(camera_));
}

class ChannelNoDeviceTest : public ::testing::Test, protected ChannelFixture {
protected:
    ChannelNoDeviceTest() : ChannelFixture(std::vector<SimulatedDevice>{}) {}
};

TEST_F(ChannelNoDeviceTest, EmptyCategoryMeansNotFoundAndShowsHrOne) {
    std::array<std::uint8_t, 5> payload{1, 0, 0, 0, 1};
    EXPECT_EQ(channel_.SetProperty(11, payload.data(), 5), STATUS_NOT_FOUND);
    EXPECT_TRUE(TraceMatches(trace_.Lines(), {"", "Send Cmd,ID:11", "Get Cap Device.", "Create Instance. hr = 0",
                                              "Create Device Enum. hr = 1", "sts:FALSE", "pVidCap:{null}",
                                              "hr:1"}));
    trace_.Clear();

    std::uint8_t value = 0x5C;
    EXPECT_EQ(channel_.GetProperty(10, &value, 1), STATUS_NOT_FOUND);
    EXPECT_EQ(value, 0x5C);
    EXPECT_TRUE(TraceMatches(trace_.Lines(), {"", "Get Cmd,ID:10", "Get Cap Device.", "Create Instance. hr = 0",
                                              "Create Device Enum. hr = 1", "hr:1"}));
    trace_.Clear();

    EXPECT_EQ(channel_.IsPresent(), -1);
    EXPECT_EQ(trace_.Lines(), (std::vector<std::string>{"Get Cap Device.", "Create Instance. hr = 0",
                                                        "Create Device Enum. hr = 1"}));

    CaptureChannelFactory factory(camera_, trace_);
    EXPECT_EQ(IsDevicePresent(factory), 0);
    EXPECT_TRUE(camera_.Requests().empty());
    EXPECT_TRUE(AllGivenBack(camera_));
}

TEST_F(ChannelTraceTest, DeviceEnumeratorThatCannotBeCreated) {
    camera_.FailCreateInstance(HR_E_FAIL);
    std::array<std::uint8_t, 5> payload{1, 0, 0, 0, 1};
    EXPECT_EQ(channel_.SetProperty(11, payload.data(), 5), STATUS_NOT_FOUND);
    EXPECT_TRUE(TraceMatches(trace_.Lines(), {"", "Send Cmd,ID:11", "Get Cap Device.",
                                              "Create Instance. hr = -2147467259", "sts:FALSE",
                                              "pVidCap:{null}", "hr:1"}));
    EXPECT_TRUE(AllGivenBack(camera_));
}

// --- the camera's filter without the control interface -------------------------------------

class ChannelNoControlTest : public ::testing::Test, protected ChannelFixture {
protected:
    ChannelNoControlTest() : ChannelFixture(std::vector<SimulatedDevice>{NoControlCamera()}) {}
    static SimulatedDevice NoControlCamera() {
        SimulatedDevice device = SimulatedDevice::Camera();
        device.controlQueryResult = HR_E_NOINTERFACE;
        return device;
    }
};

TEST_F(ChannelNoControlTest, SetReportsTheQueryAndSendsNothing) {
    std::array<std::uint8_t, 5> payload{1, 0, 0, 0, 1};
    EXPECT_EQ(channel_.SetProperty(11, payload.data(), 5), -2147467262);
    const auto lines = trace_.Lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_TRUE(TraceMatches({lines.end() - 4, lines.end()},
                             {"pVidCap:{ptr}", "query interface.IID:0x28f54685", "hr:-2147467262  control:{null}",
                               "hr:-2147467262"}));
    EXPECT_TRUE(camera_.Requests().empty());
    EXPECT_TRUE(AllGivenBack(camera_));
}

TEST_F(ChannelNoControlTest, GetReportsTheQueryAndLeavesTheBlock) {
    std::uint8_t value = 0x5C;
    EXPECT_EQ(channel_.GetProperty(10, &value, 1), -2147467262);
    EXPECT_EQ(value, 0x5C);
    EXPECT_EQ(trace_.Lines().back(), "hr:-2147467262");
    EXPECT_EQ(channel_.IsPresent(), 0) << "the camera is there even without its control";
    EXPECT_TRUE(AllGivenBack(camera_));
}

// --- which device is the camera ----------------------------------------------------------

struct DiscoveryCase {
    const char* name;
    std::vector<SimulatedDevice> devices;
    int servedBy;                      // index of the device whose control served; -1: not found
    std::vector<std::string> lookup;   // the lines from "Create Device Enum." to the end of the search
};

SimulatedDevice Named(std::u16string name) { return SimulatedDevice::Camera(std::move(name)); }
SimulatedDevice BindsNothing(std::u16string name = SIM_CAMERA_DISPLAY_NAME) {
    SimulatedDevice device = Named(std::move(name));
    device.bindYieldsFilter = false;
    return device;
}
SimulatedDevice NameFails() {
    SimulatedDevice device = SimulatedDevice::Other();
    device.displayNameResult = HR_E_FAIL;
    return device;
}
SimulatedDevice NoText() {
    SimulatedDevice device = SimulatedDevice::Other();
    device.displayName.reset();
    return device;
}

const std::string kCamName = std::string("wszDisplayName:@device:pnp:\\\\?\\") + kCameraTail;
const std::string kCamTail = std::string("wszVidStr:") + kCameraTail;
const std::string kWebcamName =
    "wszDisplayName:@device:pnp:\\\\?\\usb#vid_046d&pid_0825&mi_00#6&31d2a8f&0&0000"
    "#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
const std::string kWebcamTail =
    "wszVidStr:usb#vid_046d&pid_0825&mi_00#6&31d2a8f&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";

std::vector<DiscoveryCase> DiscoveryCases() {
    const std::u16string longTail(600, u'x');
    return {
        {"CameraAlone", {SimulatedDevice::Camera()}, 0,
         {kCamName, kCamTail, kIdentityLine, "*ppCap:{ptr}", "Get Device Done"}},
        {"IdentityInLowerCase", {Named(WithPath(u"usb#vid_04fc&pid_6333"))}, 0,
         {"wszDisplayName:@device:pnp:\\\\?\\usb#vid_04fc&pid_6333", "wszVidStr:usb#vid_04fc&pid_6333",
          kIdentityLine, "*ppCap:{ptr}", "Get Device Done"}},
        {"InterfaceMi02Matches", {Named(WithPath(u"USB#VID_04FC&PID_6333&MI_02#6&1&0002#{x}\\global"))}, 0,
         {"wszDisplayName:@device:pnp:\\\\?\\USB#VID_04FC&PID_6333&MI_02#6&1&0002#{x}\\global",
          "wszVidStr:USB#VID_04FC&PID_6333&MI_02#6&1&0002#{x}\\global", kIdentityLine, "*ppCap:{ptr}",
          "Get Device Done"}},
        {"Pid6334IsAnotherProduct", {Named(WithPath(u"USB#VID_04FC&PID_6334&MI_00#x"))}, -1,
         {"wszDisplayName:@device:pnp:\\\\?\\USB#VID_04FC&PID_6334&MI_00#x",
          "wszVidStr:USB#VID_04FC&PID_6334&MI_00#x", kIdentityLine}},
        {"IdentityOneCharacterLate", {Named(u"@device:pnp:\\\\?\\\\usb#vid_04fc&pid_6333")}, -1,
         {"wszDisplayName:@device:pnp:\\\\?\\\\usb#vid_04fc&pid_6333", "wszVidStr:\\usb#vid_04fc&pid_6333",
          kIdentityLine}},
        {"IdentityAtTheStart", {Named(u"usb#vid_04fc&pid_6333#@device:pnp")}, -1,
         {"wszDisplayName:usb#vid_04fc&pid_6333#@device:pnp", "wszVidStr:_6333#@device:pnp", kIdentityLine}},
        {"IdentityCutShortByOneCharacter", {Named(WithPath(u"usb#vid_04fc&pid_633"))}, -1,
         {"wszDisplayName:@device:pnp:\\\\?\\usb#vid_04fc&pid_633", "wszVidStr:usb#vid_04fc&pid_633",
          kIdentityLine}},
        // Short names print an empty tail rather than whatever lies beyond them.
        {"NameShorterThan16", {Named(u"@device:sw")}, -1, {"wszDisplayName:@device:sw", "wszVidStr:", kIdentityLine}},
        {"NameWithoutText", {NoText(), SimulatedDevice::Camera()}, 1,
         {"wszDisplayName:", "wszVidStr:", kIdentityLine, kCamName, kCamTail, kIdentityLine, "*ppCap:{ptr}",
          "Get Device Done"}},
        // The platform's text ends at its first NUL.
        {"IdentityBehindANul", {Named(u"@device:pnp:\\\\?" + std::u16string(1, u'\0') + u"usb#vid_04fc&pid_6333")},
         -1, {"wszDisplayName:@device:pnp:\\\\?", "wszVidStr:", kIdentityLine}},
        {"OverlongNameIsCutTo511", {Named(WithPath(u"usb#vid_04fc&pid_6333") + longTail)}, 0,
         {"wszDisplayName:@device:pnp:\\\\?\\usb#vid_04fc&pid_6333" + std::string(600, 'x'),
          "wszVidStr:usb#vid_04fc&pid_6333" + std::string(511 - 16 - 21, 'x'), kIdentityLine, "*ppCap:{ptr}",
          "Get Device Done"}},
        {"WebcamBeforeCamera", {SimulatedDevice::Other(), SimulatedDevice::Camera()}, 1,
         {kWebcamName, kWebcamTail, kIdentityLine, kCamName, kCamTail, kIdentityLine, "*ppCap:{ptr}",
          "Get Device Done"}},
        {"FirstMatchBindsNothingSecondServes", {BindsNothing(), SimulatedDevice::Camera()}, 1,
         {kCamName, kCamTail, kIdentityLine, "*ppCap:{null}", kCamName, kCamTail, kIdentityLine, "*ppCap:{ptr}",
          "Get Device Done"}},
        {"FirstOfTwoMatchesServes", {SimulatedDevice::Camera(), SimulatedDevice::Camera()}, 0,
         {kCamName, kCamTail, kIdentityLine, "*ppCap:{ptr}", "Get Device Done"}},
        {"EveryMatchBindsNothing", {BindsNothing(), BindsNothing()}, -1,
         {kCamName, kCamTail, kIdentityLine, "*ppCap:{null}", kCamName, kCamTail, kIdentityLine,
          "*ppCap:{null}"}},
        {"DisplayNameFailureEndsTheSearch", {NameFails(), SimulatedDevice::Camera()}, -1, {}},
        {"DisplayNameFailureAfterTheCamera", {SimulatedDevice::Camera(), NameFails()}, 0,
         {kCamName, kCamTail, kIdentityLine, "*ppCap:{ptr}", "Get Device Done"}},
        {"OnlyOtherDevices", {SimulatedDevice::Other()}, -1, {kWebcamName, kWebcamTail, kIdentityLine}},
    };
}

class ChannelDiscoveryTest : public ::testing::TestWithParam<DiscoveryCase> {};

TEST_P(ChannelDiscoveryTest, FindsTheFirstMatchingDeviceThatBinds) {
    const DiscoveryCase& c = GetParam();
    SimulatedCamera camera(c.devices);
    TraceCollector trace;
    CDeviceChannel channel(camera, trace);

    EXPECT_EQ(channel.IsPresent(), c.servedBy >= 0 ? 0 : -1);
    std::vector<std::string> expected{"Get Cap Device.", "Create Instance. hr = 0", "Create Device Enum. hr = 0"};
    expected.insert(expected.end(), c.lookup.begin(), c.lookup.end());
    EXPECT_TRUE(TraceMatches(trace.Lines(), expected));
    EXPECT_TRUE(AllGivenBack(camera));

    std::array<std::uint8_t, 5> payload{0x34, 0x12, 0, 0, 9};
    const Status status = channel.SetProperty(CMD_WRITE_VALUE, payload.data(), 5);
    if (c.servedBy >= 0) {
        EXPECT_EQ(status, STATUS_OK);
        ASSERT_EQ(camera.Requests().size(), 1u);
        EXPECT_EQ(camera.Requests()[0].device, static_cast<std::size_t>(c.servedBy));
        EXPECT_EQ(camera.Option(0x1234), 9);
    } else {
        EXPECT_EQ(status, STATUS_NOT_FOUND);
        EXPECT_TRUE(camera.Requests().empty());
    }
    EXPECT_TRUE(AllGivenBack(camera));

    std::array<std::uint8_t, 5> select{0x34, 0x12, 0, 0, 0};
    std::uint8_t value = 0x5C;
    channel.SetProperty(26, select.data(), 5);
    const Status got = channel.GetProperty(CMD_READ_VALUE, &value, 1);
    EXPECT_EQ(got, c.servedBy >= 0 ? STATUS_OK : STATUS_NOT_FOUND);
    EXPECT_EQ(value, c.servedBy >= 0 ? 9 : 0x5C);
    EXPECT_TRUE(AllGivenBack(camera));
}

INSTANTIATE_TEST_SUITE_P(Devices, ChannelDiscoveryTest, ::testing::ValuesIn(DiscoveryCases()),
                         devicetest::CaseName());

// --- the request descriptor and the camera's answers ------------------------------------

class ChannelRequestTest : public ::testing::Test, protected ChannelFixture {};

TEST_F(ChannelRequestTest, DescriptorAddressesTheExtensionUnit) {
    std::array<std::uint8_t, 5> select{9, 0, 0, 0, 0};
    ASSERT_EQ(channel_.SetProperty(26, select.data(), 5), STATUS_OK);
    std::uint8_t value = 0;
    ASSERT_EQ(channel_.GetProperty(10, &value, 1), STATUS_OK);

    ASSERT_EQ(camera_.Requests().size(), 2u);
    const std::array<std::uint32_t, 2> ids{26, 10};
    const std::array<std::uint32_t, 2> flags{0x10000002, 0x10000001};
    const std::array<RequestKind, 2> kinds{RequestKind::Set, RequestKind::Get};
    for (std::size_t i = 0; i < 2; ++i) {
        const PropertyRequest& r = camera_.Requests()[i];
        EXPECT_EQ(r.kind, kinds[i]);
        EXPECT_EQ(r.set, EXTENSION_UNIT_PROPSET);
        EXPECT_EQ(r.id, ids[i]);
        EXPECT_EQ(r.flags, flags[i]);
        EXPECT_EQ(r.nodeId, 2u);
        EXPECT_EQ(r.reserved, 0u);
        EXPECT_EQ(r.nodeLength, 32u);
        EXPECT_EQ(r.bytesReturnedOnEntry, 0u);
    }
    EXPECT_EQ(devicetest::Hex(camera_.Requests()[0].bytes), "09 00 00 00 00");
    EXPECT_EQ(camera_.Requests()[1].dataLength, 1u);
}

struct FailedRequestCase {
    const char* name;
    bool get;
    HResult status;
};

class ChannelFailedRequestTest : public ::testing::TestWithParam<FailedRequestCase>, protected ChannelFixture {};

TEST_P(ChannelFailedRequestTest, PropertyFailureComesBackUnchanged) {
    const FailedRequestCase& c = GetParam();
    camera_.SetOption(3, 1);
    camera_.FailPropertyRequest(1, c.status);
    std::array<std::uint8_t, 5> block{3, 0, 0, 0, 2};

    const Status status = c.get ? channel_.GetProperty(10, block.data(), 5) : channel_.SetProperty(11, block.data(), 5);

    EXPECT_EQ(status, c.status);
    EXPECT_EQ(trace_.Lines().back(), "hr:" + std::to_string(c.status));
    if (c.get) {
        EXPECT_EQ(devicetest::Hex(block.data(), block.size()), "03 00 00 00 02");
    } else {
        EXPECT_EQ(trace_.Lines()[trace_.Lines().size() - 3], "data_len:5,hr:" + std::to_string(c.status));
        EXPECT_EQ(camera_.Option(3), 1) << "a failed SET changes nothing";
    }
    EXPECT_TRUE(AllGivenBack(camera_));
}

INSTANTIATE_TEST_SUITE_P(Failures, ChannelFailedRequestTest,
                         ::testing::Values(FailedRequestCase{"SetDeviceGone", false, SIM_STATUS_DEVICE_GONE},
                                           FailedRequestCase{"SetRefused", false, SIM_STATUS_REQUEST_REFUSED},
                                           FailedRequestCase{"GetDeviceGone", true, SIM_STATUS_DEVICE_GONE},
                                           FailedRequestCase{"GetRefused", true, SIM_STATUS_REQUEST_REFUSED}),
                         devicetest::CaseName());

// --- FindCaptureFilter on its own ---------------------------------------------------------

class ChannelFindTest : public ::testing::Test, protected ChannelFixture {};

TEST_F(ChannelFindTest, CallerOwnsTheFilterItFinds) {
    camera_.ComInitialize();
    {
        std::unique_ptr<CaptureFilter> filter;
        EXPECT_EQ(channel_.FindCaptureFilter(&filter), 1);
        ASSERT_NE(filter, nullptr);
        EXPECT_EQ(camera_.Live().filters, 1u);
        EXPECT_EQ(camera_.Live().Total(), 1u) << "enumerators and monikers went back";
    }
    camera_.ComUninitialize();
    EXPECT_TRUE(AllGivenBack(camera_));
}

TEST_F(ChannelFindTest, NullFilterAddressFindsNothing) {
    camera_.ComInitialize();
    EXPECT_EQ(channel_.FindCaptureFilter(nullptr), 0);
    camera_.ComUninitialize();
    EXPECT_EQ(trace_.Lines(), std::vector<std::string>{"Get Cap Device."});
    EXPECT_EQ(camera_.DiscoveryRuns(), 0u);
}

TEST_F(ChannelFindTest, StaleFilterIsDroppedWhenNothingIsFound) {
    camera_.ComInitialize();
    std::unique_ptr<CaptureFilter> filter;
    ASSERT_EQ(channel_.FindCaptureFilter(&filter), 1);
    camera_.SetCameraPresent(false);
    EXPECT_EQ(channel_.FindCaptureFilter(&filter), 0);
    EXPECT_EQ(filter, nullptr);
    camera_.ComUninitialize();
    EXPECT_TRUE(AllGivenBack(camera_));
}

}  // namespace
}  // namespace tessmo
