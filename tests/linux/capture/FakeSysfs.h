#pragma once
// Fake sysfs and /dev trees in a temporary folder, laid out as the kernel lays them out
// for uvcvideo cameras, platform and virtual capture devices and a USB gadget's own
// node, built from a table of device specs. Shared by the tests and the benchmarks.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "ExtensionUnit.h"
#include "device/CaptureStack.h"

namespace tessmo::linuxcapturetest {

namespace fs = std::filesystem;

inline constexpr Guid kForeignUnitGuid = {
    0x0F3F95DC, 0x2632, 0x4C4E, {0x92, 0xC9, 0xA0, 0x47, 0x82, 0xF4, 0x3B, 0xC8}};

struct FakeUnit {
    std::uint8_t id = 4;  // where the camera bench's gadget put it
    Guid guid = EXTENSION_UNIT_PROPSET;
};

// One camera function: its VideoControl interface, its extension units and its video
// nodes, the first the capture node (index 0), the next its metadata node (index 1).
struct FakeFunction {
    std::uint8_t interface = 0;
    std::vector<FakeUnit> units{FakeUnit{}};
    std::vector<unsigned> nodes;
};

enum class DescriptorsFile { Whole, Missing, Empty, Truncated, ZeroLength, PastEnd };

struct FakeDevice {
    enum Kind { Usb, Platform, Virtual, Gadget } kind = Usb;
    std::string parent = "1-1";  // USB: the device's sysfs name; Platform, Gadget: the parent device
    std::uint16_t vendor = 0x04fc, product = 0x6333;
    std::vector<FakeFunction> functions;
    DescriptorsFile descriptors = DescriptorsFile::Whole;
};

inline FakeDevice Camera(std::vector<unsigned> nodes, std::string port = "1-1", std::uint8_t interface = 0) {
    return {FakeDevice::Usb, std::move(port), 0x04fc, 0x6333, {{interface, {FakeUnit{}}, std::move(nodes)}}};
}
inline FakeDevice NonUsb(FakeDevice::Kind kind, std::vector<unsigned> nodes, std::string parent = "vivid.0") {
    return {kind, std::move(parent), 0, 0, {{0, {}, std::move(nodes)}}};
}

using Bytes = std::vector<std::uint8_t>;

inline void Append(Bytes& out, std::initializer_list<unsigned> bytes) {
    for (const unsigned b : bytes) out.push_back(static_cast<std::uint8_t>(b));
}

// An extension unit with one source pin and 4 control bytes: 29 bytes.
inline void AppendUnit(Bytes& out, const FakeUnit& unit) {
    Append(out, {29, 0x24, 0x06, unit.id});
    const linuxcapture::GuidBytes guid = linuxcapture::GuidWireBytes(unit.guid);
    out.insert(out.end(), guid.begin(), guid.end());
    Append(out, {4, 1, 2, 4, 0x00, 0x16, 0x00, 0x02, 0});
}

// Device descriptor, one configuration (value 1) with, per function, an interface
// association, the VideoControl interface with camera terminal, processing unit,
// extension units and output terminal, and one VideoStreaming interface.
inline Bytes CameraDescriptors(const FakeDevice& device) {
    Bytes out;
    Append(out, {18, 1, 0x00, 0x02, 0xEF, 0x02, 0x01, 64, device.vendor & 0xFFu, device.vendor / 256u,
                 device.product & 0xFFu, device.product / 256u, 0x00, 0x01, 1, 2, 0, 1});
    const std::size_t config = out.size();
    Append(out, {9, 2, 0, 0, 2 * static_cast<unsigned>(device.functions.size()), 1, 0, 0x80, 250});
    std::size_t unitAt = 0;
    for (const FakeFunction& f : device.functions) {
        const unsigned i = f.interface;
        Append(out, {8, 0x0B, i, 2, 0x0E, 0x03, 0, 0});
        if (device.descriptors == DescriptorsFile::ZeroLength) Append(out, {0, 0x24});
        Append(out, {9, 4, i, 0, 1, 0x0E, 0x01, 0, 0});
        Append(out, {13, 0x24, 0x01, 0x00, 0x01, 0, 0, 0x80, 0x8D, 0x5B, 0x00, 1, i + 1});
        Append(out, {18, 0x24, 0x02, 1, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0});
        Append(out, {11, 0x24, 0x05, 2, 1, 0, 0, 2, 0x7F, 0x17, 0});
        for (const FakeUnit& unit : f.units) {
            if (unit.guid == EXTENSION_UNIT_PROPSET && unitAt == 0) unitAt = out.size();
            AppendUnit(out, unit);
        }
        Append(out, {9, 0x24, 0x03, 3, 0x01, 0x01, 0, 2, 0});
        Append(out, {9, 4, i + 1, 0, 0, 0x0E, 0x02, 0, 0});
    }
    out[config + 2] = static_cast<std::uint8_t>((out.size() - config) & 0xFF);
    out[config + 3] = static_cast<std::uint8_t>((out.size() - config) >> 8);
    if (device.descriptors == DescriptorsFile::Empty) out.clear();
    if (device.descriptors == DescriptorsFile::Truncated && unitAt != 0) out.resize(unitAt + 12);
    if (device.descriptors == DescriptorsFile::PastEnd && unitAt != 0) out[unitAt] = 0xFF;
    return out;
}

class FakeSysfs {
public:
    explicit FakeSysfs(const std::vector<FakeDevice>& devices) {
        std::string pattern = (fs::temp_directory_path() / "tessmo_sysfs_XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        root_ = pattern;
        fs::create_directories(Dev());
        fs::create_directories(Sys() / "class/video4linux");
        for (const FakeDevice& device : devices) Add(device);
    }
    ~FakeSysfs() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    FakeSysfs(const FakeSysfs&) = delete;
    FakeSysfs& operator=(const FakeSysfs&) = delete;

    fs::path Sys() const { return root_ / "sys"; }
    fs::path Dev() const { return root_ / "dev"; }

private:
    static void Write(const fs::path& file, const std::string& text) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    }

