// tessmo: the camera set-up window on Linux, over the uvcvideo capture stack, following
// the camera through udev. The command line is ignored (Qt's own options aside).
#include <QApplication>
#include <QPointer>
#include <string>

#include "LinuxCaptureStack.h"
#include "app/HotplugEvents.h"
#include "app/ProgramSetup.h"
#include "common/Trace.h"
#include "device/CDeviceChannel.h"
#include "ui/MainDialog.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tessmo"));
    QApplication::setDesktopFileName(QStringLiteral("tessmo"));
    tessmo::linuxapp::ProgramProfile profile("tessmo");

    // A node the user may not open is said on stderr with its fix, and shown on the
    // Sync button's tooltip where a user of the window finds it.
    QPointer<tessmo::qt::CMainDialog> window;
    tessmo::LinuxCaptureOptions options;
    options.diagnostics = [&window](std::string_view line) {
        tessmo::WriteDiagnosticToStderr(line);
        if (tessmo::qt::CMainDialog* shown = window.data()) {
            shown->SyncButton().setToolTip(
                QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
        }
    };
    auto stack = tessmo::MakeLinuxCaptureStack(options);
    tessmo::TraceSink& trace = tessmo::StdoutTrace();
    tessmo::CaptureChannelFactory channels(*stack, trace);
    tessmo::linuxapp::HotplugEventSource events;

    trace.Write("Init Instance\n");
    tessmo::qt::CMainDialog dialog({profile.Source(), channels, trace, &events});
    window = &dialog;
    dialog.DoModal();
    return 0;
}
