#include "ui/MainDialog.h"

#include <dbt.h>

#include <cstdlib>
#include <cstring>

#include "hotplug/BroadcastParser.h"
#include "ui/WideText.h"
// The identifiers the resource script and the code share.
#include "../../../res/resource.h"

namespace tessmo::win32 {
namespace {

HFONT AsFont(FontHandle font) {
    return static_cast<HFONT>(const_cast<void*>(font));
}

HFONT MakeFont(const FontRequest& request) {
    return CreateFontW(request.height, 0, 0, 0, request.weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                       Wide(request.face));
}

GUID ToGuid(const Guid& guid) {
    GUID out{};
    out.Data1 = guid.Data1;
    out.Data2 = guid.Data2;
    out.Data3 = guid.Data3;
    std::memcpy(out.Data4, guid.Data4.data(), sizeof out.Data4);
    return out;
}

static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) == 32, "the filter is 32 bytes");

// Where a minimised window draws its icon: centred, rounding half a pixel up.
POINT MinimisedIconOrigin(const RECT& client) {
    return {(client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2,
            (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2};
}

}  // namespace

CMainDialog::CMainDialog(HINSTANCE instance, Ports ports)
    : m_Instance(instance),
      m_Extension(ports.extension),
      m_hIcon(LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP_ICON))),
      m_Logic(CConfigToolDlg::Ports{*this, m_List, ports.profile, ports.channels, ports.trace}) {}

CMainDialog::~CMainDialog() {
    if (m_hWnd != nullptr && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
}

INT_PTR CMainDialog::DoModal(HWND parent) {
    m_Modal = true;
    return DialogBoxParamW(m_Instance, MAKEINTRESOURCEW(IDD_MAIN_DIALOG), parent, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

HWND CMainDialog::Create(HWND parent) {
    m_Modal = false;
    return CreateDialogParamW(m_Instance, MAKEINTRESOURCEW(IDD_MAIN_DIALOG), parent, DialogProc,
                              reinterpret_cast<LPARAM>(this));
}

// --- dispatch ----------------------------------------------------------------------

INT_PTR CALLBACK CMainDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* dialog = reinterpret_cast<CMainDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<CMainDialog*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        dialog->m_hWnd = hwnd;
    }
    // Messages before WM_INITDIALOG (WM_SETFONT from the template) get the defaults.
    if (dialog == nullptr) return FALSE;
    const INT_PTR handled = dialog->Dispatch(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        dialog->m_hWnd = nullptr;
    }
    return handled;
}

INT_PTR CMainDialog::Result(LRESULT result) {
    SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR CMainDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CELLLIST_COMBO_SELECTION && WM_CELLLIST_COMBO_SELECTION != 0) {
        return Result(m_Logic.OnComboSelection(wParam, lParam));
    }
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_PAINT:
            return OnPaint() ? TRUE : FALSE;
        case WM_QUERYDRAGICON:
            // One of the messages whose result is the dialog procedure's own return value.
            return reinterpret_cast<INT_PTR>(m_hIcon);
        case WM_DEVICECHANGE:
            return OnDeviceChange(wParam, lParam);
        case WM_NOTIFY:
            return OnNotify(reinterpret_cast<const NMHDR*>(lParam));
        case WM_COMMAND:
            return HIWORD(wParam) == BN_CLICKED ? OnClicked(LOWORD(wParam)) : FALSE;
        case WM_SYSCOMMAND:
            return m_Extension != nullptr && m_Extension->OnSysCommand(m_hWnd, wParam) ? Result(0) : FALSE;
        case WM_DESTROY:
            m_DeviceNotification.reset();
            return FALSE;
        default:
            return FALSE;
    }
}

INT_PTR CMainDialog::OnInitDialog() {
    // The data exchange's one binding, then the start-up. TRUE lets the dialog manager
    // give the first control the focus.
    m_List.Attach(GetDlgItem(m_hWnd, IDC_PARAM_LIST));
    const INT_PTR result = m_Logic.OnInitDialog();
    if (m_Extension != nullptr) m_Extension->OnInitDialog(m_hWnd);
    return result;
}

INT_PTR CMainDialog::OnNotify(const NMHDR* header) {
    if (header == nullptr || header->idFrom != IDC_PARAM_LIST || header->code != LVN_ITEMCHANGED)
        return FALSE;
    m_Logic.OnItemChangedList();
    return Result(0);
}

