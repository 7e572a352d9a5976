// The cell list on a real SysListView32: when the in-cell drop-down opens, what it
// offers, how it ends and what the parent hears, cells out of range, paint colours and
// long texts. A click opening it, and columns fitting beside the vertical scroll bar of a
// long list, are the screenshot run's.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "Support.h"
#include "ui/CellListCtrl.h"

namespace tessmo::win32::testing {
namespace {

const std::vector<std::u16string> kOptions = {u"Off", u"Low", u"Medium", u"High"};
std::vector<std::pair<WPARAM, LPARAM>> g_picks;  // what the parent was told

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CELLLIST_COMBO_SELECTION) g_picks.emplace_back(wParam, lParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// A two-column report list of three rows bound to a CCellListCtrl, row 1 selected with
// a drop-down, in a host window that lives as long as the process: without a window
// manager Wine waits two seconds when it takes down a top-level window that has been
// active, the process's end does not.
struct CellList : ::testing::Test {
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        WNDCLASSW cls{};
        cls.lpfnWndProc = HostProc;
        cls.hInstance = GetModuleHandleW(nullptr);
        cls.lpszClassName = L"TessmoCellListHost";
        RegisterClassW(&cls);
        if (host != nullptr) return;
        host = CreateWindowExW(0, cls.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                               nullptr, cls.hInstance, nullptr);
    }
    void SetUp() override {
        ASSERT_NE(host, nullptr);
        list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL, 10,
                               10, 360, 240, host, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(control.Attach(list));
        control.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);  // as the dialog has it
        control.InsertColumn(0, LVCFMT_LEFT, 150, u"Name", 0);
        control.InsertColumn(1, LVCFMT_LEFT, 150, u"Value", 1);
        Rebuild();
    }
    void TearDown() override {
        if (IsWindow(list)) DestroyWindow(list);
        PumpMessages();
    }
    // The rows as the dialog sets them up, and what it does when row 1 becomes selected.
    void Rebuild(int count = 4, int initial = 0) {
        control.DeleteAllItems();
        for (int row = 0; row < 3; ++row) control.InsertItem(row, u"Row");
        SelectRow(list, 1);
        control.SetComboBox(1, 1, true, kOptions, count, initial, false);
        g_picks.clear();
        SetFocus(list);
    }
    void Pick(int index) {
        HWND combo = control.GetDropDownWindow();
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(list, WM_COMMAND, MAKEWPARAM(kDropDownControlId, CBN_SELENDOK),
                     reinterpret_cast<LPARAM>(combo));
        PumpMessages();
    }
    void CloseDropDown() {
        HWND combo = control.GetDropDownWindow();
        if (combo != nullptr) SendMessageW(combo, WM_KEYDOWN, VK_ESCAPE, 0);
        PumpMessages();
    }

    static inline HWND host = nullptr;
    HWND list = nullptr;
    CCellListCtrl control;
};

TEST_F(CellList, DropDownOffersCountOptionsInArrayOrderOnTheInitialEntryOverTheCell) {
    const struct {
        const char* name;
        int count, initial, entries;
        LRESULT current;
    } cases[] = {{"all", 4, 2, 4, 2},
                 {"fewer than the array", 2, 1, 2, 1},
                 {"more than the array", 9, 3, 4, 3},
                 {"none", 0, 0, 0, CB_ERR},
                 {"negative", -3, 0, 0, CB_ERR}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rebuild(c.count, c.initial);
        ASSERT_TRUE(control.OpenDropDown(1, 1));
        HWND combo = control.GetDropDownWindow();
        std::vector<std::u16string> entries;
        for (LRESULT i = 0; i < SendMessageW(combo, CB_GETCOUNT, 0, 0); ++i) {
            wchar_t text[64] = {};
            SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            entries.emplace_back(reinterpret_cast<const char16_t*>(text));
        }
        EXPECT_EQ(entries, std::vector<std::u16string>(kOptions.begin(), kOptions.begin() + c.entries));
        EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), c.current);
        EXPECT_TRUE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
        EXPECT_EQ(GetFocus(), combo);
        RECT cell{LVIR_BOUNDS, 1, 0, 0};  // left: what to measure, top: the sub-item
        SendMessageW(list, LVM_GETSUBITEMRECT, 1, reinterpret_cast<LPARAM>(&cell));
        EXPECT_EQ(ChildRect(combo).left, cell.left);
        EXPECT_EQ(ChildRect(combo).top, cell.top);
        CloseDropDown();
    }
}

