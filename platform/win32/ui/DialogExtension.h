#pragma once
// What a variant of the program adds to the main dialog without touching its logic: the
// demo's simulated camera marks the title and adds a system-menu entry that plugs the
// camera in and pulls it out.
#include <windows.h>

namespace tessmo::win32 {

class DialogExtension {
public:
    virtual ~DialogExtension() = default;
    // After the dialog's start-up, before the window is first shown.
    virtual void OnInitDialog(HWND dialog) = 0;
    // A WM_SYSCOMMAND; true when the command was the extension's own.
    virtual bool OnSysCommand(HWND dialog, WPARAM command) = 0;
};

}  // namespace tessmo::win32
