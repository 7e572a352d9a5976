// The real dialog from the program's template, with the simulated camera behind the
// channel and the system's profile functions reading INI files from a working folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <dbt.h>

#include <string>
#include <vector>

#include "UiSupport.h"

namespace tessmo::win32::testing {
namespace {

constexpr int kSync = 1001;
constexpr int kExit = 1002;
constexpr int kBanner = 1003;

std::u16string Text(HWND hwnd) {
    wchar_t buffer[256] = {};
    const int length = GetWindowTextW(hwnd, buffer, 256);
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), static_cast<std::size_t>(length));
}

LOGFONTW FontOf(HWND control) {
    LOGFONTW font{};
    auto handle = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    GetObjectW(handle, sizeof font, &font);
    return font;
}

// Where the template puts a control, in pixels of this dialog.
RECT TemplateRect(HWND dialog, int x, int y, int cx, int cy) {
    RECT rect{x, y, x + cx, y + cy};
    MapDialogRect(dialog, &rect);
    return rect;
}

LRESULT SendBroadcast(HWND dialog, WPARAM event, const std::vector<unsigned char>& broadcast) {
    return SendMessageW(dialog, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(broadcast.data()));
}

TEST(MainDialog, StartWithTheCameraFillsTheRowsFromTheCatalogueAndTheCamera) {
    DialogRig rig;
    ASSERT_NE(rig.Open(), nullptr);
    HWND list = rig.List();
    const std::vector<std::u16string> names = {u"Resolution", u"Loop Recording", u"Record Audio",
                                               u"No Options"};
    const std::vector<std::u16string> values = {u"720p", u"3 Minutes", u"On", u""};
    ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), static_cast<LRESULT>(names.size()));
    for (int row = 0; row < static_cast<int>(names.size()); ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(CellText(list, row, 0), names[static_cast<std::size_t>(row)]);
        EXPECT_EQ(CellText(list, row, 1), values[static_cast<std::size_t>(row)]);
        EXPECT_TRUE(rig.dialog.List().IsEnabled(row));
    }
    EXPECT_EQ(Text(rig.Dialog()), u"Tessmo Test Rig");
    EXPECT_TRUE(IsWindowEnabled(rig.Control(kSync)));
    // The first pass after a load adopts every value: no message, no parameter written.
    EXPECT_TRUE(rig.boxes.Boxes().empty());
    EXPECT_EQ(rig.CountRequests(RequestKind::Set, 11), 0u);
    EXPECT_EQ(rig.CountRequests(RequestKind::Set, 13), 2u);
    const auto lines = rig.trace.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Dialog Init Done");
    EXPECT_TRUE(rig.dialog.HasDeviceNotification());
}

TEST(MainDialog, StartWithoutTheCameraDisablesSyncAndEveryRow) {
    DialogRig rig;
    rig.camera.SetCameraPresent(false);
    ASSERT_NE(rig.Open(), nullptr);
    EXPECT_FALSE(IsWindowEnabled(rig.Control(kSync)));
    EXPECT_TRUE(IsWindowEnabled(rig.Control(kExit)));
    for (int row = 0; row < 4; ++row) EXPECT_FALSE(rig.dialog.List().IsEnabled(row));
    EXPECT_TRUE(rig.boxes.Boxes().empty());
    EXPECT_EQ(rig.camera.PropertyRequestCount(), 0u);
    EXPECT_EQ(rig.trace.Lines().back(), "Dialog Init Done");
    // A disabled row can be selected but never offers its drop-down.
    SelectRow(rig.List(), 0);
    EXPECT_FALSE(rig.dialog.List().OpenDropDown(0, 1));
}

TEST(MainDialog, ColumnsFontsAndListStyleComeFromTheSettings) {
    DialogRig rig;
    ASSERT_NE(rig.Open(), nullptr);
    HWND list = rig.List();
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    ASSERT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 2);
    wchar_t title[64] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = title;
    column.cchTextMax = 64;
    SendMessageW(list, LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));
    EXPECT_STREQ(title, L"Value");
    RECT frame{};
    GetWindowRect(list, &frame);
    EXPECT_EQ(column.cx, (frame.right - frame.left - 4) / 2);
    const auto style = SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    EXPECT_EQ(style & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT), LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);

    for (int id : {1000, kSync, kExit}) {
        SCOPED_TRACE(id);
        const LOGFONTW font = FontOf(GetDlgItem(rig.Dialog(), id));
        EXPECT_STREQ(font.lfFaceName, L"Arial");
        EXPECT_EQ(font.lfHeight, 18);
        EXPECT_EQ(font.lfWeight, 400);
        EXPECT_EQ(font.lfCharSet, ANSI_CHARSET);
        EXPECT_EQ(font.lfPitchAndFamily, DEFAULT_PITCH | FF_SWISS);
    }
}

