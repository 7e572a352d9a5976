#pragma once
// Fakes and helpers for the camera channel, the framing and the sync pass: a channel
// that records what it is handed and answers from a script, a factory that can fail
// to make channels, a view that records what the sync pass does to the window, and
// a trace matcher that accepts pointer placeholders.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "common/Text.h"
#include "common/Trace.h"
#include "device/DeviceChannel.h"
#include "sync/SyncPass.h"

namespace tessmo::devicetest {

// Names each case of a parameterised test after its `name` field.
struct CaseName {
    template <class Info>
    std::string operator()(const Info& testInfo) const {
        return testInfo.param.name;
    }
};

// Prints a case by its name when a parameterised test fails. Test files bring it
// into their own namespace (`using devicetest::PrintTo;`) so lookup finds it.
template <class Case>
    requires requires(const Case& c) { std::string_view(c.name); }
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

inline std::string Hex(const std::uint8_t* data, std::size_t length) {
    std::string out;
    char byte[4];
    for (std::size_t i = 0; i < length; ++i) {
        std::snprintf(byte, sizeof byte, i != 0 ? " %02X" : "%02X", data[i]);
        out += byte;
    }
    return out;
}

inline std::string Hex(const std::vector<std::uint8_t>& bytes) { return Hex(bytes.data(), bytes.size()); }

// One call a RecordingChannel received.
struct ChannelCall {
    char kind;                        // 'S' SetProperty, 'G' GetProperty, 'P' IsPresent
    std::uint32_t id = 0;
    std::uint32_t length = 0;
    std::vector<std::uint8_t> bytes;  // SET: the block handed over
};

// Answers each call with the next scripted status (0 once the script runs out);
// a GET that succeeds fills the block with `answer`. A GET that fails scribbles
// over the block, as a careless driver might, so callers must not rely on it.
class RecordingChannel final : public DeviceChannel {
public:
    std::vector<ChannelCall> calls;
    std::deque<Status> script;
    std::uint8_t answer = 0;
    int presence = 0;

    Status SetProperty(std::uint32_t id, std::uint8_t* data, std::uint32_t length) override {
        calls.push_back({'S', id, length, std::vector<std::uint8_t>(data, data + length)});
        return Next();
    }
    Status GetProperty(std::uint32_t id, std::uint8_t* data, std::uint32_t length) override {
        calls.push_back({'G', id, length, {}});
        const Status status = Next();
        for (std::uint32_t i = 0; i < length; ++i) data[i] = status == STATUS_OK ? answer : 0xEE;
        return status;
    }
    int IsPresent() override {
        calls.push_back({'P', 0, 0, {}});
        return presence;
    }

private:
    Status Next() {
        if (script.empty()) return STATUS_OK;
        const Status status = script.front();
        script.pop_front();
        return status;
    }
};

// Hands out channels that forward to one RecordingChannel; `refuse(n)` decides
// whether the n-th request for a channel (from 0) gets null instead.
class ScriptedFactory final : public ChannelFactory {
public:
    explicit ScriptedFactory(DeviceChannel& target) : target_(target) {}
    std::function<bool(int)> refuse = [](int) { return false; };
    int made = 0;

    std::unique_ptr<DeviceChannel> CreateChannel() override {
        if (refuse(made++)) return nullptr;
        return std::make_unique<Forwarding>(target_);
    }

private:
    class Forwarding final : public DeviceChannel {
    public:
        explicit Forwarding(DeviceChannel& target) : target_(target) {}
        Status SetProperty(std::uint32_t id, std::uint8_t* data, std::uint32_t length) override {
            return target_.SetProperty(id, data, length);
        }
        Status GetProperty(std::uint32_t id, std::uint8_t* data, std::uint32_t length) override {
            return target_.GetProperty(id, data, length);
        }
        int IsPresent() override { return target_.IsPresent(); }

    private:
        DeviceChannel& target_;
    };
    DeviceChannel& target_;
};

// Records what the sync pass does to the window, one line per event:
// "suspend", "resume", "cell <row> <text>", "message <text>", "clock".
// `stamp`, when set, is appended as "@<n>" so events can be placed among requests.
class RecordingSyncView final : public SyncView {
public:
    std::vector<std::string> events;
    LocalTime now{2024, 2, 29, 14, 5, 9};
    std::function<std::size_t()> stamp;

    void SuspendListDrawing() override { Note("suspend"); }
    void ResumeListDrawing() override { Note("resume"); }
    void SetValueCell(int row, const std::u16string& text) override {
        Note("cell " + std::to_string(row) + " " + ToUtf8(text));
    }
    void ShowMessage(const std::u16string& text) override { Note("message " + ToUtf8(text)); }
    LocalTime GetLocalTime() override {
        Note("clock");
        return now;
    }

    std::vector<std::string> Messages() const {
        std::vector<std::string> out;
        for (const auto& e : events)
            if (e.rfind("message ", 0) == 0) out.push_back(e.substr(8));
        return out;
    }

private:
    void Note(std::string event) {
        if (stamp) event += "@" + std::to_string(stamp());
        events.push_back(std::move(event));
    }
};

inline bool IsPointerText(const std::string& text) {
    if (text.size() != sizeof(void*) * 2) return false;
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    return true;
}

// Compares trace lines with expected ones in which "{ptr}" stands for a non-null
// pointer and "{null}" for the null pointer, both as the trace prints them.
// Non-null pointers are appended to *pointers in order, when given.
inline ::testing::AssertionResult TraceMatches(const std::vector<std::string>& actual,
                                               const std::vector<std::string>& expected,
                                               std::vector<std::string>* pointers = nullptr) {
    const std::string null = FormatPointer(nullptr);
    auto dump = [&] {
        std::string all = "\nactual trace:\n";
        for (const auto& line : actual) all += "  |" + line + "\n";
        return all;
    };
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << actual.size() << " lines, expected " << expected.size()
                                             << dump();
    for (std::size_t i = 0; i < actual.size(); ++i) {
        const std::string& want = expected[i];
        const std::string& got = actual[i];
        bool ok = false;
        if (const auto at = want.find("{ptr}"); at != std::string::npos) {
            const std::string prefix = want.substr(0, at);
            const std::string suffix = want.substr(at + 5);
            if (got.size() >= prefix.size() + suffix.size() && got.compare(0, prefix.size(), prefix) == 0 &&
                got.compare(got.size() - suffix.size(), suffix.size(), suffix) == 0) {
                const std::string pointer =
                    got.substr(prefix.size(), got.size() - prefix.size() - suffix.size());
                ok = IsPointerText(pointer) && pointer != null;
                if (ok && pointers != nullptr) pointers->push_back(pointer);
            }
        } else if (const auto atNull = want.find("{null}"); atNull != std::string::npos) {
            ok = got == want.substr(0, atNull) + null + want.substr(atNull + 6);
        } else {
            ok = got == want;
        }
        if (!ok)
            return ::testing::AssertionFailure() << "line " << i << ": \"" << got << "\", expected \"" << want
                                                 << "\"" << dump();
    }
    return ::testing::AssertionSuccess();
}

}  // namespace tessmo::devicetest
