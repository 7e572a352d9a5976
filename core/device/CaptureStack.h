#pragma once
// What the channel needs of the platform's video-capture stack, one narrow seam.
// The shapes follow the system device enumerator and IKsControl: results are
// HRESULT-like signed 32-bit values, and giving an object back (Release) is its
// destruction, so whatever a request obtains is released on every path by
// construction. The Windows build wraps DirectShow; the Linux build wraps sysfs
// and uvcvideo; tests use the simulated camera and fakes.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/Status.h"

namespace tessmo {

// The extension unit's property set, and the unit's node in the filter's topology.
inline constexpr Guid EXTENSION_UNIT_PROPSET = {
    0x63610682, 0x5070, 0x49AB, {0xB8, 0xCC, 0xB3, 0x85, 0x5E, 0x8D, 0x22, 0x1D}};
inline constexpr std::uint32_t EXTENSION_UNIT_NODE = 2;
inline constexpr Guid IID_IKsControl_Value = {
    0x28F54685, 0x06FD, 0x11D2, {0xB2, 0x7A, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

inline constexpr std::uint32_t KSPROPERTY_TYPE_GET_VALUE = 0x00000001;
inline constexpr std::uint32_t KSPROPERTY_TYPE_SET_VALUE = 0x00000002;
inline constexpr std::uint32_t KSPROPERTY_TYPE_TOPOLOGY_VALUE = 0x10000000;
inline constexpr std::uint32_t KS_FLAGS_SET =
    KSPROPERTY_TYPE_SET_VALUE | KSPROPERTY_TYPE_TOPOLOGY_VALUE;  // 0x10000002
inline constexpr std::uint32_t KS_FLAGS_GET =
    KSPROPERTY_TYPE_GET_VALUE | KSPROPERTY_TYPE_TOPOLOGY_VALUE;  // 0x10000001

// Laid out as the platform's KSP_NODE: 32 bytes.
struct KspNode {
    Guid Set;
    std::uint32_t Id;
    std::uint32_t Flags;
    std::uint32_t NodeId;
    std::uint32_t Reserved;
};
static_assert(sizeof(KspNode) == 32, "KSP_NODE is 32 bytes");

// Objects print their identity in the trace (the COM pointer on Windows).
class CaptureObject {
public:
    virtual ~CaptureObject() = default;
    virtual const void* Identity() const { return this; }
};

class ExtensionControl : public CaptureObject {
public:
    // One property request. For a GET, data receives at most dataLength bytes on success.
    virtual HResult KsProperty(const KspNode& node, std::uint32_t nodeLength, std::uint8_t* data,
                               std::uint32_t dataLength, std::uint32_t* bytesReturned) = 0;
};

class CaptureFilter : public CaptureObject {
public:
    // QueryInterface(IID_IKsControl): on failure `control` stays null.
    virtual HResult QueryExtensionControl(std::unique_ptr<ExtensionControl>& control) = 0;
};

class DeviceMoniker : public CaptureObject {
public:
    // GetDisplayName: a non-negative result with the text (nullopt: the call succeeded but gave no text).
    virtual HResult GetDisplayName(std::optional<std::u16string>& name) = 0;
    // BindToObject(IID_IBaseFilter): `filter` is null when the bind yields nothing.
    virtual HResult BindToFilter(std::unique_ptr<CaptureFilter>& filter) = 0;
};

class MonikerEnumerator : public CaptureObject {
public:
    virtual void Reset() = 0;
    // 0 (S_OK) with one moniker; anything else ends the enumeration.
    virtual HResult Next(std::unique_ptr<DeviceMoniker>& moniker) = 0;
};

class DeviceEnumerator : public CaptureObject {
public:
    // CreateClassEnumerator(video input category, 0): S_FALSE with no enumerator when empty.
    virtual HResult CreateVideoInputEnumerator(std::unique_ptr<MonikerEnumerator>& enumerator) = 0;
};

class CaptureStack {
public:
    virtual ~CaptureStack() = default;
    virtual void ComInitialize() = 0;
    virtual void ComUninitialize() = 0;
    // CoCreateInstance(CLSID_SystemDeviceEnum, IID_ICreateDevEnum).
    virtual HResult CreateDeviceEnumerator(std::unique_ptr<DeviceEnumerator>& enumerator) = 0;
};

}  // namespace tessmo
