#pragma once
// `tessmo-demo --script`: one pick and one sync as a user would make them, for machines
// without a display (it runs under a virtual X server) and for the screenshot in docs/.
// It picks the next option of a parameter, presses Sync, saves a picture of the windows
// with the "Sync OK!" box, closes the box and presses Exit. The program's exit status
// says whether the camera then holds the picked option.
#include <QString>

#include "app/DemoCamera.h"
#include "ui/MainDialog.h"

namespace tessmo::linuxapp {

struct DemoScriptParts {
    qt::CMainDialog& dialog;
    DemoCameraWindow& cameraWindow;
    SimulatedCamera& camera;
    QString screenshotPath;  // empty: no picture
};

// Schedules the steps on the event loop; the last one ends the process.
void StartDemoScript(const DemoScriptParts& parts);

}  // namespace tessmo::linuxapp
