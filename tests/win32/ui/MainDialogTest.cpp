// The real dialog from the program's template over the demo's simulated camera, with the
// system's profile functions reading the INI files of a working folder: what only the
// Windows dialog decides (fonts and positions, broadcasts, the focus, the keys, the
// message box's caption and owner) and the demo soaked. One window serves the whole
// suite: without a window manager Wine waits two seconds for every top-level window it
// takes down. The cases run in the order written. Then the resources of Tessmo.exe.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <dbt.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "Support.h"
#include "TempFolder.h"
#include "app/DemoCamera.h"
#include "common/Trace.h"
#include "device/CDeviceChannel.h"
#include "profile/Win32ProfileSource.h"
#include "ui/MainDialog.h"

namespace tessmo::win32::testing {
namespace {

constexpr int kList = 1000, kSync = 1001, kExit = 1002, kBanner = 1003;
const GUID kCaptureClass = {0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

std::u16string Text(HWND hwnd) {
    wchar_t buffer[256] = {};
    const int length = GetWindowTextW(hwnd, buffer, 256);
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), static_cast<std::size_t>(length));
}

// Whether a 62x22 button stands where the template puts it at `x`, moved left by `shift` pixels.
bool IsAtTemplatePlace(HWND button, int x, int shift) {
    RECT expected{x, 281, x + 62, 281 + 22};
    MapDialogRect(GetParent(button), &expected);
    OffsetRect(&expected, -shift, 0);
    const RECT actual = ChildRect(button);
    return EqualRect(&actual, &expected) != FALSE;
}

// The message boxes this thread opens, closed with OK as soon as they show: text "|" caption,
// then "|Cancel" when it has a Cancel button and "|unowned" when the dialog does not own it.
// While g_refuseBoxes is set they are not made at all (a box costs Wine two seconds).
std::vector<std::u16string> g_boxes;
HWND g_dialog = nullptr;
bool g_refuseBoxes = false;

LRESULT CALLBACK CatchMessageBox(int code, WPARAM wParam, LPARAM lParam) {
    auto box = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_CREATEWND && g_refuseBoxes && box != g_dialog &&
        reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs->hwndParent == g_dialog) {
        return 1;
    }
    // A message box is a dialog whose text is the static control 0xFFFF.
    if (code == HCBT_ACTIVATE && GetDlgItem(box, 0xFFFF) != nullptr) {
        g_boxes.push_back(Text(GetDlgItem(box, 0xFFFF)) + u"|" + Text(box) +
                          (GetDlgItem(box, IDCANCEL) != nullptr ? u"|Cancel" : u"") +
                          (GetWindow(box, GW_OWNER) != g_dialog ? u"|unowned" : u""));
        PostMessageW(box, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The dialog over the demo's camera and the INI files of a fresh working folder, which is
// the current directory while the rig lives.
struct Rig {
    Rig() {
        std::filesystem::current_path(folder.Dir());
        folder.Write("Tessmo.ini",
                     "[Private]\r\nApp_Font_Size=18\r\nCustom_String=Hello\r\nCustom_Font_Name=Arial\r\n"
                     "Custom_Font_Size=22\r\nCustom_Font_Bold=1\r\n");
        // The demo's camera holds 720p and 3 min.
        folder.Write(
            "Vorlund.ini",
            "[Res]\r\nMainStr=Resolution\r\nParaIdx=1\r\nSubStr0=1080p\r\nSubStr1=720p\r\nSubStr2=480p\r\n"
            "[Loop]\r\nMainStr=Loop\r\nParaIdx=2\r\nSubStr0=Off\r\nSubStr1=1 min\r\nSubStr2=3 min\r\n"
            "[Mic]\r\nMainStr=Record Audio\r\nParaIdx=7\r\nSubStr0=Off\r\nSubStr1=On\r\n");
    }
    ~Rig() {
        std::error_code ignored;
        std::filesystem::current_path(previous, ignored);  // before the folder goes
    }

    std::filesystem::path previous = std::filesystem::current_path();
    configtest::TempFolder folder;
    CDemoCamera demo;
    TraceCollector trace;
    CaptureChannelFactory channels{demo.Camera(), trace};
    Win32ProfileSource profile;
    CMainDialog dialog{GetModuleHandleW(nullptr), {profile, channels, trace, &demo}};
};

class MainDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        hook = SetWindowsHookExW(WH_CBT, CatchMessageBox, nullptr, GetCurrentThreadId());
        rig = std::make_unique<Rig>();
        g_dialog = dialog = rig->dialog.Create(nullptr);
        ShowWindow(dialog, SW_SHOW);
        PumpMessages(dialog);
    }
    static void TearDownTestSuite() {
        rig.reset();
        UnhookWindowsHookEx(hook);
    }
    void SetUp() override {
        ASSERT_TRUE(IsWindow(dialog));
        g_boxes.clear();
    }
    static HWND Control(int id) { return GetDlgItem(dialog, id); }
    static CCellListCtrl& List() { return rig->dialog.List(); }
    // Opens the row's drop-down as a click does and picks entry `index` of it.
    static void Pick(int row, LRESULT index) {
        SelectRow(List().GetSafeHwnd(), row);
        ASSERT_TRUE(List().OpenDropDown(row, 1));
        HWND combo = List().GetDropDownWindow();
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(combo, WM_KEYDOWN, VK_RETURN, 0);
        PumpMessages(dialog);
    }

    static inline std::unique_ptr<Rig> rig;
    static inline HWND dialog = nullptr;
    static inline HHOOK hook = nullptr;
};

// The title and the banner's presence are the program tests' (they find the window by its
// title); then the layout the logic asks for without a banner.
TEST_F(MainDialog, FontsBannerLayoutAndIconsFollowTheSettings) {
    for (const auto& [id, height, weight] : {std::tuple{kList, 18, 400}, std::tuple{kBanner, 22, 700}}) {
        LOGFONTW f{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Control(id), WM_GETFONT, 0, 0)), sizeof f, &f);
        const std::wstring face = f.lfFaceName;
        EXPECT_EQ(std::tuple(face, f.lfHeight, f.lfWeight, f.lfCharSet, f.lfPitchAndFamily),
                  std::tuple(L"Arial", height, weight, ANSI_CHARSET, DEFAULT_PITCH | FF_SWISS));
    }
    // The buttons have the list's font.
    for (int button : {kSync, kExit}) {
        EXPECT_EQ(SendMessageW(Control(button), WM_GETFONT, 0, 0),
                  SendMessageW(Control(kList), WM_GETFONT, 0, 0));
    }
    EXPECT_EQ(Text(Control(kBanner)), u"Hello");
    // With a banner the buttons stay where the template puts them.
    EXPECT_TRUE(IsAtTemplatePlace(Control(kSync), 90, 0));
    EXPECT_TRUE(IsAtTemplatePlace(Control(kExit), 170, 0));

    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(128));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(dialog, WM_QUERYDRAGICON, 0, 0)), icon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, ICON_BIG, 0)), icon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0)), icon);

    rig->dialog.HideCustomText();
    rig->dialog.ShiftButtonLeft(DialogButton::Sync, 90);
    rig->dialog.ShiftButtonLeft(DialogButton::Exit, 10);
    EXPECT_FALSE(IsWindowVisible(Control(kBanner)));
    EXPECT_TRUE(IsAtTemplatePlace(Control(kSync), 90, 90));
    EXPECT_TRUE(IsAtTemplatePlace(Control(kExit), 170, 10));
}

