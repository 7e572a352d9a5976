#include "ui/CellListCtrl.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "ui/WideText.h"

const unsigned int WM_CELLLIST_COMBO_SELECTION =
    RegisterWindowMessageW(tessmo::win32::kComboSelectionMessageName);

namespace tessmo::win32 {
namespace {

// Private to the control: the posted request that closes an open drop-down.
constexpr wchar_t kEndEditMessageName[] = L"Tessmo.CellList.EndEdit";
// Longest cell text read back; a list-view cell holds far less in practice.
constexpr int kMaxTextChars = 1 << 20;
// Room the list view and the combo box leave on each side of a text, in pixels.
constexpr int kCellTextMargin = 6;
constexpr int kDropDownTextMargin = 6;
// The closed field's frame around its item, and the open list's frame, in pixels.
constexpr int kDropDownFieldFrame = 8;
constexpr int kDropDownListFrame = 4;

template <typename T>
LPARAM AsLParam(T* pointer) {
    return reinterpret_cast<LPARAM>(pointer);
}

COLORREF Blend(COLORREF a, COLORREF b, int aQuarters) {
    const auto mix = [aQuarters](unsigned x, unsigned y) {
        return static_cast<BYTE>(
            (x * static_cast<unsigned>(aQuarters) + y * static_cast<unsigned>(4 - aQuarters)) / 4);
    };
    return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
               mix(GetBValue(a), GetBValue(b)));
}

bool IsUnsetColor(COLORREF color) {
    return color == CLR_DEFAULT || color == CLR_NONE;
}

}  // namespace

CCellListCtrl::CCellListCtrl() : endEditMessage_(RegisterWindowMessageW(kEndEditMessageName)) {}

CCellListCtrl::~CCellListCtrl() {
    Detach();
}

bool CCellListCtrl::Attach(HWND list) {
    Detach();
    if (list == nullptr || !IsWindow(list)) return false;
    const auto id = reinterpret_cast<UINT_PTR>(this);
    const auto self = reinterpret_cast<DWORD_PTR>(this);
    if (!SetWindowSubclass(list, ListProc, id, self)) return false;
    HWND parent = GetParent(list);
    if (parent != nullptr && !SetWindowSubclass(parent, ParentProc, id, self)) {
        RemoveWindowSubclass(list, ListProc, id);
        return false;
    }
    hwnd_ = list;
    parent_ = parent;
    const auto existing = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    rows_.assign(static_cast<std::size_t>(std::max<LRESULT>(existing, 0)), Row{});
    columnWidths_.clear();
    for (int column = 0; column < GetColumnCount(); ++column) {
        columnWidths_.push_back(
            static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0)));
    }
    CreateToolTip();
    return true;
}

void CCellListCtrl::Detach() {
    if (hwnd_ == nullptr) return;
    CloseDropDown();
    const auto id = reinterpret_cast<UINT_PTR>(this);
    RemoveWindowSubclass(hwnd_, ListProc, id);
    if (parent_ != nullptr) RemoveWindowSubclass(parent_, ParentProc, id);
    toolTip_.reset();
    hwnd_ = nullptr;
    parent_ = nullptr;
    rows_.clear();
    columnWidths_.clear();
}

// --- list-view window operations ---------------------------------------------------

