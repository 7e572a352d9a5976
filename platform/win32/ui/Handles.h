#pragma once
// Owners for the few system objects the user interface creates, so each is given
// back on every path, once.
#include <windows.h>

#include <memory>
#include <type_traits>

namespace tessmo::win32 {

struct FontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
};
// A GDI font this program created with CreateFontW.
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

struct DeviceNotificationDeleter {
    void operator()(HDEVNOTIFY handle) const { UnregisterDeviceNotification(handle); }
};
// A RegisterDeviceNotificationW registration.
using UniqueDeviceNotification = std::unique_ptr<void, DeviceNotificationDeleter>;

struct WindowDeleter {
    void operator()(HWND window) const { DestroyWindow(window); }
};
// A window this program created and destroys itself (not a child its parent takes along).
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

}  // namespace tessmo::win32
