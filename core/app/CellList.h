#pragma once
// What the dialog's logic needs of its parameter list: a two-column table (name, value)
// whose value cells can each carry a drop-down of option texts, a text colour, a
// "modified by the user" mark, and whose rows can be disabled. Rows are addressed by
// their index and never reordered. Each member says what the user must see afterwards
// and what it returns; how a toolkit draws it is the implementation's business.
#include <cstdint>
#include <string>
#include <vector>

namespace tessmo {

using ColorRef = std::uint32_t;  // 0x00BBGGRR
inline constexpr ColorRef kColorRed = 0x000000FF;
inline constexpr ColorRef kColorBlack = 0x00000000;

// An opaque font handle made and owned by the dialog window (may be null: the
// toolkit's default font).
using FontHandle = const void*;

// Extended-style bits: grid lines between the cells, the whole row highlighted when selected.
inline constexpr std::uint32_t LVS_EX_GRIDLINES_VALUE = 0x01;
inline constexpr std::uint32_t LVS_EX_FULLROWSELECT_VALUE = 0x20;
// Column formats: text left-aligned; the name column's format (both alignment bits set).
inline constexpr int LVCFMT_LEFT_VALUE = 0;
inline constexpr int LVCFMT_JUSTIFYMASK_VALUE = 3;

class CellList {
public:
    virtual ~CellList() = default;

    // --- the table as a whole ---
    // Draws every cell in `font` from now on and redraws at once.
    virtual void SetFont(FontHandle font) = 0;
    // The style bits in force; SetExtendedStyle replaces them all. Bits this interface
    // does not name are the toolkit's own and must come back unchanged.
    virtual std::uint32_t GetExtendedStyle() = 0;
    virtual void SetExtendedStyle(std::uint32_t style) = 0;
    // Between LockUpdate and UnlockUpdate nothing is redrawn, so the user never sees a
    // half-built table; UnlockUpdate shows the result. Calls are paired, never nested.
    virtual void LockUpdate() = 0;
    virtual void UnlockUpdate() = 0;
    virtual int GetColumnCount() = 0;
    // Removes a column and its cells; the columns after it move one place left.
    virtual void DeleteColumn(int column) = 0;
    // The table's outer width in pixels, frame included.
    virtual int GetWindowWidth() = 0;
    // A column at `column` with a header title and a width in pixels; `subItem` is
    // the cell index its cells show (0 name, 1 value).
    virtual void InsertColumn(int column, int format, int width, const std::u16string& text, int subItem) = 0;
    virtual int GetItemCount() = 0;

    // --- rows and cells ---
    // Removes every row with all its cell state (drop-down, colours, mark, enabled).
    virtual void DeleteAllItems() = 0;
    // A new row at `row` showing `text` in the name cell and an empty value cell:
    // enabled, default colours, not modified, no drop-down.
    virtual void InsertItem(int row, const std::u16string& text) = 0;
    // A disabled row is shown greyed and its value cannot be picked until enabled again.
    virtual void SetEnabled(int row, bool enable) = 0;
    // The selected row, -1 when none.
    virtual int GetCurSel() = 0;
    // Makes the cell a drop-down offering the first `count` of `options` in their order
    // (sorted only when `sort`), opening with entry `initial` highlighted; a later call
    // replaces it. The control keeps its own copy of the texts. When the user picks an
    // entry the control puts its text into the cell, marks the cell modified when the
    // text changed, and then calls the dialog's OnComboSelection(row, subItem).
    virtual void SetComboBox(int row, int subItem, bool enable, std::vector<std::u16string> options,
                             int count, int initial, bool sort) = 0;
    virtual std::u16string GetItemText(int row, int subItem) = 0;
    virtual void GetItemColors(int row, int subItem, ColorRef& text, ColorRef& background) = 0;
    // Non-zero once the user has changed the cell's text through its drop-down; the
    // mark is never cleared except by removing the row.
    virtual int GetModified(int row, int subItem) = 0;
    // Shows `text` in the cell and keeps its colours.
    virtual void SetItemText(int row, int subItem, const std::u16string& text) = 0;
    // Shows `text` in the cell in these colours.
    virtual void SetItemText(int row, int subItem, const std::u16string& text, ColorRef textColor,
                             ColorRef backgroundColor) = 0;
};

}  // namespace tessmo
