// Start-up of the Linux window to a shown window with 200 parameters, offscreen: the
// INI files read and parsed, the list built, the start-up sync over the simulated
// camera (two requests per parameter plus the clock), the window shown and painted.
// Without the Qt window (no Qt 6 at configure time) this file adds nothing.
#if defined(TESSMO_HAVE_QT_WINDOW)
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <unistd.h>
#include <QApplication>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/DemoCamera.h"
#include "app/IniLocation.h"
#include "common/Trace.h"
#include "config/Catalogue.h"
#include "config/PortableProfileSource.h"
#include "config/Settings.h"
#include "device/CDeviceChannel.h"
#include "device/SimulatedCamera.h"
#include "ui/MainDialog.h"

namespace {

class DiscardTrace final : public tessmo::TraceSink {
public:
    void Write(std::string_view) override {}
};

QApplication& Application() {
    static int argc = 1;
    static char name[] = "tessmo_bench";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication application(argc, argv);
    return application;
}

// A folder with the example settings and a definition file of `count` parameters.
std::filesystem::path WriteIniFiles(int count) {
    std::string folder = (std::filesystem::temp_directory_path() / "tessmo_startup_XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) return {};
    std::ofstream(std::filesystem::path(folder) / "Tessmo.ini")
        << "[Private]\nTitle=Tessmo\nApp_Font_Size=16\nCustom_String=Vorlund DC-4\nCustom_Font_Size=16\n";
    std::ofstream definitions(std::filesystem::path(folder) / "Vorlund.ini");
    for (int i = 1; i <= count; ++i) {
        definitions << "[P" << i << "]\nMainStr=Parameter " << i << "\nParaIdx=" << i
                    << "\nSubStr0=Off\nSubStr1=Low\nSubStr2=Medium\nSubStr3=High\n";
    }
    return folder;
}

void BM_WindowShownWith200Parameters(benchmark::State& state) {
    Application();
    const std::filesystem::path folder = WriteIniFiles(200);
    for (auto _ : state) {
        tessmo::SimulatedCamera camera;
        camera.SetRequestLogging(false);
        DiscardTrace trace;
        tessmo::CaptureChannelFactory channels(camera, trace);
        tessmo::linuxapp::LocatedProfileFiles files(tessmo::HostProfileFiles(),
                                                    {{tessmo::kSettingsFile, folder / "Tessmo.ini"},
                                                     {tessmo::kDefinitionFile, folder / "Vorlund.ini"}});
        tessmo::PortableProfileSource profile(files);
        tessmo::qt::CMainDialog dialog({profile, channels, trace, nullptr});
        dialog.Create();
        QCoreApplication::processEvents();  // the window is exposed and painted
        benchmark::DoNotOptimize(dialog.List().rowCount());
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}
BENCHMARK(BM_WindowShownWith200Parameters)->Unit(benchmark::kMillisecond);

// Resident memory in kilobytes, from /proc/self/statm.
long ResidentKilobytes() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// The demo left running: sync passes over the demo camera with its camera window
// refreshed after each; the resident memory must not grow with the number of passes.
void BM_DemoSyncPassesMemory(benchmark::State& state) {
    Application();
    const std::filesystem::path folder = WriteIniFiles(13);
    tessmo::SimulatedCamera camera;
    tessmo::linuxapp::PrepareDemoCamera(camera);
    DiscardTrace trace;
    tessmo::CaptureChannelFactory channels(camera, trace);
    tessmo::linuxapp::LocatedProfileFiles files(
        tessmo::HostProfileFiles(),
        {{tessmo::kSettingsFile, folder / "Tessmo.ini"}, {tessmo::kDefinitionFile, folder / "Vorlund.ini"}});
    tessmo::PortableProfileSource profile(files);
    tessmo::linuxapp::DemoEventSource events(camera);
    tessmo::qt::CMainDialog dialog({profile, channels, trace, &events});
    dialog.Create();
    tessmo::linuxapp::DemoCameraWindow window(camera, events, dialog.Logic().Params());
    for (int warmUp = 0; warmUp < 200; ++warmUp) dialog.Logic().OnSync();
    const long before = ResidentKilobytes();
    for (auto _ : state) {
        dialog.Logic().OnSync();
        window.Refresh();
    }
    state.counters["rss_growth_kB"] = static_cast<double>(ResidentKilobytes() - before);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}
BENCHMARK(BM_DemoSyncPassesMemory)->Unit(benchmark::kMillisecond)->Iterations(20000);

}  // namespace
#endif
