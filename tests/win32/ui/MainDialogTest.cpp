// The real dialog from the program's template over the simulated camera, with the
// system's profile functions reading the INI files of a working folder. One window
// serves the whole suite: without a window manager Wine waits two seconds for every
// top-level window it takes down. The cases run in the order written.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <dbt.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "UiSupport.h"
#include "common/Trace.h"
#include "device/CDeviceChannel.h"
#include "device/SimulatedCamera.h"
#include "profile/Win32ProfileSource.h"
#include "ui/MainDialog.h"

namespace tessmo::win32::testing {
namespace {

constexpr int kSync = 1001, kExit = 1002, kBanner = 1003;
const GUID kCaptureClass = {0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
constexpr char16_t kCamera[] =
    u"\\\\?\\USB#VID_04FC&PID_6333&MI_00#7&2a1f0c3&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";

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

// A DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_size counting the name and its NUL.
std::vector<unsigned char> Broadcast(const GUID& interfaceClass, const std::u16string& name) {
    const std::size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    DEV_BROADCAST_DEVICEINTERFACE_W header{};
    header.dbcc_size = static_cast<DWORD>(nameOffset + (name.size() + 1) * 2);
    header.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    header.dbcc_classguid = interfaceClass;
    std::vector<unsigned char> bytes(header.dbcc_size);
    std::memcpy(bytes.data(), &header, nameOffset);
    std::memcpy(bytes.data() + nameOffset, name.c_str(), (name.size() + 1) * 2);
    return bytes;
}

// The message boxes this thread opens, closed with OK as soon as they show: text "|" caption,
// then "|Cancel" when it has a Cancel button and "|unowned" when the dialog does not own it.
std::vector<std::u16string> g_boxes;
HWND g_dialog = nullptr;

LRESULT CALLBACK CatchMessageBox(int code, WPARAM wParam, LPARAM lParam) {
    auto box = reinterpret_cast<HWND>(wParam);
    // A message box is a dialog whose text is the static control 0xFFFF.
    if (code == HCBT_ACTIVATE && GetDlgItem(box, 0xFFFF) != nullptr) {
        g_boxes.push_back(Text(GetDlgItem(box, 0xFFFF)) + u"|" + Text(box) +
                          (GetDlgItem(box, IDCANCEL) != nullptr ? u"|Cancel" : u"") +
                          (GetWindow(box, GW_OWNER) != g_dialog ? u"|unowned" : u""));
        PostMessageW(box, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The dialog over the simulated camera and the INI files of a fresh working folder,
// which is the current directory while the rig lives.
struct Rig {
    Rig() {
        std::filesystem::create_directories(folder);
        std::filesystem::current_path(folder);
        std::ofstream(folder / "Tessmo.ini", std::ios::binary)
            << "[Private]\r\nTitle=Tessmo Test Rig\r\nCol_Name=Name\r\nCol_Value=Value\r\n"
               "App_Font_Size=18\r\nCustom_String=Hello\r\nCustom_Font_Name=Arial\r\n"
               "Custom_Font_Size=22\r\nCustom_Font_Bold=1\r\n";
        std::ofstream(folder / "Vorlund.ini", std::ios::binary)
            << "[Res]\r\nMainStr=Resolution\r\nParaIdx=1\r\nSubStr0=1080p\r\nSubStr1=720p\r\nSubStr2=480p\r\n"
               "[Loop]\r\nMainStr=Loop Recording\r\nParaIdx=2\r\n"
               "SubStr0=Off\r\nSubStr1=1 Minute\r\nSubStr2=3 Minutes\r\nSubStr3=5 Minutes\r\n"
               "[Mic]\r\nMainStr=Record Audio\r\nParaIdx=7\r\nSubStr0=Off\r\nSubStr1=On\r\n"
               "[Empty]\r\nMainStr=No Options\r\nParaIdx=9\r\n";
        // The camera's stored options: 720p, 3 Minutes, On; the item without options reads 0.
        const std::pair<std::uint16_t, std::uint8_t> stored[] = {{1, 1}, {2, 2}, {7, 1}};
        for (const auto& [paraIdx, option] : stored) camera.SetOption(paraIdx, option);
    }
    ~Rig() {
        std::error_code ignored;
        std::filesystem::current_path(previous, ignored);
        std::filesystem::remove_all(folder, ignored);
    }

    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tessmo-ui-" + std::to_string(GetCurrentProcessId()));
    SimulatedCamera camera;
    TraceCollector trace;
    CaptureChannelFactory channels{camera, trace};
    Win32ProfileSource profile;
    CMainDialog dialog{GetModuleHandleW(nullptr), {profile, channels, trace}};
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
        ASSERT_NE(dialog, nullptr);
        g_boxes.clear();
        rig->camera.ClearRequests();
    }
    static HWND Control(int id) { return GetDlgItem(dialog, id); }
    static CCellListCtrl& List() { return rig->dialog.List(); }

    static inline std::unique_ptr<Rig> rig;
    static inline HWND dialog = nullptr;
    static inline HHOOK hook = nullptr;
};

TEST_F(MainDialog, RowsAreTheCatalogueWithTheCamerasValues) {
    const std::pair<std::u16string, std::u16string> rows[] = {
        {u"Resolution", u"720p"}, {u"Loop Recording", u"3 Minutes"}, {u"Record Audio", u"On"},
        {u"No Options", u""}};
    ASSERT_EQ(List().GetItemCount(), 4);
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(List().GetItemText(row, 0), rows[row].first);
        EXPECT_EQ(List().GetItemText(row, 1), rows[row].second);
        EXPECT_TRUE(List().IsEnabled(row)) << row;
    }
    EXPECT_TRUE(IsWindowEnabled(Control(kSync)));
    EXPECT_TRUE(rig->dialog.HasDeviceNotification());
}

TEST_F(MainDialog, TitleFontsColumnsBannerAndIconsFollowTheSettings) {
    EXPECT_EQ(Text(dialog), u"Tessmo Test Rig");
    HWND list = List().GetSafeHwnd();
    const auto gridAndRows = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
    EXPECT_EQ(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & gridAndRows, gridAndRows);
    // The buttons have the list's font.
    for (const auto& [id, height, weight] : {std::tuple{1000, 18, 400}, std::tuple{kBanner, 22, 700}}) {
        LOGFONTW f{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Control(id), WM_GETFONT, 0, 0)), sizeof f, &f);
        const std::wstring face = f.lfFaceName;
        EXPECT_EQ(std::tuple(face, f.lfHeight, f.lfWeight, f.lfCharSet, f.lfPitchAndFamily),
                  std::tuple(L"Arial", height, weight, ANSI_CHARSET, DEFAULT_PITCH | FF_SWISS));
    }
    for (int button : {kSync, kExit}) {
        EXPECT_EQ(SendMessageW(Control(button), WM_GETFONT, 0, 0), SendMessageW(list, WM_GETFONT, 0, 0));
    }
    EXPECT_TRUE(IsWindowVisible(Control(kBanner)));
    EXPECT_EQ(Text(Control(kBanner)), u"Hello");
    // With a banner the buttons stay where the template puts them.
    EXPECT_TRUE(IsAtTemplatePlace(Control(kSync), 90, 0));
    EXPECT_TRUE(IsAtTemplatePlace(Control(kExit), 170, 0));

    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(128));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(dialog, WM_QUERYDRAGICON, 0, 0)), icon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, ICON_BIG, 0)), icon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0)), icon);
}

