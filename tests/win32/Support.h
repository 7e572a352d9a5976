#pragma once
// Helpers for the tests under Wine: a private folder, message pumping, a row selected as
// a click selects it, and where a control sits in its parent.
#include <windows.h>

#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace tessmo::win32::testing {

// A folder of its own under the temporary folder, removed with everything in it.
struct TempFolder {
    static inline int made = 0;
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("tessmo-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++made));
    TempFolder() { std::filesystem::create_directories(path); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::u16string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path / name, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return (path / name).u16string();
    }
};

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