void CCellListCtrl::SetFont(FontHandle font) {
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

std::uint32_t CCellListCtrl::GetExtendedStyle() {
    return static_cast<std::uint32_t>(SendMessageW(hwnd_, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
}

void CCellListCtrl::SetExtendedStyle(std::uint32_t style) {
    SendMessageW(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(style));
}

void CCellListCtrl::LockUpdate() {
    LockWindowUpdate(hwnd_);
}

void CCellListCtrl::UnlockUpdate() {
    LockWindowUpdate(nullptr);
}

int CCellListCtrl::GetColumnCount() {
    HWND header = reinterpret_cast<HWND>(SendMessageW(hwnd_, LVM_GETHEADER, 0, 0));
    if (header == nullptr) return 0;
    return static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
}

void CCellListCtrl::DeleteColumn(int column) {
    SendMessageW(hwnd_, LVM_DELETECOLUMN, static_cast<WPARAM>(column), 0);
}

int CCellListCtrl::GetWindowWidth() {
    RECT rect{};
    if (!GetWindowRect(hwnd_, &rect)) return 0;
    return rect.right - rect.left;
}

void CCellListCtrl::InsertColumn(int column, int format, int width, const std::u16string& text, int subItem) {
    LVCOLUMNW col{};
    col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    col.fmt = format;
    col.cx = width;
    col.pszText = const_cast<wchar_t*>(Wide(text));
    col.iSubItem = subItem;
    SendMessageW(hwnd_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), AsLParam(&col));
}

int CCellListCtrl::GetItemCount() {
    return static_cast<int>(SendMessageW(hwnd_, LVM_GETITEMCOUNT, 0, 0));
}

// --- cell-list members -------------------------------------------------------------

void CCellListCtrl::DeleteAllItems() {
    SendMessageW(hwnd_, LVM_DELETEALLITEMS, 0, 0);
}

void CCellListCtrl::InsertItem(int row, const std::u16string& text) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = 0;
    item.pszText = const_cast<wchar_t*>(Wide(text));
    SendMessageW(hwnd_, LVM_INSERTITEMW, 0, AsLParam(&item));
}

void CCellListCtrl::SetEnabled(int row, bool enable) {
    Row* r = RowAt(row);
    if (r == nullptr) return;
    r->enabled = enable;
    if (!enable && edit_.combo != nullptr && edit_.row == row) CloseDropDown();
    RedrawRow(row);
}

int CCellListCtrl::GetCurSel() {
    return static_cast<int>(
        SendMessageW(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_SELECTED, 0)));
}

void CCellListCtrl::SetComboBox(int row, int subItem, bool enable, std::vector<std::u16string> options,
                                int count, int initial, bool sort) {
    Cell* cell = MutableCellAt(row, subItem);
    if (cell == nullptr) return;
    cell->dropDown = DropDown{enable, std::move(options), count, initial, sort};
}

std::u16string CCellListCtrl::GetItemText(int row, int subItem) {
    std::wstring buffer(256, L'\0');
    for (;;) {
        LVITEMW item{};
        item.iSubItem = subItem;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        const auto length = static_cast<int>(
            SendMessageW(hwnd_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), AsLParam(&item)));
        // A result one short of the buffer may have been cut: ask again with more room.
        if (length < item.cchTextMax - 1 || static_cast<int>(buffer.size()) >= kMaxTextChars) {
            return FromWide(buffer.data(), static_cast<std::size_t>(std::max(length, 0)));
        }
        buffer.assign(buffer.size() * 2, L'\0');
    }
}

void CCellListCtrl::GetItemColors(int row, int subItem, ColorRef& text, ColorRef& background) {
    const Cell* cell = CellAt(row, subItem);
    text = (cell != nullptr && !IsUnsetColor(cell->text)) ? cell->text : DefaultTextColor();
    background =
        (cell != nullptr && !IsUnsetColor(cell->background)) ? cell->background : DefaultBackgroundColor();
}

int CCellListCtrl::GetModified(int row, int subItem) {
    const Cell* cell = CellAt(row, subItem);
    return cell != nullptr && cell->modified ? 1 : 0;
}

void CCellListCtrl::SetItemText(int row, int subItem, const std::u16string& text) {
    LVITEMW item{};
    item.iSubItem = subItem;
    item.pszText = const_cast<wchar_t*>(Wide(text));
    SendMessageW(hwnd_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), AsLParam(&item));
}

void CCellListCtrl::SetItemText(int row, int subItem, const std::u16string& text, ColorRef textColor,
                                ColorRef backgroundColor) {
    SetItemText(row, subItem, text);
    Cell* cell = MutableCellAt(row, subItem);
    if (cell == nullptr) return;
    cell->text = textColor;
    cell->background = backgroundColor;
    RedrawRow(row);
}

// --- state queries -----------------------------------------------------------------

bool CCellListCtrl::IsEnabled(int row) const {
    const Row* r = RowAt(row);
    return r != nullptr && r->enabled;
}

std::optional<CCellListCtrl::DropDown> CCellListCtrl::GetComboBox(int row, int subItem) const {
    const Cell* cell = CellAt(row, subItem);
    if (cell == nullptr) return std::nullopt;
    return cell->dropDown;
}

