#pragma once
// What the dialog's logic needs of its parameter list: the cell-list control's
// members and the few list-view messages it sends. The Windows build implements it
// on SysListView32 (CCellListCtrl); the Linux build on a Qt item view; tests record calls.
#include <cstdint>
#include <string>
#include <vector>

namespace tessmo {

using ColorRef = std::uint32_t;  // 0x00BBGGRR
inline constexpr ColorRef kColorRed = 0x000000FF;
inline constexpr ColorRef kColorBlack = 0x00000000;

// An opaque font handle owned by the dialog window (an HFONT on Windows; may be null).
using FontHandle = const void*;

inline constexpr std::uint32_t LVS_EX_GRIDLINES_VALUE = 0x01;
inline constexpr std::uint32_t LVS_EX_FULLROWSELECT_VALUE = 0x20;
inline constexpr int LVCFMT_LEFT_VALUE = 0;
inline constexpr int LVCFMT_JUSTIFYMASK_VALUE = 3;

class CellList {
public:
    virtual ~CellList() = default;

    // --- list-view window operations ---
    virtual void SetFont(FontHandle font) = 0;               // WM_SETFONT, redraw TRUE
    virtual std::uint32_t GetExtendedStyle() = 0;            // LVM_GETEXTENDEDLISTVIEWSTYLE
    virtual void SetExtendedStyle(std::uint32_t style) = 0;  // LVM_SETEXTENDEDLISTVIEWSTYLE, mask 0
    virtual void LockUpdate() = 0;                           // LockWindowUpdate(list)
    virtual void UnlockUpdate() = 0;                         // LockWindowUpdate(NULL)
    virtual int GetColumnCount() = 0;                        // HDM_GETITEMCOUNT to the header
    virtual void DeleteColumn(int column) = 0;               // LVM_DELETECOLUMN
    virtual int GetWindowWidth() = 0;                        // GetWindowRect: right - left
    // LVM_INSERTCOLUMNW, mask LVCF_FMT|LVCF_WIDTH|LVCF_TEXT|LVCF_SUBITEM.
    virtual void InsertColumn(int column, int format, int width, const std::u16string& text, int subItem) = 0;
    virtual int GetItemCount() = 0;  // LVM_GETITEMCOUNT

    // --- cell-list members ---
    virtual void DeleteAllItems() = 0;
    // A new row: enabled, default colours, not modified, no drop-down.
    virtual void InsertItem(int row, const std::u16string& text) = 0;
    virtual void SetEnabled(int row, bool enable) = 0;
    virtual int GetCurSel() = 0;  // -1 when none
    // The control may keep `options` and read it when the drop-down opens.
    virtual void SetComboBox(int row, int subItem, bool enable, const std::vector<std::u16string>* options,
                             int count, int initial, bool sort) = 0;
    virtual std::u16string GetItemText(int row, int subItem) = 0;
    virtual void GetItemColors(int row, int subItem, ColorRef& text, ColorRef& background) = 0;
    virtual int GetModified(int row, int subItem) = 0;
    virtual void SetItemText(int row, int subItem, const std::u16string& text) = 0;
    virtual void SetItemText(int row, int subItem, const std::u16string& text, ColorRef textColor,
                             ColorRef backgroundColor) = 0;
};

}  // namespace tessmo