TEST(MainDialog, WithoutABannerTheTextIsHiddenAndTheButtonsMoveLeft) {
    DialogRig rig(kSettingsNoBanner);
    ASSERT_NE(rig.Open(), nullptr);
    EXPECT_FALSE(IsWindowVisible(rig.Control(kBanner)));
    const RECT sync = ChildRect(rig.Control(kSync));
    const RECT exit = ChildRect(rig.Control(kExit));
    const RECT syncTemplate = TemplateRect(rig.Dialog(), 90, 281, 62, 22);
    const RECT exitTemplate = TemplateRect(rig.Dialog(), 170, 281, 62, 22);
    EXPECT_EQ(sync.left, syncTemplate.left - 90);
    EXPECT_EQ(exit.left, exitTemplate.left - 10);
    EXPECT_EQ(sync.top, syncTemplate.top);
    EXPECT_EQ(exit.top, exitTemplate.top);
    EXPECT_EQ(sync.right - sync.left, syncTemplate.right - syncTemplate.left);
    EXPECT_EQ(exit.bottom - exit.top, exitTemplate.bottom - exitTemplate.top);
}

TEST(MainDialog, ABannerIsShownInItsOwnFontAndTheButtonsStay) {
    DialogRig rig(kSettingsWithBanner);
    ASSERT_NE(rig.Open(), nullptr);
    HWND banner = rig.Control(kBanner);
    EXPECT_TRUE(IsWindowVisible(banner));
    EXPECT_EQ(Text(banner), u"Hello");
    const LOGFONTW font = FontOf(banner);
    EXPECT_STREQ(font.lfFaceName, L"Arial");
    EXPECT_EQ(font.lfHeight, 22);
    EXPECT_EQ(font.lfWeight, 700);
    EXPECT_EQ(ChildRect(rig.Control(kSync)).left, TemplateRect(rig.Dialog(), 90, 281, 62, 22).left);
    EXPECT_EQ(ChildRect(rig.Control(kExit)).left, TemplateRect(rig.Dialog(), 170, 281, 62, 22).left);
    EXPECT_EQ(Text(rig.Dialog()), u"Tessmo Banner Rig");
}

TEST(MainDialog, WithoutSettingsTheTitleIsEmptyAndTheDefaultsApply) {
    DialogRig rig("", kDefinitions);
    ASSERT_NE(rig.Open(), nullptr);
    EXPECT_EQ(Text(rig.Dialog()), u"");
    EXPECT_FALSE(IsWindowVisible(rig.Control(kBanner)));
    EXPECT_EQ(FontOf(rig.List()).lfHeight, 16);
}

TEST(MainDialog, SelectingARowPreparesItsDropDownOnTheCurrentOption) {
    DialogRig rig;
    ASSERT_NE(rig.Open(), nullptr);
    struct Case {
        int row;
        int count;
        int initial;
    };
    // Loop Recording holds 3 Minutes (option 2); No Options has none.
    for (const Case& c : {Case{1, 4, 2}, Case{0, 3, 1}, Case{3, 0, 0}}) {
        SCOPED_TRACE(c.row);
        SelectRow(rig.List(), c.row);
        const auto dropDown = rig.dialog.List().GetComboBox(c.row, 1);
        ASSERT_TRUE(dropDown.has_value());
        EXPECT_TRUE(dropDown->enabled);
        EXPECT_EQ(dropDown->options, &rig.dialog.Logic().OptionArray());
        EXPECT_EQ(dropDown->count, c.count);
        EXPECT_EQ(dropDown->initial, c.initial);
        EXPECT_FALSE(dropDown->sort);
        EXPECT_EQ(rig.dialog.Logic().OptionArray(),
                  rig.dialog.Logic().Params()[static_cast<std::size_t>(c.row)].SubStrs);
    }
}

TEST(MainDialog, APickTurnsTheCellRedAndSyncWritesExactlyThatValue) {
    DialogRig rig;
    ASSERT_NE(rig.Open(), nullptr);
    rig.camera.ClearRequests();

    ASSERT_TRUE(rig.Pick(1, 3));  // Loop Recording: 5 Minutes
    EXPECT_EQ(CellText(rig.List(), 1, 1), u"5 Minutes");
    ColorRef text = 0, background = 0;
    rig.dialog.List().GetItemColors(1, 1, text, background);
    EXPECT_EQ(text, kColorRed);
    EXPECT_EQ(rig.dialog.Logic().Params()[1].CurIdx, 3);
    EXPECT_EQ(rig.CountRequests(RequestKind::Set, 11), 0u);  // nothing goes out before Sync

    SendMessageW(rig.Control(kSync), BM_CLICK, 0, 0);
    PumpMessages(rig.Dialog());
    EXPECT_EQ(rig.CountRequests(RequestKind::Set, 11), 1u);
    EXPECT_EQ(rig.LastWrittenValue(2), 3);
    EXPECT_EQ(rig.camera.Option(2), 3);
    ASSERT_EQ(rig.boxes.Boxes().size(), 1u);
    const auto& box = rig.boxes.Boxes()[0];
    EXPECT_EQ(box.text, u"Sync OK!");
    EXPECT_EQ(box.caption, u"");
    EXPECT_TRUE(box.hasOk);
    EXPECT_FALSE(box.hasCancel);
    EXPECT_EQ(box.owner, rig.Dialog());
    // The picked value stays red after the sync.
    rig.dialog.List().GetItemColors(1, 1, text, background);
    EXPECT_EQ(text, kColorRed);
}