INT_PTR CMainDialog::OnClicked(WORD id) {
    switch (id) {
        case IDC_SYNC:
            m_Logic.OnSync();
            return TRUE;
        case IDC_EXIT:
            m_Logic.OnExit();
            return TRUE;  // not reached: Exit ends the process
        case IDOK:
        case IDCANCEL:
            EndDialogWith(id);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CMainDialog::OnDeviceChange(WPARAM event, LPARAM broadcast) {
    // An event without a broadcast is answered TRUE at once, without default processing.
    if (broadcast == 0) return Result(TRUE);
    if (const auto parsed = ParseDeviceBroadcast(event, reinterpret_cast<const void*>(broadcast))) {
        m_Logic.OnDeviceChange(*parsed);
    }
    // FALSE hands the message to the dialog manager's default processing, which
    // returns DefWindowProc's result to the sender.
    return FALSE;
}

void CMainDialog::EndDialogWith(int result) {
    if (m_Modal) {
        EndDialog(m_hWnd, result);
    } else {
        DestroyWindow(m_hWnd);
    }
}

bool CMainDialog::OnPaint() {
    if (!IsIconic(m_hWnd)) return false;
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(m_hWnd, &paint);
    SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client{};
    GetClientRect(m_hWnd, &client);
    const POINT origin = MinimisedIconOrigin(client);
    DrawIcon(dc, origin.x, origin.y, m_hIcon);
    EndPaint(m_hWnd, &paint);
    return true;
}

int CMainDialog::ButtonId(DialogButton button) {
    return button == DialogButton::Sync ? IDC_SYNC : IDC_EXIT;
}

// --- tessmo::DialogWindow ----------------------------------------------------------

void CMainDialog::SetIcons() {
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
}

void CMainDialog::SetTitle(const std::u16string& title) {
    SetWindowTextW(m_hWnd, Wide(title));
}

FontHandle CMainDialog::CreateListFont(const FontRequest& request) {
    m_ListFont.reset(MakeFont(request));
    return m_ListFont.get();
}

FontHandle CMainDialog::CreateCustomFont(const FontRequest& request) {
    m_CustomFont.reset(MakeFont(request));
    return m_CustomFont.get();
}

void CMainDialog::SetButtonFont(DialogButton button, FontHandle font) {
    SendDlgItemMessageW(m_hWnd, ButtonId(button), WM_SETFONT, reinterpret_cast<WPARAM>(AsFont(font)), TRUE);
}

void CMainDialog::SetCustomText(const std::u16string& text) {
    SetDlgItemTextW(m_hWnd, IDC_CUSTOM_TEXT, Wide(text));
}

void CMainDialog::SetCustomTextFont(FontHandle font) {
    SendDlgItemMessageW(m_hWnd, IDC_CUSTOM_TEXT, WM_SETFONT, reinterpret_cast<WPARAM>(AsFont(font)), TRUE);
}

void CMainDialog::HideCustomText() {
    ShowWindow(GetDlgItem(m_hWnd, IDC_CUSTOM_TEXT), SW_HIDE);
}

void CMainDialog::ShiftButtonLeft(DialogButton button, int pixels) {
    HWND control = GetDlgItem(m_hWnd, ButtonId(button));
    RECT rect{};
    GetWindowRect(control, &rect);
    POINT topLeft{rect.left, rect.top};
    ScreenToClient(GetParent(control), &topLeft);
    SetWindowPos(control, nullptr, topLeft.x - pixels, topLeft.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void CMainDialog::EnableSyncButton(bool enable) {
    HWND sync = GetDlgItem(m_hWnd, IDC_SYNC);
    // A disabled window loses the focus to nobody, and a dialog without a focused
    // control ignores Tab and Escape: the focus moves on to the next control first.
    if (HWND next = GetNextDlgTabItem(m_hWnd, sync, FALSE); !enable && GetFocus() == sync && next != sync) {
        SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
    }
    EnableWindow(sync, enable ? TRUE : FALSE);
}

void CMainDialog::ShowMessage(const std::u16string& text) {
    MessageBoxW(m_hWnd, Wide(text), L"", MB_OK);
}

LocalTime CMainDialog::GetLocalTime() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

void CMainDialog::RegisterDeviceInterfaceNotification(const Guid& interfaceClass) {
    DEV_BROADCAST_DEVICEINTERFACE_W filter;
    std::memset(&filter, 0, sizeof filter);
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = ToGuid(interfaceClass);
    // Kept only so that it is given back when the window goes (WM_DESTROY); the
    // registration itself lasts exactly as long as the window.
    m_DeviceNotification.reset(RegisterDeviceNotificationW(m_hWnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE));
}

void CMainDialog::ExitProcess(int status) {
    // exit(), not the system call: the runtime's exit processing flushes the trace.
    std::exit(status);
}

}  // namespace tessmo::win32
