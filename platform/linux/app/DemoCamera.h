#pragma once
// The demo's camera: the simulated camera behind the real window, and a small second
// window to plug it in and out and to see what it holds (every parameter's stored
// option and the clock it was last given), so every feature can be tried without it.
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QWidget>

#include "config/ParamItem.h"
#include "device/SimulatedCamera.h"
#include "ui/MainDialog.h"

namespace tessmo::linuxapp {

// The simulated camera's capture interface as the system names it in its events.
inline constexpr char16_t kDemoInterfaceName[] =
    u"\\\\?\\USB#VID_04FC&PID_6333&MI_00#7&2a1f0c3&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";

// Plugging and unplugging reach the window as the system's events would.
class DemoEventSource final : public qt::DeviceEventSource {
public:
    explicit DemoEventSource(SimulatedCamera& camera) : camera_(camera) {}
    bool Start(const Guid& interfaceClass, Sink sink) override;
    void SetPlugged(bool plugged);

private:
    SimulatedCamera& camera_;
    Sink sink_;
    Guid interfaceClass_{};
};

class DemoCameraWindow final : public QWidget {
public:
    // `params`: the dialog's catalogue, for the names and option texts of what the camera holds.
    DemoCameraWindow(SimulatedCamera& camera, DemoEventSource& events, const ParamList& params);
    // Reads the camera again (also done twice a second while shown).
    void Refresh();
    QPushButton& PlugButton() { return *plug_; }

private:
    void ShowPlugState();

    SimulatedCamera& camera_;
    DemoEventSource& events_;
    const ParamList& params_;
    QPushButton* plug_;
    QLabel* clock_;
    QTableWidget* table_;
    QTimer refresh_;
};

// The camera as the demo starts it: plugged in, with a few options stored so that the
// first sync has something to show, and its request log off so long runs stay small.
void PrepareDemoCamera(SimulatedCamera& camera);

}  // namespace tessmo::linuxapp