void CCellListCtrl::GetPaintColors(int row, int subItem, bool selected, COLORREF& text,
                                   COLORREF& background) const {
    const Row* r = RowAt(row);
    const Cell* cell = CellAt(row, subItem);
    text = (cell != nullptr && !IsUnsetColor(cell->text)) ? cell->text : DefaultTextColor();
    background =
        (cell != nullptr && !IsUnsetColor(cell->background)) ? cell->background : DefaultBackgroundColor();
    if (r != nullptr && !r->enabled) text = GetSysColor(COLOR_GRAYTEXT);
    // The selection is a tint over the cell's own background, so a red (picked) value
    // stays readable in the selected row instead of turning highlight-white.
    if (selected) background = Blend(GetSysColor(COLOR_HIGHLIGHT), background, 1);
}

// --- rows and cells ----------------------------------------------------------------

CCellListCtrl::Row* CCellListCtrl::RowAt(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return nullptr;
    return &rows_[static_cast<std::size_t>(row)];
}

const CCellListCtrl::Row* CCellListCtrl::RowAt(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return nullptr;
    return &rows_[static_cast<std::size_t>(row)];
}

const CCellListCtrl::Cell* CCellListCtrl::CellAt(int row, int subItem) const {
    const Row* r = RowAt(row);
    if (r == nullptr || subItem < 0 || static_cast<std::size_t>(subItem) >= r->cells.size()) {
        return nullptr;
    }
    return &r->cells[static_cast<std::size_t>(subItem)];
}

CCellListCtrl::Cell* CCellListCtrl::MutableCellAt(int row, int subItem) {
    Row* r = RowAt(row);
    if (r == nullptr || subItem < 0) return nullptr;
    // Only cells the list can show get state; sub-item 0 exists even without columns.
    if (subItem > 0 && subItem >= GetColumnCount()) return nullptr;
    const auto index = static_cast<std::size_t>(subItem);
    if (index >= r->cells.size()) r->cells.resize(index + 1);
    return &r->cells[index];
}

void CCellListCtrl::TrackInsertedRow(LRESULT index) {
    if (index < 0) return;
    CloseDropDown();
    const auto at = std::min(static_cast<std::size_t>(index), rows_.size());
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), Row{});
}

void CCellListCtrl::TrackDeletedRow(int index) {
    CloseDropDown();
    if (index < 0 || static_cast<std::size_t>(index) >= rows_.size()) return;
    rows_.erase(rows_.begin() + index);
}

// The list view moves sub-item data with its columns; the cells' state moves along.
void CCellListCtrl::TrackInsertedColumn(int column, int width) {
    CloseDropDown();
    for (Row& r : rows_) {
        if (static_cast<std::size_t>(column) < r.cells.size()) {
            r.cells.insert(r.cells.begin() + column, Cell{});
        }
    }
    const auto at = std::min(static_cast<std::size_t>(column), columnWidths_.size());
    columnWidths_.insert(columnWidths_.begin() + static_cast<std::ptrdiff_t>(at), std::max(width, 0));
    FitColumns();
}

void CCellListCtrl::TrackDeletedColumn(int column) {
    CloseDropDown();
    for (Row& r : rows_) {
        if (static_cast<std::size_t>(column) < r.cells.size()) r.cells.erase(r.cells.begin() + column);
    }
    if (static_cast<std::size_t>(column) < columnWidths_.size())
        columnWidths_.erase(columnWidths_.begin() + column);
}

