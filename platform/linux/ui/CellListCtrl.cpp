#include "ui/CellListCtrl.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <functional>

#include "ui/QtText.h"

namespace tessmo::qt {
namespace {

constexpr int kModifiedRole = Qt::UserRole + 1;
// Rows the open drop-down shows before it scrolls.
constexpr int kDropDownVisibleItems = 12;
// Room beside the longest entry for the popup's frame and a scroll bar.
constexpr int kDropDownTextMargin = 32;

QColor ToQColor(ColorRef color) {
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

ColorRef ToColorRef(const QColor& color) {
    return static_cast<ColorRef>(color.red()) | (static_cast<ColorRef>(color.green()) << 8) |
           (static_cast<ColorRef>(color.blue()) << 16);
}

// A combo box that reports its popup closing. A pick emits `activated` right after the
// popup hides, so the report is posted: by the time it runs, a pick has been seen.
class PickBox final : public QComboBox {
public:
    using QComboBox::QComboBox;
    void hidePopup() override {
        QComboBox::hidePopup();
        if (onPopupClosed) QTimer::singleShot(0, this, onPopupClosed);
    }
    std::function<void()> onPopupClosed;
    bool picked = false;
};

}  // namespace

// Makes the drop-down when the list opens a cell; nothing is ever written back through
// the model's editing path: a pick commits itself, and leaving the box is a cancel.
class DropDownDelegate final : public QStyledItemDelegate {
public:
    explicit DropDownDelegate(CCellListCtrl& list) : QStyledItemDelegate(&list), list_(list) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        const CCellListCtrl::DropDown* dropDown = list_.DropDownAt(index.row(), index.column());
        if (dropDown == nullptr || !list_.CanOpen(index.row(), index.column())) return nullptr;
        QStringList texts;
        const int count = std::min(dropDown->count, static_cast<int>(dropDown->options.size()));
        for (int i = 0; i < count; ++i) texts << ToQString(dropDown->options[static_cast<std::size_t>(i)]);
        if (dropDown->sort) texts.sort(Qt::CaseInsensitive);

        auto* box = new PickBox(parent);
        box->addItems(texts);
        box->setMaxVisibleItems(kDropDownVisibleItems);
        int widest = 0;
        for (const QString& text : texts)
            widest = std::max(widest, box->fontMetrics().horizontalAdvance(text));
        box->view()->setMinimumWidth(widest + kDropDownTextMargin);
        // The box opens on what the cell shows; an empty cell on the entry the dialog chose.
        int current = static_cast<int>(texts.indexOf(index.data().toString()));
        if (current < 0)
            current = dropDown->initial >= 0 && dropDown->initial < count ? dropDown->initial : 0;
        box->setCurrentIndex(current);

        CCellListCtrl& list = list_;
        QObject::connect(box, &QComboBox::activated, &list, [&list, box](int i) { list.OnPicked(box, i); });
        box->onPopupClosed = [&list, box] {
            if (!box->picked && list.editor_ == box) list.CancelDropDown();
        };
        list.editor_ = box;
        list.editRow_ = index.row();
        list.editColumn_ = index.column();
        return box;
    }

    // As a list without "show selection always": the selection shows only while the list
    // has the focus, so a picked value's red is seen once the user moves on to Sync.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!list_.hasFocus() && list_.editor_ == nullptr) option->state &= ~QStyle::State_Selected;
    }

    void setEditorData(QWidget*, const QModelIndex&) const override {}
    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex&) const override {
        editor->setGeometry(option.rect);
    }

    // A text cut short by the cell's width shows whole as a tooltip.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event == nullptr || event->type() != QEvent::ToolTip) {
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        }
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const int room = view->style()->subElementRect(QStyle::SE_ItemViewItemText, &item, view).width();
        if (item.fontMetrics.horizontalAdvance(item.text) > room) {
            QToolTip::showText(event->globalPos(), item.text, view->viewport(), option.rect);
        } else {
            QToolTip::hideText();
        }
        return true;
    }

