// The Linux capture stack under the real channel, over fake sysfs trees and a fake
// uvcvideo driver: which node is taken for the camera and under which name, what reaches
// the driver, the statuses and trace a user sees, and that every node opened is closed.
// Then the descriptor walk's rules the fake trees do not reach, and the errno table.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/usb/video.h>
#include <linux/uvcvideo.h>

#include <cerrno>
#include <map>
#include <set>

#include "ErrnoStatus.h"
#include "FakeSysfs.h"
#include "LinuxCaptureStack.h"
#include "device/CDeviceChannel.h"

namespace tessmo::linuxcapturetest {
namespace {

using namespace linuxcapture;

using Lines = std::vector<std::string>;

// Stands in for uvcvideo: records each query ("<unit> <selector> <query code> <bytes>"),
// answers a GET with 0x2A bytes, fails with the errno given.
struct FakeDriver {
    int openErrno = 0, ioctlErrno = 0;
    Lines queries;
    std::map<int, bool> openFds;

    LinuxSystemCalls Calls() {
        return {[this](const char* path, int flags) {
                    if (openErrno != 0 || (flags & O_ACCMODE) != O_RDWR)
                        return -(openErrno ? openErrno : EINVAL);
                    if (!fs::exists(path)) return -ENOENT;
                    const int fd = 100 + static_cast<int>(queries.size() + openFds.size());
                    return openFds[fd] = true, fd;
                },
                [this](int fd, unsigned long request, void* argument) {
                    if (request != UVCIOC_CTRL_QUERY || openFds.count(fd) == 0) return -ENOTTY;
                    if (ioctlErrno != 0) return -ioctlErrno;
                    auto* q = static_cast<uvc_xu_control_query*>(argument);
                    if (q->query == UVC_GET_CUR) std::fill(q->data, q->data + q->size, 0x2A);
                    std::string line = std::to_string(q->unit) + " " + std::to_string(q->selector) + " " +
                                       std::to_string(q->query);
                    for (unsigned i = 0; i < q->size; ++i) line += " " + std::to_string(q->data[i]);
                    queries.push_back(line);
                    return 0;
                },
                [this](int fd) { openFds.erase(fd); }};
    }
};

struct Rig {
    explicit Rig(const std::vector<FakeDevice>& devices)
        : tree(devices),
          stack(MakeLinuxCaptureStack({tree.Sys(), tree.Dev(), driver.Calls(),
                                       [this](std::string_view line) { diagnostics.emplace_back(line); }})) {}
    Lines TraceAfter(std::string_view prefix) const {
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
    const FakeDevice webcam{"1-2", 0x046d, 0x0825, {{0, {}, {0, 1}}}};
    const FakeDevice pid6334{"3-1.4", 0x04fc, 0x6334, {{0, {}, {4, 5}}}};
    const FakeDevice gadget = NonUsb({0}, "usbip-vudc.0", true);
    struct Case {
        const char* name;
        std::vector<FakeDevice> devices;
        Lines names;  // as the trace shows them
    };
    const Case cases[] = {
        // The camera bench: the gadget's output node, then uvcvideo's capture and metadata nodes.
        {"BenchLayout", {gadget, Camera({1, 2})}, {Name("usb#vid_04fc&pid_6333&mi_00#1-1&0&0000")}},
        {"CameraAfterOthers",
         {webcam, NonUsb({2, 3}, "vivid.0"), NonUsb({7}, ""), pid6334, Camera({10, 11}, "1-1.3", 2)},
         {Name("usb#vid_046d&pid_0825&mi_00#1-2&0&0000"), Name("root#video4linux#video2"),
          Name("usb#vid_04fc&pid_6334&mi_00#3-1.4&0&0000"), Name("root#video4linux#video7"),
          Name("usb#vid_04fc&pid_6333&mi_02#1-1.3&0&0002")}},
        {"GadgetOnly", {gadget}, {}},
        {"NoVideo4linuxFolder", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig(c.devices);
        if (c.devices.empty()) fs::remove_all(rig.tree.Sys() / "class");
        const bool camera = !c.names.empty() && c.names.back().find("pid_6333") != std::string::npos;
        EXPECT_EQ(rig.channel.IsPresent(), camera ? 0 : -1);
        EXPECT_EQ(rig.TraceAfter("wszDisplayName:"), c.names);
        // No video input device at all is an empty category, as on Windows.
        EXPECT_EQ(rig.TraceAfter("Create Device Enum. hr = "), Lines{c.names.empty() ? "1" : "0"});
    }
}

TEST(LinuxCaptureStackTest, RequestsReachTheUnitFoundByGuidOrFailWithAStatus) {
    const FakeUnit foreign{2, kForeignGuid};
    const std::vector<FakeFunction> plain{{0, {{4}}, {0, 1}}};
    struct Case {
        const char* name;
        FakeDevice camera;
        int openErrno, ioctlErrno;
        HResult expected;
        unsigned unit;  // reached on success
    };
    const Case cases[] = {
        {"BenchUnit4", {.functions = plain}, 0, 0, HR_S_OK, 4},
        {"AfterForeignUnit", {.functions = {{0, {foreign, {9}}, {0, 1}}}}, 0, 0, HR_S_OK, 9},
        {"InterfaceMi02", {.functions = {{2, {{6}}, {0, 1}}}}, 0, 0, HR_S_OK, 6},
        {"ForeignUnitsOnly", {.functions = {{0, {foreign}, {0, 1}}}}, 0, 0, HR_E_NOINTERFACE, 0},
        {"Elsewhere", {.functions = {{0, {foreign}, {0, 1}}, {2, {{6}}, {}}}}, 0, 0, HR_E_NOINTERFACE, 0},
        {"DescriptorsMissing", {.functions = plain, .descriptors = false}, 0, 0, HR_E_NOINTERFACE, 0},
        {"PermissionDenied", {.functions = plain}, EACCES, 0, HR_E_ACCESSDENIED, 0},
        {"Unplugged", {.functions = plain}, ENODEV, 0, HR_DEVICE_NOT_CONNECTED, 0},
        {"Stalled", {.functions = plain}, 0, EPIPE, HR_GEN_FAILURE, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig({c.camera});
        rig.driver.openErrno = c.openErrno;
        rig.driver.ioctlErrno = c.ioctlErrno;
        std::uint8_t write[5] = {7, 0, 0, 0, 2}, value = 0x5C;
        EXPECT_EQ(rig.channel.SetProperty(11, write, 5), c.expected);
        EXPECT_EQ(rig.channel.GetProperty(10, &value, 1), c.expected);
        const std::string unit = std::to_string(c.unit);
        const Lines sent{unit + " 11 1 7 0 0 0 2", unit + " 10 129 42"};
        EXPECT_EQ(rig.driver.queries, c.expected == HR_S_OK ? sent : Lines{});
        EXPECT_EQ(value, c.expected == HR_S_OK ? 0x2A : 0x5C);
        // No unit or no node fails the control query itself; a refused ioctl only the request.
        const HResult query = c.expected == HR_S_OK || c.ioctlErrno != 0 ? HR_S_OK : c.expected;
        EXPECT_TRUE(rig.TraceAfter("hr:").at(0).starts_with(std::to_string(query) + "  control:"));
        EXPECT_EQ(rig.diagnostics.empty(), c.openErrno != EACCES);
        EXPECT_TRUE(rig.driver.openFds.empty());
    }
}

// A sync pass sends many requests: a refused node is said once, naming it, and said
// again only after it has opened in between.
TEST(LinuxCaptureStackTest, RefusedNodeIsSaidOncePerRefusal) {
    Rig rig({Camera({0})});
    std::uint8_t value = 0;
    for (const int error : {EACCES, EACCES, 0, EACCES, EACCES}) {
        rig.driver.openErrno = error;
        EXPECT_EQ(rig.channel.GetProperty(10, &value, 1), error != 0 ? HR_E_ACCESSDENIED : HR_S_OK);
    }
    ASSERT_EQ(rig.diagnostics.size(), 2u);
    EXPECT_NE(rig.diagnostics[0].find((rig.tree.Dev() / "video0").string()), std::string::npos);
}

TEST(DescriptorWalkTest, TakesOnlyAWellFormedUnitOfTheConfigurationInUse) {
    EXPECT_EQ(GuidWireBytes(EXTENSION_UNIT_PROPSET),
              (GuidBytes{0x82, 0x06, 0x61, 0x63, 0x70, 0x50, 0xAB, 0x49, 0xB8, 0xCC, 0xB3, 0x85, 0x5E, 0x8D,
                         0x22, 0x1D}));
    const auto camera = [](std::vector<FakeUnit> units) {
        return CameraDescriptors({"1-1", 0x04fc, 0x6333, {{0, std::move(units), {0}}}});
    };
    // The first unit's descriptor starts after the device (18), configuration (9), interface
    // association (8), VideoControl interface (9) and header (13) descriptors.
    const Bytes plain = camera({{4}}), cut(plain.begin(), plain.begin() + 57 + 12);
    Bytes zeroLength = plain, pastEnd = plain, pinsOverrun = camera({{3}, {8}});
    zeroLength.insert(zeroLength.begin() + 35, {0, 0x24});
    pastEnd[57] = 0xFF;
    pinsOverrun[57 + 21] = 40;  // the first unit claims more source pins than it holds
    struct Case {
        const char* name;
        Bytes bytes;
        std::uint8_t configuration;
        std::optional<std::uint8_t> expected;
    } const cases[] = {
        {"OtherConfiguration", plain, 2, std::nullopt},
        {"CutInsideTheUnit", cut, 1, std::nullopt},
        {"ZeroLengthDescriptor", zeroLength, 1, std::nullopt},
        {"UnitRunsPastTheEnd", pastEnd, 1, std::nullopt},
        {"PinsOverrunTheUnit", pinsOverrun, 1, 8},
        {"UnitIdZeroIsReserved", camera({{0}, {7}}), 1, 7},
    };
    for (const Case& c : cases) {
        const ExtensionUnitSearch search{GuidWireBytes(EXTENSION_UNIT_PROPSET), 0, c.configuration};
        EXPECT_EQ(FindExtensionUnit(c.bytes, search), c.expected) << c.name;
    }
}

TEST(ErrnoStatusTest, EveryErrnoIsAFailureAndEachKnownOneHasItsOwnStatus) {
    std::set<HResult> seen;
    for (const ErrnoStatus& entry : ErrnoStatusTable()) {
        EXPECT_TRUE(seen.insert(entry.status).second) << entry.error;
        EXPECT_FALSE(StatusName(entry.status).empty()) << entry.error;
    }
    for (int error = 0; error < 200; ++error) EXPECT_LT(StatusFromErrno(error), 0) << error;
}

}  // namespace
}  // namespace tessmo::linuxcapturetest
