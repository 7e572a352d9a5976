// The hot-plug monitor over injected events and a fake sysfs tree: which uevents become
// device events, and the Windows-form name each one carries.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "HotplugMonitor.h"
#include "PipeUevents.h"
#include "common/Text.h"
#include "support/TempFolder.h"

namespace tessmo::hotplug {
namespace {

namespace fs = std::filesystem;

constexpr char kUsb[] = "/devices/pci0000:00/0000:00:14.0/usb1/1-2";
const std::string kCaptureNode = std::string(kUsb) + "/1-2:1.0/video4linux/video0";
const std::string kMetadataNode = std::string(kUsb) + "/1-2:1.0/video4linux/video1";
constexpr char kCameraName[] =
    "\\\\?\\USB#VID_04FC&PID_6333&MI_00#1-2&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";

// sysfs as uvcvideo leaves it: the camera's USB device with its ids, a capture node
// (index 0) and a metadata node (index 1), both listed in class/video4linux.
void BuildTree(const fs::path& root) {
    fs::create_directories(root / "class/video4linux");
    fs::create_directories(root / kCaptureNode.substr(1));
    fs::create_directories(root / kMetadataNode.substr(1));
    std::ofstream(root / (std::string(kUsb).substr(1) + "/idVendor")) << "04fc\n";
    std::ofstream(root / (std::string(kUsb).substr(1) + "/idProduct")) << "6333\n";
    std::ofstream(root / kCaptureNode.substr(1) / "index") << "0\n";
    std::ofstream(root / kMetadataNode.substr(1) / "index") << "1\n";
    fs::create_directory_symlink(root / kCaptureNode.substr(1), root / "class/video4linux/video0");
    fs::create_directory_symlink(root / kMetadataNode.substr(1), root / "class/video4linux/video1");
}

UeventProperties Event(const std::string& action, const std::string& devpath, UeventProperties extra = {}) {
    extra["ACTION"] = action;
    extra["DEVPATH"] = devpath;
    extra["SUBSYSTEM"] = extra.count("SUBSYSTEM") != 0 ? extra["SUBSYSTEM"] : "video4linux";
    return extra;
}

const UeventProperties kUdevIds = {
    {"ID_VENDOR_ID", "04fc"}, {"ID_MODEL_ID", "6333"}, {"ID_USB_INTERFACE_NUM", "00"}};

struct Case {
    const char* name;
    bool cameraPluggedAtStart;  // sysfs holds the camera when the monitor opens
    std::vector<UeventProperties> events;
    std::vector<std::string> expected;  // "+name" arrival, "-name" removal
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class Translation : public ::testing::TestWithParam<Case> {};

TEST_P(Translation, TurnsUeventsIntoCaptureInterfaceEvents) {
    const Case& c = GetParam();
    configtest::TempFolder folder;
    const fs::path root = folder.File("sys");
    if (c.cameraPluggedAtStart) BuildTree(root);
    auto* source = new PipeUevents;  // owned by the monitor
    HotplugMonitor monitor{std::unique_ptr<UeventSource>(source), root.string()};
    // Plugged in after the monitor opened: sysfs shows it while its events arrive.
    if (!c.cameraPluggedAtStart) BuildTree(root);
    for (const UeventProperties& event : c.events) source->Push(event);
    std::vector<std::string> seen;
    for (const DeviceEvent& event : monitor.Read()) {
        EXPECT_EQ(event.interfaceClass, kCaptureInterfaceClass);
        seen.push_back((event.kind == DeviceEventKind::Arrival ? "+" : "-") + ToUtf8(event.interfaceName));
    }
    EXPECT_EQ(seen, c.expected);
    EXPECT_EQ(source->Pending(), 0u) << "Read takes every pending event of a short burst";
}

const std::string kArrived = std::string("+") + kCameraName;
const std::string kRemoved = std::string("-") + kCameraName;

const std::string kUnseenNode = std::string(kUsb) + "/1-2:1.0/video4linux/video7";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Hotplug, Translation, ::testing::Values(
    Case{"KernelArrivalNamedFromSysfs", false, {Event("add", kCaptureNode)}, {kArrived}},
    Case{"KernelRemovalOfANodeSeenAtStart", true, {Event("remove", kCaptureNode)}, {kRemoved}},
    Case{"KernelRemovalAfterArrival", false, {Event("add", kCaptureNode), Event("remove", kCaptureNode)},
         {kArrived, kRemoved}},
    Case{"UdevRemovalOfAnUnseenNodeNamedFromProperties", false, {Event("remove", kUnseenNode, kUdevIds)},
         {kRemoved}},
    Case{"KernelRemovalOfAnUnseenNodeWithProductProperty", false,
         {Event("remove", kUnseenNode, {{"PRODUCT", "4fc/6333/100"}})}, {kRemoved}},
    Case{"KernelRemovalOfAnUnseenNodeWithoutIdsIsDropped", false, {Event("remove", kUnseenNode)}, {}},
    Case{"MetadataNodeIsNotReportedEitherWay", true,
         {Event("remove", kMetadataNode), Event("add", kMetadataNode),
          Event("add", kCaptureNode, {{"ID_V4L_CAPABILITIES", ":"}})}, {}},
    // Other devices are reported too (the dialog tells the camera's name apart), ids in upper-case hex.
    Case{"OtherDeviceWithHexInterfaceNumberFromUdev", false,
         {Event("remove", std::string(kUsb) + "/1-2:1.10/video4linux/video9",
                {{"ID_VENDOR_ID", "046d"}, {"ID_MODEL_ID", "082d"}, {"ID_USB_INTERFACE_NUM", "0a"}})},
         {"-\\\\?\\USB#VID_046D&PID_082D&MI_0A#1-2&0&000A#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global"}},
    Case{"NotAUsbCaptureNode", false,
         {Event("add", "/devices/virtual/video4linux/video3", kUdevIds),
          Event("add", "/devices/pci0000:00/1-2/../1-2:1.0/video4linux/video0", kUdevIds),
          Event("add", kCaptureNode, {{"SUBSYSTEM", "usb"}}), Event("change", kCaptureNode, kUdevIds)}, {}}),
    [](const ::testing::TestParamInfo<Case>& row) { return std::string(row.param.name); });
// clang-format on

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