    // The node's folder under `owner`, its class link, `index`, its `device` link (to
    // `parentName`, a sibling of the owner's video4linux folder) and its /dev entry.
    void AddNode(const fs::path& owner, const std::string& parentName, unsigned number, unsigned index) {
        const std::string name = "video" + std::to_string(number);
        const fs::path node = owner / "video4linux" / name;
        fs::create_directories(node);
        Write(node / "index", std::to_string(index) + "\n");
        Write(node / "name", "Camera\n");
        if (!parentName.empty()) fs::create_directory_symlink("../../../" + parentName, node / "device");
        fs::create_directory_symlink(node, Sys() / "class/video4linux" / name);
        Write(Dev() / name, "");
    }

    void Add(const FakeDevice& device) {
        char hex[16];
        char alias[64];
        switch (device.kind) {
            case FakeDevice::Usb: {
                const fs::path usb = Sys() / "devices/pci0000:00/0000:00:14.0/usb1" / device.parent;
                fs::create_directories(usb);
                std::snprintf(hex, sizeof hex, "%04x\n", device.vendor);
                Write(usb / "idVendor", hex);
                std::snprintf(hex, sizeof hex, "%04x\n", device.product);
                Write(usb / "idProduct", hex);
                const Bytes bytes = CameraDescriptors(device);
                if (device.descriptors != DescriptorsFile::Missing)
                    Write(usb / "descriptors", std::string(bytes.begin(), bytes.end()));
                for (const FakeFunction& f : device.functions) {
                    const std::string interface = device.parent + ":1." + std::to_string(f.interface);
                    for (unsigned i = 0; i < f.nodes.size(); ++i)
                        AddNode(usb / interface, interface, f.nodes[i], i);
                    std::snprintf(alias, sizeof alias,
                                  "usb:v%04Xp%04Xd0100dcEFdsc02dp01ic0Eisc01ip00in%02X\n", device.vendor,
                                  device.product, f.interface);
                    if (!f.nodes.empty()) Write(usb / interface / "modalias", alias);
                }
                break;
            }
            case FakeDevice::Platform:
            case FakeDevice::Gadget: {
                fs::path owner = Sys() / "devices/platform" / device.parent;
                if (device.kind == FakeDevice::Gadget) owner /= "gadget.0";
                const auto& nodes = device.functions.front().nodes;
                for (unsigned i = 0; i < nodes.size(); ++i) {
                    AddNode(owner, owner.filename().string(), nodes[i], i);
                    if (device.kind == FakeDevice::Gadget)
                        Write(owner / "video4linux" / ("video" + std::to_string(nodes[i])) / "function_name",
                              "uvc.0\n");
                }
                break;
            }
            case FakeDevice::Virtual:
                for (unsigned i = 0; i < device.functions.front().nodes.size(); ++i)
                    AddNode(Sys() / "devices/virtual", "", device.functions.front().nodes[i], i);
                break;
        }
    }

    fs::path root_;
};

}  // namespace tessmo::linuxcapturetest
