#include "app/DemoCamera.h"

#include <dbt.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <utility>

namespace tessmo::win32 {
namespace {

const GUID kCaptureClass = {0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
constexpr wchar_t kUnplugText[] = L"&Unplug the simulated camera";
constexpr wchar_t kPlugText[] = L"&Plug in the simulated camera";

}  // namespace

std::vector<unsigned char> DeviceInterfaceBroadcast(const GUID& interfaceClass, const std::u16string& name) {
    const std::size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    const std::size_t nameBytes = (name.size() + 1) * sizeof(char16_t);
    DEV_BROADCAST_DEVICEINTERFACE_W header{};
    header.dbcc_size = static_cast<DWORD>(nameOffset + nameBytes);
    header.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    header.dbcc_classguid = interfaceClass;
    std::vector<unsigned char> bytes(header.dbcc_size);
    std::memcpy(bytes.data(), &header, nameOffset);
    std::memcpy(bytes.data() + nameOffset, name.c_str(), nameBytes);
    return bytes;
}

CDemoCamera::CDemoCamera() {
    // ParaIdx -> option: 1280x720 60fps, 3 Minutes, 0.0 EV, Daylight, G-Sensor Medium, 60Hz;
    // a first sync then has something to show.
    const std::pair<std::uint16_t, std::uint8_t> stored[] = {{1, 1}, {2, 2}, {3, 2}, {4, 1},
                                                             {6, 1}, {8, 2}, {10, 1}};
    for (const auto& [paraIdx, option] : stored) m_Camera.SetOption(paraIdx, option);
    // The demo may run for days: no request history.
    m_Camera.SetRequestLogging(false);
}

void CDemoCamera::OnInitDialog(HWND dialog) {
    const int length = GetWindowTextLengthW(dialog);
    std::wstring title(static_cast<std::size_t>(length) + 1, L'\0');
    title.resize(static_cast<std::size_t>(GetWindowTextW(dialog, title.data(), length + 1)));
    SetWindowTextW(dialog, (title + kDemoTitleMark).c_str());
    HMENU menu = GetSystemMenu(dialog, FALSE);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kDemoPlugCommand, m_Camera.CameraPresent() ? kUnplugText : kPlugText);
}

bool CDemoCamera::OnSysCommand(HWND dialog, WPARAM command) {
    if ((command & 0xFFF0) != kDemoPlugCommand) return false;
    SetPlugged(dialog, !m_Camera.CameraPresent());
    return true;
}

void CDemoCamera::SetPlugged(HWND dialog, bool plugged) {
    m_Camera.SetCameraPresent(plugged);
    ModifyMenuW(GetSystemMenu(dialog, FALSE), kDemoPlugCommand, MF_BYCOMMAND | MF_STRING, kDemoPlugCommand,
                plugged ? kUnplugText : kPlugText);
    const auto broadcast = DeviceInterfaceBroadcast(kCaptureClass, kDemoInterfaceName);
    SendMessageW(dialog, WM_DEVICECHANGE, plugged ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
                 reinterpret_cast<LPARAM>(broadcast.data()));
}

}  // namespace tessmo::win32
