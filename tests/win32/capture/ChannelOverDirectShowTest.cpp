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
#include <utility>
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
    explicit FakeKsControl(Ledger& ledger) : Fake(ledger, "control", IID_IKsControl) {}
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
    explicit FakeFilter(Ledger& ledger) : Fake(ledger, "filter", IID_IBaseFilter), control(ledger) {}
    FakeKsControl control;
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
        *object = control.HandOut();
        return controlAnswer == Answer::FailButLeaveObject ? E_NOINTERFACE : S_OK;
    }
};

// Display names as the system device enumerator gives them: the interface path starts
// at character 16, after "@device:pnp:\\?\".
const std::wstring kCamera =
    L"@device:pnp:\\\\?\\usb#vid_04fc&pid_6333&mi_00#7&2a1f0c3b&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}"
    L"\\global";

// The camera: its moniker, and the filter a bind leads to.
class FakeMoniker final : public Fake<IMoniker> {
public:
    explicit FakeMoniker(Ledger& ledger) : Fake(ledger, "moniker", IID_IMoniker), filter(ledger) {}
    FakeFilter filter;
    HRESULT bindResult = S_OK;  // returned by the bind, which yields the filter all the same

    HRESULT STDMETHODCALLTYPE GetDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR* name) override {
        if (context != nullptr || left != nullptr)
            Misuse("display name asked with a bind context or left moniker");
        const std::size_t bytes = (kCamera.size() + 1) * sizeof(wchar_t);
        *name = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
        std::memcpy(*name, kCamera.c_str(), bytes);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx* context, IMoniker* left, REFIID riid,
                                           void** object) override {
        if (context != nullptr || left != nullptr || riid != IID_IBaseFilter)
            Misuse("bound other than to a filter");
        *object = riid == IID_IBaseFilter ? filter.HandOut() : nullptr;
        return bindResult;
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
};

// One enumerator serves every request; only a forwarded Reset brings the camera back.
class FakeEnumMoniker final : public Fake<IEnumMoniker> {
public:
    explicit FakeEnumMoniker(Ledger& ledger)
        : Fake(ledger, "moniker enumerator", IID_IEnumMoniker), camera(ledger) {}
    FakeMoniker camera;

    HRESULT STDMETHODCALLTYPE Next(ULONG, IMoniker** out, ULONG* fetched) override {
        *out = given_ ? nullptr : camera.HandOut();
        if (fetched != nullptr) *fetched = given_ ? 0 : 1;
        return std::exchange(given_, true) ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset() override {
        given_ = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumMoniker**) override { return E_NOTIMPL; }

private:
    bool given_ = false;
};

class FakeCreateDevEnum final : public Fake<ICreateDevEnum> {
public:
    explicit FakeCreateDevEnum(Ledger& ledger)
        : Fake(ledger, "device enumerator", IID_ICreateDevEnum), monikers(ledger) {}
    FakeEnumMoniker monikers;
    HRESULT result = S_OK;  // a failure hands out the enumerator all the same

    HRESULT STDMETHODCALLTYPE CreateClassEnumerator(REFCLSID category, IEnumMoniker** out,
                                                    DWORD flags) override {
        if (category != CLSID_VideoInputDeviceCategory || flags != 0)
            Misuse("another category or flags asked for");
        *out = monikers.HandOut();
        return result;
    }
};

HRESULT ApartmentState() {
    APTTYPE type{};
    APTTYPEQUALIFIER qualifier{};
    return CoGetApartmentType(&type, &qualifier);
}

class CaptureOverFakes : public ::testing::Test {
protected:
    // What every request must leave behind, on every path.
    void ExpectNothingHeld() {
        for (const auto& [name, count] : ledger_.refs)
            EXPECT_EQ(count, 0) << name << ": references outstanding";
        EXPECT_EQ(ledger_.misuse, "");
        EXPECT_EQ(ApartmentState(), CO_E_NOTINITIALIZED) << "COM initialisation not ended";
    }

    Ledger ledger_;  // first: every fake registers with it
    FakeCreateDevEnum deviceEnum_{ledger_};
    FakeMoniker& camera_ = deviceEnum_.monikers.camera;
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

// How the objects answer. The requests reach the camera's control only when every object
// kept its contract, and every object is given back, also one that broke it.
struct Situation {
    const char* name;
    Status status;                  // of SetProperty and GetProperty
    std::string traceLine = {};     // among the lines of the three requests; empty: any
    HRESULT categoryResult = S_OK;  // the enumerator is handed out all the same
    HRESULT bindResult = S_OK;      // the filter is handed out all the same
    Answer control = Answer::Honest;
};

// A null pointer as the trace prints it: as wide as a pointer of the build.
const std::string kNullPointer(2 * sizeof(void*), '0');

// Only what the DirectShow adapter adds over the channel's own rules (tested natively):
// the node as the KSP_NODE structure carries it, and objects that break their contract.
const Situation kSituations[] = {
    {.name = "CameraServesWithTheExtensionUnitNode", .status = STATUS_OK},
    {.name = "FailedBindThatYieldsAFilterServes", .status = STATUS_OK, .bindResult = E_FAIL},
    {.name = "CategoryFailsButLeavesEnumerator",
     .status = STATUS_NOT_FOUND,
     .traceLine = "Create Device Enum. hr = -2147467259",
     .categoryResult = E_FAIL},
    {.name = "ControlQuerySucceedsWithoutObject",
     .status = -2147467261,
     .traceLine = "hr:-2147467261  control:" + kNullPointer,
     .control = Answer::SucceedWithoutObject},
    {.name = "ControlQueryFailsButLeavesObject",
     .status = -2147467262,
     .traceLine = "hr:-2147467262  control:" + kNullPointer,
     .control = Answer::FailButLeaveObject},
};

void PrintTo(const Situation& c, std::ostream* os) {
    *os << c.name;
}

class Situations : public CaptureOverFakes, public ::testing::WithParamInterface<Situation> {};

TEST_P(Situations, RequestsReachTheCameraOnlyThroughKeptContractsAndGiveEverythingBack) {
    const Situation& c = GetParam();
    deviceEnum_.result = c.categoryResult;
    camera_.bindResult = c.bindResult;
    camera_.filter.controlAnswer = c.control;

    EXPECT_EQ(channel_.IsPresent(), c.categoryResult == S_OK ? 0 : -1);
    ExpectNothingHeld();
    std::uint8_t payload[] = {0x21, 0x00, 0x00, 0x00, 0x02};
    EXPECT_EQ(channel_.SetProperty(11, payload, 5), c.status);
    ExpectNothingHeld();
    std::uint8_t slot = 0xA5;
    EXPECT_EQ(channel_.GetProperty(10, &slot, 1), c.status);
    ExpectNothingHeld();
    EXPECT_EQ(slot, c.status == STATUS_OK ? kReply : 0xA5) << "the block changes only on success";

    const auto& calls = camera_.filter.control.calls;
    ASSERT_EQ(calls.size(), c.status == STATUS_OK ? 2u : 0u);
    if (c.status == STATUS_OK) {
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
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    std::uint8_t slot = 0;
    EXPECT_EQ(channel_.GetProperty(10, &slot, 1), STATUS_OK);
    EXPECT_EQ(ApartmentState(), S_OK) << "the request ended the caller's initialisation";
    CoUninitialize();
    ExpectNothingHeld();
}

}  // namespace
}  // namespace tessmo::win32
