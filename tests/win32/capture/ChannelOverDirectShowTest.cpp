// The channel's requests carried by the DirectShow stack to fake COM objects: which
// device serves, what reaches IKsControl, what the trace shows, and that every request
// gives back every reference, every display-name text and its COM initialisation.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <ostream>
#include <string>
#include <vector>

#include "FakeCom.h"
#include "capture/DirectShowCaptureStack.h"
#include "common/Trace.h"
#include "device/CDeviceChannel.h"

namespace tessmo::win32 {
namespace {

using namespace fakes;

// Display names as the system device enumerator gives them: the interface path starts
// at character 16, after "@device:pnp:\\?\".
const std::wstring kCamera =
    L"@device:pnp:\\\\?\\usb#vid_04fc&pid_6333&mi_00#7&2a1f0c3b&0&0000#"
    L"{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
const std::wstring kCameraUpperCaseSecondInterface =
    L"@device:pnp:\\\\?\\USB#VID_04FC&PID_6333&MI_02#7&2a1f0c3b&0&0002#"
    L"{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
const std::wstring kOtherProduct =
    L"@device:pnp:\\\\?\\USB#VID_04FC&PID_6334&MI_00#7&11aa22bb&0&0000#"
    L"{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
const std::wstring kOtherVendor =
    L"@device:pnp:\\\\?\\usb#vid_046d&pid_0825&mi_00#6&3c5e1a0&0&0000#"
    L"{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
const std::wstring kSoftwareSource =
    L"@device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\{AFD8E9E4-3D0B-4E2C-9D7B-000000000001}";
const std::wstring kIdentityOneLater =
    L"@device:pnp:\\\\?\\\\usb#vid_04fc&pid_6333&mi_00#7&2a1f0c3b&0&0000#"
    L"{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
const std::wstring kCutShort = L"@device:pnp:\\\\?\\usb#vid_04fc&pid_633";  // 36 characters

constexpr HRESULT kGenFailure = static_cast<HRESULT>(0x8007001FU);        // ERROR_GEN_FAILURE
constexpr HRESULT kClassNotRegistered = static_cast<HRESULT>(0x80040154U);  // REGDB_E_CLASSNOTREG
constexpr HRESULT kDeviceNotConnected = static_cast<HRESULT>(0x8007048FU);

bool InSingleThreadedApartment() {
    APTTYPE type{};
    APTTYPEQUALIFIER qualifier{};
    return CoGetApartmentType(&type, &qualifier) == S_OK &&
           (type == APTTYPE_STA || type == APTTYPE_MAINSTA);
}

HRESULT ApartmentState() {
    APTTYPE type{};
    APTTYPEQUALIFIER qualifier{};
    return CoGetApartmentType(&type, &qualifier);
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& line : lines) out += line + "\n";
    return out;
}

enum class Bound { Nothing, FilterWithoutControl, FilterWithControl };

struct DeviceSpec {
    std::optional<std::wstring> displayName;  // nullopt: the query succeeds without a text
    HRESULT displayNameResult = S_OK;
    Bound bound = Bound::FilterWithControl;
    HRESULT bindResult = S_OK;
};

struct Device {
    FakeMoniker* moniker = nullptr;
    FakeFilter* filter = nullptr;
    FakeKsControl* control = nullptr;
};

class CaptureOverFakes : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(CoRegisterMallocSpy(&spy_), S_OK); }
    void TearDown() override { EXPECT_EQ(CoRevokeMallocSpy(), S_OK) << "task memory left allocated"; }

    Device AddDevice(const DeviceSpec& spec) {
        const std::string n = std::to_string(devices_.size());
        Device device;
        if (spec.bound == Bound::FilterWithControl) {
            device.control = &controls_.emplace_back(registry_, "control " + n);
        }
        if (spec.bound != Bound::Nothing) {
            device.filter = &filters_.emplace_back(registry_, "filter " + n, device.control);
        }
        device.moniker = &monikerObjects_.emplace_back(registry_, "moniker " + n, spy_);
        device.moniker->displayName = spec.displayName;
        device.moniker->displayNameResult = spec.displayNameResult;
        device.moniker->filter = device.filter;
        device.moniker->bindResult = spec.bindResult;
        monikers_.monikers.push_back(device.moniker);
        devices_.push_back(device);
        return device;
    }

    // What every request must leave behind, on every path.
    void ExpectNothingHeld() {
        const auto unbalanced = registry_.Unbalanced();
        EXPECT_TRUE(unbalanced.empty()) << Joined(unbalanced);
        EXPECT_EQ(ApartmentState(), CO_E_NOTINITIALIZED) << "COM initialisation not ended";
        EXPECT_TRUE(spy_.NotFreed().empty()) << spy_.NotFreed().size() << " display name(s) not freed";
    }

    int IsPresent() {
        const int present = channel_.IsPresent();
        ExpectNothingHeld();
        return present;
    }
    Status Set(std::uint32_t id, std::vector<std::uint8_t>& block) {
        const Status status = channel_.SetProperty(id, block.data(), static_cast<std::uint32_t>(block.size()));
        ExpectNothingHeld();
        return status;
    }
    Status Get(std::uint32_t id, std::vector<std::uint8_t>& block) {
        const Status status = channel_.GetProperty(id, block.data(), static_cast<std::uint32_t>(block.size()));
        ExpectNothingHeld();
        return status;
    }

    int DisplayNameQueries() const {
        int n = 0;
        for (const auto& moniker : monikerObjects_) n += moniker.displayNameQueries;
        return n;
    }

    // Declared first: every fake registers with it.
    FakeRegistry registry_;
    TaskMemorySpy spy_;
    FakeEnumMoniker monikers_{registry_};
    FakeCreateDevEnum deviceEnum_{registry_, monikers_};
    std::deque<FakeKsControl> controls_;
    std::deque<FakeFilter> filters_;
    std::deque<FakeMoniker> monikerObjects_;
    std::vector<Device> devices_;

    HRESULT createResult_ = S_OK;
    Answer createAnswer_ = Answer::Honest;
    std::vector<bool> apartmentAtCreate_;

    DirectShowCaptureStack stack_{[this](ICreateDevEnum** out) -> HRESULT {
        apartmentAtCreate_.push_back(InSingleThreadedApartment());
        *out = nullptr;
        if (createAnswer_ == Answer::SucceedWithoutObject) return S_OK;
        if (createResult_ != S_OK) return createResult_;
        *out = deviceEnum_.HandOut();
        return S_OK;
    }};
    TraceCollector trace_;
    CDeviceChannel channel_{stack_, trace_};
};

