// Reports the state of a running Tessmo dialog, found by its title, as key=value lines:
// what an X tool cannot see from outside (enabled and visible controls, the focus, rows,
// scroll bars, column widths, where buttons and value cells are on the screen).
//   tessmo-window-probe.exe "<title>"
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>

namespace {

void Report(const char* name, HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    std::printf("%s_screen_x=%ld\n%s_screen_y=%ld\n%s_enabled=%d\n%s_visible=%d\n", name,
                (r.left + r.right) / 2, name, (r.top + r.bottom) / 2, name, IsWindowEnabled(control) ? 1 : 0,
                name, IsWindowVisible(control) ? 1 : 0);
}

// Where the value cells are on the screen. Only messages whose answer is the result
// itself work across processes, so the row height is worked out from the rows that
// fit on a page.
void ReportRows(HWND list) {
    RECT client{}, header{};
    GetClientRect(list, &client);
    GetWindowRect(reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)), &header);
    const long headerHeight = header.bottom - header.top;
    const auto perPage = static_cast<long>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    const long rowHeight = perPage > 0 ? (client.bottom - headerHeight) / perPage : 0;
    const auto nameWidth = static_cast<long>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
    const auto valueWidth = static_cast<long>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0));
    const LONG style = GetWindowLongW(list, GWL_STYLE);
    POINT origin{0, 0};
    ClientToScreen(list, &origin);
    std::printf("rows=%ld\nrow_height=%ld\nvalue_screen_x=%ld\nfirst_row_screen_y=%ld\n",
                static_cast<long>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)), rowHeight,
                origin.x + nameWidth + 20, origin.y + headerHeight + rowHeight / 2);
    std::printf("client_width=%ld\ncolumn_widths=%ld+%ld\nvscroll=%d\nhscroll=%d\n", client.right, nameWidth,
                valueWidth, (style & WS_VSCROLL) != 0 ? 1 : 0, (style & WS_HSCROLL) != 0 ? 1 : 0);
}

// Which control of the dialog has the keyboard focus (its id; 0 none, -1 the dialog
// itself) and whether the dialog is the active window of its thread.
void ReportFocus(HWND dialog) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info)) return;
    const int focus = info.hwndFocus == nullptr  ? 0
                      : info.hwndFocus == dialog ? -1
                                                 : GetDlgCtrlID(info.hwndFocus);
    std::printf("focus=%d\nactive=%d\n", focus, info.hwndActive == dialog ? 1 : 0);
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    HWND dialog = argv != nullptr && argc == 2 ? FindWindowW(L"#32770", argv[1]) : nullptr;
    std::printf("found=%d\n", dialog != nullptr ? 1 : 0);
    if (dialog == nullptr) return 1;
    std::printf("visible=%d\n", IsWindowVisible(dialog) ? 1 : 0);
    Report("sync", GetDlgItem(dialog, 1001));
    Report("exit", GetDlgItem(dialog, 1002));
    Report("banner", GetDlgItem(dialog, 1003));
    ReportRows(GetDlgItem(dialog, 1000));
    ReportFocus(dialog);
    return 0;
}
