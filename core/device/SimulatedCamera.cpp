#include "device/SimulatedCamera.h"

#include <span>

#include "device/Commands.h"

namespace tessmo {

struct SimulatedCamera::State {
    std::vector<SimulatedDevice> devices;
    CameraFirmware firmware;

    HResult createInstanceResult = HR_S_OK;

    std::deque<PropertyRequest> log;
    bool logging = true;
    std::size_t discoveryRuns = 0;

    LiveObjects live;
    int comBalance = 0;
    std::size_t releasesOutsideCom = 0;

    bool Listed(std::size_t device) const {
        return device < devices.size() && (!devices[device].partOfCamera || firmware.Present());
    }
};

namespace {

using State = SimulatedCamera::State;

// Keeps the count of its kind up while it lives, and notes a release that comes
// after the request's COM has ended.
class Counted {
public:
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;

protected:
    Counted(std::shared_ptr<State> state, std::size_t LiveObjects::*kind)
        : state_(std::move(state)), kind_(kind) {
        ++(state_->live.*kind_);
    }
    ~Counted() {
        --(state_->live.*kind_);
        if (state_->comBalance <= 0) ++state_->releasesOutsideCom;
    }

    std::shared_ptr<State> state_;

private:
    std::size_t LiveObjects::*kind_;
};

// How the platform reports each of the firmware's answers.
HResult StatusOf(const FirmwareReply& reply) {
    switch (reply.result) {
        case FirmwareResult::Done:
            return HR_S_OK;
        case FirmwareResult::Refused:
            return SIM_STATUS_REQUEST_REFUSED;
        case FirmwareResult::BufferTooSmall:
            return SIM_STATUS_MORE_DATA;
        case FirmwareResult::Failed:
            return reply.code;
        case FirmwareResult::Absent:
            return SIM_STATUS_DEVICE_GONE;
        case FirmwareResult::NotAddressed:
            return SIM_STATUS_SET_NOT_FOUND;
    }
    return SIM_STATUS_REQUEST_REFUSED;
}

RequestKind KindOf(std::uint32_t flags) {
    if (flags == KS_FLAGS_SET) return RequestKind::Set;
    if (flags == KS_FLAGS_GET) return RequestKind::Get;
    return RequestKind::Other;
}

class SimControl final : public ExtensionControl, Counted {
public:
    SimControl(std::shared_ptr<State> state, std::size_t device)
        : Counted(std::move(state), &LiveObjects::controls), device_(device) {}

    HResult KsProperty(const KspNode& node, std::uint32_t nodeLength, std::uint8_t* data,
                       std::uint32_t dataLength, std::uint32_t* bytesReturned) override {
        State& state = *state_;
        PropertyRequest request = Describe(node, nodeLength, data, dataLength, bytesReturned);

        const bool addressed = node.Set == EXTENSION_UNIT_PROPSET && node.NodeId == EXTENSION_UNIT_NODE &&
                               nodeLength >= sizeof(KspNode);
        const RequestKind kind = addressed ? request.kind : RequestKind::Other;
        std::span<std::uint8_t> block;
        if (data != nullptr) block = {data, dataLength};
        const FirmwareReply reply = state.firmware.Receive(kind, node.Id, block);
        const HResult hr = StatusOf(reply);
        if (kind == RequestKind::Get && hr == HR_S_OK) request.bytes.assign(data, data + reply.written);
        if (bytesReturned != nullptr) *bytesReturned = hr == HR_S_OK ? reply.written : 0;

        request.result = hr;
        if (state.logging) {
            if (state.log.size() == SimulatedCamera::kRequestLogCapacity) state.log.pop_front();
            state.log.push_back(std::move(request));
        }
        return hr;
    }

private:
    PropertyRequest Describe(const KspNode& node, std::uint32_t nodeLength, const std::uint8_t* data,
                             std::uint32_t dataLength, const std::uint32_t* bytesReturned) const {
        PropertyRequest request;
        request.kind = KindOf(node.Flags);
        request.device = device_;
        request.set = node.Set;
        request.id = node.Id;
        request.flags = node.Flags;
        request.nodeId = node.NodeId;
        request.reserved = node.Reserved;
        request.nodeLength = nodeLength;
        request.dataLength = dataLength;
        request.bytesReturnedOnEntry = bytesReturned != nullptr ? *bytesReturned : 0;
        if (request.kind == RequestKind::Set && data != nullptr)
            request.bytes.assign(data, data + dataLength);
        return request;
    }

    std::size_t device_;
};

class SimFilter final : public CaptureFilter, Counted {
public:
    SimFilter(std::shared_ptr<State> state, std::size_t device)
        : Counted(std::move(state), &LiveObjects::filters), device_(device) {}

    HResult QueryExtensionControl(std::unique_ptr<ExtensionControl>& control) override {
        control.reset();
        if (!state_->Listed(device_)) return SIM_STATUS_DEVICE_GONE;
        const HResult answer = state_->devices[device_].controlQueryResult;
        if (answer != HR_S_OK) return answer;
        control = std::make_unique<SimControl>(state_, device_);
        return HR_S_OK;
    }

private:
    std::size_t device_;
};

class SimMoniker final : public DeviceMoniker, Counted {
public:
    SimMoniker(std::shared_ptr<State> state, std::size_t device)
        : Counted(std::move(state), &LiveObjects::monikers),
          device_(device),
          // The moniker describes the device as it was when enumerated.
          described_(state_->devices[device]) {}

