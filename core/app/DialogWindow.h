#pragma once
// What the dialog's logic needs of the main window: the title, two buttons (Sync,
// Exit), an optional banner text, fonts, a message box and the local clock. Each
// member says what the user must see afterwards and what it returns.
#include <cstdint>
#include <string>

#include "app/CellList.h"
#include "common/Status.h"
#include "sync/SyncPass.h"

namespace tessmo {

enum class DialogButton { Sync, Exit };

// A font as the logic asks for it: a face, a height in pixels (positive, the cell
// height the text needs) and a weight (400 normal, 700 bold); upright, not underlined,
// proportional sans-serif when the face is missing.
struct FontRequest {
    std::u16string face;
    std::uint16_t height = 0;
    int weight = 400;
};

class DialogWindow {
public:
    virtual ~DialogWindow() = default;

    // Gives the window, its task-bar entry and its minimised form the program's icon.
    virtual void SetIcons() = 0;
    virtual void SetTitle(const std::u16string& title) = 0;

    // Makes a font and keeps it for the window's life (a second call replaces the first
    // font). Returns its handle; null when it cannot be made (the default font is then used).
    virtual FontHandle CreateListFont(const FontRequest& request) = 0;
    virtual FontHandle CreateCustomFont(const FontRequest& request) = 0;
    // The button's caption is drawn in `font` from now on.
    virtual void SetButtonFont(DialogButton button, FontHandle font) = 0;

    // The banner shows `text`, in `font` once SetCustomTextFont is called.
    virtual void SetCustomText(const std::u16string& text) = 0;
    virtual void SetCustomTextFont(FontHandle font) = 0;
    // The banner is not shown at all.
    virtual void HideCustomText() = 0;
    // Moves the button `pixels` to the left, keeping its top and size.
    virtual void ShiftButtonLeft(DialogButton button, int pixels) = 0;
    // A disabled Sync button is greyed and cannot be pressed.
    virtual void EnableSyncButton(bool enable) = 0;

    // A modal message box with the text, an empty caption and an OK button only;
    // returns when the user has closed it. Events may be delivered while it is open.
    virtual void ShowMessage(const std::u16string& text) = 0;
    // The PC's local date and time, to the second.
    virtual LocalTime GetLocalTime() = 0;

    // From now on, tells the dialog's OnDeviceChange of every arrival and removal of a
    // device interface of class `interfaceClass`, for as long as the window exists.
    // A failure is not reported: the dialog then does not follow the camera.
    virtual void RegisterDeviceInterfaceNotification(const Guid& interfaceClass) = 0;

    // Ends the process at once with `status`, after flushing the trace; nothing else
    // (no saving, no closing of the window) happens first.
    [[noreturn]] virtual void ExitProcess(int status) = 0;
};

}  // namespace tessmo
