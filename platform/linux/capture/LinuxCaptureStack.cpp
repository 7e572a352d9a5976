#include "LinuxCaptureStack.h"

#include <fcntl.h>
#include <linux/usb/video.h>
#include <linux/uvcvideo.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ErrnoStatus.h"
#include "ExtensionUnit.h"
#include "SysfsDiscovery.h"
#include "UniqueFd.h"

namespace tessmo {
namespace linuxcapture {
namespace {

using posix::UniqueFd;

// Room for everything a device can have: the 18-byte device descriptor and at most 8
// configurations (the most Linux keeps) of at most 64 KiB each.
constexpr std::size_t kMaxDescriptorBytes = 8 * 65536 + 18;

// Shared by the stack and everything it hands out, so an object that outlives the
// stack is still safe to use and to destroy.
struct Context {
    LinuxCaptureOptions options;
    std::filesystem::path classDir;
    // Nodes (and errno) already reported, so a sync pass of many requests says it once.
    std::set<std::pair<std::string, int>> reported;

    void Report(const std::string& node, int error, const std::string& devicePath);
};

void Context::Report(const std::string& node, int error, const std::string& devicePath) {
    if (!options.diagnostics || !reported.emplace(node, error).second) return;
    options.diagnostics("Cannot open " + devicePath + " (" + std::strerror(error) +
                        "): add your user to the group \"video\" and log in again, or install the "
                        "camera's udev rule (docs/linux.md)");
}

// sysfs reports the file's largest possible size, not its length, so it is read in
// growing steps up to the bound.
std::vector<std::uint8_t> ReadDescriptors(const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes;
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    std::size_t filled = 0;
    while (fd.get() >= 0 && filled < kMaxDescriptorBytes) {
        if (filled == bytes.size())
            bytes.resize(std::min(kMaxDescriptorBytes, std::max<std::size_t>(4096, 2 * filled)));
        const ssize_t n = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
        if (n <= 0) break;
        filled += static_cast<std::size_t>(n);
    }
    bytes.resize(filled);
    return bytes;
}

// An open device node, closed through the same seam that opened it.
class NodeHandle {
public:
    NodeHandle(std::shared_ptr<Context> context, int fd) : context_(std::move(context)), fd_(fd) {}
    ~NodeHandle() { context_->options.calls.close(fd_); }
    NodeHandle(const NodeHandle&) = delete;
    NodeHandle& operator=(const NodeHandle&) = delete;
    int fd() const { return fd_; }
    Context& context() const { return *context_; }

private:
    std::shared_ptr<Context> context_;
    int fd_;
};

// The uvcvideo query code for the request's flags, or nullopt for a request this
// control cannot carry.
std::optional<std::uint8_t> QueryCodeOf(std::uint32_t flags) {
    if (flags == KS_FLAGS_SET) return std::uint8_t{UVC_SET_CUR};
    if (flags == KS_FLAGS_GET) return std::uint8_t{UVC_GET_CUR};
    return std::nullopt;
}

class Control final : public ExtensionControl {
public:
    Control(std::unique_ptr<NodeHandle> node, std::uint8_t unit) : node_(std::move(node)), unit_(unit) {}

    // The request's node id is the Windows topology's; the driver addresses the unit by
    // the id the camera's own descriptors give it.
    HResult KsProperty(const KspNode& node, std::uint32_t nodeLength, std::uint8_t* data,
                       std::uint32_t dataLength, std::uint32_t* bytesReturned) override {
        if (bytesReturned != nullptr) *bytesReturned = 0;
        if (nodeLength < sizeof(KspNode)) return HR_E_INVALIDARG;
        if (node.Set != EXTENSION_UNIT_PROPSET) return HR_SET_NOT_FOUND;
        const auto code = QueryCodeOf(node.Flags);
        // The driver's selector and size fields are 8 and 16 bits: a wider value must not wrap.
        if (!code || node.Id > 0xFF || data == nullptr || dataLength == 0 || dataLength > 0xFFFF)
            return HR_E_INVALIDARG;
        // A GET lands in a scratch block first, so a failed one leaves the caller's untouched.
        std::unique_ptr<std::uint8_t[]> scratch;
        if (*code == UVC_GET_CUR) {
            scratch.reset(new (std::nothrow) std::uint8_t[dataLength]);
            if (!scratch) return HR_E_OUTOFMEMORY;
        }
        uvc_xu_control_query query{};
        query.unit = unit_;
        query.selector = static_cast<std::uint8_t>(node.Id);
        query.query = *code;
        query.size = static_cast<std::uint16_t>(dataLength);
        query.data = scratch ? scratch.get() : data;
        const int result = node_->context().options.calls.ioctl(node_->fd(), UVCIOC_CTRL_QUERY, &query);
        if (result < 0) return StatusFromErrno(-result);
        // uvcvideo either fills the whole block or fails the request.
        if (scratch) std::memcpy(data, scratch.get(), dataLength);
        if (bytesReturned != nullptr && scratch) *bytesReturned = dataLength;
        return HR_S_OK;
    }

private:
    std::unique_ptr<NodeHandle> node_;
    std::uint8_t unit_;
};

class Filter final : public CaptureFilter {
public:
    Filter(std::shared_ptr<Context> context, VideoNode node)
        : context_(std::move(context)), node_(std::move(node)) {}