// The broadcast reaches the logic through the parser, and what the logic does with it
// (both tested natively); the dialog's own part: handing it over (the Sync button follows),
// the default processing's result, and the focus leaving a Sync button that the removal
// disables, so that the keyboard goes on working from Exit.
TEST_F(MainDialog, CameraBroadcastsActGetTheDefaultResultAndMoveTheFocus) {
    SetFocus(Control(kSync));
    for (const WPARAM event : {WPARAM{DBT_DEVICEREMOVECOMPLETE}, WPARAM{DBT_DEVICEARRIVAL}}) {
        SCOPED_TRACE(event);
        const auto bytes = DeviceInterfaceBroadcast(kCaptureClass, kDemoInterfaceName);
        const auto data = reinterpret_cast<LPARAM>(bytes.data());
        const LRESULT result = SendMessageW(dialog, WM_DEVICECHANGE, event, data);
        PumpMessages(dialog);
        EXPECT_EQ(result, DefWindowProcW(dialog, WM_DEVICECHANGE, event, data));
        EXPECT_EQ(IsWindowEnabled(Control(kSync)) != FALSE, event == DBT_DEVICEARRIVAL);
        EXPECT_EQ(GetFocus(), Control(kExit));
    }
    EXPECT_EQ(SendMessageW(dialog, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0), TRUE);  // no broadcast at all
    EXPECT_TRUE(g_boxes.empty());
}

