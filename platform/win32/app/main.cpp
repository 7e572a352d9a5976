// The Windows program: the real ports (profile functions, DirectShow) under the
// application object. The command line is ignored.
#include <windows.h>

#include <commctrl.h>

#include "capture/DirectShowCaptureStack.h"
#include "common/Trace.h"
#include "device/CDeviceChannel.h"
#include "profile/Win32ProfileSource.h"
#include "ui/ConfigToolApp.h"
#include "ui/StdoutSetup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    tessmo::win32::EnsureStdoutUsable();

    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);

    tessmo::TraceSink& trace = tessmo::StdoutTrace();
    tessmo::win32::Win32ProfileSource profile;
    tessmo::win32::DirectShowCaptureStack stack;
    tessmo::CaptureChannelFactory channels(stack, trace);

    tessmo::win32::CConfigToolApp app(instance, {profile, channels, trace});
    app.InitInstance();
    return 0;
}