// The columns get the widths they were inserted with while those fit the client width
// (which leaves out a vertical scroll bar); when they do not, they share it in the same
// proportions, so no horizontal scroll bar appears and covers the last row.
void CCellListCtrl::FitColumns() {
    if (fitting_ || hwnd_ == nullptr) return;
    RECT client{};
    GetClientRect(hwnd_, &client);
    if (toolTip_) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = hwnd_;
        tool.uId = 1;
        tool.rect = client;
        SendMessageW(toolTip_.get(), TTM_NEWTOOLRECTW, 0, AsLParam(&tool));
    }
    long long total = 0;
    for (int width : columnWidths_) total += width;
    const int available = std::max<int>(client.right - client.left, 0);
    fitting_ = true;
    int given = 0;
    for (std::size_t i = 0; i < columnWidths_.size(); ++i) {
        int width = columnWidths_[i];
        if (total > available) {
            width = i + 1 == columnWidths_.size() ? available - given
                                                  : static_cast<int>(columnWidths_[i] * available / total);
        }
        given += width;
        if (SendMessageW(hwnd_, LVM_GETCOLUMNWIDTH, i, 0) != width) {
            SendMessageW(hwnd_, LVM_SETCOLUMNWIDTH, i, MAKELPARAM(width, 0));
        }
    }
    fitting_ = false;
}

std::u16string CCellListCtrl::CutCellText(int row, int subItem) {
    if (hwnd_ == nullptr || row < 0 || subItem < 0) return {};
    std::u16string text = GetItemText(row, subItem);
    RECT cell{};
    cell.top = subItem;
    cell.left = subItem == 0 ? LVIR_LABEL : LVIR_BOUNDS;
    if (text.empty() || !SendMessageW(hwnd_, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), AsLParam(&cell))) {
        return {};
    }
    const auto width = static_cast<int>(SendMessageW(hwnd_, LVM_GETSTRINGWIDTHW, 0, AsLParam(Wide(text))));
    return width + 2 * kCellTextMargin > cell.right - cell.left ? text : std::u16string();
}

void CCellListCtrl::CreateToolTip() {
    HWND tip =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE)), nullptr);
    if (tip == nullptr) return;  // the list works without its tips
    toolTip_.reset(tip);
    // One tool over the whole list; its text is asked for (TTN_GETDISPINFOW) each time it shows.
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = hwnd_;
    tool.uId = 1;
    GetClientRect(hwnd_, &tool.rect);
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(tip, TTM_ADDTOOLW, 0, AsLParam(&tool));
    SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, GetSystemMetrics(SM_CXSCREEN));
}

// A tip belongs to one cell: moving to another takes it down, to be asked for anew.
void CCellListCtrl::TrackTipCell(POINT point) {
    LVHITTESTINFO hit{};
    hit.pt = point;
    SendMessageW(hwnd_, LVM_SUBITEMHITTEST, 0, AsLParam(&hit));
    const std::pair cell{hit.iItem, hit.iSubItem};
    if (cell == tipCell_) return;
    tipCell_ = cell;
    if (toolTip_) SendMessageW(toolTip_.get(), TTM_POP, 0, 0);
}

void CCellListCtrl::RedrawRow(int row) {
    if (hwnd_ != nullptr) {
        SendMessageW(hwnd_, LVM_REDRAWITEMS, static_cast<WPARAM>(row), static_cast<LPARAM>(row));
    }
}

COLORREF CCellListCtrl::DefaultTextColor() const {
    const auto color = static_cast<COLORREF>(SendMessageW(hwnd_, LVM_GETTEXTCOLOR, 0, 0));
    return (hwnd_ == nullptr || IsUnsetColor(color)) ? GetSysColor(COLOR_WINDOWTEXT) : color;
}

COLORREF CCellListCtrl::DefaultBackgroundColor() const {
    if (hwnd_ == nullptr) return GetSysColor(COLOR_WINDOW);
    auto color = static_cast<COLORREF>(SendMessageW(hwnd_, LVM_GETTEXTBKCOLOR, 0, 0));
    if (IsUnsetColor(color)) color = static_cast<COLORREF>(SendMessageW(hwnd_, LVM_GETBKCOLOR, 0, 0));
    return IsUnsetColor(color) ? GetSysColor(COLOR_WINDOW) : color;
}

// --- the drop-down -----------------------------------------------------------------

bool CCellListCtrl::CanOpen(int row, int subItem) const {
    const Row* r = RowAt(row);
    const Cell* cell = CellAt(row, subItem);
    if (r == nullptr || !r->enabled || cell == nullptr || !cell->dropDown || !cell->dropDown->enabled) {
        return false;
    }
    const auto selected = static_cast<int>(
        SendMessageW(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_SELECTED, 0)));
    return selected == row;
}

