#include "capture/DirectShowCaptureStack.h"

#include <ks.h>
#include <ksproxy.h>
#include <wrl/client.h>

#include <cstddef>
#include <cstring>
#include <new>
#include <utility>

namespace tessmo::win32 {
namespace {

using Microsoft::WRL::ComPtr;

// The core's request descriptor is handed to KsProperty as the platform's KSP_NODE, byte for byte.
static_assert(sizeof(KspNode) == sizeof(KSP_NODE), "KSP_NODE is 32 bytes");
static_assert(sizeof(Guid) == sizeof(GUID));
static_assert(offsetof(KspNode, Set) == offsetof(KSP_NODE, Property) + offsetof(KSPROPERTY, Set));
static_assert(offsetof(KspNode, Id) == offsetof(KSP_NODE, Property) + offsetof(KSPROPERTY, Id));
static_assert(offsetof(KspNode, Flags) == offsetof(KSP_NODE, Property) + offsetof(KSPROPERTY, Flags));
static_assert(offsetof(KspNode, NodeId) == offsetof(KSP_NODE, NodeId));
static_assert(offsetof(KspNode, Reserved) == offsetof(KSP_NODE, Reserved));
static_assert(KSPROPERTY_TYPE_GET == KSPROPERTY_TYPE_GET_VALUE);
static_assert(KSPROPERTY_TYPE_SET == KSPROPERTY_TYPE_SET_VALUE);
static_assert(KSPROPERTY_TYPE_TOPOLOGY == KSPROPERTY_TYPE_TOPOLOGY_VALUE);

// Hands a COM reference to the channel inside its wrapper. A call that reports success
// without handing out the object breaks its contract: the channel is told it failed
// rather than being given nothing to use. Requests fail by status, never by exception,
// so a wrapper that cannot be had gives the reference straight back.
template <class Wrapper, class Base, class Interface>
HResult Adopt(HRESULT hr, ComPtr<Interface> object, std::unique_ptr<Base>& out) {
    out.reset();
    if (!object) return hr == S_OK ? HResult{E_POINTER} : HResult{hr};
    out.reset(new (std::nothrow) Wrapper(std::move(object)));
    return out ? HResult{hr} : HResult{E_OUTOFMEMORY};
}

class DirectShowControl final : public ExtensionControl {
public:
    explicit DirectShowControl(ComPtr<IKsControl> control) : control_(std::move(control)) {}
    const void* Identity() const override { return control_.Get(); }

    HResult KsProperty(const KspNode& node, std::uint32_t nodeLength, std::uint8_t* data,
                       std::uint32_t dataLength, std::uint32_t* bytesReturned) override {
        KSP_NODE request;
        std::memcpy(&request, &node, sizeof request);
        ULONG returned = 0;
        const HRESULT hr = control_->KsProperty(&request.Property, nodeLength, data, dataLength, &returned);
        if (bytesReturned != nullptr) *bytesReturned = returned;
        return hr;
    }

private:
    ComPtr<IKsControl> control_;
};

class DirectShowFilter final : public CaptureFilter {
public:
    explicit DirectShowFilter(ComPtr<IBaseFilter> filter) : filter_(std::move(filter)) {}
    const void* Identity() const override { return filter_.Get(); }

    HResult QueryExtensionControl(std::unique_ptr<ExtensionControl>& control) override {
        ComPtr<IKsControl> ks;
        const HRESULT hr =
            filter_->QueryInterface(IID_IKsControl, reinterpret_cast<void**>(ks.GetAddressOf()));
        // A failed query hands out nothing, even if the object left a pointer behind.
        if (FAILED(hr)) ks.Reset();
        return Adopt<DirectShowControl>(hr, std::move(ks), control);
    }

private:
    ComPtr<IBaseFilter> filter_;
};

class CoTaskText {
public:
    CoTaskText() = default;
    CoTaskText(const CoTaskText&) = delete;
    CoTaskText& operator=(const CoTaskText&) = delete;
    ~CoTaskText() { CoTaskMemFree(text_); }
    LPOLESTR* Receive() { return &text_; }
    LPCOLESTR Get() const { return text_; }

private:
    LPOLESTR text_ = nullptr;
};

class DirectShowMoniker final : public DeviceMoniker {
public:
    explicit DirectShowMoniker(ComPtr<IMoniker> moniker) : moniker_(std::move(moniker)) {}
    const void* Identity() const override { return moniker_.Get(); }

