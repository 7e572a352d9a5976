// Tessmo over the simulated camera: the program as it looks with the camera plugged
// in, for screenshots and for trying the dialog without the hardware. It reads the
// INI files of its working folder like the real program; the camera holds a few
// non-zero options so the first sync has something to show.
#include <windows.h>

#include <commctrl.h>

#include "common/Trace.h"
#include "device/CDeviceChannel.h"
#include "device/SimulatedCamera.h"
#include "profile/Win32ProfileSource.h"
#include "ui/ConfigToolApp.h"
#include "ui/StdoutSetup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    tessmo::win32::EnsureStdoutUsable();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    tessmo::SimulatedCamera camera;
    // ParaIdx -> option: 1280x720 60fps, 3 Minutes, 0.0 EV, Daylight, G-Sensor Medium, 60Hz.
    const std::pair<std::uint16_t, std::uint8_t> stored[] = {{1, 1}, {2, 2}, {3, 2}, {4, 1},
                                                             {6, 1}, {8, 2}, {10, 1}};
    for (const auto& [paraIdx, option] : stored) camera.SetOption(paraIdx, option);
    tessmo::CaptureChannelFactory channels(camera, tessmo::StdoutTrace());
    tessmo::win32::Win32ProfileSource profile;
    tessmo::win32::CConfigToolApp(instance, {profile, channels, tessmo::StdoutTrace()}).InitInstance();
    return 0;
}