TEST_F(CellList, DropDownOpensOnlyOnTheSelectedEnabledRowWithAnEnabledDropDown) {
    struct Case {
        const char* name;
        bool opens;
        UINT message = 0;  // 0: asked for directly; else the key message that asks for it
        WPARAM key = 0;
        bool selected = true, rowEnabled = true, dropDownEnabled = true;
        int subItem = 1;  // the name cell has no drop-down
    };
    const Case cases[] = {
        {.name = "asked for", .opens = true},
        {.name = "row not selected", .opens = false, .selected = false},
        {.name = "row disabled", .opens = false, .rowEnabled = false},
        {.name = "no drop-down", .opens = false, .subItem = 0},
        {.name = "drop-down disabled", .opens = false, .dropDownEnabled = false},
        {.name = "F2", .opens = true, .message = WM_KEYDOWN, .key = VK_F2},
        {.name = "Enter", .opens = true, .message = WM_KEYDOWN, .key = VK_RETURN},
        {.name = "Space", .opens = true, .message = WM_KEYDOWN, .key = VK_SPACE},
        {.name = "Alt+Down", .opens = true, .message = WM_SYSKEYDOWN, .key = VK_DOWN},
        {.name = "Down alone", .opens = false, .message = WM_KEYDOWN, .key = VK_DOWN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rebuild();
        SelectRow(list, c.selected ? 1 : 0);
        control.SetComboBox(1, 1, c.dropDownEnabled, kOptions, 4, 0, false);
        control.SetEnabled(1, c.rowEnabled);
        if (c.message == 0) {
            EXPECT_EQ(control.OpenDropDown(1, c.subItem), c.opens);
        } else {
            SendMessageW(list, c.message, c.key, c.message == WM_SYSKEYDOWN ? 1 << 29 : 0);  // bit 29: Alt
        }
        EXPECT_EQ(control.GetDropDownWindow() != nullptr, c.opens);
        CloseDropDown();
    }
}

// Enter in the combo is the dialog test's pick.
TEST_F(CellList, APickOrACancelEndsTheDropDown) {
    // The cell shows Medium and the combo High when the drop-down ends.
    struct Case {
        const char* name;
        void (*act)(CellList&, HWND combo);
        const char16_t* text = u"Medium";
        int modified = 0;
        std::size_t picks = 0;
    };
    const Case cases[] = {
        {"pick", [](CellList& t, HWND) { t.Pick(3); }, u"High", 1, 1},
        {"pick of the text shown", [](CellList& t, HWND) { t.Pick(2); }, u"Medium", 0, 1},
        {"changed, then back: the mark stays",
         [](CellList& t, HWND) {
             t.Pick(3);
             t.control.OpenDropDown(1, 1);
             t.Pick(2);
         },
         u"Medium", 1, 2},
        {"Escape", [](CellList&, HWND c) { SendMessageW(c, WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"Tab", [](CellList&, HWND c) { SendMessageW(c, WM_KEYDOWN, VK_TAB, 0); }},
        {"focus elsewhere", [](CellList&, HWND) { SetFocus(host); }},
        {"scroll", [](CellList& t, HWND) { SendMessageW(t.list, WM_VSCROLL, SB_LINEDOWN, 0); }},
        {"list closed without a pick",
         [](CellList& t, HWND c) {
             SendMessageW(t.list, WM_COMMAND, MAKEWPARAM(kDropDownControlId, CBN_SELENDCANCEL),
                          reinterpret_cast<LPARAM>(c));
         }},
        {"row disabled", [](CellList& t, HWND) { t.control.SetEnabled(1, false); }},
        {"row inserted", [](CellList& t, HWND) { t.control.InsertItem(3, u"Row 3"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rebuild();
        control.SetItemText(1, 1, u"Medium");
        ASSERT_TRUE(control.OpenDropDown(1, 1));
        HWND combo = control.GetDropDownWindow();
        SendMessageW(combo, CB_SETCURSEL, 3, 0);
        c.act(*this, combo);
        PumpMessages();
        EXPECT_FALSE(IsWindow(combo));
        EXPECT_EQ(control.GetDropDownWindow(), nullptr);
        EXPECT_EQ(control.GetItemText(1, 1), c.text);
        EXPECT_EQ(control.GetModified(1, 1), c.modified);
        EXPECT_EQ(g_picks, (std::vector<std::pair<WPARAM, LPARAM>>(c.picks, {1, 1})));  // row, sub-item
        EXPECT_TRUE(c.picks == 0 || GetFocus() == list) << "a pick gives the focus back to the list";
    }
}

TEST_F(CellList, CellsOutOfRangeAreIgnoredAndTheListGoingAwayUnbindsTheControl) {
    control.SetEnabled(7, false);
    control.SetComboBox(-1, 1, true, kOptions, 4, 0, false);
    control.SetItemText(1, 5, u"beyond the columns", kColorRed, 0);
    EXPECT_EQ(control.GetModified(9, 1), 0);
    EXPECT_FALSE(control.GetComboBox(1, 5).has_value());
    EXPECT_FALSE(control.OpenDropDown(9, 1));

    ASSERT_TRUE(control.OpenDropDown(1, 1));
    DestroyWindow(list);
    EXPECT_EQ(control.GetSafeHwnd(), nullptr);
    EXPECT_EQ(control.GetDropDownWindow(), nullptr);
}

TEST_F(CellList, PaintColoursShowDisabledRowsPickedCellsAndTheSelection) {
    control.SetItemText(0, 1, u"x", kColorRed, 0x00FFFFFF);
    control.SetEnabled(1, false);
    COLORREF text = 0, background = 0;
    control.GetPaintColors(0, 1, false, text, background);
    EXPECT_EQ(text, kColorRed);
    EXPECT_EQ(background, 0x00FFFFFFu);
    control.GetPaintColors(0, 1, true, text, background);  // selected: the same text, tinted behind
    EXPECT_EQ(text, kColorRed);
    EXPECT_NE(background, 0x00FFFFFFu);
    control.GetPaintColors(1, 1, false, text, background);
    EXPECT_EQ(text, GetSysColor(COLOR_GRAYTEXT));
}

// An option longer than the cell is readable: the open list is as wide as its longest
// text, and the cut cell offers its whole text as a tip (a cell that fits offers none).
TEST_F(CellList, LongTextsAreReadableInTheOpenListAndAsATip) {
    const std::u16string longText = u"3840x2160 30fps with electronic image stabilisation";
    control.SetComboBox(1, 1, true, {u"Off", longText}, 2, 0, false);
    ASSERT_TRUE(control.OpenDropDown(1, 1));
    HWND combo = control.GetDropDownWindow();
    HDC dc = GetDC(combo);
    const auto old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(combo, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(longText.c_str()),
                          static_cast<int>(longText.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(combo, dc);
    EXPECT_GT(SendMessageW(combo, CB_GETDROPPEDWIDTH, 0, 0), extent.cx);
    CloseDropDown();

    control.SetItemText(1, 1, longText);
    control.SetItemText(2, 1, u"Off");
    EXPECT_EQ(control.CutCellText(1, 1), longText);
    EXPECT_EQ(control.CutCellText(2, 1), u"");
}

}  // namespace
}  // namespace tessmo::win32::testing