    HResult GetDisplayName(std::optional<std::u16string>& name) override {
        name.reset();
        CoTaskText text;
        const HRESULT hr = moniker_->GetDisplayName(nullptr, nullptr, text.Receive());
        if (SUCCEEDED(hr) && text.Get() != nullptr) {
            static_assert(sizeof(OLECHAR) == sizeof(char16_t));
            try {
                name.emplace(reinterpret_cast<const char16_t*>(text.Get()));
            } catch (const std::bad_alloc&) {
                return E_OUTOFMEMORY;
            }
        }
        return hr;
    }

    HResult BindToFilter(std::unique_ptr<CaptureFilter>& filter) override {
        ComPtr<IBaseFilter> bound;
        const HRESULT hr = moniker_->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                                  reinterpret_cast<void**>(bound.GetAddressOf()));
        // Only the pointer decides whether the bind yielded a filter, whatever the result.
        return Adopt<DirectShowFilter>(hr, std::move(bound), filter);
    }

private:
    ComPtr<IMoniker> moniker_;
};

class DirectShowMonikerEnumerator final : public MonikerEnumerator {
public:
    explicit DirectShowMonikerEnumerator(ComPtr<IEnumMoniker> enumerator)
        : enumerator_(std::move(enumerator)) {}
    const void* Identity() const override { return enumerator_.Get(); }

    void Reset() override { enumerator_->Reset(); }

    HResult Next(std::unique_ptr<DeviceMoniker>& moniker) override {
        ComPtr<IMoniker> next;
        ULONG fetched = 0;
        const HRESULT hr = enumerator_->Next(1, next.GetAddressOf(), &fetched);
        if (hr != S_OK) next.Reset();  // the end of the enumeration, or a failure
        return Adopt<DirectShowMoniker>(hr, std::move(next), moniker);
    }

private:
    ComPtr<IEnumMoniker> enumerator_;
};

class DirectShowDeviceEnumerator final : public DeviceEnumerator {
public:
    explicit DirectShowDeviceEnumerator(ComPtr<ICreateDevEnum> enumerator)
        : enumerator_(std::move(enumerator)) {}
    const void* Identity() const override { return enumerator_.Get(); }

    HResult CreateVideoInputEnumerator(std::unique_ptr<MonikerEnumerator>& enumerator) override {
        ComPtr<IEnumMoniker> monikers;
        const HRESULT hr =
            enumerator_->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.GetAddressOf(), 0);
        // S_FALSE (an empty category) comes with no enumerator and passes through as it is.
        if (hr != S_OK) monikers.Reset();
        return Adopt<DirectShowMonikerEnumerator>(hr, std::move(monikers), enumerator);
    }

private:
    ComPtr<ICreateDevEnum> enumerator_;
};

}  // namespace

HRESULT CreateSystemDeviceEnumerator(ICreateDevEnum** enumerator) {
    return CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                            reinterpret_cast<void**>(enumerator));
}

DirectShowCaptureStack::DirectShowCaptureStack(DeviceEnumeratorFactory createDeviceEnumerator)
    : createDeviceEnumerator_(std::move(createDeviceEnumerator)) {}

void DirectShowCaptureStack::ComInitialize() {
    static_cast<void>(CoInitialize(nullptr));
}

void DirectShowCaptureStack::ComUninitialize() {
    CoUninitialize();
}

HResult DirectShowCaptureStack::CreateDeviceEnumerator(std::unique_ptr<DeviceEnumerator>& enumerator) {
    ComPtr<ICreateDevEnum> created;
    const HRESULT hr = createDeviceEnumerator_(created.GetAddressOf());
    if (FAILED(hr)) created.Reset();
    return Adopt<DirectShowDeviceEnumerator>(hr, std::move(created), enumerator);
}

}  // namespace tessmo::win32
