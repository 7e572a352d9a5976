// Nothing may grow while the tool runs for days: the dialog logic over the simulated
// camera, driven as a user and a cable would drive it, must hold the same heap after
// warm-up however many cycles follow. Two soaks, each a fixed number of cycles:
//  - pick-and-sync: the user picks another option of a row and presses Sync (10,000);
//  - unplug/plug: the camera is pulled out (Sync disabled, catalogue reloaded) and
//    plugged back in (arrival sync) (1,000).
//  - the fault sweep: pick-and-sync where request s of the pass is refused, or the
//    camera is pulled out right after it (and plugged back in), s stepping through
//    every request of a pass (1,000 each).
// Figures: heap bytes in use after warm-up, and the growth per cycle after warm-up
// (the goal is 0), from glibc's allocator statistics; for the sweep, also the cycles
// after which a camera object or COM initialisation was left behind (the goal is 0).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/ConfigToolDlg.h"
#include "catalog/MemoryProfileFiles.h"
#include "config/Catalogue.h"
#include "config/PortableProfileSource.h"
#include "device/CDeviceChannel.h"
#include "device/SimulatedCamera.h"

namespace {

using namespace tessmo;

class DiscardTrace final : public TraceSink {
public:
    void Write(std::string_view text) override { benchmark::DoNotOptimize(text.data()); }
};

// Just enough of a window: the soak looks at the heap, not at what is shown.
class QuietWindow final : public DialogWindow {
public:
    void SetIcons() override {}
    void SetTitle(const std::u16string&) override {}
    FontHandle CreateListFont(const FontRequest&) override { return nullptr; }
    FontHandle CreateCustomFont(const FontRequest&) override { return nullptr; }
    void SetButtonFont(DialogButton, FontHandle) override {}
    void SetCustomText(const std::u16string&) override {}
    void SetCustomTextFont(FontHandle) override {}
    void HideCustomText() override {}
    void ShiftButtonLeft(DialogButton, int) override {}
    void EnableSyncButton(bool) override {}
    void ShowMessage(const std::u16string&) override { ++messages; }
    LocalTime GetLocalTime() override { return {2026, 12, 6, 14, 5, 9}; }
    void RegisterDeviceInterfaceNotification(const Guid&) override {}
    [[noreturn]] void ExitProcess(int) override { std::abort(); }
    std::int64_t messages = 0;
};

// Rows with their value text, modified mark and drop-down, as the real list keeps them.
class SmallList final : public CellList {
public:
    struct Row {
        std::u16string name, value;
        bool modified = false;
        std::vector<std::u16string> options;
    };

    void SetFont(FontHandle) override {}
    std::uint32_t GetExtendedStyle() override { return 0; }
    void SetExtendedStyle(std::uint32_t) override {}
    void LockUpdate() override {}
    void UnlockUpdate() override {}
    int GetColumnCount() override { return columns_; }
    void DeleteColumn(int) override { --columns_; }
    int GetWindowWidth() override { return 400; }
    void InsertColumn(int, int, int, const std::u16string&, int) override { ++columns_; }
    int GetItemCount() override { return static_cast<int>(rows.size()); }
    void DeleteAllItems() override { rows.clear(), selected = -1; }
    void InsertItem(int row, const std::u16string& text) override {
        rows.insert(rows.begin() + row, Row{text, {}, false, {}});
    }
    void SetEnabled(int, bool) override {}
    int GetCurSel() override { return selected; }
    void SetComboBox(int row, int, bool, std::vector<std::u16string> options, int, int, bool) override {
        At(row).options = std::move(options);
    }
    std::u16string GetItemText(int row, int sub) override { return sub == 0 ? At(row).name : At(row).value; }
    void GetItemColors(int, int, ColorRef& text, ColorRef& background) override { text = background = 0; }
    int GetModified(int row, int) override { return At(row).modified ? 1 : 0; }
    void SetItemText(int row, int sub, const std::u16string& text) override {
        (sub == 0 ? At(row).name : At(row).value) = text;
    }
    void SetItemText(int row, int sub, const std::u16string& text, ColorRef, ColorRef) override {
        SetItemText(row, sub, text);
    }
    Row& At(int row) { return rows.at(static_cast<std::size_t>(row)); }

    std::vector<Row> rows;
    int selected = -1;

private:
    int columns_ = 0;
};

constexpr char kDefinitions[] =
    "[Resolution]\nMainStr=Resolution\nParaIdx=1\nSubStr0=1920x1080\nSubStr1=1280x720\nSubStr2=640x480\n"
    "[Exposure]\nMainStr=Exposure\nParaIdx=2\nSubStr0=Auto\nSubStr1=1/60\nSubStr2=1/120\n"
    "[Flicker]\nMainStr=Flicker\nParaIdx=3\nSubStr0=50 Hz\nSubStr1=60 Hz\n"
    "[Language]\nMainStr=Language\nParaIdx=4\nSubStr0=English\nSubStr1=Deutsch\nSubStr2=Francais\n";
constexpr char kSettings[] = "[Private]\nTitle=Soak\nCol_Name=Name\nCol_Value=Value\nCustom_String=Banner\n";

// Bytes handed out by malloc, from the heap and from separate mappings alike.
std::size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// The dialog, its ports and the camera, started as the program starts them.
struct Rig {
    Rig() {
        files.Put(kDefinitionFile, kDefinitions);
        files.Put(kSettingsFile, kSettings);
        dialog.OnInitDialog();
    }

