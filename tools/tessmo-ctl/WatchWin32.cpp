// watch on Windows: a message-only window registered for the capture interface class
// receives the device broadcasts, parsed as the dialog parses them. Ctrl+C, Ctrl+Break
// and the console closing end the message loop, so the program ends between two passes.
#include <windows.h>

#include <dbt.h>

#include <utility>
#include <vector>

#include "Ctl.h"
#include "hotplug/BroadcastParser.h"
#include "ui/Handles.h"

namespace tessmo::ctl {
namespace {

constexpr wchar_t kWindowClass[] = L"TessmoCtlWatch";

DWORD g_loopThread = 0;

BOOL WINAPI OnConsoleEvent(DWORD) {
    ::PostThreadMessageW(g_loopThread, WM_QUIT, 0, 0);
    return TRUE;
}

// Broadcasts are queued here and handled by the loop, outside the window procedure.
LRESULT CALLBACK WatchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_DEVICECHANGE || lParam == 0) return ::DefWindowProcW(window, message, wParam, lParam);
    auto* queue = reinterpret_cast<std::vector<DeviceEvent>*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    const auto event = win32::ParseDeviceBroadcast(wParam, reinterpret_cast<const void*>(lParam));
    if (queue != nullptr && event) queue->push_back(*event);
    return TRUE;
}

struct ClassDeleter {
    void operator()(const wchar_t* name) const { ::UnregisterClassW(name, ::GetModuleHandleW(nullptr)); }
};

GUID ToGuid(const Guid& guid) {
    GUID result{};
    result.Data1 = guid.Data1;
    result.Data2 = guid.Data2;
    result.Data3 = guid.Data3;
    for (std::size_t i = 0; i < guid.Data4.size(); ++i) result.Data4[i] = guid.Data4[i];
    return result;
}

}  // namespace

int RunWatch(Session& session) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WatchWindowProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    if (::RegisterClassW(&windowClass) == 0) {
        Complain("cannot listen to device broadcasts (no window class)");
        return kExitUsage;
    }
    const std::unique_ptr<const wchar_t, ClassDeleter> registered(kWindowClass);
    const win32::UniqueWindow window(::CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                                       nullptr, windowClass.hInstance, nullptr));
    std::vector<DeviceEvent> queue;
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = ToGuid(KSCATEGORY_CAPTURE_VALUE);
    const win32::UniqueDeviceNotification notification(
        window ? ::RegisterDeviceNotificationW(window.get(), &filter, DEVICE_NOTIFY_WINDOW_HANDLE) : nullptr);
    if (!notification) {
        Complain("cannot listen to device broadcasts");
        return kExitUsage;
    }
    ::SetWindowLongPtrW(window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&queue));
    g_loopThread = ::GetCurrentThreadId();
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    CameraWatch watch(session);
    watch.Start();
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::DispatchMessageW(&message);
        for (const DeviceEvent& event : std::exchange(queue, {})) watch.OnEvent(event);
    }
    ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    return kExitDone;
}

}  // namespace tessmo::ctl
