#include "device/CDeviceChannel.h"

#include <optional>
#include <string_view>

#include "common/Text.h"

namespace tessmo {
namespace {

constexpr std::u16string_view kCameraIdentity = CAMERA_MONIKER_PREFIX;

// Every request runs inside its own COM initialisation, and everything it obtains
// must be given back before that ends: objects are declared after this guard so
// they are destroyed first.
class ComScope {
public:
    explicit ComScope(CaptureStack& stack) : stack_(stack) { stack_.ComInitialize(); }
    ~ComScope() { stack_.ComUninitialize(); }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    CaptureStack& stack_;
};

const void* IdentityOf(const CaptureObject* object) {
    return object != nullptr ? object->Identity() : nullptr;
}

std::string PointerText(const CaptureObject* object) {
    return FormatPointer(IdentityOf(object));
}

// The platform hands the display name over as a NUL-terminated text, which the
// search copies into a fixed buffer: whatever lies past a NUL or past the buffer's
// last character never takes part in the match.
std::u16string_view DisplayNameBuffer(std::u16string_view name) {
    name = name.substr(0, name.find(u'\0'));
    return name.substr(0, DISPLAY_NAME_CHARS - 1);
}

KspNode ExtensionUnitNode(std::uint32_t id, std::uint32_t flags) {
    KspNode node{};
    node.Set = EXTENSION_UNIT_PROPSET;
    node.Id = id;
    node.Flags = flags;
    node.NodeId = EXTENSION_UNIT_NODE;
    node.Reserved = 0;
    return node;
}

constexpr std::uint32_t kNodeLength = sizeof(KspNode);

// A port that claims success without handing out a control would otherwise turn
// "nothing sent" into status 0.
HResult QueryControl(CaptureFilter& filter, std::unique_ptr<ExtensionControl>& control) {
    const HResult hr = filter.QueryExtensionControl(control);
    if (!control && hr == HR_S_OK) return HR_E_NOINTERFACE;
    return hr;
}

}  // namespace

bool IsCameraDisplayName(std::u16string_view displayName) {
    if (displayName.size() < CAMERA_MONIKER_OFFSET + kCameraIdentity.size()) return false;
    return EqualsIgnoreAsciiCase(displayName.substr(CAMERA_MONIKER_OFFSET, kCameraIdentity.size()),
                                 kCameraIdentity);
}

int CDeviceChannel::FindCaptureFilter(std::unique_ptr<CaptureFilter>* filter) {
    Tracef(trace_, "Get Cap Device.\n");
    if (filter == nullptr) return 0;
    filter->reset();

    // Declared in this order so the moniker enumerator goes back before the device
    // enumerator that made it.
    std::unique_ptr<DeviceEnumerator> deviceEnum;
    std::unique_ptr<MonikerEnumerator> monikerEnum;

    const HResult createHr = stack_.CreateDeviceEnumerator(deviceEnum);
    Tracef(trace_, "Create Instance. hr = %d\n", createHr);
    if (createHr != HR_S_OK || !deviceEnum) return 0;

    // An empty category answers S_FALSE without an enumerator: no camera, not a failure.
    const HResult enumHr = deviceEnum->CreateVideoInputEnumerator(monikerEnum);
    Tracef(trace_, "Create Device Enum. hr = %d\n", enumHr);
    if (enumHr != HR_S_OK || !monikerEnum) return 0;

    const std::string identityText = ToUtf8(kCameraIdentity);
    monikerEnum->Reset();
    for (;;) {
        std::unique_ptr<DeviceMoniker> moniker;
        if (monikerEnum->Next(moniker) != HR_S_OK || !moniker) break;

        std::optional<std::u16string> displayName;
        if (moniker->GetDisplayName(displayName) < 0) break;

        // A query that succeeds without a text is shown as empty and never matches.
        const std::u16string_view name =
            displayName ? std::u16string_view(*displayName) : std::u16string_view();
        Tracef(trace_, "wszDisplayName:%s\n", ToUtf8(name).c_str());

        const std::u16string_view buffer = DisplayNameBuffer(name);
        // A name too short to reach character 16 shows an empty tail rather than
        // whatever follows it in memory.
        const std::u16string_view tail = buffer.size() > CAMERA_MONIKER_OFFSET
                                             ? buffer.substr(CAMERA_MONIKER_OFFSET)
                                             : std::u16string_view();
        Tracef(trace_, "wszVidStr:%s\ndevID6330:%s\n", ToUtf8(tail).c_str(), identityText.c_str());

        if (displayName && IsCameraDisplayName(buffer)) {
            // The bind's own result is not consulted: a filter in hand is what counts.
            moniker->BindToFilter(*filter);
            Tracef(trace_, "*ppCap:%s\n", PointerText(filter->get()).c_str());
            if (*filter) break;
        }
    }

    if (!*filter) return 0;
    Tracef(trace_, "Get Device Done\n");
    return 1;
}

Status CDeviceChannel::SetProperty(std::uint32_t id, std::uint8_t* data, std::uint32_t length) {
    Tracef(trace_, "\nSend Cmd,ID:%d\n", static_cast<int>(id));
    Status status = STATUS_NOT_FOUND;
    {
        ComScope com(stack_);
        std::unique_ptr<CaptureFilter> filter;
        const int found = FindCaptureFilter(&filter);
        Tracef(trace_, "sts:%s\n", found != 0 ? "OK" : "FALSE");
        Tracef(trace_, "pVidCap:%s\n", PointerText(filter.get()).c_str());
        if (found != 0 && filter) {
            Tracef(trace_, "query interface.IID:0x%x\n", IID_IKsControl_Value.Data1);
            std::unique_ptr<ExtensionControl> control;
            status = QueryControl(*filter, control);
            Tracef(trace_, "hr:%d  control:%s\n", status, PointerText(control.get()).c_str());
            if (control) {
                const KspNode node = ExtensionUnitNode(id, KS_FLAGS_SET);
                std::uint32_t bytesReturned = 0;
                status = control->KsProperty(node, kNodeLength, data, length, &bytesReturned);
                Tracef(trace_, "data_len:%d,hr:%d\n", static_cast<int>(length), status);
                control.reset();
                Tracef(trace_, "control release\n");
            }
            filter.reset();
        }
    }
    Tracef(trace_, "hr:%d\n", status);
    return status;
}

Status CDeviceChannel::GetProperty(std::uint32_t id, std::uint8_t* data, std::uint32_t length) {
    Tracef(trace_, "\nGet Cmd,ID:%d\n", static_cast<int>(id));
    Status status = STATUS_NOT_FOUND;
    {
        ComScope com(stack_);
        std::unique_ptr<CaptureFilter> filter;
        if (FindCaptureFilter(&filter) != 0 && filter) {
            std::unique_ptr<ExtensionControl> control;
            status = QueryControl(*filter, control);
            if (control) {
                const KspNode node = ExtensionUnitNode(id, KS_FLAGS_GET);
                std::uint32_t bytesReturned = 0;
                status = control->KsProperty(node, kNodeLength, data, length, &bytesReturned);
                // An answer shorter than asked carries no value: the caller would take
                // whatever its buffer held before for the camera's. ERROR_INVALID_DATA
                // (not ERROR_MORE_DATA, which says the buffer was too small) names that.
                if (status == HR_S_OK && bytesReturned < length) status = HR_INVALID_DATA;
            }
        }
    }
    Tracef(trace_, "hr:%d\n", status);
    return status;
}

int CDeviceChannel::IsPresent() {
    ComScope com(stack_);
    std::unique_ptr<CaptureFilter> filter;
    return FindCaptureFilter(&filter) != 0 ? 0 : -1;
}

std::unique_ptr<DeviceChannel> CaptureChannelFactory::CreateChannel() {
    return std::make_unique<CDeviceChannel>(stack_, trace_);
}

}  // namespace tessmo