    HResult QueryExtensionControl(std::unique_ptr<ExtensionControl>& control) override {
        control.reset();
        if (!node_.usb) return HR_E_NOINTERFACE;
        const std::string devicePath = (context_->options.devRoot / node_.name).string();
        const int fd = context_->options.calls.open(devicePath.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) {
            if (-fd == EACCES || -fd == EPERM) context_->Report(node_.name, -fd, devicePath);
            return StatusFromErrno(-fd);
        }
        auto handle = std::make_unique<NodeHandle>(context_, fd);
        std::erase_if(context_->reported, [&](const auto& entry) { return entry.first == node_.name; });

        const std::vector<std::uint8_t> descriptors =
            ReadDescriptors(DescriptorsPathOf(context_->classDir, node_));
        const ExtensionUnitSearch search{GuidWireBytes(EXTENSION_UNIT_PROPSET), node_.usb->controlInterface,
                                         node_.usb->configuration};
        const auto unit = FindExtensionUnit(descriptors, search);
        if (!unit) return HR_E_NOINTERFACE;
        control.reset(new (std::nothrow) Control(std::move(handle), *unit));
        return control ? HR_S_OK : HR_E_OUTOFMEMORY;
    }

private:
    std::shared_ptr<Context> context_;
    VideoNode node_;
};

class Moniker final : public DeviceMoniker {
public:
    Moniker(std::shared_ptr<Context> context, VideoNode node)
        : context_(std::move(context)), node_(std::move(node)) {}

    HResult GetDisplayName(std::optional<std::u16string>& name) override {
        name = DisplayNameOf(node_);
        return HR_S_OK;
    }
    // Binding only remembers the node: it is opened when the control is asked for.
    HResult BindToFilter(std::unique_ptr<CaptureFilter>& filter) override {
        filter.reset(new (std::nothrow) Filter(context_, node_));
        return filter ? HR_S_OK : HR_E_OUTOFMEMORY;
    }

private:
    std::shared_ptr<Context> context_;
    VideoNode node_;
};

class Monikers final : public MonikerEnumerator {
public:
    Monikers(std::shared_ptr<Context> context, std::vector<VideoNode> nodes)
        : context_(std::move(context)), nodes_(std::move(nodes)) {}
    void Reset() override { next_ = 0; }
    HResult Next(std::unique_ptr<DeviceMoniker>& moniker) override {
        moniker.reset();
        if (next_ >= nodes_.size()) return HR_S_FALSE;
        moniker.reset(new (std::nothrow) Moniker(context_, nodes_[next_++]));
        return moniker ? HR_S_OK : HR_E_OUTOFMEMORY;
    }

private:
    std::shared_ptr<Context> context_;
    std::vector<VideoNode> nodes_;
    std::size_t next_ = 0;
};

class Devices final : public DeviceEnumerator {
public:
    explicit Devices(std::shared_ptr<Context> context) : context_(std::move(context)) {}
    // A snapshot, as the system enumerator takes one: no video input device is S_FALSE
    // without an enumerator.
    HResult CreateVideoInputEnumerator(std::unique_ptr<MonikerEnumerator>& enumerator) override {
        enumerator.reset();
        std::vector<VideoNode> nodes = ListVideoInputNodes(context_->classDir);
        if (nodes.empty()) return HR_S_FALSE;
        enumerator.reset(new (std::nothrow) Monikers(context_, std::move(nodes)));
        return enumerator ? HR_S_OK : HR_E_OUTOFMEMORY;
    }

private:
    std::shared_ptr<Context> context_;
};

class Stack final : public CaptureStack {
public:
    explicit Stack(std::shared_ptr<Context> context) : context_(std::move(context)) {}
    // Nothing to initialise: the Linux stack has no apartments.
    void ComInitialize() override {}
    void ComUninitialize() override {}
    HResult CreateDeviceEnumerator(std::unique_ptr<DeviceEnumerator>& enumerator) override {
        enumerator.reset(new (std::nothrow) Devices(context_));
        return enumerator ? HR_S_OK : HR_E_OUTOFMEMORY;
    }

private:
    std::shared_ptr<Context> context_;
};

}  // namespace
}  // namespace linuxcapture

LinuxSystemCalls RealLinuxSystemCalls() {
    LinuxSystemCalls calls;
    calls.open = [](const char* path, int flags) {
        const int fd = ::open(path, flags);
        return fd >= 0 ? fd : -errno;
    };
    calls.ioctl = [](int fd, unsigned long request, void* argument) {
        const int result = ::ioctl(fd, request, argument);
        return result >= 0 ? result : -errno;
    };
    calls.close = [](int fd) { ::close(fd); };
    return calls;
}

void WriteDiagnosticToStderr(std::string_view line) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
    std::fflush(stderr);
}

std::unique_ptr<CaptureStack> MakeLinuxCaptureStack(LinuxCaptureOptions options) {
    auto context = std::make_shared<linuxcapture::Context>();
    context->classDir = options.sysfsRoot / "class" / "video4linux";
    context->options = std::move(options);
    return std::make_unique<linuxcapture::Stack>(std::move(context));
}

}  // namespace tessmo