// ---------------------------------------------------------------------------------------

struct DiscoveryCase {
    const char* name;
    std::vector<DeviceSpec> devices;
    int serving = -1;                  // device whose filter carries the requests; -1: none found
    Status status = STATUS_NOT_FOUND;  // of both SetProperty and GetProperty
    int namesAskedPerRequest = 0;
    std::vector<std::string> traceLines = {};  // among the lines of the three requests
    HRESULT createResult = S_OK;
    HRESULT categoryResult = S_OK;
    HRESULT propertyResult = S_OK;
};

const DiscoveryCase kDiscoveryCases[] = {
    {.name = "CameraAloneServes", .devices = {{kCamera}}, .serving = 0, .status = 0, .namesAskedPerRequest = 1},
    {.name = "UpperCaseSecondInterfaceServes",
     .devices = {{kCameraUpperCaseSecondInterface}}, .serving = 0, .status = 0, .namesAskedPerRequest = 1},
    {.name = "CameraAfterOtherDevicesServes",
     .devices = {{kOtherVendor}, {kSoftwareSource}, {kOtherProduct}, {kCamera}},
     .serving = 3, .status = 0, .namesAskedPerRequest = 4},
    {.name = "OtherProductIsPassedOver", .devices = {{kOtherProduct}}, .namesAskedPerRequest = 1,
     .traceLines = {"sts:FALSE", "pVidCap:00000000", "hr:1"}},
    {.name = "IdentityOneCharacterLaterIsPassedOver", .devices = {{kIdentityOneLater}}, .namesAskedPerRequest = 1},
    {.name = "NameCutShortIsPassedOver", .devices = {{kCutShort}}, .namesAskedPerRequest = 1},
    {.name = "FirstOfTwoCamerasServes", .devices = {{kCamera}, {kCameraUpperCaseSecondInterface}},
     .serving = 0, .status = 0, .namesAskedPerRequest = 1},
    {.name = "CameraWhoseBindFailsIsPassedOver",
     .devices = {{kCamera, S_OK, Bound::Nothing, kDeviceNotConnected}, {kCamera}},
     .serving = 1, .status = 0, .namesAskedPerRequest = 2, .traceLines = {"*ppCap:00000000"}},
    {.name = "CameraWhoseBindSucceedsWithoutFilterIsPassedOver",
     .devices = {{kCamera, S_OK, Bound::Nothing, S_OK}, {kCamera}},
     .serving = 1, .status = 0, .namesAskedPerRequest = 2, .traceLines = {"*ppCap:00000000"}},
    {.name = "BindResultIsNotConsultedWhenFilterArrives",
     .devices = {{kCamera, S_OK, Bound::FilterWithControl, E_FAIL}}, .serving = 0, .status = 0,
     .namesAskedPerRequest = 1},
    {.name = "DisplayNameFailureEndsTheSearch", .devices = {{kOtherVendor, E_FAIL}, {kCamera}},
     .namesAskedPerRequest = 1},
    {.name = "DisplayNameWithoutTextIsPassedOver", .devices = {{std::nullopt}, {kCamera}},
     .serving = 1, .status = 0, .namesAskedPerRequest = 2, .traceLines = {"wszDisplayName:"}},
    {.name = "NoVideoInputDevice", .devices = {}, .traceLines = {"Create Device Enum. hr = 1"},
     .categoryResult = S_FALSE},
    {.name = "CategoryCannotBeEnumerated", .devices = {{kCamera}},
     .traceLines = {"Create Device Enum. hr = -2147467259"}, .categoryResult = E_FAIL},
    {.name = "DeviceEnumeratorCannotBeCreated", .devices = {{kCamera}},
     .traceLines = {"Create Instance. hr = -2147221164"}, .createResult = kClassNotRegistered},
    {.name = "FilterWithoutKsControlSendsNothing",
     .devices = {{kCamera, S_OK, Bound::FilterWithoutControl}}, .serving = 0, .status = -2147467262,
     .namesAskedPerRequest = 1, .traceLines = {"hr:-2147467262  control:00000000", "hr:-2147467262"}},
    {.name = "FailingPropertyRequestGivesItsResult", .devices = {{kCamera}}, .serving = 0,
     .status = -2147024865, .namesAskedPerRequest = 1, .traceLines = {"data_len:5,hr:-2147024865"},
     .propertyResult = kGenFailure},
};