TEST_F(MainDialog, SelectingARowPreparesItsDropDownOnTheCurrentOption) {
    // Loop Recording holds 3 Minutes (option 2); No Options has none.
    const struct { int row; LRESULT entries, current; const char16_t* shown; } cases[] = {
        {1, 4, 2, u"3 Minutes"}, {0, 3, 1, u"720p"}, {3, 0, CB_ERR, u""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        SelectRow(List().GetSafeHwnd(), c.row);
        ASSERT_TRUE(List().OpenDropDown(c.row, 1));
        HWND combo = List().GetDropDownWindow();
        EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), c.entries);
        EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), c.current);
        EXPECT_EQ(Text(combo), c.shown);
        SendMessageW(combo, WM_KEYDOWN, VK_ESCAPE, 0);
        PumpMessages(dialog);
    }
}

TEST_F(MainDialog, OnlyTheCameraInterfaceBroadcastsAct) {
    const GUID otherClass = {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
    const std::u16string lowerCase = u"\\\\?\\usb#vid_04fc&pid_6333&mi_00#7&2a1f0c3&0&0000#{x}";
    const std::u16string interface02 = u"\\\\?\\USB#VID_04FC&PID_6333&MI_02#7&2a1f0c3&0&0002#{x}";
    struct Case { const char* name; WPARAM event; std::vector<unsigned char> broadcast; bool acts; };
    const Case cases[] = {
        {"removal", DBT_DEVICEREMOVECOMPLETE, Broadcast(kCaptureClass, kCamera), true},
        {"lower case", DBT_DEVICEARRIVAL, Broadcast(kCaptureClass, lowerCase), false},
        {"interface 02", DBT_DEVICEARRIVAL, Broadcast(kCaptureClass, interface02), false},
        {"another class", DBT_DEVICEARRIVAL, Broadcast(otherClass, kCamera), false},
        {"arrival", DBT_DEVICEARRIVAL, Broadcast(kCaptureClass, kCamera), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const bool arrival = c.event == DBT_DEVICEARRIVAL;
        // Start from the opposite of what the event would bring about.
        EnableWindow(Control(kSync), !arrival);
        rig->dialog.Logic().EnableAllRows(!arrival);
        const std::size_t discoveries = rig->camera.DiscoveryRuns();
        const auto data = reinterpret_cast<LPARAM>(c.broadcast.data());
        const LRESULT result = SendMessageW(dialog, WM_DEVICECHANGE, c.event, data);
        PumpMessages(dialog);
        const bool enabled = c.acts == arrival;
        EXPECT_EQ(IsWindowEnabled(Control(kSync)) != FALSE, enabled);
        for (int row = 0; row < 4; ++row) EXPECT_EQ(List().IsEnabled(row), enabled) << row;
        EXPECT_EQ(rig->camera.DiscoveryRuns() > discoveries, c.acts && arrival);  // a sync pass ran
        // Every broadcast, acted on or not, gets the default processing's result.
        EXPECT_EQ(result, DefWindowProcW(dialog, WM_DEVICECHANGE, c.event, data));
    }
    EXPECT_EQ(List().GetItemText(2, 1), u"On");  // the camera's value again after the arrival
    EXPECT_EQ(SendMessageW(dialog, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0), TRUE);  // no broadcast at all
    EXPECT_TRUE(g_boxes.empty());
}

TEST_F(MainDialog, APickTurnsTheCellRedAndSyncWritesExactlyThatValue) {
    SelectRow(List().GetSafeHwnd(), 1);
    ASSERT_TRUE(List().OpenDropDown(1, 1));
    HWND combo = List().GetDropDownWindow();
    SendMessageW(combo, CB_SETCURSEL, 3, 0);  // Loop Recording: 5 Minutes
    SendMessageW(List().GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELENDOK),
                 reinterpret_cast<LPARAM>(combo));
    PumpMessages(dialog);
    EXPECT_EQ(List().GetItemText(1, 1), u"5 Minutes");
    ColorRef text = 0, background = 0;
    List().GetItemColors(1, 1, text, background);
    EXPECT_EQ(text, kColorRed);
    EXPECT_EQ(rig->dialog.Logic().Params()[1].CurIdx, 3);
    EXPECT_TRUE(rig->camera.Requests().empty());  // nothing goes out before Sync

    SendMessageW(Control(kSync), BM_CLICK, 0, 0);
    PumpMessages(dialog);
    std::vector<std::vector<std::uint8_t>> writes;  // SET 11: ParaIdx (2 bytes), 0, 0, option
    for (const PropertyRequest& r : rig->camera.Requests()) {
        if (r.kind == RequestKind::Set && r.id == 11) writes.push_back(r.bytes);
    }
    EXPECT_EQ(writes, (std::vector<std::vector<std::uint8_t>>{{2, 0, 0, 0, 3}}));
    EXPECT_EQ(g_boxes, std::vector<std::u16string>{u"Sync OK!|"});
    List().GetItemColors(1, 1, text, background);
    EXPECT_EQ(text, kColorRed);  // the picked value stays red after the sync
}

// Without a banner the logic hides it and moves the buttons left by 90 and 10 pixels.
TEST_F(MainDialog, HiddenBannerAndMovedButtonsLandWhereTheLayoutSays) {
    rig->dialog.HideCustomText();
    rig->dialog.ShiftButtonLeft(DialogButton::Sync, 90);
    rig->dialog.ShiftButtonLeft(DialogButton::Exit, 10);
    EXPECT_FALSE(IsWindowVisible(Control(kBanner)));
    EXPECT_TRUE(IsAtTemplatePlace(Control(kSync), 90, 90));
    EXPECT_TRUE(IsAtTemplatePlace(Control(kExit), 170, 10));
}

}  // namespace
}  // namespace tessmo::win32::testing
