#pragma once
// A capture stack with the camera's extension-unit firmware behind it, for tests,
// benchmarks and the demo builds. It answers the channel exactly where the platform
// would: device enumeration, display names, binding, the control-interface query
// and the property requests, and it can be told to fail at each of those steps.
// What the camera does with a request is CameraFirmware's business; this front end
// turns the firmware's answers into the statuses the platform reports:
// SIM_STATUS_REQUEST_REFUSED for a refused request, SIM_STATUS_MORE_DATA for a GET
// with no room, SIM_STATUS_DEVICE_GONE once the camera is out, and
// SIM_STATUS_SET_NOT_FOUND for a descriptor with another property set, node or flags.
//
// Every object it hands out is counted while it lives, as is the balance of
// ComInitialize/ComUninitialize, so a test can prove a request gave everything
// back. Objects keep the camera's state alive on their own, so one that outlives
// the SimulatedCamera is still safe to use and to destroy.
//
// Single-threaded, like the tool: use one SimulatedCamera from one thread.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "device/CameraFirmware.h"
#include "device/CaptureStack.h"

namespace tessmo {

// Failure statuses the simulation answers with, as the platform reports them.
inline constexpr HResult SIM_STATUS_REQUEST_REFUSED = static_cast<HResult>(0x8007001FU);  // ERROR_GEN_FAILURE
inline constexpr HResult SIM_STATUS_SET_NOT_FOUND = static_cast<HResult>(0x80070492U);  // ERROR_SET_NOT_FOUND
inline constexpr HResult SIM_STATUS_MORE_DATA = static_cast<HResult>(0x800700EAU);      // ERROR_MORE_DATA
inline constexpr HResult SIM_STATUS_DEVICE_GONE =
    static_cast<HResult>(0x8007048FU);  // ERROR_DEVICE_NOT_CONNECTED
inline constexpr HResult SIM_STATUS_BIND_FAILED = HR_E_FAIL;
inline constexpr HResult SIM_STATUS_COM_NOT_INITIALIZED =
    static_cast<HResult>(0x800401F0U);  // CO_E_NOTINITIALIZED

// Display names as the system device enumerator shows them: the interface path
// starts at character 16, where the camera's identity is looked for.
inline constexpr char16_t SIM_CAMERA_DISPLAY_NAME[] =
    u"@device:pnp:\\\\?\\usb#vid_04fc&pid_6333&mi_00#7&2a1f0c3&0&0000"
    u"#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
inline constexpr char16_t SIM_WEBCAM_DISPLAY_NAME[] =
    u"@device:pnp:\\\\?\\usb#vid_046d&pid_0825&mi_00#6&31d2a8f&0&0000"
    u"#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";

// One video input device in the enumeration.
struct SimulatedDevice {
    // nullopt: the display-name query succeeds but yields no text.
    std::optional<std::u16string> displayName = std::u16string(SIM_CAMERA_DISPLAY_NAME);
    // Negative: the display-name query fails (and the channel's search ends there).
    HResult displayNameResult = HR_S_OK;
    // Part of the camera: listed only while the camera is plugged in. Other
    // devices (a laptop's webcam, say) stay listed whatever the camera does.
    bool partOfCamera = true;
    // False: binding the moniker yields no filter.
    bool bindYieldsFilter = true;
    // What the filter answers when asked for the extension-unit control; anything
    // but S_OK means it has none. Every control handed out reaches the one firmware.
    HResult controlQueryResult = HR_S_OK;