void PrintTo(const DiscoveryCase& c, std::ostream* os) { *os << c.name; }

class Discovery : public CaptureOverFakes, public ::testing::WithParamInterface<DiscoveryCase> {};

TEST_P(Discovery, RequestsReachOnlyTheServingCameraAndGiveEverythingBack) {
    const DiscoveryCase& c = GetParam();
    for (const auto& spec : c.devices) {
        const Device device = AddDevice(spec);
        if (device.control != nullptr) {
            device.control->result = c.propertyResult;
            device.control->reply = {0x07};
        }
    }
    createResult_ = c.createResult;
    deviceEnum_.result = c.categoryResult;

    EXPECT_EQ(IsPresent(), c.serving >= 0 ? 0 : -1);

    std::vector<std::uint8_t> payload = {0x21, 0x00, 0x00, 0x00, 0x02};
    EXPECT_EQ(Set(CMD_WRITE_VALUE, payload), c.status);

    std::vector<std::uint8_t> slot = {0xA5};
    EXPECT_EQ(Get(CMD_READ_VALUE, slot), c.status);
    EXPECT_EQ(slot[0], c.status == STATUS_OK ? 0x07 : 0xA5) << "the block changes only on success";

    for (std::size_t i = 0; i < devices_.size(); ++i) {
        if (devices_[i].control == nullptr) continue;
        const std::size_t expected = static_cast<int>(i) == c.serving ? 2 : 0;
        EXPECT_EQ(devices_[i].control->calls.size(), expected) << "property requests to device " << i;
    }
    EXPECT_EQ(DisplayNameQueries(), 3 * c.namesAskedPerRequest);
    EXPECT_EQ(apartmentAtCreate_, std::vector<bool>(3, true)) << "enumerator made outside an apartment";

    const auto lines = trace_.Lines();
    for (const auto& line : c.traceLines) EXPECT_TRUE(Contains(lines, line)) << line << "\n--\n" << trace_.Text();
}

