#include "HotplugMonitor.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

#include "common/Text.h"

namespace tessmo::hotplug {
namespace {

namespace fs = std::filesystem;

std::string Property(const UeventProperties& event, const char* key) {
    const auto found = event.find(key);
    return found != event.end() ? found->second : std::string();
}

std::optional<unsigned> Number(std::string_view text, int base) {
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// First line of a sysfs attribute; empty when it cannot be read.
std::string Attribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

bool AllDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// A USB device's kernel name: "1-2", "3-1.4.2" (bus, then the port path).
bool IsUsbDeviceName(std::string_view name) {
    const std::size_t dash = name.find('-');
    if (dash == std::string_view::npos || !AllDigits(name.substr(0, dash))) return false;
    const std::string_view ports = name.substr(dash + 1);
    return !ports.empty() && ports.find_first_not_of("0123456789.") == std::string_view::npos &&
           ports.front() != '.' && ports.back() != '.';
}

// Where a video node sits in the USB tree, from its DEVPATH alone:
// /devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/video4linux/video0
struct UsbPlace {
    std::string deviceDevpath;  // "/devices/.../1-2"
    std::string deviceName;     // "1-2"
    unsigned interfaceNumber = 0;
};

std::optional<UsbPlace> PlaceOf(std::string_view devpath) {
    const std::size_t end = devpath.find("/video4linux/");
    // Attributes are read below the sysfs root: a path that climbs out is no device.
    if (end == std::string_view::npos || devpath.find("/..") != std::string_view::npos) return std::nullopt;
    const std::string_view parent = devpath.substr(0, end);
    const std::size_t slash = parent.rfind('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const std::string_view interface = parent.substr(slash + 1);
    // "<device>:<configuration>.<interface>", the device being the folder above.
    const std::size_t colon = interface.find(':');
    const std::size_t dot = interface.rfind('.');
    if (colon == std::string_view::npos || dot == std::string_view::npos || dot < colon) return std::nullopt;
    const std::string_view device = interface.substr(0, colon);
    const std::string_view deviceDevpath = parent.substr(0, slash);
    if (!IsUsbDeviceName(device) || !deviceDevpath.ends_with("/" + std::string(device))) return std::nullopt;
    if (!AllDigits(interface.substr(colon + 1, dot - colon - 1))) return std::nullopt;
    const std::optional<unsigned> number = Number(interface.substr(dot + 1), 10);
    if (!number) return std::nullopt;
    return UsbPlace{std::string(deviceDevpath), std::string(device), *number};
}

struct UsbIds {
    unsigned vendor = 0;
    unsigned product = 0;
};

// udev's ID_VENDOR_ID/ID_MODEL_ID ("04fc"), else the kernel's PRODUCT ("4fc/6333/100").
std::optional<UsbIds> IdsFromProperties(const UeventProperties& event) {
    const auto vendor = Number(Property(event, "ID_VENDOR_ID"), 16);
    const auto product = Number(Property(event, "ID_MODEL_ID"), 16);
    if (vendor && product) return UsbIds{*vendor, *product};
    const std::string text = Property(event, "PRODUCT");
    const std::size_t first = text.find('/');
    const std::size_t second = text.find('/', first + 1);
    if (first == std::string::npos || second == std::string::npos) return std::nullopt;
    const auto v = Number(std::string_view(text).substr(0, first), 16);
    const auto p = Number(std::string_view(text).substr(first + 1, second - first - 1), 16);
    if (!v || !p) return std::nullopt;
    return UsbIds{*v, *p};
}

std::optional<UsbIds> IdsFromSysfs(const fs::path& deviceDir) {
    const auto vendor = Number(Attribute(deviceDir / "idVendor"), 16);
    const auto product = Number(Attribute(deviceDir / "idProduct"), 16);
    if (!vendor || !product) return std::nullopt;
    return UsbIds{*vendor, *product};
}

// uvcvideo gives one interface a capture node and a metadata node; only the first is
// the capture interface a Windows broadcast would name.
bool IsSecondNode(const UeventProperties& event, const std::optional<fs::path>& nodeDir) {
    const std::string capabilities = Property(event, "ID_V4L_CAPABILITIES");
    if (!capabilities.empty() && capabilities.find(":capture:") == std::string::npos) return true;
    const std::string index = nodeDir ? Attribute(*nodeDir / "index") : std::string();
    return !index.empty() && index != "0";
}

fs::path Under(const std::string& root, std::string_view devpath) {
    return fs::path(root + std::string(devpath));
}

// The name an event stands for; sysfs is consulted only when `root` is given (an
// arrival: a removal's folders are already gone).
std::optional<std::u16string> NameOf(const UeventProperties& event, const std::string* root) {
    const std::string devpath = Property(event, "DEVPATH");
    const std::optional<UsbPlace> place = PlaceOf(devpath);
    if (!place) return std::nullopt;
    if (IsSecondNode(event, root != nullptr ? std::optional(Under(*root, devpath)) : std::nullopt)) {
        return std::nullopt;
    }
    std::optional<UsbIds> ids = IdsFromProperties(event);
    if (!ids && root != nullptr) ids = IdsFromSysfs(Under(*root, place->deviceDevpath));
    if (!ids) return std::nullopt;
    unsigned interfaceNumber = place->interfaceNumber;
    if (const auto udevNumber = Number(Property(event, "ID_USB_INTERFACE_NUM"), 16))
        interfaceNumber = *udevNumber;
    // The instance text the capture stack's display names carry, so both name one interface alike.
    char number[8];
    std::snprintf(number, sizeof number, "&0&%04X", interfaceNumber & 0xFFFFu);
    return InterfaceName(static_cast<std::uint16_t>(ids->vendor), static_cast<std::uint16_t>(ids->product),
                         interfaceNumber, place->deviceName + number);
}

}  // namespace

std::u16string InterfaceName(std::uint16_t vendorId, std::uint16_t productId, unsigned interfaceNumber,
                             const std::string& instance) {
    char head[64];
    std::snprintf(head, sizeof head, "\\\\?\\USB#VID_%04X&PID_%04X&MI_%02X#", unsigned{vendorId},
                  unsigned{productId}, interfaceNumber & 0xFFu);
    std::string name = head;
    // '#' separates the name's fields, so it cannot appear inside the instance text.
    for (const char c : instance)
        name += c == '#' ? '&' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    name += "#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
    return FromUtf8(name);
}

HotplugMonitor::HotplugMonitor(std::unique_ptr<UeventSource> source, std::string sysfsRoot)
    : source_(std::move(source)), sysfsRoot_(std::move(sysfsRoot)) {
    // Nodes present now must be known before they are removed: their removal carries
    // no ids of its own where udevd does not run.
    std::error_code ec;
    const fs::path classDir = fs::path(sysfsRoot_) / "class" / "video4linux";
    const fs::path root = fs::weakly_canonical(sysfsRoot_, ec);
    for (const fs::directory_entry& entry : fs::directory_iterator(classDir, ec)) {
        const fs::path node = fs::canonical(entry.path(), ec);
        if (ec) continue;
        const std::string devpath = "/" + node.lexically_relative(root).generic_string();
        known_[devpath] = NameOf({{"DEVPATH", devpath}}, &sysfsRoot_);
    }
}

HotplugMonitor::~HotplugMonitor() = default;

int HotplugMonitor::Fd() const {
    return source_->Fd();
}

std::vector<DeviceEvent> HotplugMonitor::Read() {
    // A burst (a hub with many devices) is taken in slices so the caller's loop stays
    // responsive; what is left keeps the descriptor readable.
    constexpr int kMaxEventsPerRead = 256;
    std::vector<DeviceEvent> events;
    for (int taken = 0; taken < kMaxEventsPerRead; ++taken) {
        const std::optional<UeventProperties> raw = source_->Receive();
        if (!raw) break;
        if (std::optional<DeviceEvent> event = Translate(*raw)) events.push_back(std::move(*event));
    }
    return events;
}

std::optional<DeviceEvent> HotplugMonitor::Translate(const UeventProperties& event) {
    if (Property(event, "SUBSYSTEM") != "video4linux") return std::nullopt;
    const std::string action = Property(event, "ACTION");
    const std::string devpath = Property(event, "DEVPATH");
    std::optional<std::u16string> name;
    if (action == "add") {
        name = NameOf(event, &sysfsRoot_);
        known_[devpath] = name;
    } else if (action == "remove") {
        const auto found = known_.find(devpath);
        name = found != known_.end() ? found->second : NameOf(event, nullptr);
        if (found != known_.end()) known_.erase(found);
    }
    if (!name) return std::nullopt;
    DeviceEvent result;
    result.interfaceClass = kCaptureInterfaceClass;
    result.kind = action == "add" ? DeviceEventKind::Arrival : DeviceEventKind::Removal;
    result.interfaceName = std::move(*name);
    return result;
}

}  // namespace tessmo::hotplug
