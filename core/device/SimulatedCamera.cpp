#include "device/SimulatedCamera.h"

#include <map>
#include <thread>
#include <unordered_map>

#include "device/Commands.h"

namespace tessmo {

struct SimulatedCamera::State {
    std::vector<SimulatedDevice> devices;
    bool cameraPresent = true;

    std::unordered_map<std::uint16_t, std::uint8_t> options;
    std::optional<std::uint16_t> selected;  // ParaIdx named by the last read-select
    std::optional<ClockSetting> date;
    std::optional<ClockSetting> time;

    HResult createInstanceResult = HR_S_OK;
    std::map<std::size_t, HResult> failures;  // n-th property request -> status
    std::size_t vanishAfter = 0;              // 0: never
    std::chrono::microseconds latency{0};

    std::vector<PropertyRequest> log;
    bool logging = true;
    std::size_t requestCount = 0;
    std::size_t discoveryRuns = 0;

    LiveObjects live;
    int comBalance = 0;
    std::size_t comInits = 0;
    std::size_t releasesOutsideCom = 0;

    bool Listed(std::size_t device) const {
        return device < devices.size() && (!devices[device].partOfCamera || cameraPresent);
    }
};

namespace {

using State = SimulatedCamera::State;

std::uint16_t WordAt(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

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

// The extension unit's firmware: what one accepted request does to the camera.
class Firmware {
public:
    explicit Firmware(State& state) : state_(state) {}

    HResult Set(std::uint32_t id, const std::uint8_t* data, std::uint32_t length) {
        if (data == nullptr) return SIM_STATUS_REQUEST_REFUSED;
        switch (id) {
            case CMD_READ_VALUE | CMD_READ_SELECT_BIT:
                if (length != 5) return SIM_STATUS_REQUEST_REFUSED;
                // The byte after the words rides along with the select and means nothing to it.
                state_.selected = WordAt(data);
                return HR_S_OK;
            case CMD_WRITE_VALUE:
                if (length != 5) return SIM_STATUS_REQUEST_REFUSED;
                state_.options[WordAt(data)] = data[4];
                return HR_S_OK;
            case CMD_SET_CLOCK: {
                if (length != 10 || WordAt(data) != 0) return SIM_STATUS_REQUEST_REFUSED;
                const ClockSetting setting{WordAt(data + 4), WordAt(data + 6), WordAt(data + 8)};
                switch (WordAt(data + 2)) {
                    case CLOCK_DATE: state_.date = setting; return HR_S_OK;
                    case CLOCK_TIME: state_.time = setting; return HR_S_OK;
                    default: return SIM_STATUS_REQUEST_REFUSED;
                }
            }
            default:
                return SIM_STATUS_REQUEST_REFUSED;
        }
    }

    HResult Get(std::uint32_t id, std::uint8_t* data, std::uint32_t length, std::uint32_t& returned) {
        if (id != CMD_READ_VALUE || !state_.selected) return SIM_STATUS_REQUEST_REFUSED;
        if (length < 1 || data == nullptr) return SIM_STATUS_MORE_DATA;
        const auto found = state_.options.find(*state_.selected);
        data[0] = found != state_.options.end() ? found->second : 0;
        returned = 1;
        return HR_S_OK;
    }

private:
    State& state_;
};

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
        const std::size_t n = ++state.requestCount;
        if (state.latency.count() > 0) std::this_thread::sleep_for(state.latency);

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

        std::uint32_t returned = 0;
        HResult hr;
        if (const auto failure = state.failures.find(n); failure != state.failures.end()) {
            hr = failure->second;
        } else if (!state.Listed(device_)) {
            hr = SIM_STATUS_DEVICE_GONE;
        } else if (node.Set != EXTENSION_UNIT_PROPSET || node.NodeId != EXTENSION_UNIT_NODE ||
                   nodeLength < sizeof(KspNode) || request.kind == RequestKind::Other) {
            hr = SIM_STATUS_SET_NOT_FOUND;
        } else if (request.kind == RequestKind::Set) {
            hr = Firmware(state).Set(node.Id, data, dataLength);
        } else {
            hr = Firmware(state).Get(node.Id, data, dataLength, returned);
            if (hr == HR_S_OK) request.bytes.assign(data, data + returned);
        }
        if (bytesReturned != nullptr) *bytesReturned = returned;

        request.result = hr;
        if (state.logging) state.log.push_back(std::move(request));
        if (state.vanishAfter != 0 && n == state.vanishAfter) state.cameraPresent = false;
        return hr;
    }

private:
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

SimulatedCamera::SimulatedCamera() : SimulatedCamera(std::vector<SimulatedDevice>{SimulatedDevice::Camera()}) {}

SimulatedCamera::SimulatedCamera(std::vector<SimulatedDevice> devices) : state_(std::make_shared<State>()) {
    state_->devices = std::move(devices);
}

SimulatedCamera::~SimulatedCamera() = default;

void SimulatedCamera::SetDevices(std::vector<SimulatedDevice> devices) { state_->devices = std::move(devices); }
const std::vector<SimulatedDevice>& SimulatedCamera::Devices() const { return state_->devices; }
void SimulatedCamera::SetCameraPresent(bool present) { state_->cameraPresent = present; }
bool SimulatedCamera::CameraPresent() const { return state_->cameraPresent; }

void SimulatedCamera::SetOption(std::uint16_t paraIdx, std::uint8_t value) { state_->options[paraIdx] = value; }
std::uint8_t SimulatedCamera::Option(std::uint16_t paraIdx) const {
    const auto found = state_->options.find(paraIdx);
    return found != state_->options.end() ? found->second : 0;
}
std::optional<ClockSetting> SimulatedCamera::LastDate() const { return state_->date; }
std::optional<ClockSetting> SimulatedCamera::LastTime() const { return state_->time; }

void SimulatedCamera::FailCreateInstance(HResult status) { state_->createInstanceResult = status; }
void SimulatedCamera::FailPropertyRequest(std::size_t n, HResult status) { state_->failures[n] = status; }
void SimulatedCamera::VanishAfterRequests(std::size_t n) { state_->vanishAfter = n; }
void SimulatedCamera::SetLatency(std::chrono::microseconds latency) { state_->latency = latency; }
void SimulatedCamera::ClearFaults() {
    state_->createInstanceResult = HR_S_OK;
    state_->failures.clear();
    state_->vanishAfter = 0;
}

const std::vector<PropertyRequest>& SimulatedCamera::Requests() const { return state_->log; }
void SimulatedCamera::ClearRequests() { state_->log.clear(); }
void SimulatedCamera::SetRequestLogging(bool on) { state_->logging = on; }
std::size_t SimulatedCamera::PropertyRequestCount() const { return state_->requestCount; }
std::size_t SimulatedCamera::DiscoveryRuns() const { return state_->discoveryRuns; }
void SimulatedCamera::ResetCounters() {
    state_->requestCount = 0;
    state_->discoveryRuns = 0;
    state_->log.clear();
}
LiveObjects SimulatedCamera::Live() const { return state_->live; }
int SimulatedCamera::ComBalance() const { return state_->comBalance; }
std::size_t SimulatedCamera::ComInitializeCalls() const { return state_->comInits; }
std::size_t SimulatedCamera::ReleasesOutsideCom() const { return state_->releasesOutsideCom; }

void SimulatedCamera::ComInitialize() {
    ++state_->comBalance;
    ++state_->comInits;
}

void SimulatedCamera::ComUninitialize() { --state_->comBalance; }

HResult SimulatedCamera::CreateDeviceEnumerator(std::unique_ptr<DeviceEnumerator>& enumerator) {
    enumerator.reset();
    ++state_->discoveryRuns;
    if (state_->comBalance <= 0) return SIM_STATUS_COM_NOT_INITIALIZED;
    if (state_->createInstanceResult != HR_S_OK) return state_->createInstanceResult;
    enumerator = std::make_unique<SimDeviceEnumerator>(state_);
    return HR_S_OK;
}

}  // namespace tessmo
