// The Linux capture stack under the real channel, over fake sysfs trees and a fake
// uvcvideo driver: which node is taken for the camera and under which name, what reaches
// the driver, the statuses and trace a user sees, and that every node opened is closed.
#include <gtest/gtest.h>
#include <linux/usb/video.h>
#include <linux/uvcvideo.h>

#include <fcntl.h>
#include <array>

#include <cerrno>
#include <map>

#include "FakeSysfs.h"
#include "LinuxCaptureStack.h"
#include "device/CDeviceChannel.h"

namespace tessmo::linuxcapturetest {
namespace {

using Lines = std::vector<std::string>;

// Stands in for uvcvideo: records each query, answers a GET with `answer`, fails on demand.
struct FakeDriver {
    struct Query {
        std::string node;
        unsigned unit, selector, query;
        std::vector<std::uint8_t> bytes;  // SET: sent; GET: returned
        friend bool operator==(const Query&, const Query&) = default;
    };
    std::map<std::string, int> openErrno;  // by node name
    int ioctlErrno = 0;
    std::uint8_t answer = 0x2A;
    std::vector<Query> queries;
    std::map<int, std::string> openFds;

    LinuxSystemCalls Calls() {
        LinuxSystemCalls calls;
        calls.open = [this](const char* path, int flags) {
            const std::string node = fs::path(path).filename().string();
            if (openErrno.count(node) != 0) return -openErrno[node];
            if ((flags & O_ACCMODE) != O_RDWR) return -EINVAL;
            if (!fs::exists(path)) return -ENOENT;
            const int fd = 100 + static_cast<int>(queries.size() + openFds.size());
            openFds[fd] = node;
            return fd;
        };
        calls.ioctl = [this](int fd, unsigned long request, void* argument) {
            if (request != UVCIOC_CTRL_QUERY || openFds.count(fd) == 0) return -ENOTTY;
            auto* q = static_cast<uvc_xu_control_query*>(argument);
            if (ioctlErrno != 0) return -ioctlErrno;
            if (q->query == UVC_GET_CUR) std::fill(q->data, q->data + q->size, answer);
            queries.push_back({openFds[fd], q->unit, q->selector, q->query, {q->data, q->data + q->size}});
            return 0;
        };
        calls.close = [this](int fd) { openFds.erase(fd); };
        return calls;
    }
};

struct Rig {
    explicit Rig(const std::vector<FakeDevice>& devices)
        : tree(devices),
          stack(MakeLinuxCaptureStack({tree.Sys(), tree.Dev(), driver.Calls(),
                                       [this](std::string_view line) { diagnostics.emplace_back(line); }})) {}
    Lines TraceLinesStartingWith(std::string_view prefix) const {
        Lines out;
        for (const std::string& line : trace.Lines())
            if (line.starts_with(prefix)) out.push_back(line.substr(prefix.size()));
        return out;
    }
    FakeSysfs tree;
    FakeDriver driver;
    Lines diagnostics;
    std::unique_ptr<CaptureStack> stack;
    TraceCollector trace;
    CDeviceChannel channel{*stack, trace};
};

std::string Name(std::string_view path) {
    return "@device:pnp:\\\\?\\" + std::string(path) + "#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
}

TEST(LinuxCaptureStackTest, OffersOneNamePerCaptureDeviceInNodeOrder) {
    FakeDevice webcam = Camera({0, 1}, "1-2");
    webcam.vendor = 0x046d, webcam.product = 0x0825;
    FakeDevice pid6334 = Camera({4, 5}, "3-1.4");
    pid6334.product = 0x6334;
    struct Case {
        const char* name;
        std::vector<FakeDevice> devices;
        Lines names;  // the trace's display names
        int present;
    };
    const Case cases[] = {
        // The camera bench: the gadget's output node, then uvcvideo's capture and metadata nodes.
        {"BenchLayout",
         {NonUsb(FakeDevice::Gadget, {0}, "usbip-vudc.0"), Camera({1, 2})},
         {Name("usb#vid_04fc&pid_6333&mi_00#1-1&0&0000")},
         0},
        {"CameraAfterOthers",
         {webcam, NonUsb(FakeDevice::Platform, {2, 3}), NonUsb(FakeDevice::Virtual, {7}), pid6334,
          Camera({10, 11}, "1-1.3", 2)},
         {Name("usb#vid_046d&pid_0825&mi_00#1-2&0&0000"), Name("root#video4linux#video2"),
          Name("usb#vid_04fc&pid_6334&mi_00#3-1.4&0&0000"), Name("root#video4linux#video7"),
          Name("usb#vid_04fc&pid_6333&mi_02#1-1.3&0&0002")},
         0},
        {"OnlyOtherDevices",
         {webcam, pid6334},
         {Name("usb#vid_046d&pid_0825&mi_00#1-2&0&0000"), Name("usb#vid_04fc&pid_6334&mi_00#3-1.4&0&0000")},
         -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig(c.devices);
        EXPECT_EQ(rig.channel.IsPresent(), c.present);
        EXPECT_EQ(rig.TraceLinesStartingWith("wszDisplayName:"), c.names);
        EXPECT_EQ(rig.TraceLinesStartingWith("Create Device Enum. hr = "), Lines{"0"});
        EXPECT_TRUE(rig.driver.openFds.empty());
    }
}

TEST(LinuxCaptureStackTest, NoVideoInputDeviceIsAnEmptyCategory) {
    for (const bool gadget : {true, false}) {
        SCOPED_TRACE(gadget ? "GadgetNodeOnly" : "NoVideo4linuxFolder");
        Rig rig(gadget ? std::vector{NonUsb(FakeDevice::Gadget, {0}, "usbip-vudc.0")}
                       : std::vector<FakeDevice>{});
        if (!gadget) fs::remove_all(rig.tree.Sys() / "class");
        std::uint8_t value = 7;
        EXPECT_EQ(rig.channel.GetProperty(10, &value, 1), STATUS_NOT_FOUND);
        EXPECT_EQ(rig.TraceLinesStartingWith("Create Device Enum. hr = "), Lines{"1"});
        EXPECT_EQ(value, 7);
    }
}

TEST(LinuxCaptureStackTest, RequestsReachTheUnitTheDescriptorsName) {
    Rig rig({Camera({0, 1}, "1-1", 0)});
    std::array<std::uint8_t, 5> write{3, 0, 0, 0, 2};
    EXPECT_EQ(rig.channel.SetProperty(11, write.data(), 5), STATUS_OK);
    std::uint8_t value = 0;
    EXPECT_EQ(rig.channel.GetProperty(10, &value, 1), STATUS_OK);
    EXPECT_EQ(value, 0x2A);
    using Q = FakeDriver::Query;
    EXPECT_EQ(rig.driver.queries, (std::vector<Q>{{"video0", 4, 11, UVC_SET_CUR, {3, 0, 0, 0, 2}},
                                                  {"video0", 4, 10, UVC_GET_CUR, {0x2A}}}));
    EXPECT_EQ(rig.TraceLinesStartingWith("data_len:"), Lines{"5,hr:0"});
    EXPECT_TRUE(rig.driver.openFds.empty());
    EXPECT_TRUE(rig.diagnostics.empty());
}

FakeDevice WithUnits(std::vector<FakeFunction> functions, DescriptorsFile file = DescriptorsFile::Whole) {
    FakeDevice device = Camera({});
    device.functions = std::move(functions);
    device.descriptors = file;
    return device;
}

TEST(LinuxCaptureStackTest, FindsTheUnitByGuidOrAnswersNoInterface) {
    const FakeUnit foreign{2, kForeignUnitGuid};
    struct Case {
        const char* name;
        FakeDevice camera;
        HResult expected;
        unsigned unit;  // the unit the SET reached, when it succeeded
    };
    const Case cases[] = {
        {"AfterForeignUnits", WithUnits({{0, {foreign, {5, kForeignUnitGuid}, {9}}, {0, 1}}}), HR_S_OK, 9},
        {"InterfaceMi02", WithUnits({{2, {{6}}, {0, 1}}}), HR_S_OK, 6},
        {"ForeignUnitsOnly", WithUnits({{0, {foreign, {5, kForeignUnitGuid}}, {0, 1}}}), HR_E_NOINTERFACE, 0},
        {"OursInAnotherFunction", WithUnits({{0, {foreign}, {0, 1}}, {2, {{6}}, {}}}), HR_E_NOINTERFACE, 0},
        {"DescriptorsMissing", WithUnits({{0, {{4}}, {0}}}, DescriptorsFile::Missing), HR_E_NOINTERFACE, 0},
        {"DescriptorsEmpty", WithUnits({{0, {{4}}, {0}}}, DescriptorsFile::Empty), HR_E_NOINTERFACE, 0},
        {"CutInsideTheUnit", WithUnits({{0, {{4}}, {0}}}, DescriptorsFile::Truncated), HR_E_NOINTERFACE, 0},
        {"ZeroLengthDescriptor", WithUnits({{0, {{4}}, {0}}}, DescriptorsFile::ZeroLength), HR_E_NOINTERFACE,
         0},
        {"UnitRunsPastTheEnd", WithUnits({{0, {{4}}, {0}}}, DescriptorsFile::PastEnd), HR_E_NOINTERFACE, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig({c.camera});
        std::array<std::uint8_t, 5> write{1, 0, 0, 0, 1};
        EXPECT_EQ(rig.channel.SetProperty(11, write.data(), 5), c.expected);
        if (c.expected == HR_S_OK) {
            ASSERT_EQ(rig.driver.queries.size(), 1u);
            EXPECT_EQ(rig.driver.queries[0].unit, c.unit);
        } else {
            EXPECT_TRUE(rig.driver.queries.empty());
            EXPECT_EQ(rig.TraceLinesStartingWith("hr:"),
                      (Lines{"-2147467262  control:" + FormatPointer(nullptr), "-2147467262"}));
        }
        EXPECT_TRUE(rig.driver.openFds.empty());
    }
}

TEST(LinuxCaptureStackTest, SystemCallFailuresBecomeStatuses) {
    struct Case {
        const char* name;
        int openErrno, ioctlErrno;
        bool nodeGone;
        HResult expected;
        std::size_t diagnostics;
    };
    const Case cases[] = {
        {"PermissionDenied", EACCES, 0, false, HR_E_ACCESSDENIED, 1},
        {"NodeGoneFromDev", 0, 0, true, HR_NOT_FOUND, 0},
        {"Unplugged", ENODEV, 0, false, HR_DEVICE_NOT_CONNECTED, 0},
        {"Stalled", 0, EPIPE, false, HR_GEN_FAILURE, 0},
        {"OutOfRange", 0, ERANGE, false, HR_INVALID_DATA, 0},
        {"UnknownErrno", 0, 4095, false, HR_E_FAIL, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig({Camera({3, 4})});
        if (c.openErrno != 0) rig.driver.openErrno["video3"] = c.openErrno;
        rig.driver.ioctlErrno = c.ioctlErrno;
        if (c.nodeGone) fs::remove(rig.tree.Dev() / "video3");
        // A sync pass sends many requests: the user is told once.
        for (int i = 0; i < 3; ++i) {
            std::uint8_t value = 0x5C;
            EXPECT_EQ(rig.channel.GetProperty(10, &value, 1), c.expected);
            EXPECT_EQ(value, 0x5C);
        }
        ASSERT_EQ(rig.diagnostics.size(), c.diagnostics);
        if (c.diagnostics != 0) {
            EXPECT_NE(rig.diagnostics[0].find((rig.tree.Dev() / "video3").string()), std::string::npos);
            EXPECT_NE(rig.diagnostics[0].find("\"video\""), std::string::npos);
            // Once the node opens again, a later refusal is worth saying again.
            rig.driver.openErrno.clear();
            std::uint8_t value = 0;
            EXPECT_EQ(rig.channel.GetProperty(10, &value, 1), STATUS_OK);
            rig.driver.openErrno["video3"] = EACCES;
            EXPECT_EQ(rig.channel.IsPresent(), 0);
            EXPECT_EQ(rig.channel.GetProperty(10, &value, 1), HR_E_ACCESSDENIED);
            EXPECT_EQ(rig.diagnostics.size(), 2u);
        }
        EXPECT_TRUE(rig.driver.openFds.empty());
    }
}

// Requests the driver's fields cannot carry are refused before any reaches it.
TEST(LinuxCaptureStackTest, RefusesRequestsTheDriverCannotCarry) {
    Rig rig({Camera({0})});
    std::unique_ptr<CaptureFilter> filter;
    ASSERT_EQ(rig.channel.FindCaptureFilter(&filter), 1);
    std::unique_ptr<ExtensionControl> control;
    ASSERT_EQ(filter->QueryExtensionControl(control), HR_S_OK);
    struct Case {
        const char* name;
        KspNode node;
        std::uint32_t length;
        HResult expected;
    };
    const KspNode get{EXTENSION_UNIT_PROPSET, 10, KS_FLAGS_GET, 2, 0};
    const Case cases[] = {
        {"IdOver255", {EXTENSION_UNIT_PROPSET, 266, KS_FLAGS_GET, 2, 0}, 1, HR_E_INVALIDARG},
        {"LengthOver16Bits", get, 0x10001, HR_E_INVALIDARG},
        {"NoLength", get, 0, HR_E_INVALIDARG},
        {"OtherPropertySet", {kForeignUnitGuid, 10, KS_FLAGS_GET, 2, 0}, 1, HR_SET_NOT_FOUND},
        {"NeitherGetNorSet",
         {EXTENSION_UNIT_PROPSET, 10, KSPROPERTY_TYPE_TOPOLOGY_VALUE, 2, 0},
         1,
         HR_E_INVALIDARG},
        {"Accepted", get, 3, HR_S_OK},
    };
    std::vector<std::uint8_t> data(0x10001, 0x11);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::uint32_t returned = 99;
        EXPECT_EQ(control->KsProperty(c.node, sizeof(KspNode), data.data(), c.length, &returned), c.expected);
        EXPECT_EQ(returned, c.expected == HR_S_OK ? c.length : 0u);
    }
    EXPECT_EQ(rig.driver.queries.size(), 1u);
    control.reset();
    filter.reset();
    EXPECT_TRUE(rig.driver.openFds.empty());
}

}  // namespace
}  // namespace tessmo::linuxcapturetest