TEST(MainDialog, APickOfTheValueShownStaysBlackAndWritesNothing) {
    DialogRig rig;
    ASSERT_NE(rig.Open(), nullptr);
    ASSERT_TRUE(rig.Pick(0, 1));  // 720p, what the camera holds and the cell shows
    ColorRef text = 1, background = 0;
    rig.dialog.List().GetItemColors(0, 1, text, background);
    EXPECT_EQ(text, kColorBlack);
    SendMessageW(rig.Control(kSync), BM_CLICK, 0, 0);
    PumpMessages(rig.Dialog());
    EXPECT_EQ(rig.CountRequests(RequestKind::Set, 11), 0u);
    EXPECT_TRUE(rig.boxes.Boxes().empty());
}

TEST(MainDialog, SyncWithTheCameraGoneSaysSo) {
    DialogRig rig;
    ASSERT_NE(rig.Open(), nullptr);
    rig.camera.SetCameraPresent(false);
    SendMessageW(rig.Control(kSync), BM_CLICK, 0, 0);
    PumpMessages(rig.Dialog());
    EXPECT_EQ(rig.boxes.Texts(), std::vector<std::u16string>{u"Device not found!"});
}

struct BroadcastCase {
    const char* name;
    WPARAM event;
    std::vector<unsigned char> broadcast;
    bool acts;
};