    // The user selects `row` and picks its next option.
    void PickNext(int row) {
        list.selected = row;
        dialog.OnItemChangedList();
        SmallList::Row& r = list.At(row);
        if (r.options.empty()) return;
        const auto current = std::find(r.options.begin(), r.options.end(), r.value);
        const auto next =
            current == r.options.end() || current + 1 == r.options.end() ? r.options.begin() : current + 1;
        r.modified = r.modified || r.value != *next;
        r.value = *next;
        dialog.OnComboSelection(static_cast<std::uintptr_t>(row), 1);
    }

    void Plug(bool present) {
        camera.SetCameraPresent(present);
        dialog.OnDeviceChange(DeviceEvent{present ? DeviceEventKind::Arrival : DeviceEventKind::Removal,
                                          KSCATEGORY_CAPTURE_VALUE,
                                          u"\\\\?\\USB#VID_04FC&PID_6333&MI_00#7&2a1f0c3&0&0000#{65e8773d}"});
    }

    catalog::MemoryProfileFiles files;
    PortableProfileSource profile{files};
    SimulatedCamera camera;
    DiscardTrace trace;
    CaptureChannelFactory channels{camera, trace};
    QuietWindow window;
    SmallList list;
    CConfigToolDlg dialog{{window, list, profile, channels, trace}};
};

// Runs `cycle` for the benchmark's iterations and reports the heap after a warm-up of
// half of them and its growth per cycle from there to the end. The camera keeps its
// request log as the demos run it (bounded), and the warm-up is long enough to fill it.
template <typename Cycle>
void Soak(benchmark::State& state, Rig& rig, Cycle cycle) {
    const std::int64_t warmUp = state.max_iterations / 2;
    std::int64_t done = 0;
    std::size_t heapAfterWarmUp = 0;
    for (auto _ : state) {
        cycle(done);
        if (++done == warmUp) heapAfterWarmUp = HeapInUse();
    }
    const auto measured = static_cast<double>(done - warmUp);
    const double growth = static_cast<double>(HeapInUse()) - static_cast<double>(heapAfterWarmUp);
    state.counters["cycles"] = static_cast<double>(done);
    state.counters["heap_B"] = static_cast<double>(heapAfterWarmUp);
    state.counters["growth_B/cycle"] = measured > 0 ? growth / measured : 0;
    state.counters["camera_requests"] = static_cast<double>(rig.camera.PropertyRequestCount());
    if (rig.camera.Live().Total() != 0 || rig.camera.ComBalance() != 0)
        state.SkipWithError("a request kept something");
}

void BM_SoakPickAndSync(benchmark::State& state) {
    Rig rig;
    Soak(state, rig, [&](std::int64_t cycle) {
        rig.PickNext(static_cast<int>(cycle % 4));
        rig.dialog.OnSync();
    });
    state.counters["SyncOK"] = static_cast<double>(rig.window.messages);
}
BENCHMARK(BM_SoakPickAndSync)->Iterations(10'000)->Unit(benchmark::kMicrosecond);

void BM_SoakUnplugPlug(benchmark::State& state) {
    Rig rig;
    Soak(state, rig, [&](std::int64_t cycle) {
        rig.PickNext(static_cast<int>(cycle % 4));  // a choice the removal forgets
        rig.Plug(false);
        rig.Plug(true);
    });
}
BENCHMARK(BM_SoakUnplugPlug)->Iterations(1'000)->Unit(benchmark::kMicrosecond);

void BM_FaultSweep(benchmark::State& state) {
    Rig rig;
    const bool vanish = state.range(0) != 0;
    // Four parameters read (SET 26, GET 10 each), the date and the time, one write.
    constexpr std::size_t kRequestsPerPass = 4 * 2 + 2 + 1;
    std::int64_t leftBehind = 0;
    Soak(state, rig, [&](std::int64_t cycle) {
        const std::size_t request =
            rig.camera.PropertyRequestCount() + 1 + static_cast<std::size_t>(cycle) % kRequestsPerPass;
        if (vanish) {
            rig.camera.VanishAfterRequests(request);
        } else {
            rig.camera.FailPropertyRequest(request, SIM_STATUS_REQUEST_REFUSED);
        }
        rig.PickNext(static_cast<int>(cycle % 4));
        rig.dialog.OnSync();
        if (vanish) rig.Plug(false), rig.Plug(true);
        if (rig.camera.Live().Total() != 0 || rig.camera.ComBalance() != 0) ++leftBehind;
    });
    state.counters["left_behind"] = static_cast<double>(leftBehind);
}
BENCHMARK(BM_FaultSweep)->ArgName("vanish")->Arg(0)->Arg(1)->Iterations(1'000)->Unit(benchmark::kMicrosecond);

}  // namespace
