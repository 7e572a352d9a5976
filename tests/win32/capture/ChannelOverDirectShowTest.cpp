// The channel's requests carried by the DirectShow stack to fake COM objects: real COM
// objects to the caller, owned by the test and counting their references, so that after
// every request on every path the test sees each reference and the COM initialisation back.
#include <gtest/gtest.h>

#include <windows.h>

#include <dshow.h>
#include <ks.h>
#include <ksproxy.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "capture/DirectShowCaptureStack.h"
#include "common/Trace.h"
#include "device/CDeviceChannel.h"

// The fakes are destroyed by their owner, never through an interface pointer.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

namespace tessmo::win32 {
namespace {

// Every fake's name and reference count (below zero: released too often), and every call
// made other than as the platform documents it.
struct Ledger {
    std::deque<std::pair<std::string, long>> refs;
    std::string misuse;
};

template <class Interface>
class Fake : public Interface {
public:
    Fake(Ledger& ledger, std::string name, const IID& iid)
        : ledger_(ledger), refs_(ledger.refs.emplace_back(std::move(name), 0)), iid_(iid) {}
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_.second); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs_.second); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        *object = riid == IID_IUnknown || riid == iid_ ? HandOut() : nullptr;
        return *object != nullptr ? S_OK : QueryOther(riid, object);
    }
    // Gives this object away as COM does: with a reference for the receiver.
    Interface* HandOut() {
        AddRef();
        return this;
    }

protected:
    virtual HRESULT QueryOther(REFIID, void**) { return E_NOINTERFACE; }
    void Misuse(const std::string& what) { ledger_.misuse += refs_.first + ": " + what + "\n"; }

private:
    Ledger& ledger_;
    std::pair<std::string, long>& refs_;
    IID iid_;
};

enum class Answer {        // how a filter answers the query for its IKsControl
    Honest,                // the object with S_OK, or null with the failure
    SucceedWithoutObject,  // S_OK and a null pointer
    FailButLeaveObject,    // a failure, yet a referenced pointer left behind
};

struct KsCall {
    std::vector<std::uint8_t> property;  // the request descriptor as passed
    ULONG propertyLength;
    ULONG dataLength;
};

constexpr std::uint8_t kReply = 0x07;  // what a successful GET writes into the block

class FakeKsControl final : public Fake<IKsControl> {
public:
    FakeKsControl(Ledger& ledger, const std::string& name)
        : Fake(ledger, "control " + name, IID_IKsControl) {}
    std::vector<KsCall> calls;

    HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY property, ULONG propertyLength, LPVOID data,
                                         ULONG dataLength, ULONG* bytesReturned) override {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(property);
        calls.push_back(
            {{bytes, bytes + std::min<ULONG>(propertyLength, sizeof(KSP_NODE))}, propertyLength, dataLength});
        // The kernel-streaming proxy writes the count unconditionally.
        if (bytesReturned == nullptr) Misuse("KsProperty without a byte count");
        if ((property->Flags & KSPROPERTY_TYPE_GET) == 0 || dataLength == 0) return S_OK;
        *static_cast<std::uint8_t*>(data) = kReply;
        if (bytesReturned != nullptr) *bytesReturned = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE KsMethod(PKSMETHOD, ULONG, LPVOID, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE KsEvent(PKSEVENT, ULONG, LPVOID, ULONG, ULONG*) override { return E_NOTIMPL; }
};

class FakeFilter final : public Fake<IBaseFilter> {
public:
    FakeFilter(Ledger& ledger, const std::string& name, FakeKsControl* control)
        : Fake(ledger, "filter " + name, IID_IBaseFilter), control_(control) {}
    Answer controlAnswer = Answer::Honest;

    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stop() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Pause() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetState(DWORD, FILTER_STATE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR, IPin**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph*, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }

protected:
    HRESULT QueryOther(REFIID riid, void** object) override {
        if (riid != IID_IKsControl) return E_NOINTERFACE;
        if (controlAnswer == Answer::SucceedWithoutObject) return S_OK;
        if (control_ == nullptr) return E_NOINTERFACE;
        *object = control_->HandOut();
        return controlAnswer == Answer::FailButLeaveObject ? E_NOINTERFACE : S_OK;
    }

private:
    FakeKsControl* control_;
};

struct DeviceSetup {
    std::wstring displayName;
    HRESULT bindResult = S_OK;  // returned by the bind, which yields the filter all the same
};

// A device: its moniker, and the filter and control a bind leads to.
class FakeMoniker final : public Fake<IMoniker> {
public:
    FakeMoniker(Ledger& ledger, const std::string& name, DeviceSetup setup)
        : Fake(ledger, "moniker " + name, IID_IMoniker),
          control(ledger, name),
          filter(ledger, name, &control),
          setup_(std::move(setup)) {}
    FakeKsControl control;
    FakeFilter filter;

    HRESULT STDMETHODCALLTYPE GetDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR* name) override {
        if (context != nullptr || left != nullptr)
            Misuse("display name asked with a bind context or left moniker");
        const std::size_t bytes = (setup_.displayName.size() + 1) * sizeof(wchar_t);
        *name = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
        std::memcpy(*name, setup_.displayName.c_str(), bytes);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx* context, IMoniker* left, REFIID riid,
                                           void** object) override {
        if (context != nullptr || left != nullptr || riid != IID_IBaseFilter)
            Misuse("bound other than to a filter");
        *object = riid == IID_IBaseFilter ? filter.HandOut() : nullptr;
        return setup_.bindResult;
    }

    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Load(IStream*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Save(IStream*, WINBOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx*, IMoniker*, REFIID, void**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Reduce(IBindCtx*, DWORD, IMoniker**, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ComposeWith(IMoniker*, WINBOOL, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Enum(WINBOOL, IEnumMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsEqual(IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Hash(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsRunning(IBindCtx*, IMoniker*, IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTimeOfLastChange(IBindCtx*, IMoniker*, FILETIME*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Inverse(IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CommonPrefixWith(IMoniker*, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RelativePathTo(IMoniker*, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG*, IMoniker**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE IsSystemMoniker(DWORD*) override { return E_NOTIMPL; }

private:
    const DeviceSetup setup_;
};

// One enumerator serves every request; only a forwarded Reset brings it back to the first device.
class FakeEnumMoniker final : public Fake<IEnumMoniker> {
public:
    explicit FakeEnumMoniker(Ledger& ledger) : Fake(ledger, "moniker enumerator", IID_IEnumMoniker) {}
    std::deque<FakeMoniker> devices;

    HRESULT STDMETHODCALLTYPE Next(ULONG, IMoniker** out, ULONG* fetched) override {
        const bool more = cursor_ < devices.size();
        *out = more ? devices[cursor_++].HandOut() : nullptr;
        if (fetched != nullptr) *fetched = more ? 1 : 0;
        return more ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset() override {
        cursor_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumMoniker**) override { return E_NOTIMPL; }

private:
    std::size_t cursor_ = 0;
};

class FakeCreateDevEnum final : public Fake<ICreateDevEnum> {
public:
    FakeCreateDevEnum(Ledger& ledger, FakeEnumMoniker& monikers)
        : Fake(ledger, "device enumerator", IID_ICreateDevEnum), monikers_(monikers) {}
    HRESULT result =
        S_OK;  // S_FALSE: the category is empty, no enumerator; a failure leaves one all the same

    HRESULT STDMETHODCALLTYPE CreateClassEnumerator(REFCLSID category, IEnumMoniker** out,
                                                    DWORD flags) override {
        if (category != CLSID_VideoInputDeviceCategory || flags != 0)
            Misuse("another category or flags asked for");
        *out = nullptr;
        if (result != S_FALSE) *out = monikers_.HandOut();
        return result;
    }

private:
    FakeEnumMoniker& monikers_;
};

// Display names as the system device enumerator gives them: the interface path starts
// at character 16, after "@device:pnp:\\?\".
const std::wstring kCamera =
    L"@device:pnp:\\\\?\\usb#vid_04fc&pid_6333&mi_00#7&2a1f0c3b&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}"
    L"\\global";

HRESULT ApartmentState() {
    APTTYPE type{};
    APTTYPEQUALIFIER qualifier{};
    return CoGetApartmentType(&type, &qualifier);
}

class CaptureOverFakes : public ::testing::Test {
protected:
    FakeMoniker& AddDevice(const DeviceSetup& setup) {
        return monikers_.devices.emplace_back(ledger_, std::to_string(monikers_.devices.size()), setup);
    }

    // What every request must leave behind, on every path.
    void ExpectNothingHeld() {
        for (const auto& [name, count] : ledger_.refs)
            EXPECT_EQ(count, 0) << name << ": references outstanding";
        EXPECT_EQ(ledger_.misuse, "");
        EXPECT_EQ(ApartmentState(), CO_E_NOTINITIALIZED) << "COM initialisation not ended";
    }

    Status Request(bool set, std::uint32_t id, std::vector<std::uint8_t>& block) {
        const auto length = static_cast<std::uint32_t>(block.size());
        const Status status = set ? channel_.SetProperty(id, block.data(), length)
                                  : channel_.GetProperty(id, block.data(), length);
        ExpectNothingHeld();
        return status;
    }

    Ledger ledger_;  // first: every fake registers with it
    FakeEnumMoniker monikers_{ledger_};
    FakeCreateDevEnum deviceEnum_{ledger_, monikers_};
    DirectShowCaptureStack stack_{[this](ICreateDevEnum** out) {
        *out = deviceEnum_.HandOut();
        return S_OK;
    }};
    TraceCollector trace_;
    CDeviceChannel channel_{stack_, trace_};
};

// {63610682-5070-49AB-B8CC-B3855E8D221D} as it lies in memory, then Id, Flags, NodeId 2
// and Reserved 0, little-endian: the KSP_NODE the camera's extension unit expects.
std::vector<std::uint8_t> ExpectedNode(std::uint32_t id, std::uint32_t flags) {
    std::vector<std::uint8_t> node = {0x82, 0x06, 0x61, 0x63, 0x70, 0x50, 0xAB, 0x49,
                                      0xB8, 0xCC, 0xB3, 0x85, 0x5E, 0x8D, 0x22, 0x1D};
    for (std::uint32_t field : {id, flags, 2u, 0u}) {
        for (int shift = 0; shift < 32; shift += 8) node.push_back(static_cast<std::uint8_t>(field >> shift));
    }
    return node;
}

// What the devices are and how the objects answer. The requests reach only the control
// of the device found, and every object is given back, also one that broke its contract.
struct Situation {
    const char* name;
    std::vector<DeviceSetup> devices;
    int found = -1;                    // the device the search settles on; -1: none
    Status status = STATUS_NOT_FOUND;  // of both SetProperty and GetProperty
    std::string traceLine = {};        // among the lines of the three requests; empty: any
    HRESULT categoryResult = S_OK;
    Answer control = Answer::Honest;  // of every filter
};

// A null pointer as the trace prints it: as wide as a pointer of the build.
const std::string kNullPointer(2 * sizeof(void*), '0');

// Only what the DirectShow adapter adds over the channel's own rules (tested natively):
// the node as the KSP_NODE structure carries it, and objects that break their contract.
const Situation kSituations[] = {
    {.name = "CameraServesWithTheExtensionUnitNode", .devices = {{kCamera}}, .found = 0, .status = 0},
    {.name = "FailedBindThatYieldsAFilterServes", .devices = {{kCamera, E_FAIL}}, .found = 0, .status = 0},
    {.name = "CategoryFailsButLeavesEnumerator",
     .devices = {{kCamera}},
     .traceLine = "Create Device Enum. hr = -2147467259",
     .categoryResult = E_FAIL},
    {.name = "ControlQuerySucceedsWithoutObject",
     .devices = {{kCamera}},
     .found = 0,
     .status = -2147467261,
     .traceLine = "hr:-2147467261  control:" + kNullPointer,
     .control = Answer::SucceedWithoutObject},
    {.name = "ControlQueryFailsButLeavesObject",
     .devices = {{kCamera}},
     .found = 0,
     .status = -2147467262,
     .traceLine = "hr:-2147467262  control:" + kNullPointer,
     .control = Answer::FailButLeaveObject},
};

void PrintTo(const Situation& c, std::ostream* os) {
    *os << c.name;
}

class Situations : public CaptureOverFakes, public ::testing::WithParamInterface<Situation> {};

TEST_P(Situations, RequestsReachOnlyTheFoundCameraAndGiveEverythingBack) {
    const Situation& c = GetParam();
    for (const auto& setup : c.devices) {
        FakeMoniker& device = AddDevice(setup);
        device.filter.controlAnswer = c.control;
    }
    deviceEnum_.result = c.categoryResult;

    EXPECT_EQ(channel_.IsPresent(), c.found >= 0 ? 0 : -1);
    ExpectNothingHeld();
    std::vector<std::uint8_t> payload = {0x21, 0x00, 0x00, 0x00, 0x02};
    EXPECT_EQ(Request(true, 11, payload), c.status);
    std::vector<std::uint8_t> slot = {0xA5};
    EXPECT_EQ(Request(false, 10, slot), c.status);
    EXPECT_EQ(slot[0], c.status == STATUS_OK ? kReply : 0xA5) << "the block changes only on success";

    for (std::size_t i = 0; i < monikers_.devices.size(); ++i) {
        const auto& calls = monikers_.devices[i].control.calls;
        const bool reached = static_cast<int>(i) == c.found && c.control == Answer::Honest;
        ASSERT_EQ(calls.size(), reached ? 2u : 0u) << "requests to device " << i;
        if (!reached) continue;
        EXPECT_EQ(calls[0].property, ExpectedNode(11, 0x10000002));
        EXPECT_EQ(calls[1].property, ExpectedNode(10, 0x10000001));
        EXPECT_EQ(std::make_pair(calls[0].propertyLength, calls[0].dataLength), std::make_pair(32ul, 5ul));
        EXPECT_EQ(std::make_pair(calls[1].propertyLength, calls[1].dataLength), std::make_pair(32ul, 1ul));
    }
    const auto lines = trace_.Lines();
    const bool traced =
        c.traceLine.empty() || std::find(lines.begin(), lines.end(), c.traceLine) != lines.end();
    EXPECT_TRUE(traced) << c.traceLine << "\n--\n" << trace_.Text();
}

INSTANTIATE_TEST_SUITE_P(Channel, Situations, ::testing::ValuesIn(kSituations),
                         [](const auto& row) { return std::string(row.param.name); });

// Inside the caller's own initialisation CoInitialize answers S_FALSE, and is balanced all the same.
TEST_F(CaptureOverFakes, RequestInsideCallersApartmentLeavesItInitialised) {
    AddDevice({kCamera});
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    std::uint8_t slot = 0;
    EXPECT_EQ(channel_.GetProperty(10, &slot, 1), STATUS_OK);
    EXPECT_EQ(ApartmentState(), S_OK) << "the request ended the caller's initialisation";
    CoUninitialize();
    ExpectNothingHeld();
}

}  // namespace
}  // namespace tessmo::win32
