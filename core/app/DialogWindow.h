#pragma once
// What the dialog's logic needs of the main window. The Windows build implements it
// on the real dialog (IDD_MAIN_DIALOG); the Linux build on a QDialog; tests record calls.
#include <cstdint>
#include <string>

#include "app/CellList.h"
#include "device/CaptureStack.h"
#include "sync/SyncPass.h"

namespace tessmo {

enum class DialogButton { Sync, Exit };

// How a font is asked for: CreateFontW with width, escapement and orientation 0, not
// italic/underlined/struck out, ANSI_CHARSET, default precisions and quality, FF_SWISS.
struct FontRequest {
    std::u16string face;
    std::uint16_t height = 0;  // logical units, positive
    int weight = 400;
};

class DialogWindow {
public:
    virtual ~DialogWindow() = default;

    virtual void SetIcons() = 0;  // WM_SETICON, ICON_BIG then ICON_SMALL
    virtual void SetTitle(const std::u16string& title) = 0;

    // Create and keep the list font / the custom-text font (the window owns them; they
    // go with it). A font that cannot be created yields a null handle.
    virtual FontHandle CreateListFont(const FontRequest& request) = 0;
    virtual FontHandle CreateCustomFont(const FontRequest& request) = 0;
    virtual void SetButtonFont(DialogButton button, FontHandle font) = 0;  // WM_SETFONT, TRUE

    virtual void SetCustomText(const std::u16string& text) = 0;
    virtual void SetCustomTextFont(FontHandle font) = 0;
    virtual void HideCustomText() = 0;
    // Moves the button `pixels` to the left, keeping its top and size.
    virtual void ShiftButtonLeft(DialogButton button, int pixels) = 0;
    virtual void EnableSyncButton(bool enable) = 0;

    // A message box with the text, an empty caption, OK only; returns when closed.
    virtual void ShowMessage(const std::u16string& text) = 0;
    virtual LocalTime GetLocalTime() = 0;

    // RegisterDeviceNotificationW for device-interface broadcasts of `interfaceClass`,
    // sent to this window; the result is not examined.
    virtual void RegisterDeviceInterfaceNotification(const Guid& interfaceClass) = 0;

    // Default processing of the message being handled (CWnd::Default).
    virtual std::intptr_t DefaultProcessing() = 0;

    // Ends the process at once with `status` (exit()).
    [[noreturn]] virtual void ExitProcess(int status) = 0;
};

}  // namespace tessmo
