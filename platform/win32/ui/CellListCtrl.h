#pragma once
// CCellListCtrl: a report-view SysListView32 with per-cell colours, modified marks,
// per-row enabled state and an in-cell drop-down, over the existing list window of
// the dialog template.
//
// How it hooks in. The control subclasses two windows with SetWindowSubclass:
//  - the list itself, for clicks and keys that open a drop-down, the drop-down's
//    WM_COMMAND notifications (the combo box is a child of the list), and the list
//    messages that insert or delete rows and columns, so the per-row state follows
//    the rows whoever inserts or deletes them;
//  - the list's parent, for NM_CUSTOMDRAW from this list only. The parent never sees
//    those notifications, so the dialog procedure stays a plain dispatcher and the
//    draw result goes straight back to the list without DWLP_MSGRESULT.
//
// Drop-down life: opened by a click on a cell that has one, in the selected and
// enabled row, or by F2, Enter, Space or Alt+Down on the selected row, on entry
// `initial`, its open list as wide as its longest option. Enter in the list is always
// the list's (it never reaches the dialog's default button). A pick
// (CBN_SELENDOK, or Enter in the combo) writes the picked text into the cell, marks
// the cell modified when the text differs from what the cell showed before the pick
// (the mark then stays until the row is deleted), closes the combo and sends the
// parent WM_CELLLIST_COMBO_SELECTION (WPARAM row, LPARAM sub-item). Escape, Tab, a
// list closed without a pick, a loss of focus, a scroll, a column resize or a change
// of the rows close it without a message. Closing is always posted, never done inside
// the combo's own notification: the combo still runs code after it has notified its parent.
//
// Long lists and texts: the columns keep the widths they were inserted with while those
// fit the client width, else they share it (a vertical scroll bar leaves less), so no
// horizontal scroll bar covers the last row; a cell too narrow for its text shows the
// whole text as a tip.
#include <windows.h>

#include <commctrl.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/CellList.h"
#include "ui/Handles.h"

// The id of the message a drop-down pick sends to the list's parent, registered with
// the system when the program starts (RegisterWindowMessageW of kComboSelectionMessageName).
extern const unsigned int WM_CELLLIST_COMBO_SELECTION;

namespace tessmo::win32 {

inline constexpr wchar_t kComboSelectionMessageName[] = L"Tessmo.CellList.ComboSelection";

// The combo box's control id inside the list.
inline constexpr int kDropDownControlId = 0x7F01;
// Rows the open drop-down shows before it scrolls.
inline constexpr int kDropDownVisibleItems = 12;

class CCellListCtrl final : public tessmo::CellList {
public:
    // What SetComboBox told the control about one cell.
    struct DropDown {
        bool enabled = false;
        std::vector<std::u16string> options;
        int count = 0;
        int initial = 0;
        bool sort = false;
    };

    CCellListCtrl();
    ~CCellListCtrl() override;
    CCellListCtrl(const CCellListCtrl&) = delete;
    CCellListCtrl& operator=(const CCellListCtrl&) = delete;

    // Binds the control to an existing list-view window and its parent. The rows the
    // window already has start enabled, in default colours. false: null window, or
    // the subclassing failed (the control then stays unbound).
    bool Attach(HWND list);
    // Undoes Attach; also happens by itself when the list window is destroyed.
    void Detach();
    HWND GetSafeHwnd() const { return hwnd_; }

    // --- tessmo::CellList ---
    void SetFont(FontHandle font) override;
    std::uint32_t GetExtendedStyle() override;
    void SetExtendedStyle(std::uint32_t style) override;
    void LockUpdate() override;
    void UnlockUpdate() override;
    int GetColumnCount() override;
    void DeleteColumn(int column) override;
    int GetWindowWidth() override;
    void InsertColumn(int column, int format, int width, const std::u16string& text, int subItem) override;
    int GetItemCount() override;

    void DeleteAllItems() override;
    void InsertItem(int row, const std::u16string& text) override;
    void SetEnabled(int row, bool enable) override;
    int GetCurSel() override;
    void SetComboBox(int row, int subItem, bool enable, std::vector<std::u16string> options, int count,
                     int initial, bool sort) override;
    std::u16string GetItemText(int row, int subItem) override;
    void GetItemColors(int row, int subItem, ColorRef& text, ColorRef& background) override;
    int GetModified(int row, int subItem) override;
    void SetItemText(int row, int subItem, const std::u16string& text) override;
    void SetItemText(int row, int subItem, const std::u16string& text, ColorRef textColor,
                     ColorRef backgroundColor) override;

