// tessmo-demo: the same window over the simulated camera, with a second window to plug
// the camera in and out and to see what it holds.
//   tessmo-demo [--script] [--screenshot FILE]
#include <QApplication>
#include <QCommandLineParser>

#include "app/DemoCamera.h"
#include "app/DemoScript.h"
#include "app/ProgramSetup.h"
#include "common/Trace.h"
#include "device/CDeviceChannel.h"
#include "ui/MainDialog.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tessmo-demo"));
    QApplication::setDesktopFileName(QStringLiteral("tessmo"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tessmo over a simulated camera"));
    parser.addHelpOption();
    const QCommandLineOption script(
        QStringLiteral("script"),
        QStringLiteral("Pick an option, sync, check the camera holds it, and exit."));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("With --script: save a picture of the windows."),
                                        QStringLiteral("file"));
    parser.addOptions({script, screenshot});
    parser.process(application);

    tessmo::linuxapp::ProgramProfile profile("tessmo-demo");
    tessmo::SimulatedCamera camera;
    tessmo::linuxapp::PrepareDemoCamera(camera);
    tessmo::TraceSink& trace = tessmo::StdoutTrace();
    tessmo::CaptureChannelFactory channels(camera, trace);
    tessmo::linuxapp::DemoEventSource events(camera);

    trace.Write("Init Instance\n");
    tessmo::qt::CMainDialog dialog({profile.Source(), channels, trace, &events});
    dialog.SetTitleSuffix(QStringLiteral(" (simulated camera)"));
    dialog.move(16, 16);
    tessmo::linuxapp::DemoCameraWindow cameraWindow(camera, events, dialog.Logic().Params());
    // Beside the main window, and shown before it so the main window has the focus.
    cameraWindow.move(dialog.frameGeometry().right() + 24, 16);
    cameraWindow.show();
    if (parser.isSet(script)) {
        tessmo::linuxapp::StartDemoScript({dialog, cameraWindow, camera, parser.value(screenshot)});
    }
    dialog.DoModal();
    return 0;
}
