// The cell list on a real SysListView32 in a plain host window: per-row state that
// follows the rows, the in-cell drop-down and its pick, cancel and refusal paths, the
// selection message to the parent, and the colours the custom draw hands the list.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

#include "UiSupport.h"
#include "ui/CellListCtrl.h"

namespace tessmo::win32::testing {
namespace {

struct Selection {
    WPARAM row;
    LPARAM subItem;
    friend bool operator==(const Selection&, const Selection&) = default;
};

std::vector<Selection>* g_selections = nullptr;

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CELLLIST_COMBO_SELECTION && g_selections != nullptr) {
        g_selections->push_back({wParam, lParam});
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

const std::vector<std::u16string> kOptions = {u"Off", u"Low", u"Medium", u"High"};

// A two-column report list of three rows, bound to a CCellListCtrl, in a host window
// shared by the whole suite: Wine without a window manager waits two seconds for every
// top-level window it hides, child windows come and go at once.
class CellListTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WNDCLASSW cls{};
        cls.lpfnWndProc = HostProc;
        cls.hInstance = GetModuleHandleW(nullptr);
        cls.lpszClassName = L"TessmoCellListHost";
        RegisterClassW(&cls);
        host = CreateWindowExW(0, L"TessmoCellListHost", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               0, 0, 400, 300, nullptr, nullptr, cls.hInstance, nullptr);
    }
    static void TearDownTestSuite() {
        DestroyWindow(host);
        PumpMessages();
    }
    void SetUp() override {
        g_selections = &selections;
        ASSERT_NE(host, nullptr);
        list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT |
                                                     LVS_SINGLESEL,
                               10, 10, 360, 240, host, reinterpret_cast<HMENU>(1000),
                               GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(list, nullptr);
        ASSERT_TRUE(control.Attach(list));
        // As the dialog sets it up: a click anywhere in a row selects the row.
        control.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
        control.InsertColumn(0, LVCFMT_LEFT, 150, u"Name", 0);
        control.InsertColumn(1, LVCFMT_LEFT, 150, u"Value", 1);
        for (int row = 0; row < 3; ++row) {
            control.InsertItem(row, u"Row " + std::u16string(1, static_cast<char16_t>(u'0' + row)));
        }
        SetFocus(list);
    }
    void TearDown() override {
        if (IsWindow(list)) DestroyWindow(list);
        PumpMessages();
        g_selections = nullptr;
    }
    // What the dialog does when row `row` becomes selected.
    void PrepareDropDown(int row, int count = 4, int initial = 2) {
        SelectRow(list, row);
        control.SetComboBox(row, 1, true, &kOptions, count, initial, false);
    }
    std::vector<std::u16string> ComboEntries() {
        std::vector<std::u16string> entries;
        HWND combo = control.GetDropDownWindow();
        const auto count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            wchar_t text[64] = {};
            SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            entries.emplace_back(reinterpret_cast<const char16_t*>(text));
        }
        return entries;
    }
    void PickEntry(int index) {
        HWND combo = control.GetDropDownWindow();
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(list, WM_COMMAND, MAKEWPARAM(kDropDownControlId, CBN_SELENDOK),
                     reinterpret_cast<LPARAM>(combo));
        PumpMessages();
    }

    static inline HWND host = nullptr;
    HWND list = nullptr;
    CCellListCtrl control;
    std::vector<Selection> selections;
};

TEST(CellListMessage, IsTheRegisteredIdOfItsName) {
    EXPECT_GE(WM_CELLLIST_COMBO_SELECTION, 0xC000u);
    EXPECT_EQ(WM_CELLLIST_COMBO_SELECTION, RegisterWindowMessageW(kComboSelectionMessageName));
}