INSTANTIATE_TEST_SUITE_P(Channel, Discovery, ::testing::ValuesIn(kDiscoveryCases),
                         [](const auto& row) { return std::string(row.param.name); });

// ---------------------------------------------------------------------------------------

std::vector<std::uint8_t> LittleEndian(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

// {63610682-5070-49AB-B8CC-B3855E8D221D} as it lies in memory.
const std::vector<std::uint8_t> kExtensionUnitSetBytes = {0x82, 0x06, 0x61, 0x63, 0x70, 0x50, 0xAB, 0x49,
                                                          0xB8, 0xCC, 0xB3, 0x85, 0x5E, 0x8D, 0x22, 0x1D};

std::vector<std::uint8_t> ExpectedNode(std::uint32_t id, std::uint32_t flags) {
    std::vector<std::uint8_t> node = kExtensionUnitSetBytes;
    for (std::uint32_t field : {id, flags, 2u, 0u}) {
        const auto bytes = LittleEndian(field);
        node.insert(node.end(), bytes.begin(), bytes.end());
    }
    return node;
}

TEST_F(CaptureOverFakes, RequestDescriptorIsTheExtensionUnitNodeByteForByte) {
    const Device camera = AddDevice({kCamera});
    camera.control->reply = {0x02};
    struct Request {
        const char* name;
        bool set;
        std::uint32_t id;
        std::uint32_t flags;
        std::vector<std::uint8_t> block;
    };
    const Request requests[] = {
        {"write value", true, 11, 0x10000002, {0x21, 0x00, 0x00, 0x00, 0x02}},
        {"clock", true, 13, 0x10000002, {0, 0, 1, 0, 0xE8, 0x07, 0x0C, 0x00, 0x06, 0x00}},
        {"read value", false, 10, 0x10000001, {0xFF}},
        {"largest id", true, 255, 0x10000002, {0x01}},
    };
    for (const auto& r : requests) {
        SCOPED_TRACE(r.name);
        camera.control->calls.clear();
        std::vector<std::uint8_t> block = r.block;
        EXPECT_EQ(r.set ? Set(r.id, block) : Get(r.id, block), STATUS_OK);
        ASSERT_EQ(camera.control->calls.size(), 1u);
        const KsCall& call = camera.control->calls[0];
        EXPECT_EQ(call.property, ExpectedNode(r.id, r.flags));
        EXPECT_EQ(call.propertyLength, 32u);
        EXPECT_EQ(call.data, block.data()) << "the caller's own block is handed over";
        EXPECT_EQ(call.dataLength, r.block.size());
        EXPECT_EQ(call.dataAtEntry, r.block);
        EXPECT_EQ(call.bytesReturnedAtEntry, std::optional<ULONG>(0));
    }
}

TEST_F(CaptureOverFakes, SuccessfulSetTracesEveryStepWithTheComPointers) {
    const Device camera = AddDevice({kCameraUpperCaseSecondInterface});
    std::vector<std::uint8_t> payload = {0x21, 0x00, 0x00, 0x00, 0x02};
    ASSERT_EQ(Set(11, payload), STATUS_OK);

    const std::string filter = FormatPointer(static_cast<IBaseFilter*>(camera.filter));
    const std::string control = FormatPointer(static_cast<IKsControl*>(camera.control));
    const std::vector<std::string> expected = {
        "",
        "Send Cmd,ID:11",
        "Get Cap Device.",
        "Create Instance. hr = 0",
        "Create Device Enum. hr = 0",
        "wszDisplayName:@device:pnp:\\\\?\\USB#VID_04FC&PID_6333&MI_02#7&2a1f0c3b&0&0002#"
        "{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global",
        "wszVidStr:USB#VID_04FC&PID_6333&MI_02#7&2a1f0c3b&0&0002#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global",
        "devID6330:USB#Vid_04fc&Pid_6333",
        "*ppCap:" + filter,
        "Get Device Done",
        "sts:OK",
        "pVidCap:" + filter,
        "query interface.IID:0x28f54685",
        "hr:0  control:" + control,
        "data_len:5,hr:0",
        "control release",
        "hr:0",
    };
    EXPECT_EQ(trace_.Lines(), expected);
    EXPECT_NE(filter, FormatPointer(nullptr));
}

TEST_F(CaptureOverFakes, DiscoveryAsksThePlatformAsDocumented) {
    const Device other = AddDevice({kOtherVendor});
    const Device camera = AddDevice({kCamera});
    EXPECT_EQ(IsPresent(), 0);

    ASSERT_EQ(deviceEnum_.requests.size(), 1u);
    EXPECT_EQ(deviceEnum_.requests[0].first, CLSID_VideoInputDeviceCategory);
    EXPECT_EQ(deviceEnum_.requests[0].second, 0u);
    EXPECT_EQ(monikers_.resets, 1);
    EXPECT_EQ(monikers_.nextsBeforeReset, 0) << "enumeration must start from the first device";
    EXPECT_TRUE(monikers_.countAlwaysOne);
    EXPECT_TRUE(other.moniker->argumentsAsDocumented);
    EXPECT_TRUE(camera.moniker->argumentsAsDocumented);
    EXPECT_EQ(other.moniker->binds, 0) << "a device that does not match is not bound";
    EXPECT_EQ(camera.moniker->binds, 1);
}

TEST_F(CaptureOverFakes, RequestInsideCallersApartmentLeavesItInitialised) {
    AddDevice({kCamera});
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    std::vector<std::uint8_t> slot = {0};
    EXPECT_EQ(channel_.GetProperty(10, slot.data(), 1), STATUS_OK);
    EXPECT_EQ(ApartmentState(), S_OK) << "the request ended the caller's initialisation";
    CoUninitialize();
    ExpectNothingHeld();
}

// ---------------------------------------------------------------------------------------
// Objects that break their contract must not crash the request or strand a reference.

struct BrokenCase {
    const char* name;
    Answer create = Answer::Honest;
    Answer category = Answer::Honest;
    HRESULT categoryResult = S_OK;
    Answer next = Answer::Honest;
    Answer control = Answer::Honest;
    Status status = STATUS_NOT_FOUND;
    std::string traceLine;
};

const BrokenCase kBrokenCases[] = {
    {.name = "DeviceEnumeratorCreatedWithoutObject", .create = Answer::SucceedWithoutObject,
     .traceLine = "Create Instance. hr = -2147467261"},
    {.name = "CategoryEnumeratedWithoutObject", .category = Answer::SucceedWithoutObject,
     .traceLine = "Create Device Enum. hr = -2147467261"},
    {.name = "CategoryFailsButLeavesEnumerator", .category = Answer::FailButLeaveObject,
     .categoryResult = E_FAIL, .traceLine = "Create Device Enum. hr = -2147467259"},
    {.name = "NextSucceedsWithoutMoniker", .next = Answer::SucceedWithoutObject, .traceLine = "sts:FALSE"},
    {.name = "ControlQuerySucceedsWithoutObject", .control = Answer::SucceedWithoutObject,
     .status = -2147467261, .traceLine = "hr:-2147467261  control:00000000"},
    {.name = "ControlQueryFailsButLeavesObject", .control = Answer::FailButLeaveObject,
     .status = -2147467262, .traceLine = "hr:-2147467262  control:00000000"},
};

void PrintTo(const BrokenCase& c, std::ostream* os) { *os << c.name; }

class BrokenObjects : public CaptureOverFakes, public ::testing::WithParamInterface<BrokenCase> {};

TEST_P(BrokenObjects, RequestFailsCleanlyAndSendsNothing) {
    const BrokenCase& c = GetParam();
    const Device camera = AddDevice({kCamera});
    createAnswer_ = c.create;
    deviceEnum_.answer = c.category;
    deviceEnum_.result = c.categoryResult;
    monikers_.nextAnswer = c.next;
    camera.filter->controlAnswer = c.control;

    std::vector<std::uint8_t> payload = {0x21, 0x00, 0x00, 0x00, 0x02};
    EXPECT_EQ(Set(11, payload), c.status);
    EXPECT_TRUE(camera.control->calls.empty());
    EXPECT_TRUE(Contains(trace_.Lines(), c.traceLine)) << c.traceLine << "\n--\n" << trace_.Text();
}

INSTANTIATE_TEST_SUITE_P(Channel, BrokenObjects, ::testing::ValuesIn(kBrokenCases),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace tessmo::win32