private:
    CCellListCtrl& list_;
};

CCellListCtrl::CCellListCtrl(QWidget* parent) : QTableWidget(parent) {
    setItemDelegate(new DropDownDelegate(*this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // The columns share whatever width the viewport has, also once a vertical scroll
    // bar takes its share, so no horizontal scroll bar is ever needed.
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    ShowSelection();
    connect(this, &QAbstractItemView::clicked, this, &CCellListCtrl::OnClicked);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { emit itemChangedList(); });
}

CCellListCtrl::~CCellListCtrl() = default;

// --- tessmo::CellList ------------------------------------------------------------------

void CCellListCtrl::SetFont(FontHandle font) {
    const QFont chosen = font != nullptr ? *static_cast<const QFont*>(font) : QApplication::font(this);
    setFont(chosen);
    horizontalHeader()->setFont(chosen);
    verticalHeader()->setDefaultSectionSize(QFontMetrics(chosen).height() + 4);
}

void CCellListCtrl::SetExtendedStyle(std::uint32_t style) {
    extendedStyle_ = style;
    setShowGrid((style & LVS_EX_GRIDLINES_VALUE) != 0);
}

void CCellListCtrl::LockUpdate() {
    if (locks_++ == 0) setUpdatesEnabled(false);
}

void CCellListCtrl::UnlockUpdate() {
    if (locks_ > 0 && --locks_ == 0) setUpdatesEnabled(true);
}

void CCellListCtrl::DeleteColumn(int column) {
    if (column < 0 || column >= columnCount()) return;
    CloseDropDown();
    removeColumn(column);
    for (RowState& row : rows_) {
        if (static_cast<std::size_t>(column) < row.dropDowns.size()) {
            row.dropDowns.erase(row.dropDowns.begin() + column);
        }
    }
}

void CCellListCtrl::InsertColumn(int column, int, int, const std::u16string& text, int) {
    column = std::clamp(column, 0, columnCount());
    CloseDropDown();
    insertColumn(column);
    auto* header = new QTableWidgetItem(ToQString(text));
    header->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setHorizontalHeaderItem(column, header);
    for (RowState& row : rows_) {
        if (static_cast<std::size_t>(column) < row.dropDowns.size()) {
            row.dropDowns.insert(row.dropDowns.begin() + column, std::nullopt);
        }
    }
}

void CCellListCtrl::DeleteAllItems() {
    CloseDropDown();
    setRowCount(0);
    rows_.clear();
}

void CCellListCtrl::InsertItem(int row, const std::u16string& text) {
    row = std::clamp(row, 0, rowCount());
    insertRow(row);
    rows_.insert(rows_.begin() + row, RowState{});
    EnsureCellItem(row, 0)->setText(ToQString(text));
    for (int column = 1; column < columnCount(); ++column) EnsureCellItem(row, column);
}

void CCellListCtrl::SetEnabled(int row, bool enable) {
    if (row < 0 || row >= rowCount()) return;
    if (!enable && row == editRow_) CloseDropDown();
    for (int column = 0; column < columnCount(); ++column) {
        QTableWidgetItem* item = EnsureCellItem(row, column);
        item->setFlags(enable ? item->flags() | Qt::ItemIsEnabled : item->flags() & ~Qt::ItemIsEnabled);
    }
}

int CCellListCtrl::GetCurSel() {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void CCellListCtrl::SetComboBox(int row, int subItem, bool enable, std::vector<std::u16string> options,
                                int count, int initial, bool sort) {
    if (row < 0 || row >= rowCount() || subItem < 0 || subItem >= columnCount()) return;
    auto& dropDowns = rows_[static_cast<std::size_t>(row)].dropDowns;
    if (dropDowns.size() <= static_cast<std::size_t>(subItem))
        dropDowns.resize(static_cast<std::size_t>(subItem) + 1);
    dropDowns[static_cast<std::size_t>(subItem)] = DropDown{enable, std::move(options), count, initial, sort};
}

std::u16string CCellListCtrl::GetItemText(int row, int subItem) {
    const QTableWidgetItem* item = CellItem(row, subItem);
    return item != nullptr ? ToU16(item->text()) : std::u16string();
}

void CCellListCtrl::GetItemColors(int row, int subItem, ColorRef& text, ColorRef& background) {
    const QTableWidgetItem* item = CellItem(row, subItem);
    const QVariant foreground = item != nullptr ? item->data(Qt::ForegroundRole) : QVariant();
    const QVariant back = item != nullptr ? item->data(Qt::BackgroundRole) : QVariant();
    text = ToColorRef(foreground.isValid() ? foreground.value<QBrush>().color()
                                           : palette().color(QPalette::Text));
    background = ToColorRef(back.isValid() ? back.value<QBrush>().color() : palette().color(QPalette::Base));
}

int CCellListCtrl::GetModified(int row, int subItem) {
    const QTableWidgetItem* item = CellItem(row, subItem);
    return item != nullptr && item->data(kModifiedRole).toBool() ? 1 : 0;
}

void CCellListCtrl::SetItemText(int row, int subItem, const std::u16string& text) {
    if (QTableWidgetItem* item = EnsureCellItem(row, subItem)) item->setText(ToQString(text));
}

void CCellListCtrl::SetItemText(int row, int subItem, const std::u16string& text, ColorRef textColor,
                                ColorRef backgroundColor) {
    QTableWidgetItem* item = EnsureCellItem(row, subItem);
    if (item == nullptr) return;
    item->setText(ToQString(text));
    // Black is what the logic calls plain text: the theme's text colour, so that a dark
    // theme does not get black on dark grey.
    if (textColor == kColorBlack) {
        item->setData(Qt::ForegroundRole, QVariant());
    } else {
        item->setForeground(ToQColor(textColor));
    }
    // The theme's own background stays unset, so selection and theme changes still show.
    if (backgroundColor == ToColorRef(palette().color(QPalette::Base))) {
        item->setData(Qt::BackgroundRole, QVariant());
    } else {
        item->setBackground(ToQColor(backgroundColor));
    }
}

// --- what the user can do ----------------------------------------------------------------

bool CCellListCtrl::IsEnabled(int row) const {
    const QTableWidgetItem* first = CellItem(row, 0);
    return first != nullptr && (first->flags() & Qt::ItemIsEnabled) != 0;
}

bool CCellListCtrl::OpenDropDown(int row, int subItem) {
    if (!CanOpen(row, subItem)) return false;
    CloseDropDown();
    EnsureCellItem(row, subItem);
    edit(model()->index(row, subItem));
    QComboBox* box = editor_.data();
    if (box == nullptr) return false;
    box->setFocus(Qt::OtherFocusReason);
    box->showPopup();
    return true;
}

QColor CCellListCtrl::PaintedTextColor(int row, int subItem) const {
    const QTableWidgetItem* item = CellItem(row, subItem);
    if (item == nullptr || !IsEnabled(row)) return palette().color(QPalette::Disabled, QPalette::Text);
    const QVariant foreground = item->data(Qt::ForegroundRole);
    return foreground.isValid() ? foreground.value<QBrush>().color() : palette().color(QPalette::Text);
}

void CCellListCtrl::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool altDown = key == Qt::Key_Down && (event->modifiers() & Qt::AltModifier) != 0;
    const bool opens =
        altDown || key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F2 || key == Qt::Key_Space;
    // With nothing selected yet, the first arrow or opening key selects the row with the
    // focus mark instead of passing it by.
    if ((opens || key == Qt::Key_Up || key == Qt::Key_Down) && GetCurSel() < 0 && rowCount() > 0) {
        selectRow(std::max(currentRow(), 0));
        if (!opens) {
            event->accept();
            return;
        }
    }
    if (opens) {
        const int row = GetCurSel();
        for (int column = 0; column < columnCount(); ++column) {
            if (OpenDropDown(row, column)) break;
        }
        // Enter opens, never ends the dialog: the key stops here.
        event->accept();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

void CCellListCtrl::focusInEvent(QFocusEvent* event) {
    QTableWidget::focusInEvent(event);
    ShowSelection();
}

void CCellListCtrl::focusOutEvent(QFocusEvent* event) {
    QTableWidget::focusOutEvent(event);
    ShowSelection();
}

// The row highlight goes with the focus (the delegate drops the cells' selected state
// too, so their own colours show); while a drop-down is open the row stays highlighted.
void CCellListCtrl::ShowSelection() {
    QPalette colours = QApplication::palette(this);
    if (!hasFocus() && editor_ == nullptr) {
        colours.setColor(QPalette::Highlight, colours.color(QPalette::Base));
        colours.setColor(QPalette::HighlightedText, colours.color(QPalette::Text));
    }
    setPalette(colours);
    viewport()->update();
}

void CCellListCtrl::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (editor == editor_) {
        editor_ = nullptr;
        editRow_ = editColumn_ = -1;
    }
    QTableWidget::closeEditor(editor, hint);
}

// --- inside -------------------------------------------------------------------------------

QTableWidgetItem* CCellListCtrl::CellItem(int row, int subItem) const {
    if (row < 0 || row >= rowCount() || subItem < 0 || subItem >= columnCount()) return nullptr;
    return item(row, subItem);
}

QTableWidgetItem* CCellListCtrl::EnsureCellItem(int row, int subItem) {
    if (row < 0 || row >= rowCount() || subItem < 0 || subItem >= columnCount()) return nullptr;
    if (QTableWidgetItem* existing = item(row, subItem)) return existing;
    auto* created = new QTableWidgetItem();
    const QTableWidgetItem* first = item(row, 0);
    const bool enabled = first == nullptr || (first->flags() & Qt::ItemIsEnabled) != 0;
    created->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEditable |
                      (enabled ? Qt::ItemIsEnabled : Qt::NoItemFlags));
    setItem(row, subItem, created);
    return created;
}

const CCellListCtrl::DropDown* CCellListCtrl::DropDownAt(int row, int subItem) const {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size() || subItem < 0) return nullptr;
    const auto& dropDowns = rows_[static_cast<std::size_t>(row)].dropDowns;
    if (static_cast<std::size_t>(subItem) >= dropDowns.size() ||
        !dropDowns[static_cast<std::size_t>(subItem)]) {
        return nullptr;
    }
    return &*dropDowns[static_cast<std::size_t>(subItem)];
}

bool CCellListCtrl::CanOpen(int row, int subItem) const {
    const DropDown* dropDown = DropDownAt(row, subItem);
    if (dropDown == nullptr || !dropDown->enabled || dropDown->count <= 0 || dropDown->options.empty())
        return false;
    if (!IsEnabled(row)) return false;
    const QModelIndexList selected = selectionModel()->selectedRows();
    return !selected.isEmpty() && selected.front().row() == row;
}

void CCellListCtrl::OnClicked(const QModelIndex& index) {
    if (index.isValid()) OpenDropDown(index.row(), index.column());
}

void CCellListCtrl::OnPicked(QComboBox* box, int index) {
    if (box != editor_ || index < 0) return;
    static_cast<PickBox*>(box)->picked = true;
    const int row = editRow_;
    const int column = editColumn_;
    QTableWidgetItem* item = EnsureCellItem(row, column);
    const QString picked = box->itemText(index);
    if (item != nullptr && item->text() != picked) {
        item->setText(picked);
        item->setData(kModifiedRole, true);
    }
    CloseDropDown();
    emit comboSelection(row, column);
}

void CCellListCtrl::CancelDropDown() {
    CloseDropDown();
}

void CCellListCtrl::CloseDropDown() {
    if (editor_ == nullptr) return;
    closeEditor(editor_.data(), QAbstractItemDelegate::NoHint);
}

}  // namespace tessmo::qt