    // --- what the user can do, and what it looks like ---
    bool IsEnabled(int row) const;
    // The drop-down SetComboBox gave the cell, if any.
    std::optional<DropDown> GetComboBox(int row, int subItem) const;
    // Opens the cell's drop-down as a click would; false when the cell may not open one
    // (row not selected, row disabled, no drop-down, or a disabled one).
    bool OpenDropDown(int row, int subItem);
    // The open drop-down's combo box, or null.
    HWND GetDropDownWindow() const { return edit_.combo; }
    // The cell's whole text when the cell is too narrow to show it, else empty: what the
    // tip over the cell shows.
    std::u16string CutCellText(int row, int subItem);
    // The colours a cell is painted in, as the custom draw hands them to the list.
    void GetPaintColors(int row, int subItem, bool selected, COLORREF& text, COLORREF& background) const;

private:
    struct Cell {
        ColorRef text = CLR_DEFAULT;
        ColorRef background = CLR_DEFAULT;
        bool modified = false;
        std::optional<DropDown> dropDown;
    };
    struct Row {
        bool enabled = true;
        std::vector<Cell> cells;  // grows on demand up to the column count
    };
    struct Edit {
        HWND combo = nullptr;
        int row = -1;
        int subItem = -1;
        unsigned generation = 0;
        bool closing = false;
    };
    enum class EndEdit : WPARAM { Cancel = 0, Commit = 1 };

    static LRESULT CALLBACK ListProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    static LRESULT CALLBACK ParentProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    static LRESULT CALLBACK ComboProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    LRESULT OnListMessage(HWND, UINT, WPARAM, LPARAM);
    // Each handles one concern of the list's messages; nullopt: not handled, the list's own
    // procedure gets the message.
    std::optional<LRESULT> OnDropDownCommand(HWND, UINT, WPARAM, LPARAM);
    std::optional<LRESULT> OnMouse(HWND, UINT, WPARAM, LPARAM);
    std::optional<LRESULT> OnKey(HWND, UINT, WPARAM, LPARAM);
    std::optional<LRESULT> OnTableChange(HWND, UINT, WPARAM, LPARAM);
    std::optional<LRESULT> OnWindowChange(HWND, UINT, WPARAM, LPARAM);
    std::optional<LRESULT> OnNotify(const NMHDR& header, LPARAM lParam);
    LRESULT OnComboMessage(HWND, UINT, WPARAM, LPARAM);
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);

    void TrackInsertedRow(LRESULT index);
    void TrackDeletedRow(int index);
    void TrackInsertedColumn(int column, int width);
    void TrackDeletedColumn(int column);

    Row* RowAt(int row);
    const Row* RowAt(int row) const;
    const Cell* CellAt(int row, int subItem) const;
    Cell* MutableCellAt(int row, int subItem);  // creates the cell's state when in range
    bool CanOpen(int row, int subItem) const;
    int FirstDropDownCell(int row) const;
    bool OpenSelectedRowDropDown();
    bool DropDownRect(int row, int subItem, RECT& rect);
    HWND CreateDropDown(const RECT& cell, int listRows, bool sort);
    void FillDropDown(HWND combo, const DropDown& setup, int available);
    void FitColumns();
    void CreateToolTip();
    void TrackTipCell(POINT point);
    void PostEndEdit(EndEdit how);
    void FinishEdit(EndEdit how, unsigned generation);
    void CloseDropDown();
    void RedrawRow(int row);
    COLORREF DefaultTextColor() const;
    COLORREF DefaultBackgroundColor() const;

    HWND hwnd_ = nullptr;
    HWND parent_ = nullptr;
    std::vector<Row> rows_;
    Edit edit_;
    unsigned nextGeneration_ = 1;
    UINT endEditMessage_ = 0;
    std::vector<int> columnWidths_;  // as inserted: what FitColumns shares out
    bool fitting_ = false;
    UniqueWindow toolTip_;
    std::wstring tipText_;  // the shown tip's text, alive while the tip shows it
    std::pair<int, int> tipCell_{-1, -1};
};

}  // namespace tessmo::win32