int CCellListCtrl::FirstDropDownCell(int row) const {
    const Row* r = RowAt(row);
    if (r == nullptr) return -1;
    for (std::size_t i = 0; i < r->cells.size(); ++i) {
        if (r->cells[i].dropDown && r->cells[i].dropDown->enabled) return static_cast<int>(i);
    }
    return -1;
}

bool CCellListCtrl::OpenSelectedRowDropDown() {
    const int row = GetCurSel();
    const int subItem = FirstDropDownCell(row);
    return subItem >= 0 && OpenDropDown(row, subItem);
}

bool CCellListCtrl::OpenDropDown(int row, int subItem) {
    if (hwnd_ == nullptr || !CanOpen(row, subItem)) return false;
    const Cell* cell = CellAt(row, subItem);
    if (cell == nullptr || !cell->dropDown) return false;
    const DropDown setup = cell->dropDown.value();
    CloseDropDown();

    RECT cellRect{};
    if (!DropDownRect(row, subItem, cellRect)) return false;
    const int available = std::clamp(
        setup.count, 0,
        static_cast<int>(std::min<std::size_t>(setup.options.size(), static_cast<std::size_t>(INT32_MAX))));
    HWND combo = CreateDropDown(cellRect, std::clamp(available, 1, kDropDownVisibleItems), setup.sort);
    if (combo == nullptr) return false;
    FillDropDown(combo, setup, available);

    edit_ = Edit{combo, row, subItem, nextGeneration_++, false};
    ShowWindow(combo, SW_SHOW);
    SetFocus(combo);
    SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    return true;
}

bool CCellListCtrl::DropDownRect(int row, int subItem, RECT& rect) {
    SendMessageW(hwnd_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    rect = RECT{};
    rect.top = subItem;
    // Sub-item 0's bounds are the whole row; its label is the cell.
    rect.left = subItem == 0 ? LVIR_LABEL : LVIR_BOUNDS;
    if (!SendMessageW(hwnd_, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), AsLParam(&rect))) return false;
    RECT client{};
    GetClientRect(hwnd_, &client);
    rect.right = std::min(rect.right, client.right);
    return true;
}

HWND CCellListCtrl::CreateDropDown(const RECT& cell, int listRows, bool sort) {
    const int rowHeight = std::max<int>(cell.bottom - cell.top, 1);
    DWORD style = WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST;
    if (sort) style |= CBS_SORT;
    // The closed field keeps the height the font needs, so it may stand a little over
    // the row's lower edge rather than cut its text.
    HWND combo =
        CreateWindowExW(0, WC_COMBOBOXW, L"", style, cell.left, cell.top, cell.right - cell.left,
                        rowHeight * (listRows + 1) + 2, hwnd_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kDropDownControlId)),
                        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE)), nullptr);
    if (combo == nullptr) return nullptr;
    if (!SetWindowSubclass(combo, ComboProc, reinterpret_cast<UINT_PTR>(this),
                           reinterpret_cast<DWORD_PTR>(this))) {
        DestroyWindow(combo);
        return nullptr;
    }
    SendMessageW(combo, WM_SETFONT, static_cast<WPARAM>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)), FALSE);
    // The open list's height is the window's less the closed field's: measured in the
    // combo's own item heights (the field stands taller than a row), so `listRows`
    // entries show without a scroll bar.
    const auto field = static_cast<int>(SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    const auto item = static_cast<int>(SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0));
    if (field > 0 && item > 0) {
        SetWindowPos(combo, nullptr, 0, 0, cell.right - cell.left,
                     field + kDropDownFieldFrame + item * listRows + kDropDownListFrame,
                     SWP_NOMOVE | SWP_NOZORDER);
    }
    return combo;
}