    static SimulatedDevice Camera(std::u16string name = SIM_CAMERA_DISPLAY_NAME) {
        SimulatedDevice device;
        device.displayName = std::move(name);
        return device;
    }
    // A video device that is not the camera and has no extension unit of ours.
    static SimulatedDevice Other(std::u16string name = SIM_WEBCAM_DISPLAY_NAME) {
        SimulatedDevice device;
        device.displayName = std::move(name);
        device.partOfCamera = false;
        device.controlQueryResult = HR_E_NOINTERFACE;
        return device;
    }
};

// One property request as the simulation received it.
struct PropertyRequest {
    RequestKind kind = RequestKind::Other;  // from the flags' GET/SET bits
    std::size_t device = 0;  // index, in construction order, of the device whose control served
    Guid set{};
    std::uint32_t id = 0;
    std::uint32_t flags = 0;
    std::uint32_t nodeId = 0;
    std::uint32_t reserved = 0;
    std::uint32_t nodeLength = 0;
    std::uint32_t dataLength = 0;            // the length passed with the data block
    std::uint32_t bytesReturnedOnEntry = 0;  // what the caller had put in the byte count
    std::vector<std::uint8_t> bytes;         // SET: the bytes sent; GET: the bytes returned
    HResult result = HR_S_OK;
};

struct LiveObjects {
    std::size_t enumerators = 0;  // device enumerators and moniker enumerators
    std::size_t monikers = 0;
    std::size_t filters = 0;
    std::size_t controls = 0;
    std::size_t Total() const { return enumerators + monikers + filters + controls; }
};

class SimulatedCamera final : public CaptureStack {
public:
    // The request log keeps the most recent requests only, so a demo left running for
    // days stays the size it started at; PropertyRequestCount() counts them all.
    static constexpr std::size_t kRequestLogCapacity = 4096;

    // The camera alone, plugged in, every option 0.
    SimulatedCamera();
    // The given devices, in enumeration order. None at all: the category is empty.
    explicit SimulatedCamera(std::vector<SimulatedDevice> devices);
    ~SimulatedCamera() override;
    SimulatedCamera(const SimulatedCamera&) = delete;
    SimulatedCamera& operator=(const SimulatedCamera&) = delete;

    // --- devices -------------------------------------------------------------
    // Plugs the camera in or pulls it out (its devices join or leave the enumeration).
    void SetCameraPresent(bool present);
    bool CameraPresent() const;

    // --- firmware --------------------------------------------------------------
    // The option byte the camera holds for a parameter; 0 until set.
    void SetOption(std::uint16_t paraIdx, std::uint8_t value);
    std::uint8_t Option(std::uint16_t paraIdx) const;
    // The last date and time written with SET 13, if any.
    std::optional<ClockSetting> LastDate() const;
    std::optional<ClockSetting> LastTime() const;

    // --- faults ----------------------------------------------------------------
    // Creating the device enumerator fails with `status` (0 restores it).
    void FailCreateInstance(HResult status);
    // The n-th property request (counting from 1 since construction or
    // ResetCounters) fails with `status` and reaches no firmware.
    void FailPropertyRequest(std::size_t n, HResult status);
    // The camera is pulled out right after the n-th property request.
    void VanishAfterRequests(std::size_t n);

    // --- what happened -----------------------------------------------------------
    // The most recent requests, oldest first (at most kRequestLogCapacity).
    const std::deque<PropertyRequest>& Requests() const;
    void ClearRequests();
    // Benchmarks turn the request log off so that long runs cost nothing for it.
    void SetRequestLogging(bool on);
    std::size_t PropertyRequestCount() const;
    // How often the device enumerator was created: one per camera lookup.
    std::size_t DiscoveryRuns() const;
    // Zeroes the request and discovery counts (the n of FailPropertyRequest and
    // VanishAfterRequests counts from here) and clears the log.
    void ResetCounters();
    LiveObjects Live() const;
    // ComInitialize calls minus ComUninitialize calls: 0 when every request ended its COM.
    int ComBalance() const;
    // Objects given back while COM was not initialised: a request that ends its COM
    // before releasing what it obtained shows here.
    std::size_t ReleasesOutsideCom() const;

    // --- CaptureStack ------------------------------------------------------------
    void ComInitialize() override;
    void ComUninitialize() override;
    // Fails with SIM_STATUS_COM_NOT_INITIALIZED outside ComInitialize/ComUninitialize.
    HResult CreateDeviceEnumerator(std::unique_ptr<DeviceEnumerator>& enumerator) override;

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace tessmo
