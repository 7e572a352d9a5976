// The command framing: the bytes each command puts on the wire, the statuses handed
// back, the trace line, and what a read does to the caller's slot.
#include <gtest/gtest.h>

#include <algorithm>
#include <new>

#include "device/Framing.h"
#include "support/DeviceFakes.h"

// The nothrow array new is replaced for this whole test program so a case can make
// the payload buffer unobtainable; otherwise it allocates as the library would.
namespace {
bool g_failNothrowArrayNew = false;
}  // namespace

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (g_failNothrowArrayNew) return nullptr;
    try {
        return ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
}

namespace tessmo {
namespace {

using devicetest::Lines;

// Logs each call and answers from a script (then 0). A GET that succeeds answers 0x04;
// one that fails scribbles over the block, as a careless driver might.
struct RecordingChannel final : DeviceChannel {
    Lines calls;
    std::vector<Status> script;

    Status SetProperty(std::uint32_t id, std::uint8_t* data, std::uint32_t length) override {
        calls.push_back("SET " + std::to_string(id) +
                        (length > 16 ? " (" + std::to_string(length) + " bytes)"
                                     : devicetest::Hex({data, data + length})));
        return Next();
    }
    Status GetProperty(std::uint32_t id, std::uint8_t* data, std::uint32_t length) override {
        calls.push_back("GET " + std::to_string(id) + " of " + std::to_string(length));
        const Status status = Next();
        std::fill(data, data + length, status == STATUS_OK ? 0x04 : 0xEE);
        return status;
    }
    int IsPresent() override { return 0; }
    Status Next() { return next < script.size() ? script[next++] : STATUS_OK; }
    std::size_t next = 0;
};

std::string TraceLine(const char* what, const DeviceChannel* channel, std::uint32_t id) {
    return std::string(what) + " Device.Device:" + FormatPointer(channel) + "  " + std::to_string(id);
}

TEST(FramingTest, WriteSendsWordsThenDataAsOneSet) {
    static const std::vector<std::uint8_t> large(0x10000, 0x5A);
    static const std::uint8_t option3[] = {3};
    struct Case {
        const char* name;
        std::uint32_t id;
        std::uint16_t word0 = 0, word1 = 0;
        const std::uint8_t* data;
        std::uint32_t length;
        Status expected;
        Lines sent = {};
        bool noBuffer = false;
    };
    // clang-format off
    const Case cases[] = {
        {.name = "Option3OfParaIdx0102", .id = 11, .word0 = 0x0102, .data = option3, .length = 1,
         .expected = STATUS_OK, .sent = {"SET 11 02 01 00 00 03"}},
        // The id goes out reduced to its low 8 bits.
        {.name = "LargestPayloadIn16Bits", .id = 0x30B, .word0 = 1, .data = large.data(), .length = 0xFFFB,
         .expected = STATUS_OK, .sent = {"SET 11 (65535 bytes)"}},
        // 0xFFFC + 4 would wrap the camera's 16-bit size to 0.
        {.name = "PayloadOneOver16Bits", .id = 0x30B, .data = large.data(), .length = 0xFFFC,
         .expected = STATUS_PAYLOAD_TOO_LONG},
        {.name = "LengthWrapsThe32BitSum", .id = 0x30B, .data = large.data(), .length = 0xFFFFFFFD,
         .expected = STATUS_PAYLOAD_TOO_LONG},
        {.name = "LengthWithoutData", .id = 0x30B, .data = nullptr, .length = 4, .expected = HR_E_POINTER},
        {.name = "PayloadBufferUnobtainable", .id = 0x30B, .data = option3, .length = 1,
         .expected = STATUS_OUT_OF_MEMORY, .noBuffer = true},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingChannel channel;
        TraceCollector trace;
        g_failNothrowArrayNew = c.noBuffer;
        const Status status = WriteCommand(trace, &channel, c.id, c.word0, c.word1, c.length, c.data);
        g_failNothrowArrayNew = false;

        EXPECT_EQ(status, c.expected);
        EXPECT_EQ(channel.calls, c.sent);
        // Written before anything is checked, so a user's trace shows every attempt.
        EXPECT_EQ(trace.Lines(), Lines{TraceLine("Write", &channel, c.id & 0xFF)});
    }
}

TEST(FramingTest, ReadSelectsThenGetsOneByte) {
    const Lines selectThenGet{"SET 26 07 00 00 00 21", "GET 10 of 1"};  // the slot's byte rides along
    struct Case {
        const char* name;
        std::vector<Status> answers;  // read-select, then GET
        bool noBuffer = false;
        Status expected;
        std::uint8_t slotAfter;  // starts as 0x21; the camera answers 0x04
    };
    // clang-format off
    const Case cases[] = {
        {.name = "BothAnswered", .answers = {STATUS_OK, STATUS_OK}, .expected = STATUS_OK, .slotAfter = 0x04},
        // The channel scribbles over the block of a failed GET; the slot must not show it.
        {.name = "GetFailed", .answers = {STATUS_OK, HR_DEVICE_NOT_CONNECTED}, .expected = HR_DEVICE_NOT_CONNECTED,
         .slotAfter = 0x21},
        {.name = "SelectFailedStillAsks", .answers = {HR_E_NOINTERFACE, STATUS_OK}, .expected = HR_E_NOINTERFACE,
         .slotAfter = 0x04},
        {.name = "BothFailedReportsTheFirst", .answers = {HR_E_NOINTERFACE, HR_DEVICE_NOT_CONNECTED},
         .expected = HR_E_NOINTERFACE,
         .slotAfter = 0x21},
        // The select never left, so the GET's answer is not this parameter's value.
        {.name = "SelectBufferUnobtainable", .answers = {STATUS_OK}, .noBuffer = true,
         .expected = STATUS_OUT_OF_MEMORY, .slotAfter = 0x04},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingChannel channel;
        channel.script = c.answers;
        TraceCollector trace;
        std::uint8_t slot = 0x21;
        g_failNothrowArrayNew = c.noBuffer;
        const Status status = ReadCommand(trace, &channel, CMD_READ_VALUE, 7, 0, slot);
        g_failNothrowArrayNew = false;

        EXPECT_EQ(status, c.expected);
        EXPECT_EQ(slot, c.slotAfter);
        EXPECT_EQ(channel.calls, c.noBuffer ? Lines{selectThenGet[1]} : selectThenGet);
        EXPECT_EQ(trace.Lines(), (Lines{TraceLine("Read", &channel, 10), TraceLine("Write", &channel, 26)}));
    }
}

}  // namespace
}  // namespace tessmo