TEST_F(CellListTest, NewRowsStartEnabledInDefaultColoursUnmarkedWithoutDropDown) {
    ColorRef text = 1, background = 1;
    control.GetItemColors(1, 1, text, background);
    EXPECT_EQ(text, GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(background, GetSysColor(COLOR_WINDOW));
    EXPECT_TRUE(control.IsEnabled(1));
    EXPECT_EQ(control.GetModified(1, 1), 0);
    EXPECT_FALSE(control.GetComboBox(1, 1).has_value());
    EXPECT_EQ(control.GetItemCount(), 3);
    EXPECT_EQ(CellText(list, 2, 0), u"Row 2");
}

TEST_F(CellListTest, RowStateFollowsRowsInsertedAndDeletedByAnyone) {
    control.SetEnabled(1, false);
    control.SetItemText(2, 1, u"x", kColorRed, 0x00FFFFFF);
    // A row inserted straight through the list view, in front of both.
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = 0;
    item.pszText = const_cast<wchar_t*>(L"new");
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_TRUE(control.IsEnabled(0));
    EXPECT_FALSE(control.IsEnabled(2));
    ColorRef text = 0, background = 0;
    control.GetItemColors(3, 1, text, background);
    EXPECT_EQ(text, kColorRed);

    SendMessageW(list, LVM_DELETEITEM, 0, 0);
    EXPECT_FALSE(control.IsEnabled(1));
    control.DeleteAllItems();
    control.InsertItem(0, u"again");
    EXPECT_TRUE(control.IsEnabled(0));
    control.GetItemColors(0, 1, text, background);
    EXPECT_EQ(text, GetSysColor(COLOR_WINDOWTEXT));
}

TEST_F(CellListTest, OutOfRangeCellsAreIgnored) {
    control.SetEnabled(7, false);
    control.SetComboBox(-1, 1, true, &kOptions, 4, 0, false);
    control.SetItemText(1, 5, u"beyond the columns", kColorRed, 0);
    EXPECT_EQ(control.GetModified(9, 1), 0);
    EXPECT_FALSE(control.GetComboBox(1, 5).has_value());
    EXPECT_FALSE(control.IsEnabled(7));
    EXPECT_FALSE(control.OpenDropDown(9, 1));
}

TEST_F(CellListTest, DropDownOffersTheOptionsInArrayOrderOnTheInitialEntryOverTheCell) {
    const std::vector<std::u16string> unsorted = {u"Zulu", u"Alpha", u"Mike"};
    SelectRow(list, 1);
    control.SetComboBox(1, 1, true, &unsorted, 3, 1, false);
    ASSERT_TRUE(control.OpenDropDown(1, 1));
    HWND combo = control.GetDropDownWindow();
    EXPECT_EQ(ComboEntries(), unsorted);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
    EXPECT_TRUE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(GetWindowLongW(combo, GWL_STYLE) & (CBS_DROPDOWNLIST | CBS_SORT), CBS_DROPDOWNLIST);
    EXPECT_EQ(GetFocus(), combo);

    RECT cell{};
    cell.top = 1;
    cell.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETSUBITEMRECT, 1, reinterpret_cast<LPARAM>(&cell));
    const RECT where = ChildRect(combo);
    EXPECT_EQ(where.left, cell.left);
    EXPECT_EQ(where.top, cell.top);
}

TEST_F(CellListTest, CountLimitsTheEntriesAndNeverReadsPastTheArray) {
    struct Case {
        const char* name;
        int count;
        std::size_t expected;
    };
    for (const Case& c : {Case{"fewer than the array", 2, 2}, Case{"none", 0, 0},
                          Case{"more than the array", 9, 4}, Case{"negative", -3, 0}}) {
        SCOPED_TRACE(c.name);
        PrepareDropDown(0, c.count, 0);
        ASSERT_TRUE(control.OpenDropDown(0, 1));
        EXPECT_EQ(ComboEntries().size(), c.expected);
        SendMessageW(control.GetDropDownWindow(), WM_KEYDOWN, VK_ESCAPE, 0);
        PumpMessages();
    }
}

