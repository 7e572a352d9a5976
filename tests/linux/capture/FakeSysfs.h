#pragma once
// Fake sysfs and /dev trees in a temporary folder, laid out as the kernel lays them out
// for uvcvideo cameras, platform and virtual capture devices and a USB gadget's own
// node, built from a table of device descriptions. Shared by the capture and hot-plug
// tests and the benchmarks.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../../core/support/TempFolder.h"
#include "ExtensionUnit.h"
#include "device/CaptureStack.h"

namespace tessmo::linuxcapturetest {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

inline constexpr Guid kForeignGuid = {
    0x0F3F95DC, 0x2632, 0x4C4E, {0x92, 0xC9, 0xA0, 0x47, 0x82, 0xF4, 0x3B, 0xC8}};

struct FakeUnit {
    unsigned id = 4;  // where the camera bench's gadget put it
    Guid guid = EXTENSION_UNIT_PROPSET;
};

// A camera function: its VideoControl interface, extension units and video nodes (the
// capture node first, then its metadata node). Non-USB devices use only `nodes`.
struct FakeFunction {
    unsigned interface = 0;
    std::vector<FakeUnit> units{FakeUnit{}};
    std::vector<unsigned> nodes;
};

struct FakeDevice {
    std::string parent = "1-1";                  // USB: the device's sysfs name; else the parent's ("": none)
    unsigned vendor = 0x04fc, product = 0x6333;  // vendor 0: not a USB device
    std::vector<FakeFunction> functions;
    bool descriptors = true;  // false: the USB device has no `descriptors` file
    bool gadget = false;      // a UVC gadget's own (output) node
};

inline FakeDevice Camera(std::vector<unsigned> nodes, std::string port = "1-1", unsigned interface = 0) {
    return {std::move(port), 0x04fc, 0x6333, {{interface, {FakeUnit{}}, std::move(nodes)}}};
}
inline FakeDevice NonUsb(std::vector<unsigned> nodes, std::string parent, bool gadget = false) {
    return {std::move(parent), 0, 0, {{0, {}, std::move(nodes)}}, true, gadget};
}

inline void Append(Bytes& out, std::initializer_list<unsigned> bytes) {
    for (const unsigned b : bytes) out.push_back(static_cast<std::uint8_t>(b));
}

// Device and configuration descriptors; per function an interface association, the
// VideoControl interface with its header and extension units (one source pin, 4 control
// bytes: 29 bytes each), and a VideoStreaming interface.
inline Bytes CameraDescriptors(const FakeDevice& d) {
    Bytes out;
    Append(out,
           {18, 1, 0, 2, 0xEF, 2, 1, 64, d.vendor % 256, d.vendor / 256, d.product % 256, d.product / 256});
    Append(out,
           {0, 1, 1, 2, 0, 1, 9, 2, 0, 0, 2 * static_cast<unsigned>(d.functions.size()), 1, 0, 0x80, 250});
    for (const FakeFunction& f : d.functions) {
        Append(out, {8, 0x0B, f.interface, 2, 0x0E, 3, 0, 0});
        Append(out, {9, 4, f.interface, 0, 1, 0x0E, 1,    0,    0, 13, 0x24,
                     1, 0, 1,           0, 0, 0x80, 0x8D, 0x5B, 0, 1,  f.interface + 1});
        for (const FakeUnit& unit : f.units) {
            Append(out, {29, 0x24, 6, unit.id});
            const auto guid = linuxcapture::GuidWireBytes(unit.guid);
            out.insert(out.end(), guid.begin(), guid.end());
            Append(out, {4, 1, 2, 4, 0x00, 0x16, 0x00, 0x02, 0});
        }
        Append(out, {9, 4, f.interface + 1, 0, 0, 0x0E, 2, 0, 0});
    }
    out[20] = static_cast<std::uint8_t>((out.size() - 18) % 256);
    out[21] = static_cast<std::uint8_t>((out.size() - 18) / 256);
    return out;
}

class FakeSysfs {
public:
    explicit FakeSysfs(const std::vector<FakeDevice>& devices) {
        fs::create_directories(Sys() / "class/video4linux");
        fs::create_directories(Dev());
        for (const FakeDevice& device : devices) Add(device);
    }

    fs::path Sys() const { return root_.File("sys"); }
    fs::path Dev() const { return root_.File("dev"); }

    // Each node in `owner`/video4linux with its index, its `device` link back to `owner`
    // (none for a virtual device), its class link and its /dev entry; the owner's files.
    void Add(const FakeDevice& d) {
        const bool usb = d.vendor != 0;
        const fs::path usbDevice = Sys() / "devices/pci0000:00/0000:00:14.0/usb1" / d.parent;
        for (const FakeFunction& f : d.functions) {
            const fs::path owner =
                usb ? usbDevice / (d.parent + ":1." + std::to_string(f.interface))
                    : Sys() / "devices" / (d.parent.empty() ? "virtual" : "platform/" + d.parent);
            for (std::size_t i = 0; i < f.nodes.size(); ++i) {
                const std::string name = "video" + std::to_string(f.nodes[i]);
                const fs::path node = owner / "video4linux" / name;
                fs::create_directories(node);
                Write(node / "index", std::to_string(i) + "\n");
                if (!d.parent.empty())
                    fs::create_directory_symlink("../../../" + owner.filename().string(), node / "device");
                if (d.gadget) Write(node / "function_name", "uvc.0\n");
                fs::create_directory_symlink(node, Sys() / "class/video4linux" / name);
                Write(Dev() / name, "");
            }
            char alias[64];
            std::snprintf(alias, sizeof alias, "usb:v%04Xp%04Xd0100dcEFdsc02dp01ic0Eisc01ip00in%02X\n",
                          d.vendor, d.product, f.interface);
            if (usb && !f.nodes.empty()) Write(owner / "modalias", alias);
        }
        if (!usb) return;
        char ids[2][8];
        std::snprintf(ids[0], sizeof ids[0], "%04x\n", d.vendor);
        std::snprintf(ids[1], sizeof ids[1], "%04x\n", d.product);
        Write(usbDevice / "idVendor", ids[0]);
        Write(usbDevice / "idProduct", ids[1]);
        const Bytes bytes = CameraDescriptors(d);
        if (d.descriptors) Write(usbDevice / "descriptors", std::string(bytes.begin(), bytes.end()));
    }

private:
    static void Write(const fs::path& file, const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
    }

    configtest::TempFolder root_;
};

}  // namespace tessmo::linuxcapturetest
