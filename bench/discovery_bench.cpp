// The Linux capture stack looks the camera up in sysfs before every request (2n + 3 + k
// lookups per sync pass), so one lookup must stay far below the ~1 ms of the USB control
// transfer that follows it. Measured on fake sysfs trees of 1, 8 and 32 video nodes
// (webcams with a capture and a metadata node each, the camera's pair last), through the
// channel's presence check: one full FindCaptureFilter. A second figure adds what one
// GET costs on top of the lookup (opening the node, reading the descriptors, the unit
// walk), with the driver answering at once.
// Built where the Linux capture stack is.
#if __has_include("LinuxCaptureStack.h")
#include <benchmark/benchmark.h>

#include "FakeSysfs.h"
#include "LinuxCaptureStack.h"
#include "device/CDeviceChannel.h"

namespace {

using namespace tessmo;
using namespace tessmo::linuxcapturetest;

class DiscardTrace final : public TraceSink {
public:
    void Write(std::string_view text) override { benchmark::DoNotOptimize(text.data()); }
};

std::vector<FakeDevice> Tree(unsigned nodes) {
    if (nodes < 2) return {Camera({0})};
    std::vector<FakeDevice> devices;
    for (unsigned n = 0; n + 2 < nodes; n += 2) {
        FakeDevice webcam = Camera({n, n + 1}, "1-" + std::to_string(n / 2 + 2));
        webcam.vendor = 0x046d;
        devices.push_back(webcam);
    }
    devices.push_back(Camera({nodes - 2, nodes - 1}, "1-1"));
    return devices;
}

LinuxSystemCalls InstantDriver() {
    LinuxSystemCalls calls;
    calls.open = [](const char*, int) { return 3; };
    calls.ioctl = [](int, unsigned long, void*) { return 0; };
    calls.close = [](int) {};
    return calls;
}

void BM_Discovery(benchmark::State& state) {
    const FakeSysfs tree(Tree(static_cast<unsigned>(state.range(0))));
    const auto stack = MakeLinuxCaptureStack({tree.Sys(), tree.Dev(), InstantDriver(), {}});
    DiscardTrace trace;
    CDeviceChannel channel(*stack, trace);
    if (channel.IsPresent() != 0) state.SkipWithError("camera not found in the fake tree");
    for (auto _ : state) benchmark::DoNotOptimize(channel.IsPresent());
    state.counters["nodes"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_Discovery)->Arg(1)->Arg(8)->Arg(32)->Unit(benchmark::kMicrosecond);

void BM_GetRequest(benchmark::State& state) {
    const FakeSysfs tree(Tree(static_cast<unsigned>(state.range(0))));
    const auto stack = MakeLinuxCaptureStack({tree.Sys(), tree.Dev(), InstantDriver(), {}});
    DiscardTrace trace;
    CDeviceChannel channel(*stack, trace);
    std::uint8_t value = 0;
    if (channel.GetProperty(10, &value, 1) != STATUS_OK) state.SkipWithError("request failed");
    for (auto _ : state) benchmark::DoNotOptimize(channel.GetProperty(10, &value, 1));
}
BENCHMARK(BM_GetRequest)->Arg(8)->Unit(benchmark::kMicrosecond);

}  // namespace
#endif