TEST(MainDialog, OnlyTheCameraInterfaceBroadcastsAct) {
    const GUID otherClass = {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
    const std::vector<BroadcastCase> cases = {
        {"arrival of interface 00", DBT_DEVICEARRIVAL, InterfaceBroadcast(kCaptureClass, kCameraInterfaceName), true},
        {"removal of interface 00", DBT_DEVICEREMOVECOMPLETE, InterfaceBroadcast(kCaptureClass, kCameraInterfaceName), true},
        {"lower-case name", DBT_DEVICEARRIVAL,
         InterfaceBroadcast(kCaptureClass, u"\\\\?\\usb#vid_04fc&pid_6333&mi_00#7&2a1f0c3&0&0000#{x}"), false},
        {"interface 02", DBT_DEVICEARRIVAL,
         InterfaceBroadcast(kCaptureClass, u"\\\\?\\USB#VID_04FC&PID_6333&MI_02#7&2a1f0c3&0&0002#{x}"), false},
        {"another class", DBT_DEVICEARRIVAL, InterfaceBroadcast(otherClass, kCameraInterfaceName), false},
        {"another camera", DBT_DEVICEARRIVAL,
         InterfaceBroadcast(kCaptureClass, u"\\\\?\\USB#VID_046D&PID_0825&MI_00#6&31d2a8f&0&0000#{x}"), false},
        {"name cut short", DBT_DEVICEARRIVAL, InterfaceBroadcast(kCaptureClass, u"\\\\?\\USB#VID_04FC&PID_6333&MI_0"), false},
        {"volume broadcast", DBT_DEVICEARRIVAL, OtherBroadcast(DBT_DEVTYP_VOLUME, 20), false},
        {"query remove of the camera", DBT_DEVICEQUERYREMOVE, InterfaceBroadcast(kCaptureClass, kCameraInterfaceName), false},
        {"remove pending of the camera", DBT_DEVICEREMOVEPENDING, InterfaceBroadcast(kCaptureClass, kCameraInterfaceName), false},
    };
    DialogRig rig;
    ASSERT_NE(rig.Open(), nullptr);
    for (const BroadcastCase& c : cases) {
        SCOPED_TRACE(c.name);
        const bool arrival = c.event == DBT_DEVICEARRIVAL;
        // Start from the opposite of what the event would bring about.
        EnableWindow(rig.Control(kSync), arrival ? FALSE : TRUE);
        rig.dialog.Logic().EnableAllRows(!arrival);
        const std::size_t discoveries = rig.camera.DiscoveryRuns();
        const LRESULT result = SendBroadcast(rig.Dialog(), c.event, c.broadcast);
        PumpMessages(rig.Dialog());

        const bool expectEnabled = c.acts ? arrival : !arrival;
        EXPECT_EQ(IsWindowEnabled(rig.Control(kSync)) != FALSE, expectEnabled);
        EXPECT_EQ(rig.dialog.List().IsEnabled(0), expectEnabled);
        EXPECT_EQ(rig.camera.DiscoveryRuns() > discoveries, c.acts && arrival);  // a sync pass ran
        // Every broadcast, acted on or not, gets the default processing's result.
        EXPECT_EQ(result, DefWindowProcW(rig.Dialog(), WM_DEVICECHANGE, c.event,
                                         reinterpret_cast<LPARAM>(c.broadcast.data())));
    }
}

TEST(MainDialog, ADeviceChangeWithoutABroadcastAnswersTrue) {
    DialogRig rig;
    ASSERT_NE(rig.Open(), nullptr);
    EXPECT_EQ(SendMessageW(rig.Dialog(), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0), TRUE);
    EXPECT_EQ(SendMessageW(rig.Dialog(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0), TRUE);
}

TEST(MainDialog, ArrivalEnablesAndSyncsRemovalDisablesAndForgetsUnsyncedPicks) {
    DialogRig rig;
    ASSERT_NE(rig.Open(), nullptr);
    ASSERT_TRUE(rig.Pick(2, 0));  // Record Audio: Off, not synced
    EXPECT_EQ(rig.dialog.Logic().Params()[2].CurIdx, 0);

    rig.camera.SetCameraPresent(false);
    SendBroadcast(rig.Dialog(), DBT_DEVICEREMOVECOMPLETE, InterfaceBroadcast(kCaptureClass, kCameraInterfaceName));
    EXPECT_FALSE(IsWindowEnabled(rig.Control(kSync)));
    for (int row = 0; row < 4; ++row) {
        EXPECT_FALSE(rig.dialog.List().IsEnabled(row));
        EXPECT_EQ(CellText(rig.List(), row, 1), u"");
    }
    EXPECT_EQ(rig.dialog.Logic().Params()[2].CurIdx, kNoOption);
    ColorRef text = 0, background = 0;
    rig.dialog.List().GetItemColors(2, 1, text, background);
    EXPECT_NE(text, kColorRed);

    rig.camera.SetCameraPresent(true);
    rig.camera.ClearRequests();
    SendBroadcast(rig.Dialog(), DBT_DEVICEARRIVAL, InterfaceBroadcast(kCaptureClass, kCameraInterfaceName));
    PumpMessages(rig.Dialog());
    EXPECT_TRUE(IsWindowEnabled(rig.Control(kSync)));
    for (int row = 0; row < 4; ++row) EXPECT_TRUE(rig.dialog.List().IsEnabled(row));
    EXPECT_EQ(CellText(rig.List(), 2, 1), u"On");  // the camera's value again
    EXPECT_EQ(rig.CountRequests(RequestKind::Set, 11), 0u);
    EXPECT_TRUE(rig.boxes.Boxes().empty());
}

TEST(MainDialog, TheDragIconIsTheProgramIcon) {
    DialogRig rig;
    ASSERT_NE(rig.Open(), nullptr);
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(128));
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(rig.Dialog(), WM_QUERYDRAGICON, 0, 0)), icon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(rig.Dialog(), WM_GETICON, ICON_BIG, 0)), icon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(rig.Dialog(), WM_GETICON, ICON_SMALL, 0)), icon);
}

// The modal run: Escape reaches the dialog manager, which ends the dialog with IDCANCEL.
HWND g_modalDialog = nullptr;
LRESULT CALLBACK PressEscapeOnActivation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && g_modalDialog == nullptr) {
        g_modalDialog = reinterpret_cast<HWND>(wParam);
        PostMessageW(GetDlgItem(g_modalDialog, 1000), WM_KEYDOWN, VK_ESCAPE, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(MainDialog, EscapeEndsTheModalRunWithCancel) {
    WorkingFolder folder;
    folder.Write("Tessmo.ini", kSettingsNoBanner);
    folder.Write("Vorlund.ini", kDefinitions);
    SimulatedCamera camera;
    TraceCollector trace;
    CaptureChannelFactory channels(camera, trace);
    Win32ProfileSource profile;
    CMainDialog dialog(GetModuleHandleW(nullptr), {profile, channels, trace});
    g_modalDialog = nullptr;
    HHOOK hook = SetWindowsHookExW(WH_CBT, PressEscapeOnActivation, nullptr, GetCurrentThreadId());
    const INT_PTR result = dialog.DoModal(nullptr);
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_NE(g_modalDialog, nullptr);
    EXPECT_FALSE(IsWindow(g_modalDialog));
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
    for (const PropertyRequest& request : camera.Requests()) EXPECT_NE(request.id, 11u);
}

}  // namespace
}  // namespace tessmo::win32::testing