void CCellListCtrl::FillDropDown(HWND combo, const DropDown& setup, int available) {
    const auto optionText = [&setup](int i) { return setup.options[static_cast<std::size_t>(i)]; };
    LRESULT currentIndex = CB_ERR;
    int widest = 0;
    HDC dc = GetDC(combo);
    const HGDIOBJ oldFont =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(combo, WM_GETFONT, 0, 0)));
    for (int i = 0; i < available; ++i) {
        const std::u16string text = optionText(i);
        const LRESULT index = SendMessageW(combo, CB_ADDSTRING, 0, AsLParam(Wide(text)));
        if (index < 0) continue;
        // The array position travels with the entry, so a sorted list still finds `initial`.
        SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), i);
        SIZE extent{};
        GetTextExtentPoint32W(dc, Wide(text), static_cast<int>(std::min<std::size_t>(text.size(), INT32_MAX)),
                              &extent);
        widest = std::max<int>(widest, extent.cx);
    }
    SelectObject(dc, oldFont);
    ReleaseDC(combo, dc);
    const auto entries = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT index = 0; index < entries; ++index) {
        if (SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(index), 0) == setup.initial)
            currentIndex = index;
    }
    if (currentIndex == CB_ERR && entries > 0) currentIndex = 0;
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(currentIndex), 0);
    // The open list is as wide as its longest text (never narrower than the cell, never
    // wider than the screen), so options longer than the cell can be read.
    const int scrollBar = entries > kDropDownVisibleItems ? GetSystemMetrics(SM_CXVSCROLL) : 0;
    const int width = widest + 2 * kDropDownTextMargin + scrollBar;
    SendMessageW(combo, CB_SETDROPPEDWIDTH,
                 static_cast<WPARAM>(std::min(width, GetSystemMetrics(SM_CXSCREEN))), 0);
}

void CCellListCtrl::PostEndEdit(EndEdit how) {
    if (edit_.combo == nullptr || edit_.closing) return;
    PostMessageW(hwnd_, endEditMessage_, static_cast<WPARAM>(how), static_cast<LPARAM>(edit_.generation));
}

void CCellListCtrl::FinishEdit(EndEdit how, unsigned generation) {
    if (edit_.combo == nullptr || edit_.generation != generation) return;
    const int row = edit_.row;
    const int subItem = edit_.subItem;
    bool picked = false;
    std::wstring text;
    if (how == EndEdit::Commit) {
        const LRESULT index = SendMessageW(edit_.combo, CB_GETCURSEL, 0, 0);
        const LRESULT length =
            index < 0 ? CB_ERR : SendMessageW(edit_.combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
        if (length >= 0) {
            text.assign(static_cast<std::size_t>(length) + 1, L'\0');
            const LRESULT copied =
                SendMessageW(edit_.combo, CB_GETLBTEXT, static_cast<WPARAM>(index), AsLParam(text.data()));
            text.resize(static_cast<std::size_t>(std::max<LRESULT>(copied, 0)));
            picked = copied >= 0;
        }
    }
    CloseDropDown();
    if (!picked || MutableCellAt(row, subItem) == nullptr) return;

    const std::u16string pickedText = FromWide(text);
    const std::u16string before = GetItemText(row, subItem);
    SetItemText(row, subItem, pickedText);
    // The mark is sticky: once the user has changed the cell it stays set until the row goes.
    if (pickedText != before) MutableCellAt(row, subItem)->modified = true;
    RedrawRow(row);
    if (parent_ != nullptr && WM_CELLLIST_COMBO_SELECTION != 0) {
        SendMessageW(parent_, WM_CELLLIST_COMBO_SELECTION, static_cast<WPARAM>(row),
                     static_cast<LPARAM>(subItem));
    }
}

void CCellListCtrl::CloseDropDown() {
    HWND combo = edit_.combo;
    if (combo == nullptr) return;
    edit_.closing = true;  // the focus change below must not post a cancel of its own
    if (GetFocus() == combo && hwnd_ != nullptr) SetFocus(hwnd_);
    RemoveWindowSubclass(combo, ComboProc, reinterpret_cast<UINT_PTR>(this));
    edit_ = Edit{};
    DestroyWindow(combo);
}

// --- window procedures -------------------------------------------------------------

LRESULT CALLBACK CCellListCtrl::ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR self) {
    return reinterpret_cast<CCellListCtrl*>(self)->OnListMessage(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK CCellListCtrl::ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                           DWORD_PTR self) {
    auto* control = reinterpret_cast<CCellListCtrl*>(self);
    if (message == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header != nullptr && header->hwndFrom == control->hwnd_ && header->code == NM_CUSTOMDRAW) {
            return control->OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
        }
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, ParentProc, id);
        control->parent_ = nullptr;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK CCellListCtrl::ComboProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR self) {
    return reinterpret_cast<CCellListCtrl*>(self)->OnComboMessage(hwnd, message, wParam, lParam);
}