// A pick reaches the logic, which has the drop-down reopen on it while the row stays
// selected; Sync then says so in a box the dialog owns, with an empty caption.
TEST_F(MainDialog, PickReachesTheLogicAndSyncSaysSoInABoxTheDialogOwns) {
    Pick(0, 2);  // Resolution: 480p
    EXPECT_EQ(rig->dialog.Logic().Params()[0].CurIdx, 2);
    ASSERT_TRUE(List().OpenDropDown(0, 1));
    EXPECT_EQ(SendMessageW(List().GetDropDownWindow(), CB_GETCURSEL, 0, 0), 2);
    SendMessageW(List().GetDropDownWindow(), WM_KEYDOWN, VK_ESCAPE, 0);
    SendMessageW(Control(kSync), BM_CLICK, 0, 0);
    PumpMessages(dialog);
    EXPECT_EQ(g_boxes, std::vector<std::u16string>{u"Sync OK!|"});
}

// The heap the process uses, in bytes: every busy block of every heap.
std::size_t HeapBytesInUse() {
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
    heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
    std::size_t total = 0;
    for (HANDLE heap : heaps) {
        if (!HeapLock(heap)) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heap, &entry)) {
            if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) total += entry.cbData;
        }
        HeapUnlock(heap);
    }
    return total;
}

// The demo left running: pick-and-sync cycles and unplug/plug cycles from the system menu
// keep the heap flat after a warm-up (a generous bound: a request log or any other
// history kept per cycle grows it by kilobytes a cycle). The demo's trace goes to stdout;
// the rig's collector is emptied each cycle to stand for that.
TEST_F(MainDialog, SoakedDemoKeepsItsMemoryFlat) {
    g_refuseBoxes = true;
    const auto cycle = [](int i) {
        Pick(i % 3, i % 2);
        SendMessageW(Control(kSync), BM_CLICK, 0, 0);
        SendMessageW(dialog, WM_SYSCOMMAND, kDemoPlugCommand, 0);
        SendMessageW(dialog, WM_SYSCOMMAND, kDemoPlugCommand, 0);
        PumpMessages(dialog);
        rig->trace.Clear();
    };
    for (int i = 0; i < 10; ++i) cycle(i);
    const std::size_t before = HeapBytesInUse();
    constexpr int kCycles = 40;
    for (int i = 0; i < kCycles; ++i) cycle(i);
    const auto growth = static_cast<long long>(HeapBytesInUse()) - static_cast<long long>(before);
    g_refuseBoxes = false;
    std::printf("heap growth over %d cycles after warm-up: %lld bytes (%.1f per cycle)\n", kCycles, growth,
                static_cast<double>(growth) / kCycles);
    EXPECT_LT(growth, 400 * kCycles);
    EXPECT_TRUE(rig->demo.Camera().CameraPresent());
    EXPECT_TRUE(IsWindowEnabled(Control(kSync)));
}

// Enter in the list opens a drop-down where it can and otherwise does nothing, here on a
// greyed row; it never ends the dialog (unsynced picks would be lost). Last: a failure
// ends the shared window.
TEST_F(MainDialog, EnterInTheListNeverEndsTheDialog) {
    SetFocus(Control(kList));
    SelectRow(Control(kList), 1);
    List().SetEnabled(1, false);
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 0);  // through the dialog manager, as typed
    PumpMessages(dialog);
    ASSERT_TRUE(IsWindow(dialog));
    EXPECT_EQ(List().GetDropDownWindow(), nullptr);
}

// Tessmo.exe's resources (TESSMO_EXE, a Unix path: Wine shows the root as drive Z) as the
// system finds them: the icon, the version, and a manifest asking for version 6 of the
// common controls, without which the list and buttons are drawn in the old style.
TEST(Resources, AreThereAndTheManifestAsksForCommonControls6) {
    const wchar_t* exe = _wgetenv(L"TESSMO_EXE");
    ASSERT_NE(exe, nullptr);
    std::wstring path = L"Z:" + std::wstring(exe);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    const std::unique_ptr<HINSTANCE__, decltype(&FreeLibrary)> module(
        LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE), &FreeLibrary);
    ASSERT_NE(module, nullptr);
    const auto find = [&module](LPCWSTR type, int id) {
        return FindResourceExW(module.get(), type, MAKEINTRESOURCEW(id),
                               MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    };
    EXPECT_NE(find(RT_GROUP_ICON, 128), nullptr);
    EXPECT_NE(find(RT_VERSION, 1), nullptr);
    HRSRC manifest = find(RT_MANIFEST, 1);
    ASSERT_NE(manifest, nullptr);
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module.get(), manifest)));
    const std::string text(bytes, SizeofResource(module.get(), manifest));
    EXPECT_NE(text.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
}

}  // namespace
}  // namespace tessmo::win32::testing