    HResult GetDisplayName(std::optional<std::u16string>& name) override {
        name.reset();
        if (described_.displayNameResult < 0) return described_.displayNameResult;
        name = described_.displayName;
        return described_.displayNameResult;
    }

    HResult BindToFilter(std::unique_ptr<CaptureFilter>& filter) override {
        filter.reset();
        if (!state_->Listed(device_)) return SIM_STATUS_DEVICE_GONE;
        if (!described_.bindYieldsFilter) return SIM_STATUS_BIND_FAILED;
        filter = std::make_unique<SimFilter>(state_, device_);
        return HR_S_OK;
    }

private:
    std::size_t device_;
    SimulatedDevice described_;
};

class SimMonikerEnumerator final : public MonikerEnumerator, Counted {
public:
    SimMonikerEnumerator(std::shared_ptr<State> state, std::vector<std::size_t> devices)
        : Counted(std::move(state), &LiveObjects::enumerators), devices_(std::move(devices)) {}

    void Reset() override { next_ = 0; }

    HResult Next(std::unique_ptr<DeviceMoniker>& moniker) override {
        moniker.reset();
        // A device that left since the enumeration began is skipped, as the platform does.
        while (next_ < devices_.size() && !state_->Listed(devices_[next_])) ++next_;
        if (next_ >= devices_.size()) return HR_S_FALSE;
        moniker = std::make_unique<SimMoniker>(state_, devices_[next_++]);
        return HR_S_OK;
    }

private:
    std::vector<std::size_t> devices_;
    std::size_t next_ = 0;
};

class SimDeviceEnumerator final : public DeviceEnumerator, Counted {
public:
    explicit SimDeviceEnumerator(std::shared_ptr<State> state)
        : Counted(std::move(state), &LiveObjects::enumerators) {}

    HResult CreateVideoInputEnumerator(std::unique_ptr<MonikerEnumerator>& enumerator) override {
        enumerator.reset();
        std::vector<std::size_t> listed;
        for (std::size_t i = 0; i < state_->devices.size(); ++i)
            if (state_->Listed(i)) listed.push_back(i);
        // An empty category is S_FALSE without an enumerator, not an empty one.
        if (listed.empty()) return HR_S_FALSE;
        enumerator = std::make_unique<SimMonikerEnumerator>(state_, std::move(listed));
        return HR_S_OK;
    }
};

}  // namespace

SimulatedCamera::SimulatedCamera()
    : SimulatedCamera(std::vector<SimulatedDevice>{SimulatedDevice::Camera()}) {}

SimulatedCamera::SimulatedCamera(std::vector<SimulatedDevice> devices) : state_(std::make_shared<State>()) {
    state_->devices = std::move(devices);
}

SimulatedCamera::~SimulatedCamera() = default;

void SimulatedCamera::SetCameraPresent(bool present) {
    state_->firmware.SetPresent(present);
}
bool SimulatedCamera::CameraPresent() const {
    return state_->firmware.Present();
}

void SimulatedCamera::SetOption(std::uint16_t paraIdx, std::uint8_t value) {
    state_->firmware.SetOption(paraIdx, value);
}
std::uint8_t SimulatedCamera::Option(std::uint16_t paraIdx) const {
    return state_->firmware.Option(paraIdx);
}
std::optional<ClockSetting> SimulatedCamera::LastDate() const {
    return state_->firmware.LastDate();
}
std::optional<ClockSetting> SimulatedCamera::LastTime() const {
    return state_->firmware.LastTime();
}

void SimulatedCamera::FailCreateInstance(HResult status) {
    state_->createInstanceResult = status;
}
void SimulatedCamera::FailPropertyRequest(std::size_t n, HResult status) {
    state_->firmware.FailRequest(n, status);
}
void SimulatedCamera::VanishAfterRequests(std::size_t n) {
    state_->firmware.VanishAfterRequests(n);
}

const std::deque<PropertyRequest>& SimulatedCamera::Requests() const {
    return state_->log;
}
void SimulatedCamera::ClearRequests() {
    state_->log.clear();
}
void SimulatedCamera::SetRequestLogging(bool on) {
    state_->logging = on;
}
std::size_t SimulatedCamera::PropertyRequestCount() const {
    return state_->firmware.RequestCount();
}
std::size_t SimulatedCamera::DiscoveryRuns() const {
    return state_->discoveryRuns;
}
void SimulatedCamera::ResetCounters() {
    state_->firmware.ResetCount();
    state_->discoveryRuns = 0;
    state_->log.clear();
}
LiveObjects SimulatedCamera::Live() const {
    return state_->live;
}
int SimulatedCamera::ComBalance() const {
    return state_->comBalance;
}
std::size_t SimulatedCamera::ReleasesOutsideCom() const {
    return state_->releasesOutsideCom;
}

void SimulatedCamera::ComInitialize() {
    ++state_->comBalance;
}

void SimulatedCamera::ComUninitialize() {
    --state_->comBalance;
}

HResult SimulatedCamera::CreateDeviceEnumerator(std::unique_ptr<DeviceEnumerator>& enumerator) {
    enumerator.reset();
    ++state_->discoveryRuns;
    if (state_->comBalance <= 0) return SIM_STATUS_COM_NOT_INITIALIZED;
    if (state_->createInstanceResult != HR_S_OK) return state_->createInstanceResult;
    enumerator = std::make_unique<SimDeviceEnumerator>(state_);
    return HR_S_OK;
}

}  // namespace tessmo
