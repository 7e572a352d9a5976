// The user-interface tests, and the child roles the process tests start this program in.
#include <gtest/gtest.h>
#include <io.h>
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "UiSupport.h"
#include "ui/ConfigToolApp.h"
#include "ui/StdoutSetup.h"

namespace tessmo::win32::testing {

std::wstring g_tessmoExe;

namespace {

// Presses Exit as soon as the main dialog is shown.
LRESULT CALLBACK PressExitOnActivation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        auto dialog = reinterpret_cast<HWND>(wParam);
        HWND exit = GetDlgItem(dialog, 1002);
        if (exit != nullptr) {
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(1002, BN_CLICKED), reinterpret_cast<LPARAM>(exit));
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

int RunExitChild() {
    EnsureStdoutUsable();
    SimulatedCamera camera;
    CaptureChannelFactory channels(camera, StdoutTrace());
    Win32ProfileSource profile;
    CConfigToolApp app(GetModuleHandleW(nullptr), {profile, channels, StdoutTrace()});
    HHOOK hook = SetWindowsHookExW(WH_CBT, PressExitOnActivation, nullptr, GetCurrentThreadId());
    app.InitInstance();
    UnhookWindowsHookEx(hook);
    std::printf("the dialog ended without Exit ending the process\n");
    return 3;
}

int RunStdoutChild(const wchar_t* path) {
    _close(1);  // what a runtime without a usable stdout has
    if (IsStdoutUsable()) return 2;
    HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 4;
    SetStdHandle(STD_OUTPUT_HANDLE, file);
    if (!EnsureStdoutUsable()) return 5;
    std::printf("reopened\n");
    std::fflush(stdout);
    return 0;
}

}  // namespace
}  // namespace tessmo::win32::testing

int main(int argc, char** argv) {
    using namespace tessmo::win32::testing;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    int wideCount = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &wideCount);
    for (int i = 1; i < wideCount; ++i) {
        const std::wstring arg = wide[i];
        if (arg == L"--child=exit") return RunExitChild();
        if (arg == L"--child=stdout" && i + 1 < wideCount) return RunStdoutChild(wide[i + 1]);
        if (arg.rfind(L"--tessmo-exe=", 0) == 0) {
            g_tessmoExe = arg.substr(13);
            // A Unix path from the build system: Wine shows the root as drive Z.
            if (!g_tessmoExe.empty() && g_tessmoExe[0] == L'/') {
                for (wchar_t& c : g_tessmoExe) c = c == L'/' ? L'\\' : c;
                g_tessmoExe = L"Z:" + g_tessmoExe;
            }
        }
    }
    LocalFree(wide);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