TEST_F(CellListTest, DropDownOpensOnlyOnTheSelectedEnabledRowWithAnEnabledDropDown) {
    struct Case {
        const char* name;
        bool select;
        bool rowEnabled;
        bool dropDownEnabled;
        bool prepared;
        bool opens;
    };
    const Case cases[] = {
        {"selected, enabled, prepared", true, true, true, true, true},
        {"row not selected", false, true, true, true, false},
        {"row disabled", true, false, true, true, false},
        {"drop-down disabled", true, true, false, true, false},
        {"no drop-down prepared", true, true, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        control.DeleteAllItems();
        control.InsertItem(0, u"a");
        control.InsertItem(1, u"b");
        SelectRow(list, c.select ? 1 : 0);
        if (c.prepared) control.SetComboBox(1, 1, c.dropDownEnabled, &kOptions, 4, 0, false);
        control.SetEnabled(1, c.rowEnabled);
        EXPECT_EQ(control.OpenDropDown(1, 1), c.opens);
        EXPECT_EQ(control.GetDropDownWindow() != nullptr, c.opens);
        // The keyboard asks for the same thing.
        if (control.GetDropDownWindow() != nullptr) SendMessageW(control.GetDropDownWindow(), WM_KEYDOWN, VK_ESCAPE, 0);
        PumpMessages();
        if (c.select) {
            SetFocus(list);
            SendMessageW(list, WM_KEYDOWN, VK_F2, 0);
            EXPECT_EQ(control.GetDropDownWindow() != nullptr, c.opens);
            if (control.GetDropDownWindow() != nullptr) SendMessageW(control.GetDropDownWindow(), WM_KEYDOWN, VK_ESCAPE, 0);
            PumpMessages();
        }
    }
}

TEST_F(CellListTest, KeysThatOpenTheDropDown) {
    struct Case {
        const char* name;
        UINT message;
        WPARAM key;
        LPARAM flags;
        bool opens;
    };
    const Case cases[] = {
        {"F2", WM_KEYDOWN, VK_F2, 0, true},
        {"Enter", WM_KEYDOWN, VK_RETURN, 0, true},
        {"Space", WM_KEYDOWN, VK_SPACE, 0, true},
        {"Alt+Down", WM_SYSKEYDOWN, VK_DOWN, 1 << 29, true},
        {"Down alone", WM_KEYDOWN, VK_DOWN, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PrepareDropDown(0);
        SetFocus(list);
        SendMessageW(list, c.message, c.key, c.flags);
        EXPECT_EQ(control.GetDropDownWindow() != nullptr, c.opens);
        if (control.GetDropDownWindow() != nullptr) SendMessageW(control.GetDropDownWindow(), WM_KEYDOWN, VK_ESCAPE, 0);
        PumpMessages();
    }
}

TEST_F(CellListTest, EnterOnARowThatCanOpenIsWantedFromTheDialogManager) {
    PrepareDropDown(0);
    MSG enter{list, WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
    EXPECT_NE(SendMessageW(list, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) &
                  DLGC_WANTMESSAGE,
              0);
    control.SetEnabled(0, false);
    EXPECT_EQ(SendMessageW(list, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) &
                  DLGC_WANTMESSAGE,
              0);
}

TEST_F(CellListTest, APickPutsTheTextInTheCellMarksItAndTellsTheParent) {
    PrepareDropDown(2, 4, 0);
    ASSERT_TRUE(control.OpenDropDown(2, 1));
    PickEntry(3);
    EXPECT_EQ(control.GetDropDownWindow(), nullptr);
    EXPECT_EQ(control.GetItemText(2, 1), u"High");
    EXPECT_EQ(control.GetModified(2, 1), 1);
    EXPECT_EQ(selections, (std::vector<Selection>{{2, 1}}));
    EXPECT_EQ(GetFocus(), list);
}

TEST_F(CellListTest, APickOfTheTextTheCellAlreadyShowsIsNoModification) {
    control.SetItemText(0, 1, u"Medium");
    PrepareDropDown(0, 4, 2);
    ASSERT_TRUE(control.OpenDropDown(0, 1));
    PickEntry(2);
    EXPECT_EQ(control.GetModified(0, 1), 0);
    EXPECT_EQ(selections, (std::vector<Selection>{{0, 1}}));

    // Once changed, the mark stays, even when a later pick restores the old text.
    ASSERT_TRUE(control.OpenDropDown(0, 1));
    PickEntry(1);
    ASSERT_TRUE(control.OpenDropDown(0, 1));
    PickEntry(2);
    EXPECT_EQ(control.GetItemText(0, 1), u"Medium");
    EXPECT_EQ(control.GetModified(0, 1), 1);
}

TEST_F(CellListTest, EnterInTheComboPicksTheSelectedEntry) {
    PrepareDropDown(1, 4, 0);
    ASSERT_TRUE(control.OpenDropDown(1, 1));
    HWND combo = control.GetDropDownWindow();
    SendMessageW(combo, CB_SETCURSEL, 1, 0);
    SendMessageW(combo, WM_KEYDOWN, VK_RETURN, 0);
    PumpMessages();
    EXPECT_EQ(control.GetItemText(1, 1), u"Low");
    EXPECT_EQ(selections, (std::vector<Selection>{{1, 1}}));
}

TEST_F(CellListTest, EscapeTabAndFocusLossCancelWithoutAMessage) {
    struct Case {
        const char* name;
        void (*act)(HWND combo, HWND listView);
    };
    const Case cases[] = {
        {"Escape", [](HWND combo, HWND) { SendMessageW(combo, WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"Tab", [](HWND combo, HWND) { SendMessageW(combo, WM_KEYDOWN, VK_TAB, 0); }},
        {"focus elsewhere", [](HWND, HWND listView) { SetFocus(GetParent(listView)); }},
        {"scroll", [](HWND, HWND listView) { SendMessageW(listView, WM_VSCROLL, SB_LINEDOWN, 0); }},
        {"list closed without a pick",
         [](HWND combo, HWND listView) {
             SendMessageW(listView, WM_COMMAND, MAKEWPARAM(kDropDownControlId, CBN_SELENDCANCEL),
                          reinterpret_cast<LPARAM>(combo));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PrepareDropDown(1, 4, 0);
        ASSERT_TRUE(control.OpenDropDown(1, 1));
        HWND combo = control.GetDropDownWindow();
        SendMessageW(combo, CB_SETCURSEL, 3, 0);
        c.act(combo, list);
        PumpMessages();
        EXPECT_EQ(control.GetDropDownWindow(), nullptr);
        EXPECT_FALSE(IsWindow(combo));
        EXPECT_EQ(control.GetItemText(1, 1), u"");
        EXPECT_EQ(control.GetModified(1, 1), 0);
        EXPECT_TRUE(selections.empty());
    }
}

TEST_F(CellListTest, DisablingTheRowOrRebuildingTheRowsClosesAnOpenDropDown) {
    PrepareDropDown(1);
    ASSERT_TRUE(control.OpenDropDown(1, 1));
    control.SetEnabled(1, false);
    EXPECT_EQ(control.GetDropDownWindow(), nullptr);

    control.SetEnabled(1, true);
    ASSERT_TRUE(control.OpenDropDown(1, 1));
    control.DeleteAllItems();
    EXPECT_EQ(control.GetDropDownWindow(), nullptr);
    PumpMessages();
    EXPECT_TRUE(selections.empty());
}

TEST_F(CellListTest, AClickOnTheValueCellOfTheSelectedRowOpensItsDropDown) {
    PrepareDropDown(0);
    RECT cell{};
    cell.top = 1;
    cell.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&cell));
    const LPARAM at = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
    // The list view waits for the button to come up before it returns from the press.
    PostMessageW(list, WM_LBUTTONUP, 0, at);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    EXPECT_NE(control.GetDropDownWindow(), nullptr);
}

TEST_F(CellListTest, PaintColoursShowDisabledRowsPickedCellsAndTheSelection) {
    control.SetItemText(0, 1, u"x", kColorRed, 0x00FFFFFF);
    control.SetEnabled(1, false);
    COLORREF text = 0, background = 0;

    control.GetPaintColors(0, 1, false, text, background);
    EXPECT_EQ(text, kColorRed);
    EXPECT_EQ(background, 0x00FFFFFFu);
    control.GetPaintColors(1, 1, false, text, background);
    EXPECT_EQ(text, GetSysColor(COLOR_GRAYTEXT));
    control.GetPaintColors(2, 0, false, text, background);
    EXPECT_EQ(text, GetSysColor(COLOR_WINDOWTEXT));
    // Selected: the text keeps its colour, the background is tinted.
    control.GetPaintColors(0, 1, true, text, background);
    EXPECT_EQ(text, kColorRed);
    EXPECT_NE(background, 0x00FFFFFFu);
}

TEST_F(CellListTest, CustomDrawFromTheListIsAnsweredBeforeTheParentSeesIt) {
    control.SetItemText(2, 1, u"x", kColorRed, 0x00F0F0F0);
    NMLVCUSTOMDRAW draw{};
    draw.nmcd.hdr.hwndFrom = list;
    draw.nmcd.hdr.idFrom = 1000;
    draw.nmcd.hdr.code = NM_CUSTOMDRAW;

    draw.nmcd.dwDrawStage = CDDS_PREPAINT;
    EXPECT_EQ(SendMessageW(host, WM_NOTIFY, 1000, reinterpret_cast<LPARAM>(&draw)), CDRF_NOTIFYITEMDRAW);
    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
    draw.nmcd.dwItemSpec = 2;
    draw.nmcd.uItemState = CDIS_SELECTED;
    EXPECT_EQ(SendMessageW(host, WM_NOTIFY, 1000, reinterpret_cast<LPARAM>(&draw)),
              CDRF_NOTIFYSUBITEMDRAW);
    EXPECT_EQ(draw.nmcd.uItemState & CDIS_SELECTED, 0u);
    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT | CDDS_SUBITEM;
    draw.iSubItem = 1;
    EXPECT_EQ(SendMessageW(host, WM_NOTIFY, 1000, reinterpret_cast<LPARAM>(&draw)), CDRF_NEWFONT);
    EXPECT_EQ(draw.clrText, kColorRed);
    EXPECT_EQ(draw.clrTextBk, 0x00F0F0F0u);

    // Another control's custom draw is the parent's business.
    draw.nmcd.hdr.hwndFrom = host;
    EXPECT_EQ(SendMessageW(host, WM_NOTIFY, 1000, reinterpret_cast<LPARAM>(&draw)), 0);
}

TEST_F(CellListTest, DestroyingTheListDetachesTheControl) {
    PrepareDropDown(0);
    ASSERT_TRUE(control.OpenDropDown(0, 1));
    DestroyWindow(list);
    EXPECT_EQ(control.GetSafeHwnd(), nullptr);
    EXPECT_EQ(control.GetDropDownWindow(), nullptr);
    EXPECT_FALSE(control.IsEnabled(0));
}

}  // namespace
}  // namespace tessmo::win32::testing
