// A sync pass finds the camera afresh for every request, so its cost grows with the
// number of parameters n times the cost of one lookup. This measures the core's own
// share of that (the simulated camera answers at once) over 10, 100 and 1,000
// parameters, a tenth of them changed by the user before each pass.
//
// Figures: requests/s (property requests reaching the camera), passes/s, and per pass
// the discovery runs, which must equal 2n + 3 + k (presence check, two per read, two
// for the clock, one per write).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "common/Trace.h"
#include "device/CDeviceChannel.h"
#include "device/SimulatedCamera.h"
#include "sync/SyncPass.h"

namespace {

using namespace tessmo;

// The trace is built in full and then dropped, as when stdout goes nowhere.
class DiscardTrace final : public TraceSink {
public:
    void Write(std::string_view text) override { benchmark::DoNotOptimize(text.data()); }
};

class QuietView final : public SyncView {
public:
    void SuspendListDrawing() override {}
    void ResumeListDrawing() override {}
    void SetValueCell(int, const std::u16string&) override {}
    void ShowMessage(const std::u16string& text) override { messages += text.empty() ? 0 : 1; }
    LocalTime GetLocalTime() override { return {2024, 2, 29, 14, 5, 9}; }
    std::int64_t messages = 0;
};

void BM_SyncPass(benchmark::State& state) {
    const auto n = static_cast<std::uint16_t>(state.range(0));
    const std::uint16_t k = static_cast<std::uint16_t>(n / 10);

    SimulatedCamera camera;
    camera.SetRequestLogging(false);
    DiscardTrace trace;
    CaptureChannelFactory factory(camera, trace);
    QuietView view;

    ParamList list(n);
    for (std::uint16_t i = 0; i < n; ++i) {
        list[i].MainStr = u"Parameter";
        list[i].SubStrs = {u"Off", u"Low", u"Medium", u"High"};
        list[i].ParaIdx = i;
        list[i].CurIdx = static_cast<std::uint16_t>(i % 4);
        camera.SetOption(i, static_cast<std::uint8_t>(i % 4));
    }
    // The user's choices: every tenth item wants option 3 while the camera holds another.
    for (std::uint16_t i = 0; i < n; i = static_cast<std::uint16_t>(i + 10)) list[i].CurIdx = 3;

    camera.ResetCounters();
    for (auto _ : state) {
        // Put the camera back to the old values so every pass has the same k writes.
        for (std::uint16_t i = 0; i < n; i = static_cast<std::uint16_t>(i + 10))
            camera.SetOption(i, static_cast<std::uint8_t>((i % 4 == 3) ? 0 : i % 4));
        SyncWithCamera(list, factory, view, trace);
    }

    const auto passes = static_cast<double>(state.iterations());
    state.counters["n"] = n;
    state.counters["k"] = k;
    state.counters["requests/s"] =
        benchmark::Counter(static_cast<double>(camera.PropertyRequestCount()), benchmark::Counter::kIsRate);
    state.counters["passes/s"] = benchmark::Counter(passes, benchmark::Counter::kIsRate);
    state.counters["discovery/pass"] = static_cast<double>(camera.DiscoveryRuns()) / passes;
    state.counters["2n+3+k"] = 2.0 * n + 3 + k;
    state.counters["SyncOK/pass"] = static_cast<double>(view.messages) / passes;
    if (camera.Live().Total() != 0 || camera.ComBalance() != 0)
        state.SkipWithError("a request kept something");
}
BENCHMARK(BM_SyncPass)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace
