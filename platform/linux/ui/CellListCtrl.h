#pragma once
// CCellListCtrl: the parameter table on a QTableWidget, with per-cell colours, modified
// marks, per-row enabled state and an in-cell drop-down over the value cell.
//
// Drop-down life: opened by a click on a cell that has one in the selected, enabled
// row, or by Enter, Return, F2, Space or Alt+Down on that row. A pick writes the
// picked text into the cell, marks the cell modified when the text differs from what
// it showed (the mark stays until the row is removed), closes the drop-down and then
// emits comboSelection(row, subItem). Escape, a popup closed without a pick, a loss of
// focus or a change of the rows close it without a signal.
#include <QComboBox>
#include <QPointer>
#include <QTableWidget>
#include <optional>
#include <string>
#include <vector>

#include "app/CellList.h"

namespace tessmo::qt {

class CCellListCtrl final : public QTableWidget, public tessmo::CellList {
    Q_OBJECT
public:
    // What SetComboBox told the control about one cell.
    struct DropDown {
        bool enabled = false;
        std::vector<std::u16string> options;
        int count = 0;
        int initial = 0;
        bool sort = false;
    };

    explicit CCellListCtrl(QWidget* parent = nullptr);
    ~CCellListCtrl() override;
    CCellListCtrl(const CCellListCtrl&) = delete;
    CCellListCtrl& operator=(const CCellListCtrl&) = delete;

    // --- tessmo::CellList ---
    void SetFont(FontHandle font) override;
    std::uint32_t GetExtendedStyle() override { return extendedStyle_; }
    void SetExtendedStyle(std::uint32_t style) override;
    void LockUpdate() override;
    void UnlockUpdate() override;
    int GetColumnCount() override { return columnCount(); }
    void DeleteColumn(int column) override;
    int GetWindowWidth() override { return width(); }
    void InsertColumn(int column, int format, int width, const std::u16string& text, int subItem) override;
    int GetItemCount() override { return rowCount(); }
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
    // Opens the cell's drop-down as a click would; false when the cell may not open one.
    bool OpenDropDown(int row, int subItem);
    // The open drop-down, or null.
    QComboBox* DropDownBox() const { return editor_.data(); }
    // The colour a cell's text is painted in.
    QColor PaintedTextColor(int row, int subItem) const;

signals:
    // The selection changed: the dialog prepares the selected row's drop-down.
    void itemChangedList();
    // The user picked an entry in the drop-down of (row, subItem).
    void comboSelection(int row, int subItem);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

protected slots:
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    friend class DropDownDelegate;
    struct RowState {
        std::vector<std::optional<DropDown>> dropDowns;  // per column, grows on demand
    };

    QTableWidgetItem* CellItem(int row, int subItem) const;
    QTableWidgetItem* EnsureCellItem(int row, int subItem);
    const DropDown* DropDownAt(int row, int subItem) const;
    bool CanOpen(int row, int subItem) const;
    void OnClicked(const QModelIndex& index);
    void OnPicked(QComboBox* box, int index);
    void CancelDropDown();
    void ShowSelection();
    void CloseDropDown();
    // The row and column the open drop-down belongs to.
    int editRow_ = -1;
    int editColumn_ = -1;
    QPointer<QComboBox> editor_;
    std::vector<RowState> rows_;
    std::uint32_t extendedStyle_ = 0;
    int locks_ = 0;
};

}  // namespace tessmo::qt
