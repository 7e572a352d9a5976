#pragma once
// The capture stack over DirectShow's system device enumerator and the kernel-streaming
// IKsControl interface. Each wrapper owns exactly one COM reference, so destroying a
// wrapper is the Release the channel's algorithm relies on.
#include <windows.h>

#include <dshow.h>

#include <functional>

#include "device/CaptureStack.h"

namespace tessmo::win32 {

// Makes the system device enumerator: on 0 `*enumerator` holds one reference the
// caller owns. The real one is CoCreateInstance(CLSID_SystemDeviceEnum, ...); tests
// hand in fakes here.
using DeviceEnumeratorFactory = std::function<HRESULT(ICreateDevEnum** enumerator)>;

// CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum).
HRESULT CreateSystemDeviceEnumerator(ICreateDevEnum** enumerator);

class DirectShowCaptureStack final : public CaptureStack {
public:
    DirectShowCaptureStack() : DirectShowCaptureStack(CreateSystemDeviceEnumerator) {}
    explicit DirectShowCaptureStack(DeviceEnumeratorFactory createDeviceEnumerator);

    // CoInitialize(nullptr) / CoUninitialize: the result of CoInitialize is not examined,
    // so S_FALSE (already initialised) is balanced by the CoUninitialize as well.
    void ComInitialize() override;
    void ComUninitialize() override;
    HResult CreateDeviceEnumerator(std::unique_ptr<DeviceEnumerator>& enumerator) override;

private:
    DeviceEnumeratorFactory createDeviceEnumerator_;
};

}  // namespace tessmo::win32
