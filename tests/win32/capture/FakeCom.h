#pragma once
// Fake DirectShow objects for driving the capture stack without a camera. Each one is a
// real COM object as far as the caller can tell (vtable, QueryInterface, AddRef/Release)
// and keeps its own reference count, so a test can see every reference that was taken
// and not given back. The fakes are owned by the test, never deleted by Release.
#include <windows.h>

#include <dshow.h>
#include <ks.h>
#include <ksproxy.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "device/CaptureStack.h"

// COM objects are destroyed by their owner, never through an interface pointer, and the
// interfaces have no virtual destructor by design.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

namespace tessmo::win32::fakes {

inline GUID ToGuid(const Guid& guid) {
    GUID out;
    std::memcpy(&out, &guid, sizeof out);
    return out;
}

inline const GUID& IidKsControl() {
    static const GUID iid = ToGuid(IID_IKsControl_Value);
    return iid;
}

class RefCount {
public:
    ULONG Add() { return static_cast<ULONG>(++outstanding_); }
    ULONG Drop() {
        if (outstanding_ <= 0) {
            ++overReleases_;
            return 0;
        }
        return static_cast<ULONG>(--outstanding_);
    }
    long Outstanding() const { return outstanding_; }
    int OverReleases() const { return overReleases_; }

private:
    long outstanding_ = 0;
    int overReleases_ = 0;
};

// Every fake of a test registers here, so one check covers them all.
class FakeRegistry {
public:
    void Register(std::string name, const RefCount* refs) { entries_.emplace_back(std::move(name), refs); }

    // One line per fake whose references are not back at zero.
    std::vector<std::string> Unbalanced() const {
        std::vector<std::string> out;
        for (const auto& [name, refs] : entries_) {
            if (refs->Outstanding() != 0) {
                out.push_back(name + ": " + std::to_string(refs->Outstanding()) + " reference(s) outstanding");
            }
            if (refs->OverReleases() != 0) {
                out.push_back(name + ": released " + std::to_string(refs->OverReleases()) +
                              " time(s) more than referenced");
            }
        }
        return out;
    }

private:
    std::vector<std::pair<std::string, const RefCount*>> entries_;
};

template <class Interface>
class FakeObject : public Interface {
public:
    FakeObject(FakeRegistry& registry, std::string name, const IID& iid) : iid_(iid) {
        registry.Register(std::move(name), &refs_);
    }
    FakeObject(const FakeObject&) = delete;
    FakeObject& operator=(const FakeObject&) = delete;
    virtual ~FakeObject() = default;

    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return refs_.Drop(); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (riid == IID_IUnknown || riid == iid_) {
            *object = HandOut();
            return S_OK;
        }
        return QueryOther(riid, object);
    }

    // Gives this object away as COM does: with a reference for the receiver.
    Interface* HandOut() {
        AddRef();
        return this;
    }

protected:
    virtual HRESULT QueryOther(REFIID, void**) { return E_NOINTERFACE; }

private:
    RefCount refs_;
    IID iid_;
};

struct KsCall {
    std::vector<std::uint8_t> property;  // the request descriptor as passed
    ULONG propertyLength = 0;
    const void* data = nullptr;
    std::vector<std::uint8_t> dataAtEntry;
    ULONG dataLength = 0;
    std::optional<ULONG> bytesReturnedAtEntry;  // nullopt: no count passed
};

class FakeKsControl final : public FakeObject<IKsControl> {
public:
    FakeKsControl(FakeRegistry& registry, std::string name)
        : FakeObject(registry, std::move(name), IidKsControl()) {}

    HRESULT result = S_OK;
    std::vector<std::uint8_t> reply;  // what a successful GET writes into the block
    std::vector<KsCall> calls;

    HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY property, ULONG propertyLength, LPVOID data,
                                         ULONG dataLength, ULONG* bytesReturned) override {
        KsCall call;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(property);
        if (bytes != nullptr) call.property.assign(bytes, bytes + std::min<ULONG>(propertyLength, 64));
        call.propertyLength = propertyLength;
        call.data = data;
        const auto* block = static_cast<const std::uint8_t*>(data);
        if (block != nullptr) call.dataAtEntry.assign(block, block + dataLength);
        call.dataLength = dataLength;
        if (bytesReturned != nullptr) call.bytesReturnedAtEntry = *bytesReturned;
        calls.push_back(std::move(call));

        if (FAILED(result)) return result;
        const bool get = property != nullptr && (property->Flags & KSPROPERTY_TYPE_GET) != 0;
        if (get && data != nullptr) {
            const ULONG n = std::min<ULONG>(dataLength, static_cast<ULONG>(reply.size()));
            std::memcpy(data, reply.data(), n);
            if (bytesReturned != nullptr) *bytesReturned = n;
        }
        return result;
    }
    HRESULT STDMETHODCALLTYPE KsMethod(PKSMETHOD, ULONG, LPVOID, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE KsEvent(PKSEVENT, ULONG, LPVOID, ULONG, ULONG*) override { return E_NOTIMPL; }
};

// How a fake answers a query or a creation request.
enum class Answer {
    Honest,                  // the object with S_OK, or null with the failure
    SucceedWithoutObject,    // S_OK and a null pointer
    FailButLeaveObject,      // a failure, yet a referenced pointer left behind
};

class FakeFilter final : public FakeObject<IBaseFilter> {
public:
    FakeFilter(FakeRegistry& registry, std::string name, FakeKsControl* control)
        : FakeObject(registry, std::move(name), IID_IBaseFilter), control_(control) {}

    Answer controlAnswer = Answer::Honest;
    int controlQueries = 0;

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
        if (riid != IidKsControl()) return E_NOINTERFACE;
        ++controlQueries;
        switch (controlAnswer) {
            case Answer::SucceedWithoutObject:
                return S_OK;
            case Answer::FailButLeaveObject:
                if (control_ != nullptr) *object = control_->HandOut();
                return E_NOINTERFACE;
            case Answer::Honest:
                break;
        }
        if (control_ == nullptr) return E_NOINTERFACE;
        *object = control_->HandOut();
        return S_OK;
    }

private:
    FakeKsControl* control_;
};

// Notes every text the fakes hand out with CoTaskMemAlloc and every block given back
// through COM's allocator, so a test can tell whether each text was freed.
class TaskMemorySpy final : public IMallocSpy {
public:
    std::set<const void*> handedOut;
    std::set<const void*> freed;

    std::vector<const void*> NotFreed() const {
        std::vector<const void*> out;
        for (const void* p : handedOut) {
            if (freed.count(p) == 0) out.push_back(p);
        }
        return out;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = (riid == IID_IUnknown || riid == IID_IMallocSpy) ? this : nullptr;
        return *object != nullptr ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T request) override { return request; }
    void* STDMETHODCALLTYPE PostAlloc(void* actual) override { return actual; }
    void* STDMETHODCALLTYPE PreFree(void* request, WINBOOL) override {
        freed.insert(request);
        return request;
    }
    void STDMETHODCALLTYPE PostFree(WINBOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T size, void** newRequest, WINBOOL) override {
        *newRequest = request;
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* actual, WINBOOL) override { return actual; }
    void* STDMETHODCALLTYPE PreGetSize(void* request, WINBOOL) override { return request; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T actual, WINBOOL) override { return actual; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* request, WINBOOL) override { return request; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, WINBOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}
};

class FakeMoniker final : public FakeObject<IMoniker> {
public:
    FakeMoniker(FakeRegistry& registry, std::string name, TaskMemorySpy& spy)
        : FakeObject(registry, std::move(name), IID_IMoniker), spy_(spy) {}

    std::optional<std::wstring> displayName;  // nullopt: the query succeeds without a text
    HRESULT displayNameResult = S_OK;
    FakeFilter* filter = nullptr;     // what a bind yields
    HRESULT bindResult = S_OK;        // returned by the bind whatever it yields

    int displayNameQueries = 0;
    int binds = 0;
    bool argumentsAsDocumented = true;  // null bind context and left moniker, IID_IBaseFilter

