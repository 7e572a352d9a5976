#pragma once
// The demo's camera: the simulated camera holding a few options, which the user plugs in
// and pulls out from the window's system menu. The dialog hears of it exactly as of the
// real camera: through a device broadcast sent to its window.
#include <windows.h>

#include <string>
#include <vector>

#include "device/SimulatedCamera.h"
#include "ui/DialogExtension.h"

namespace tessmo::win32 {

// The system-menu command; the system keeps the low four bits of every command for itself.
inline constexpr UINT kDemoPlugCommand = 0x0110;
// Appended to the title so that nobody mistakes the demo for the real thing.
inline constexpr wchar_t kDemoTitleMark[] = L" - simulated camera";
// The camera's capture interface as the system names it in a broadcast.
inline constexpr char16_t kDemoInterfaceName[] =
    u"\\\\?\\USB#VID_04FC&PID_6333&MI_00#7&2a1f0c3&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";

// A DEV_BROADCAST_DEVICEINTERFACE_W for `name`, dbcc_size counting the name and its NUL.
std::vector<unsigned char> DeviceInterfaceBroadcast(const GUID& interfaceClass, const std::u16string& name);

class CDemoCamera final : public DialogExtension {
public:
    CDemoCamera();
    SimulatedCamera& Camera() { return m_Camera; }

    void OnInitDialog(HWND dialog) override;
    bool OnSysCommand(HWND dialog, WPARAM command) override;
    // Plugs the camera in or pulls it out and tells the dialog, as the system would.
    void SetPlugged(HWND dialog, bool plugged);

private:
    SimulatedCamera m_Camera;
};

}  // namespace tessmo::win32
