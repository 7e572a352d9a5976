// A payload buffer that cannot be had must not pass for a sent command.
//
// The nothrow array new is replaced for this whole test program so one test can
// make it fail; while the switch is off it allocates exactly as the library does.
// Any other test file that wants the same must share this one definition.
#include <gtest/gtest.h>

#include <new>

#include "device/Framing.h"
#include "support/DeviceFakes.h"

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

class NothrowArrayNewFails {
public:
    NothrowArrayNewFails() { g_failNothrowArrayNew = true; }
    ~NothrowArrayNewFails() { g_failNothrowArrayNew = false; }
    NothrowArrayNewFails(const NothrowArrayNewFails&) = delete;
    NothrowArrayNewFails& operator=(const NothrowArrayNewFails&) = delete;
};

TEST(FramingAllocationTest, WriteWithoutPayloadBufferSendsNothingAndFails) {
    devicetest::RecordingChannel channel;
    TraceCollector trace;
    const std::uint8_t value = 3;
    Status status;
    {
        const NothrowArrayNewFails failing;
        status = WriteCommand(trace, &channel, CMD_WRITE_VALUE, 0x0102, 0, 1, &value);
    }
    EXPECT_EQ(status, STATUS_OUT_OF_MEMORY);
    EXPECT_TRUE(channel.calls.empty());
}

TEST(FramingAllocationTest, ReadWithoutPayloadBufferStillAsksAndReportsTheFailure) {
    devicetest::RecordingChannel channel;
    channel.answer = 9;
    TraceCollector trace;
    std::uint8_t slot = 0x21;
    Status status;
    {
        const NothrowArrayNewFails failing;
        status = ReadCommand(trace, &channel, CMD_READ_VALUE, 7, 0, slot);
    }
    // The select never left, so whatever the GET answers cannot be trusted as this
    // parameter's value; the caller learns it from the status.
    EXPECT_EQ(status, STATUS_OUT_OF_MEMORY);
    ASSERT_EQ(channel.calls.size(), 1u);
    EXPECT_EQ(channel.calls[0].kind, 'G');
}

}  // namespace
}  // namespace tessmo
