#pragma once
// Helpers for the tests under Wine: message pumping, a row selected as
// a click selects it, and where a control sits in its parent.
#include <windows.h>

#include <commctrl.h>

namespace tessmo::win32::testing {

// Dispatches every queued message of this thread (dialog messages through IsDialogMessage).
inline void PumpMessages(HWND dialog = nullptr) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (dialog != nullptr && IsDialogMessageW(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

inline void SelectRow(HWND list, int row) {
    LVITEMW item{};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// A control's rectangle in its parent's client coordinates.
inline RECT ChildRect(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace tessmo::win32::testing
