// The hot-plug monitor over injected events and a fake sysfs tree: which uevents become
// device events, and the Windows-form name each one carries.
#include <gtest/gtest.h>

#include "FakeSysfs.h"
#include "HotplugMonitor.h"
#include "PipeUevents.h"
#include "common/Text.h"

namespace tessmo::hotplug {
namespace {

constexpr char kUsb[] = "/devices/pci0000:00/0000:00:14.0/usb1/1-2";
const std::string kCaptureNode = std::string(kUsb) + "/1-2:1.0/video4linux/video0";
const std::string kMetadataNode = std::string(kUsb) + "/1-2:1.0/video4linux/video1";
const std::string kUnseenNode = std::string(kUsb) + "/1-2:1.0/video4linux/video7";
const std::string kRemoved =
    "-\\\\?\\USB#VID_04FC&PID_6333&MI_00#1-2&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
const std::string kArrived = "+" + kRemoved.substr(1);

UeventProperties Event(const std::string& action, const std::string& devpath, UeventProperties extra = {}) {
    extra["ACTION"] = action;
    extra["DEVPATH"] = devpath;
    extra.try_emplace("SUBSYSTEM", "video4linux");
    return extra;
}

const UeventProperties kUdevIds = {
    {"ID_VENDOR_ID", "04fc"}, {"ID_MODEL_ID", "6333"}, {"ID_USB_INTERFACE_NUM", "00"}};

TEST(HotplugMonitorTest, TurnsUeventsIntoCaptureInterfaceEvents) {
    struct Case {
        const char* name;
        bool cameraPluggedAtStart;  // sysfs holds the camera when the monitor opens
        std::vector<UeventProperties> events;
        std::vector<std::string> expected;  // "+name" arrival, "-name" removal
    };
    // clang-format off
    const Case cases[] = {
        {"KernelRemovalOfANodeSeenAtStart", true, {Event("remove", kCaptureNode)}, {kRemoved}},
        {"KernelArrivalNamedFromSysfsThenItsRemoval", false,
         {Event("add", kCaptureNode), Event("remove", kCaptureNode)}, {kArrived, kRemoved}},
        {"UdevRemovalOfAnUnseenNodeNamedFromProperties", false, {Event("remove", kUnseenNode, kUdevIds)},
         {kRemoved}},
        {"KernelRemovalOfAnUnseenNodeWithProductProperty", false,
         {Event("remove", kUnseenNode, {{"PRODUCT", "4fc/6333/100"}})}, {kRemoved}},
        {"KernelRemovalOfAnUnseenNodeWithoutIdsIsDropped", false, {Event("remove", kUnseenNode)}, {}},
        {"MetadataNodeIsNotReportedEitherWay", true,
         {Event("remove", kMetadataNode), Event("add", kMetadataNode),
          Event("add", kCaptureNode, {{"ID_V4L_CAPABILITIES", ":"}})}, {}},
        // Other devices are reported too (the dialog tells the camera's name apart), ids in upper-case hex.
        {"OtherDeviceWithHexInterfaceNumberFromUdev", false,
         {Event("remove", std::string(kUsb) + "/1-2:1.10/video4linux/video9",
                {{"ID_VENDOR_ID", "046d"}, {"ID_MODEL_ID", "082d"}, {"ID_USB_INTERFACE_NUM", "0a"}})},
         {"-\\\\?\\USB#VID_046D&PID_082D&MI_0A#1-2&0&000A#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global"}},
        {"NotAUsbCaptureNode", false,
         {Event("add", "/devices/virtual/video4linux/video3", kUdevIds),
          Event("add", "/devices/pci0000:00/1-2/../1-2:1.0/video4linux/video0", kUdevIds),
          Event("add", kCaptureNode, {{"SUBSYSTEM", "usb"}}), Event("change", kCaptureNode, kUdevIds)}, {}},
    };
    // clang-format on
    const linuxcapturetest::FakeDevice camera = linuxcapturetest::Camera({0, 1}, "1-2");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        linuxcapturetest::FakeSysfs sysfs({});
        if (c.cameraPluggedAtStart) sysfs.Add(camera);
        auto* source = new PipeUevents;  // owned by the monitor
        HotplugMonitor monitor{std::unique_ptr<UeventSource>(source), sysfs.Sys().string()};
        // Plugged in after the monitor opened: sysfs shows it while its events arrive.
        if (!c.cameraPluggedAtStart) sysfs.Add(camera);
        for (const UeventProperties& event : c.events) source->Push(event);
        std::vector<std::string> seen;
        for (const DeviceEvent& event : monitor.Read()) {
            EXPECT_EQ(event.interfaceClass, kCaptureInterfaceClass);
            seen.push_back((event.kind == DeviceEventKind::Arrival ? "+" : "-") +
                           ToUtf8(event.interfaceName));
        }
        EXPECT_EQ(seen, c.expected);
        EXPECT_EQ(source->Pending(), 0u) << "Read takes every pending event of a short burst";
    }
}

TEST(KernelUevent, ParsesTheKernelsDatagramsOnly) {
    using namespace std::string_literals;
    const auto event = ParseKernelUevent(
        "remove@/devices/x/video4linux/video0\0ACTION=remove\0"
        "DEVPATH=/devices/x/video4linux/video0\0SUBSYSTEM=video4linux\0SEQNUM=7"s);
    ASSERT_TRUE(event.has_value());
    EXPECT_EQ(*event, (UeventProperties{{"ACTION", "remove"},
                                        {"DEVPATH", "/devices/x/video4linux/video0"},
                                        {"SUBSYSTEM", "video4linux"},
                                        {"SEQNUM", "7"}}));
    EXPECT_FALSE(ParseKernelUevent("libudev\0\xfe\xed\xca\xfe ACTION=add"s)) << "udev's own message";
    EXPECT_FALSE(ParseKernelUevent("add@/devices/x\0SUBSYSTEM=usb\0"s)) << "no ACTION or DEVPATH";
    EXPECT_FALSE(ParseKernelUevent(""s));
}

}  // namespace
}  // namespace tessmo::hotplug
