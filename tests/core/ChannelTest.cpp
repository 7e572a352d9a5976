// The channel against the simulated camera: which device is taken for the camera, the
// trace a user would send us, the statuses, and that each request gives back all it got.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <regex>

#include "common/Text.h"
#include "device/CDeviceChannel.h"
#include "support/DeviceFakes.h"

namespace tessmo {
namespace {

using devicetest::AllGivenBack;
using devicetest::Join;
using devicetest::Lines;
using devicetest::Wire;
using namespace std::string_literals;

// The trace with a pointer ending a line shown as {ptr} or {null}.
Lines Normalised(const TraceCollector& trace) {
    const std::string digits = "{" + std::to_string(sizeof(void*) * 2) + "}$";
    const std::regex null(":0" + digits), pointer(":[0-9A-F]" + digits);
    Lines lines = trace.Lines();
    for (std::string& line : lines)
        line = std::regex_replace(std::regex_replace(line, null, ":{null}"), pointer, ":{ptr}");
    return lines;
}

constexpr char kCameraTail[] =
    "usb#vid_04fc&pid_6333&mi_00#7&2a1f0c3&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
const std::string kCamTail = std::string("wszVidStr:") + kCameraTail;
// The lookup that finds the simulated camera alone.
const Lines kFindCamera{"Get Cap Device.",
                        "Create Instance. hr = 0",
                        "Create Device Enum. hr = 0",
                        std::string("wszDisplayName:@device:pnp:\\\\?\\") + kCameraTail,
                        kCamTail,
                        "devID6330:USB#Vid_04fc&Pid_6333",
                        "*ppCap:{ptr}",
                        "Get Device Done"};

TEST(ChannelTest, SuccessfulSetAndGetLineByLine) {
    SimulatedCamera camera;
    camera.SetOption(7, 2);
    TraceCollector trace;
    CDeviceChannel channel(camera, trace);

    std::array<std::uint8_t, 5> select{7, 0, 0, 0, 0};
    EXPECT_EQ(channel.SetProperty(26, select.data(), 5), STATUS_OK);
    EXPECT_EQ(Normalised(trace), Join({"", "Send Cmd,ID:26"}, kFindCamera,
                                      {"sts:OK", "pVidCap:{ptr}", "query interface.IID:0x28f54685",
                                       "hr:0  control:{ptr}", "data_len:5,hr:0", "control release", "hr:0"}));
    EXPECT_TRUE(AllGivenBack(camera));

    trace.Clear();
    std::uint8_t value = 0;
    EXPECT_EQ(channel.GetProperty(10, &value, 1), STATUS_OK);
    EXPECT_EQ(value, 2);
    EXPECT_EQ(Normalised(trace), Join({"", "Get Cmd,ID:10"}, kFindCamera, {"hr:0"}));
    EXPECT_TRUE(AllGivenBack(camera));

    // A GET answered with fewer bytes than asked fails: the rest of the block would be stale.
    std::array<std::uint8_t, 2> answer{};
    EXPECT_EQ(channel.GetProperty(10, answer.data(), 2), HR_INVALID_DATA);
    EXPECT_EQ(trace.Lines().back(), "hr:" + std::to_string(HR_INVALID_DATA));

    EXPECT_EQ(Wire(camera), (Lines{"SET 26 07 00 00 00 00", "GET 10 02", "GET 10 02"}));
    // Addressed to the extension unit's node as a topology request.
    for (const PropertyRequest& r : camera.Requests()) {
        EXPECT_EQ(r.set, EXTENSION_UNIT_PROPSET);
        EXPECT_EQ(r.flags, r.kind == RequestKind::Set ? 0x10000002u : 0x10000001u);
        EXPECT_EQ((std::array{r.nodeId, r.reserved, r.nodeLength, r.bytesReturnedOnEntry}),
                  (std::array{2u, 0u, 32u, 0u}));
    }
}

TEST(ChannelTest, FailuresAreReportedAndSendNothingFurther) {
    const Lines queried{"sts:OK", "pVidCap:{ptr}", "query interface.IID:0x28f54685"};
    struct Case {
        const char* name;
        std::vector<SimulatedDevice> devices;
        HResult createResult = HR_S_OK, requestResult = HR_S_OK;
        Status expected;
        Lines setTrace;
    };
    // clang-format off
    const Case cases[] = {
        {.name = "NoDevice", .devices = {}, .expected = STATUS_NOT_FOUND,
         .setTrace = {"", "Send Cmd,ID:11", "Get Cap Device.", "Create Instance. hr = 0",
                      "Create Device Enum. hr = 1", "sts:FALSE", "pVidCap:{null}", "hr:1"}},
        {.name = "DeviceEnumeratorNotCreated", .devices = {{}}, .createResult = HR_E_FAIL,
         .expected = STATUS_NOT_FOUND,
         .setTrace = {"", "Send Cmd,ID:11", "Get Cap Device.", "Create Instance. hr = -2147467259",
                      "sts:FALSE", "pVidCap:{null}", "hr:1"}},
        {.name = "FilterWithoutControl", .devices = {{.controlQueryResult = HR_E_NOINTERFACE}},
         .expected = HR_E_NOINTERFACE,
         .setTrace = Join({"", "Send Cmd,ID:11"}, kFindCamera, queried,
                          {"hr:-2147467262  control:{null}", "hr:-2147467262"})},
        {.name = "RequestFails", .devices = {{}}, .requestResult = SIM_STATUS_DEVICE_GONE,
         .expected = SIM_STATUS_DEVICE_GONE,
         .setTrace = Join({"", "Send Cmd,ID:11"}, kFindCamera, queried,
                          {"hr:0  control:{ptr}", "data_len:5,hr:-2147023729", "control release",
                           "hr:-2147023729"})},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedCamera camera(c.devices);
        camera.FailCreateInstance(c.createResult);
        camera.FailPropertyRequest(1, c.requestResult);
        camera.FailPropertyRequest(2, c.requestResult);
        TraceCollector trace;
        CDeviceChannel channel(camera, trace);

        std::array<std::uint8_t, 5> write{7, 0, 0, 0, 9};
        EXPECT_EQ(channel.SetProperty(11, write.data(), 5), c.expected);
        EXPECT_EQ(Normalised(trace), c.setTrace);
        std::uint8_t value = 0x5C;
        EXPECT_EQ(channel.GetProperty(10, &value, 1), c.expected);
        EXPECT_EQ(value, 0x5C);
        EXPECT_EQ(trace.Lines().back(), "hr:" + std::to_string(c.expected));
        EXPECT_EQ(channel.IsPresent(), c.expected == STATUS_NOT_FOUND ? -1 : 0);
        EXPECT_TRUE(AllGivenBack(camera));
    }
}

TEST(ChannelTest, TakesTheFirstDeviceNamedAsTheCameraThatBinds) {
    struct Case {
        const char* name;
        std::vector<SimulatedDevice> devices;
        int servedBy;  // the device whose control served; -1: none
        Lines seen;    // the trace's "wszVidStr:" and "*ppCap:" lines
    };
    // clang-format off
    const Case cases[] = {
        {"CaseIgnored", {{.displayName = u"@device:pnp:\\\\?\\usb#vid_04fc&pid_6333"}}, 0,
         {"wszVidStr:usb#vid_04fc&pid_6333", "*ppCap:{ptr}"}},
        {"InterfaceMi02", {{.displayName = u"@device:pnp:\\\\?\\USB#VID_04FC&PID_6333&MI_02#6&1"}}, 0,
         {"wszVidStr:USB#VID_04FC&PID_6333&MI_02#6&1", "*ppCap:{ptr}"}},
        {"Pid6334", {{.displayName = u"@device:pnp:\\\\?\\USB#VID_04FC&PID_6334&MI_00"}}, -1,
         {"wszVidStr:USB#VID_04FC&PID_6334&MI_00"}},
        {"FirstMatchBindsNothing", {{.bindYieldsFilter = false}, {}}, 1,
         {kCamTail, "*ppCap:{null}", kCamTail, "*ppCap:{ptr}"}},
        {"DisplayNameFailureEndsTheSearch", {{.displayName = u"x", .displayNameResult = HR_E_FAIL}, {}}, -1,
         {}},
        {"DisplayNameWithoutText", {{.displayName = std::nullopt}, {}}, 1,
         {"wszVidStr:", kCamTail, "*ppCap:{ptr}"}},
        // A short name shows an empty tail, not what lies beyond it.
        {"NameShorterThan16", {{.displayName = u"@device:sw"}}, -1, {"wszVidStr:"}},
        // The platform's text ends at its first NUL.
        {"IdentityBehindANul", {{.displayName = u"@device:pnp:\\\\?\0usb#vid_04fc&pid_6333"s}}, -1,
         {"wszVidStr:"}},
        // The name is copied into a buffer of 512 characters.
        {"OverlongNameCutTo511",
         {{.displayName = u"@device:pnp:\\\\?\\usb#vid_04fc&pid_6333" + std::u16string(600, u'x')}}, 0,
         {"wszVidStr:usb#vid_04fc&pid_6333" + std::string(511 - 16 - 21, 'x'), "*ppCap:{ptr}"}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedCamera camera(c.devices);
        TraceCollector trace;
        CDeviceChannel channel(camera, trace);

        EXPECT_EQ(channel.IsPresent(), c.servedBy >= 0 ? 0 : -1);
        Lines seen;
        for (const std::string& line : Normalised(trace))
            if (line.rfind("wszVidStr:", 0) == 0 || line.rfind("*ppCap:", 0) == 0) seen.push_back(line);
        EXPECT_EQ(seen, c.seen);

        std::array<std::uint8_t, 5> write{0x34, 0x12, 0, 0, 9};
        EXPECT_EQ(channel.SetProperty(11, write.data(), 5), c.servedBy >= 0 ? STATUS_OK : STATUS_NOT_FOUND);
        EXPECT_EQ(camera.Requests().empty() ? -1 : static_cast<int>(camera.Requests()[0].device), c.servedBy);
        EXPECT_TRUE(AllGivenBack(camera));
    }
}

}  // namespace
}  // namespace tessmo
