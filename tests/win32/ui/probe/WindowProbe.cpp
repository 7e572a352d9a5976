// Reports the state of a running Tessmo dialog, found by its title, as key=value
// lines: what an X tool cannot see from outside (enabled and visible controls, rows,
// button positions in the dialog's client area).
//   tessmo_window_probe.exe "<title>"
#include <windows.h>

#include <commctrl.h>

#include <shellapi.h>

#include <cstdio>

namespace {

void Report(const char* name, HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    RECT rect{};
    GetWindowRect(control, &rect);
    std::printf("%s_screen_x=%ld\n%s_screen_y=%ld\n", name, (rect.left + rect.right) / 2, name,
                (rect.top + rect.bottom) / 2);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    std::printf("%s_enabled=%d\n%s_visible=%d\n%s_left=%ld\n%s_top=%ld\n", name,
                IsWindowEnabled(control) ? 1 : 0, name, IsWindowVisible(control) ? 1 : 0, name,
                rect.left, name, rect.top);
}

// Where row `row`'s value cell is on the screen. Only messages whose answer is the
// result itself work across processes, so the row height is worked out from the
// rows that fit on a page.
void ReportValueCells(HWND list) {
    RECT client{};
    GetClientRect(list, &client);
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    RECT headerRect{};
    GetWindowRect(header, &headerRect);
    const long headerHeight = headerRect.bottom - headerRect.top;
    const auto perPage = static_cast<long>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    const auto column0 = static_cast<long>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
    POINT origin{0, 0};
    ClientToScreen(list, &origin);
    const long rowHeight = perPage > 0 ? (client.bottom - headerHeight) / perPage : 0;
    std::printf("row_height=%ld\nvalue_screen_x=%ld\nfirst_row_screen_y=%ld\n", rowHeight,
                origin.x + column0 + 20, origin.y + headerHeight + rowHeight / 2);
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 2) {
        std::fprintf(stderr, "usage: tessmo_window_probe <title>\n");
        return 2;
    }
    HWND dialog = FindWindowW(L"#32770", argv[1]);
    if (dialog == nullptr) {
        std::printf("found=0\n");
        return 1;
    }
    std::printf("found=1\n");
    Report("sync", dialog, 1001);
    Report("exit", dialog, 1002);
    Report("banner", dialog, 1003);
    ReportValueCells(GetDlgItem(dialog, 1000));
    std::printf("rows=%ld\n", static_cast<long>(SendMessageW(GetDlgItem(dialog, 1000), LVM_GETITEMCOUNT, 0, 0)));
    return 0;
}