LRESULT CCellListCtrl::OnListMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == endEditMessage_ && endEditMessage_ != 0) {
        FinishEdit(static_cast<EndEdit>(wParam), static_cast<unsigned>(lParam));
        return 0;
    }
    for (const auto handler :
         {&CCellListCtrl::OnDropDownCommand, &CCellListCtrl::OnMouse, &CCellListCtrl::OnKey,
          &CCellListCtrl::OnTableChange, &CCellListCtrl::OnWindowChange}) {
        if (const std::optional<LRESULT> result = (this->*handler)(hwnd, message, wParam, lParam))
            return *result;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

std::optional<LRESULT> CCellListCtrl::OnDropDownCommand(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COMMAND || edit_.combo == nullptr || reinterpret_cast<HWND>(lParam) != edit_.combo) {
        return std::nullopt;
    }
    switch (HIWORD(wParam)) {
        case CBN_SELENDOK:
            PostEndEdit(EndEdit::Commit);
            break;
        // The list closed without a pick (Escape, a click outside it), or the combo lost the focus.
        case CBN_SELENDCANCEL:
        case CBN_KILLFOCUS:
            PostEndEdit(EndEdit::Cancel);
            break;
        default:
            break;
    }
    return 0;
}

std::optional<LRESULT> CCellListCtrl::OnMouse(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN: {
            LVHITTESTINFO hit{};
            hit.pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            SendMessageW(hwnd, LVM_SUBITEMHITTEST, 0, AsLParam(&hit));
            // The list selects the row first (the parent prepares its drop-down on the
            // item-changed notification); a click on a cell that then may open, opens it.
            const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
            if (hwnd_ == hwnd && hit.iItem >= 0 && (hit.flags & LVHT_ONITEM) != 0) {
                OpenDropDown(hit.iItem, hit.iSubItem);
            }
            return result;
        }
        case WM_MOUSEMOVE:
            TrackTipCell({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return std::nullopt;
        case WM_VSCROLL:
        case WM_HSCROLL:
        case WM_MOUSEWHEEL:
            CloseDropDown();
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

std::optional<LRESULT> CCellListCtrl::OnKey(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_GETDLGCODE: {
            const LRESULT code = DefSubclassProc(hwnd, message, wParam, lParam);
            const auto* msg = reinterpret_cast<const MSG*>(lParam);
            // Enter in the list is the list's, never the dialog's: it opens the selected row's
            // drop-down or does nothing, so it cannot end the dialog and lose unsynced picks.
            const bool enter = msg != nullptr && (msg->message == WM_KEYDOWN || msg->message == WM_CHAR) &&
                               msg->wParam == VK_RETURN;
            return enter ? code | DLGC_WANTMESSAGE : code;
        }
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) {
                OpenSelectedRowDropDown();
                return 0;
            }
            if ((wParam == VK_F2 || wParam == VK_SPACE) && OpenSelectedRowDropDown()) return 0;
            return std::nullopt;
        case WM_CHAR:
            if (wParam == VK_RETURN) return 0;
            return std::nullopt;
        case WM_SYSKEYDOWN:
            // Bit 29: the Alt key is down, as for a combo box's own Alt+Down.
            if (wParam == VK_DOWN && (lParam & (1 << 29)) != 0 && OpenSelectedRowDropDown()) return 0;
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

// Rows and columns inserted or deleted by anyone: the per-row state follows them.
std::optional<LRESULT> CCellListCtrl::OnTableChange(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case LVM_INSERTITEMW:
        case LVM_INSERTITEMA: {
            const LRESULT index = DefSubclassProc(hwnd, message, wParam, lParam);
            TrackInsertedRow(index);
            return index;
        }
        case LVM_DELETEITEM: {
            const LRESULT done = DefSubclassProc(hwnd, message, wParam, lParam);
            if (done) TrackDeletedRow(static_cast<int>(wParam));
            return done;
        }
        case LVM_DELETEALLITEMS: {
            const LRESULT done = DefSubclassProc(hwnd, message, wParam, lParam);
            if (done) {
                CloseDropDown();
                rows_.clear();
            }
            return done;
        }
        case LVM_INSERTCOLUMNW:
        case LVM_INSERTCOLUMNA: {
            // The width asked for sits at the same place in both structures.
            const auto* asked = reinterpret_cast<const LVCOLUMNW*>(lParam);
            const int width = asked != nullptr && (asked->mask & LVCF_WIDTH) != 0 ? asked->cx : 0;
            const LRESULT column = DefSubclassProc(hwnd, message, wParam, lParam);
            if (column >= 0) TrackInsertedColumn(static_cast<int>(column), width);
            return column;
        }
        case LVM_DELETECOLUMN: {
            const LRESULT done = DefSubclassProc(hwnd, message, wParam, lParam);
            if (done) TrackDeletedColumn(static_cast<int>(wParam));
            return done;
        }
        default:
            return std::nullopt;
    }
}

// Size, column resizing, the tip's questions, and the list going away.
std::optional<LRESULT> CCellListCtrl::OnWindowChange(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE: {
            // A vertical scroll bar coming or going changes the client width.
            const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
            FitColumns();
            return result;
        }
        case WM_NOTIFY:
            if (lParam == 0) return std::nullopt;
            return OnNotify(*reinterpret_cast<const NMHDR*>(lParam), lParam);
        case WM_DESTROY:
            CloseDropDown();
            return std::nullopt;
        case WM_NCDESTROY: {
            const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
            Detach();
            return result;
        }
        default:
            return std::nullopt;
    }
}

std::optional<LRESULT> CCellListCtrl::OnNotify(const NMHDR& header, LPARAM lParam) {
    if (header.code == HDN_BEGINTRACKW || header.code == HDN_BEGINTRACKA ||
        header.code == HDN_DIVIDERDBLCLICKW) {
        CloseDropDown();
    } else if (header.hwndFrom == toolTip_.get() && header.code == TTN_GETDISPINFOW) {
        auto& info = *reinterpret_cast<NMTTDISPINFOW*>(lParam);
        POINT cursor{};
        GetCursorPos(&cursor);
        ScreenToClient(hwnd_, &cursor);
        LVHITTESTINFO hit{};
        hit.pt = cursor;
        SendMessageW(hwnd_, LVM_SUBITEMHITTEST, 0, AsLParam(&hit));
        const std::u16string text = hit.iItem >= 0 ? CutCellText(hit.iItem, hit.iSubItem) : std::u16string();
        tipText_.assign(text.begin(), text.end());
        info.lpszText = tipText_.data();
        return 0;
    }
    return std::nullopt;
}

LRESULT CCellListCtrl::OnComboMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_GETDLGCODE:
            // Enter, Escape and Tab belong to the drop-down while it is open, not to the dialog.
            return DefSubclassProc(hwnd, message, wParam, lParam) | DLGC_WANTALLKEYS;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE || wParam == VK_TAB) {
                PostEndEdit(EndEdit::Cancel);
                return 0;
            }
            if (wParam == VK_RETURN) {
                const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
                PostEndEdit(EndEdit::Commit);
                return result;
            }
            break;
        case WM_CHAR:
            if (wParam == VK_ESCAPE || wParam == VK_TAB || wParam == VK_RETURN) return 0;
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, ComboProc, reinterpret_cast<UINT_PTR>(this));
            if (edit_.combo == hwnd) edit_ = Edit{};
            break;
        default:
            break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT CCellListCtrl::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT:
            // The control paints the selection itself (see GetPaintColors).
            draw.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED);
            return CDRF_NOTIFYSUBITEMDRAW;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
            const auto row = static_cast<int>(draw.nmcd.dwItemSpec);
            const bool selected =
                GetFocus() == hwnd_ &&
                (SendMessageW(hwnd_, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) &
                 LVIS_SELECTED) != 0;
            draw.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED);
            GetPaintColors(row, draw.iSubItem, selected, draw.clrText, draw.clrTextBk);
            // Changed colours count as a new font for the list view's drawing.
            return CDRF_NEWFONT;
        }
        default:
            return CDRF_DODEFAULT;
    }
}

}  // namespace tessmo::win32
