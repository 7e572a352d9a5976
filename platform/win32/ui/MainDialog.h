#pragma once
// The main dialog on the real window of template IDD_MAIN_DIALOG: it owns the parameter
// list control, the fonts and the dialog's logic (CConfigToolDlg), and its dialog
// procedure only dispatches window messages to that logic. It is the logic's window
// port (tessmo::DialogWindow).
#include <windows.h>

#include "app/ConfigToolDlg.h"
#include "app/DialogWindow.h"
#include "ui/CellListCtrl.h"
#include "ui/DialogExtension.h"
#include "ui/Handles.h"

namespace tessmo::win32 {

class CMainDialog final : public tessmo::DialogWindow {
public:
    struct Ports {
        ProfileSource& profile;
        ChannelFactory& channels;
        TraceSink& trace;
        DialogExtension* extension = nullptr;  // what a variant adds (the demo), not owned
    };

    // `instance`: the module holding the dialog template and the icon.
    CMainDialog(HINSTANCE instance, Ports ports);
    // A window that is still open (modeless use) is destroyed first, so the fonts it
    // uses outlive it.
    ~CMainDialog() override;
    CMainDialog(const CMainDialog&) = delete;
    CMainDialog& operator=(const CMainDialog&) = delete;

    // Runs the dialog modally (DialogBoxParamW) and returns when it has ended: the
    // result of EndDialog (IDOK, IDCANCEL), or -1 when the window could not be made.
    INT_PTR DoModal(HWND parent);
    // The same dialog without a modal loop of its own (CreateDialogParamW), for hosts
    // and tests that pump messages themselves; OK and Cancel destroy the window.
    HWND Create(HWND parent);

    HWND GetSafeHwnd() const { return m_hWnd; }
    CConfigToolDlg& Logic() { return m_Logic; }
    CCellListCtrl& List() { return m_List; }
    bool HasDeviceNotification() const { return m_DeviceNotification != nullptr; }

    // --- tessmo::DialogWindow ---
    void SetIcons() override;
    void SetTitle(const std::u16string& title) override;
    FontHandle CreateListFont(const FontRequest& request) override;
    FontHandle CreateCustomFont(const FontRequest& request) override;
    void SetButtonFont(DialogButton button, FontHandle font) override;
    void SetCustomText(const std::u16string& text) override;
    void SetCustomTextFont(FontHandle font) override;
    void HideCustomText() override;
    void ShiftButtonLeft(DialogButton button, int pixels) override;
    void EnableSyncButton(bool enable) override;
    void ShowMessage(const std::u16string& text) override;
    LocalTime GetLocalTime() override;
    void RegisterDeviceInterfaceNotification(const Guid& interfaceClass) override;
    [[noreturn]] void ExitProcess(int status) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    // Hands a handler's result to the dialog manager, which returns it to the sender.
    INT_PTR Result(LRESULT result);
    INT_PTR OnInitDialog();
    INT_PTR OnDeviceChange(WPARAM event, LPARAM broadcast);
    INT_PTR OnNotify(const NMHDR* header);
    INT_PTR OnClicked(WORD id);
    bool OnPaint();
    void EndDialogWith(int result);
    static int ButtonId(DialogButton button);

    HINSTANCE m_Instance;
    DialogExtension* m_Extension;
    HWND m_hWnd = nullptr;
    bool m_Modal = false;
    CCellListCtrl m_List;
    // Deleted in reverse order of declaration: the custom-text font first.
    UniqueFont m_ListFont;
    UniqueFont m_CustomFont;
    HICON m_hIcon;  // a shared resource icon: never destroyed
    UniqueDeviceNotification m_DeviceNotification;
    CConfigToolDlg m_Logic;
};

}  // namespace tessmo::win32
