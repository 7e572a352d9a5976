// The command framing: the bytes each command puts on the wire, the trace lines,
// the statuses handed back, and what a read does to the caller's slot.
#include <gtest/gtest.h>

#include <array>

#include "device/Framing.h"
#include "support/DeviceFakes.h"

namespace tessmo {
namespace {

using devicetest::PrintTo;
using devicetest::Hex;
using devicetest::RecordingChannel;
using devicetest::ScriptedFactory;

constexpr Status kNoInterface = static_cast<Status>(0x80004002U);
constexpr Status kDeviceGone = static_cast<Status>(0x8007048FU);
constexpr Status kInvalidPointer = static_cast<Status>(0x80004003U);

std::string WriteLine(const DeviceChannel* channel, int id) {
    return "Write Device.Device:" + FormatPointer(channel) + "  " + std::to_string(id);
}
std::string ReadLine(const DeviceChannel* channel, int id) {
    return "Read Device.Device:" + FormatPointer(channel) + "  " + std::to_string(id);
}

// --- WriteCommand: bytes on the wire ------------------------------------------------

struct WriteCase {
    const char* name;
    std::uint32_t id;
    std::uint16_t word0, word1;
    std::vector<std::uint8_t> data;
    std::uint32_t sentId;
    std::string sentBytes;
};

class FramingWriteTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(FramingWriteTest, SendsWordsThenDataAsOneSet) {
    const WriteCase& c = GetParam();
    RecordingChannel channel;
    TraceCollector trace;

    const Status status = WriteCommand(trace, &channel, c.id, c.word0, c.word1,
                                       static_cast<std::uint32_t>(c.data.size()), c.data.data());

    EXPECT_EQ(status, STATUS_OK);
    ASSERT_EQ(channel.calls.size(), 1u);
    EXPECT_EQ(channel.calls[0].kind, 'S');
    EXPECT_EQ(channel.calls[0].id, c.sentId);
    EXPECT_EQ(channel.calls[0].length, c.data.size() + 4);
    EXPECT_EQ(Hex(channel.calls[0].bytes), c.sentBytes);
    EXPECT_EQ(trace.Lines(), std::vector<std::string>{WriteLine(&channel, static_cast<int>(c.sentId))});
}

INSTANTIATE_TEST_SUITE_P(
    Commands, FramingWriteTest,
    ::testing::Values(
        WriteCase{"WriteOption3OfParaIdx0102", CMD_WRITE_VALUE, 0x0102, 0, {3}, 11, "02 01 00 00 03"},
        WriteCase{"ClockTime140509", CMD_SET_CLOCK, 0, CLOCK_TIME, {14, 0, 5, 0, 9, 0}, 13,
                  "00 00 01 00 0E 00 05 00 09 00"},
        WriteCase{"ClockDate20240229", CMD_SET_CLOCK, 0, CLOCK_DATE, {0xE8, 0x07, 2, 0, 29, 0}, 13,
                  "00 00 00 00 E8 07 02 00 1D 00"},
        WriteCase{"IdReducedToLow8Bits", 0x30B, 7, 0, {1}, 11, "07 00 00 00 01"},
        WriteCase{"WordsAreLittleEndian", 26, 0xBEEF, 0xCAFE, {0x80}, 26, "EF BE FE CA 80"},
        WriteCase{"NoDataSendsTheWordsOnly", 11, 0x1234, 0x5678, {}, 11, "34 12 78 56"}),
    devicetest::CaseName());

// --- WriteCommand: statuses ---------------------------------------------------------

struct WriteStatusCase {
    const char* name;
    Status transport;
};

class FramingWriteStatusTest : public ::testing::TestWithParam<WriteStatusCase> {};

TEST_P(FramingWriteStatusTest, HandsBackTheTransportStatus) {
    RecordingChannel channel;
    channel.script = {GetParam().transport};
    TraceCollector trace;
    const std::uint8_t value = 3;
    EXPECT_EQ(WriteCommand(trace, &channel, CMD_WRITE_VALUE, 1, 0, 1, &value), GetParam().transport);
}

INSTANTIATE_TEST_SUITE_P(Statuses, FramingWriteStatusTest,
                         ::testing::Values(WriteStatusCase{"Accepted", STATUS_OK},
                                           WriteStatusCase{"CameraNotFound", STATUS_NOT_FOUND},
                                           WriteStatusCase{"NoControlInterface", kNoInterface},
                                           WriteStatusCase{"DeviceGone", kDeviceGone}),
                         devicetest::CaseName());

struct RefusedWriteCase {
    const char* name;
    bool withChannel;
    std::uint32_t length;
    bool withData;
    Status expected;
};

class FramingRefusedWriteTest : public ::testing::TestWithParam<RefusedWriteCase> {};

TEST_P(FramingRefusedWriteTest, SendsNothingAndSaysWhy) {
    const RefusedWriteCase& c = GetParam();
    RecordingChannel channel;
    TraceCollector trace;
    static const std::array<std::uint8_t, 4> data{1, 2, 3, 4};
    DeviceChannel* target = c.withChannel ? &channel : nullptr;

    EXPECT_EQ(WriteCommand(trace, target, CMD_WRITE_VALUE, 1, 0, c.length, c.withData ? data.data() : nullptr),
              c.expected);
    EXPECT_TRUE(channel.calls.empty());
    // The line is written before anything is checked, so a user's trace shows the attempt.
    EXPECT_EQ(trace.Lines(), std::vector<std::string>{WriteLine(target, CMD_WRITE_VALUE)});
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, FramingRefusedWriteTest,
    ::testing::Values(
        RefusedWriteCase{"NoChannel", false, 1, true, STATUS_NOT_FOUND},
        // The payload size travels in 16 bits: 0xFFFC + 4 would wrap to 0.
        RefusedWriteCase{"PayloadOneOver16Bits", true, 0xFFFC, true, STATUS_OUT_OF_MEMORY},
        RefusedWriteCase{"LengthThatWrapsThe32BitSum", true, 0xFFFFFFFDu, true, STATUS_OUT_OF_MEMORY},
        RefusedWriteCase{"LengthWithoutData", true, 4, false, kInvalidPointer}),
    devicetest::CaseName());

TEST(FramingWriteLimitTest, LargestPayloadThatFits16BitsIsSent) {
    RecordingChannel channel;
    TraceCollector trace;
    std::vector<std::uint8_t> data(0xFFFB, 0x5A);
    EXPECT_EQ(WriteCommand(trace, &channel, 13, 0, 0, static_cast<std::uint32_t>(data.size()), data.data()),
              STATUS_OK);
    ASSERT_EQ(channel.calls.size(), 1u);
    EXPECT_EQ(channel.calls[0].length, 0xFFFFu);
    EXPECT_EQ(channel.calls[0].bytes.back(), 0x5A);
}

// --- ReadCommand ----------------------------------------------------------------------

struct ReadCase {
    const char* name;
    std::vector<Status> transport;  // read-select, then GET
    Status expected;
    std::uint8_t slotAfter;         // slot starts at 0x21, the camera answers 0x04
};

class FramingReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(FramingReadTest, SelectsThenGetsOneByte) {
    const ReadCase& c = GetParam();
    RecordingChannel channel;
    channel.script.assign(c.transport.begin(), c.transport.end());
    channel.answer = 0x04;
    TraceCollector trace;
    std::uint8_t slot = 0x21;

