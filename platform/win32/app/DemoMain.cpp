// TessmoDemo.exe: the program over the simulated camera, for trying the dialog without
// the hardware. It reads the INI files of its working folder like Tessmo.exe, writes the
// same trace, and marks its title; the system menu plugs the camera in and pulls it out.
#include <windows.h>

#include <commctrl.h>

#include "app/DemoCamera.h"
#include "common/Trace.h"
#include "device/CDeviceChannel.h"
#include "profile/Win32ProfileSource.h"
#include "ui/ConfigToolApp.h"
#include "ui/StdoutSetup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    tessmo::win32::EnsureStdoutUsable();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    tessmo::TraceSink& trace = tessmo::StdoutTrace();
    tessmo::win32::CDemoCamera demo;
    tessmo::CaptureChannelFactory channels(demo.Camera(), trace);
    tessmo::win32::Win32ProfileSource profile;
    tessmo::win32::CConfigToolApp app(instance, {profile, channels, trace, &demo});
    app.InitInstance();
    return 0;
}