    HRESULT STDMETHODCALLTYPE GetDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR* name) override {
        ++displayNameQueries;
        argumentsAsDocumented = argumentsAsDocumented && context == nullptr && left == nullptr;
        if (name == nullptr) return E_POINTER;
        *name = nullptr;
        if (FAILED(displayNameResult) || !displayName) return displayNameResult;
        const std::size_t bytes = (displayName->size() + 1) * sizeof(wchar_t);
        auto* text = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
        if (text == nullptr) return E_OUTOFMEMORY;
        std::memcpy(text, displayName->c_str(), bytes);
        spy_.handedOut.insert(text);
        *name = text;
        return displayNameResult;
    }

    HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx* context, IMoniker* left, REFIID riid,
                                           void** object) override {
        ++binds;
        argumentsAsDocumented =
            argumentsAsDocumented && context == nullptr && left == nullptr && riid == IID_IBaseFilter;
        if (object == nullptr) return E_POINTER;
        *object = (filter != nullptr && riid == IID_IBaseFilter) ? filter->HandOut() : nullptr;
        return bindResult;
    }

    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Load(IStream*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Save(IStream*, WINBOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx*, IMoniker*, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reduce(IBindCtx*, DWORD, IMoniker**, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ComposeWith(IMoniker*, WINBOOL, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Enum(WINBOOL, IEnumMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsEqual(IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Hash(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsRunning(IBindCtx*, IMoniker*, IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTimeOfLastChange(IBindCtx*, IMoniker*, FILETIME*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Inverse(IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CommonPrefixWith(IMoniker*, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RelativePathTo(IMoniker*, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG*, IMoniker**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE IsSystemMoniker(DWORD*) override { return E_NOTIMPL; }

private:
    TaskMemorySpy& spy_;
};

class FakeEnumMoniker final : public FakeObject<IEnumMoniker> {
public:
    explicit FakeEnumMoniker(FakeRegistry& registry)
        : FakeObject(registry, "moniker enumerator", IID_IEnumMoniker) {}

    std::vector<FakeMoniker*> monikers;
    Answer nextAnswer = Answer::Honest;
    int resets = 0;
    int nextsBeforeReset = 0;
    int nexts = 0;
    bool countAlwaysOne = true;

    HRESULT STDMETHODCALLTYPE Next(ULONG count, IMoniker** out, ULONG* fetched) override {
        ++nexts;
        if (resets == 0) ++nextsBeforeReset;
        countAlwaysOne = countAlwaysOne && count == 1;
        if (fetched != nullptr) *fetched = 0;
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (nextAnswer == Answer::SucceedWithoutObject) return S_OK;
        if (cursor_ >= monikers.size()) return S_FALSE;
        *out = monikers[cursor_++]->HandOut();
        if (fetched != nullptr) *fetched = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset() override {
        ++resets;
        cursor_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumMoniker**) override { return E_NOTIMPL; }

private:
    std::size_t cursor_ = 0;
};

class FakeCreateDevEnum final : public FakeObject<ICreateDevEnum> {
public:
    FakeCreateDevEnum(FakeRegistry& registry, FakeEnumMoniker& monikers)
        : FakeObject(registry, "device enumerator", IID_ICreateDevEnum), monikers_(monikers) {}

    HRESULT result = S_OK;  // S_FALSE: the category is empty, no enumerator
    Answer answer = Answer::Honest;
    std::vector<std::pair<GUID, DWORD>> requests;  // category and flags of each call

    HRESULT STDMETHODCALLTYPE CreateClassEnumerator(REFCLSID category, IEnumMoniker** out,
                                                    DWORD flags) override {
        requests.emplace_back(category, flags);
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (answer == Answer::SucceedWithoutObject) return S_OK;
        if (result == S_OK || answer == Answer::FailButLeaveObject) *out = monikers_.HandOut();
        return result;
    }

private:
    FakeEnumMoniker& monikers_;
};

}  // namespace tessmo::win32::fakes

#pragma GCC diagnostic pop