    EXPECT_EQ(ReadCommand(trace, &channel, CMD_READ_VALUE, 7, 0, slot), c.expected);

    // Both requests go out whatever the first one reported.
    ASSERT_EQ(channel.calls.size(), 2u);
    EXPECT_EQ(channel.calls[0].kind, 'S');
    EXPECT_EQ(channel.calls[0].id, 26u);
    EXPECT_EQ(Hex(channel.calls[0].bytes), "07 00 00 00 21");  // the slot's byte rides along
    EXPECT_EQ(channel.calls[1].kind, 'G');
    EXPECT_EQ(channel.calls[1].id, 10u);
    EXPECT_EQ(channel.calls[1].length, 1u);
    EXPECT_EQ(slot, c.slotAfter);
    EXPECT_EQ(trace.Lines(), (std::vector<std::string>{ReadLine(&channel, 10), WriteLine(&channel, 26)}));
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, FramingReadTest,
    ::testing::Values(ReadCase{"BothAnswered", {STATUS_OK, STATUS_OK}, STATUS_OK, 0x04},
                      // The channel scribbles over the block of a failed GET; the slot must not show it.
                      ReadCase{"GetFailed", {STATUS_OK, kDeviceGone}, kDeviceGone, 0x21},
                      ReadCase{"SelectFailed", {kNoInterface, STATUS_OK}, kNoInterface, 0x04},
                      ReadCase{"BothFailedReportsTheFirst", {kNoInterface, kDeviceGone}, kNoInterface, 0x21},
                      ReadCase{"CameraLost", {STATUS_NOT_FOUND, STATUS_NOT_FOUND}, STATUS_NOT_FOUND, 0x21}),
    devicetest::CaseName());

TEST(FramingReadNoChannelTest, AnswersNotFoundAndLeavesTheSlot) {
    TraceCollector trace;
    std::uint8_t slot = 0x21;
    EXPECT_EQ(ReadCommand(trace, nullptr, CMD_READ_VALUE, 7, 0, slot), STATUS_NOT_FOUND);
    EXPECT_EQ(slot, 0x21);
    EXPECT_EQ(trace.Lines(), std::vector<std::string>{ReadLine(nullptr, 10)});
}

// --- IsDevicePresent ------------------------------------------------------------------

struct PresenceCase {
    const char* name;
    bool channelMade;
    int isPresent;
    int expected;
};

class FramingPresenceTest : public ::testing::TestWithParam<PresenceCase> {};

TEST_P(FramingPresenceTest, OneOnlyWhenTheChannelSeesTheCamera) {
    const PresenceCase& c = GetParam();
    RecordingChannel channel;
    channel.presence = c.isPresent;
    ScriptedFactory factory(channel);
    factory.refuse = [&](int) { return !c.channelMade; };
    EXPECT_EQ(IsDevicePresent(factory), c.expected);
    EXPECT_EQ(factory.made, 1);
}

INSTANTIATE_TEST_SUITE_P(Answers, FramingPresenceTest,
                         ::testing::Values(PresenceCase{"Present", true, 0, 1},
                                           PresenceCase{"Absent", true, -1, 0},
                                           PresenceCase{"NoChannel", false, 0, 0},
                                           PresenceCase{"UnexpectedAnswer", true, 1, 0}),
                         devicetest::CaseName());

}  // namespace
}  // namespace tessmo
