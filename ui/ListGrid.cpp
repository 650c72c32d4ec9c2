#include "ui/ListGrid.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QToolTip>

#include <algorithm>
#include <cstdio>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"
#include "ui/ListGridDelegate.h"
#include "ui/ListGridExport.h"

namespace {

// The wait cursor for the life of a scope.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

QString FromU16(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CListGrid::CListGrid(QWidget* parent) : QTableView(parent), model_(new CListGridModel(this)) {
  setModel(model_);
  setItemDelegate(new CListGridDelegate(this));
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setShowGrid(false);
  setWordWrap(false);
  setTextElideMode(Qt::ElideRight);
  setTabKeyNavigation(false);
  // Rows of one height: the view then lays out long lists without measuring.
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  QHeaderView* header = horizontalHeader();
  header->setSectionsMovable(false);
  header->setSectionsClickable(true);
  header->setHighlightSections(false);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->setStretchLastSection(false);
  connect(header, &QHeaderView::sectionClicked, this, &CListGrid::OnHeaderClicked);
  // Moves without a button held show the copy hint.
  viewport()->setMouseTracking(true);
}

CListGrid::~CListGrid() {
  if (hintShown_) QToolTip::hideText();
}

int CListGrid::SetHighlightMode(int mode) {
  int previous = highlightMode_;
  if (mode > 2) return previous;
  highlightMode_ = mode;
  // Modes 1 and 2 highlight the whole row, mode 0 only the first column.
  setSelectionBehavior(mode > 0 ? QAbstractItemView::SelectRows
                                : QAbstractItemView::SelectItems);
  viewport()->update();
  return previous;
}

bool CListGrid::EnableHeaderSort(bool on) {
  bool previous = sortOnHeaderClick_;
  sortOnHeaderClick_ = on;
  return previous;
}

void CListGrid::SetSingleSelection(bool on) {
  setSelectionMode(on ? QAbstractItemView::SingleSelection
                      : QAbstractItemView::ExtendedSelection);
}

bool CListGrid::IsSingleSelection() const {
  return selectionMode() == QAbstractItemView::SingleSelection;
}

void CListGrid::AddMenuCommand(std::u16string_view caption) {
  commandCaptions_.push_back(FromU16(caption));
}

int CListGrid::InsertColumn(int index, int width, std::u16string_view caption, int format,
                            unsigned mask) {
  if (!(mask & kGridColumnFormat)) format = kGridAlignLeft;
  if (!(mask & kGridColumnText)) caption = {};
  if (!(mask & kGridColumnWidth)) width = horizontalHeader()->defaultSectionSize();
  int at = model_->InsertColumn(index, caption, width, format);
  horizontalHeader()->resizeSection(at, width);
  return at;
}

void CListGrid::AppendRows(std::vector<GridNewRow> rows) {
  model_->AppendRows(std::move(rows));
  executeDelayedItemsLayout();
}

void CListGrid::SetCellInt(int row, int column, int value) {
  model_->SetCellText(row, column, QString::number(value));
}

void CListGrid::SetCellNumber(int row, int column, double value, int decimals) {
  char buffer[512];
  if (decimals >= 1 && decimals <= 6) {
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  } else {
    std::snprintf(buffer, sizeof buffer, "%f", value);
  }
  model_->SetCellText(row, column, QString::fromLatin1(buffer));
}

void CListGrid::SetRowId(int row, int32_t id) {
  if (GridRowData* data = model_->EnsureRowData(row)) data->id = id;
}

int32_t CListGrid::GetRowId(int row) const {
  const GridRowData* data = model_->RowData(row);
  return data ? data->id : -1;
}

int CListGrid::FindRowById(int32_t id) const {
  if (!model_->RowDataEnabled()) return -1;
  for (int r = 0; r < RowCount(); ++r) {
    const GridRowData* data = model_->RowData(r);
    if (data && data->id == id) return r;
  }
  return -1;
}

void CListGrid::SetRowColors(int row, GridColor textColor, GridColor backColor) {
  GridRowData* data = model_->EnsureRowData(row);
  if (!data) return;
  data->textColor = textColor;
  data->backColor = backColor;
  model_->RowDataChanged(row);
}

void CListGrid::SetRowBackColor(int row, GridColor backColor) {
  GridRowData* data = model_->EnsureRowData(row);
  if (!data) return;
  data->backColor = backColor;
  model_->RowDataChanged(row);
}

GridColor CListGrid::GetRowBackColor(int row) const {
  if (!model_->RowDataEnabled()) return 0;
  const GridRowData* data = model_->RowData(row);
  return data ? data->backColor : kGridWhite;
}

void CListGrid::SetRowSelected(int row, bool select, bool makeVisible) {
  if (row < 0 || row >= RowCount() || ColumnCount() == 0) return;
  QModelIndex index = model_->index(row, 0);
  QItemSelectionModel* selection = selectionModel();
  if (select) {
    QItemSelectionModel::SelectionFlags flags =
        IsSingleSelection() ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::Select;
    selection->select(index, flags | QItemSelectionModel::Rows);
    selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
  } else {
    selection->select(index, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    if (selection->currentIndex().row() == row) {
      selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
  }
  if (makeVisible) scrollTo(index, QAbstractItemView::EnsureVisible);
}

void CListGrid::SelectAndShowRow(int row) {
  if (row < 0 || row >= RowCount() || ColumnCount() == 0) return;
  scrollTo(model_->index(row, 0), QAbstractItemView::EnsureVisible);
  SetRowSelected(row, true, false);
}

bool CListGrid::IsRowSelected(int row) const {
  if (row < 0 || row >= RowCount() || ColumnCount() == 0) return false;
  return selectionModel()->isSelected(model_->index(row, 0));
}

std::vector<int> CListGrid::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& i : selectionModel()->selectedRows()) rows.push_back(i.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

int CListGrid::FocusedRow() const {
  QModelIndex current = selectionModel()->currentIndex();
  return current.isValid() ? current.row() : -1;
}

void CListGrid::SortByColumn(int column, bool forceAscending) {
  const int rows = RowCount();
  const bool announce = rows > kGridLongSortRows;
  QWidget* parent = parentWidget();
  if (announce && parent) platform::PostPrivateMessage(parent, kGridMsgSorting, 0, rows);
  model_->SortByColumn(column, forceAscending);
  if (announce && parent) platform::PostPrivateMessage(parent, kGridMsgSorting, 1, rows);
}

int CListGrid::FindText(int column, std::u16string_view text, bool markAll, int mode,
                        int startRow) {
  if (column < 0 || column >= ColumnCount()) return -1;
  const bool multiSelect = !IsSingleSelection();
  const QString wanted = FromU16(text);
  int result = -1;
  bool matched = false;
  for (int r = std::max(startRow, 0); r < RowCount(); ++r) {
    const QString cell = model_->CellText(r, column);
    int value = -1;
    switch (mode) {
      case 0:
        value = static_cast<int>(cell.indexOf(wanted));
        break;
      case 1:
        value = cell.startsWith(wanted) ? 0 : -1;
        break;
      case 2:
        value = cell.endsWith(wanted) ? 0 : -1;
        break;
      default:
        value = cell == wanted ? 0 : -1;
        break;
    }
    if (value >= 0 && !matched) {
      matched = true;
      SetRowSelected(r, true, false);
      scrollTo(model_->index(r, 0), QAbstractItemView::EnsureVisible);
      if (markAll) {
        result = 1;
        continue;
      }
      if (!multiSelect) return value;
      result = value;
      continue;
    }
    if (value >= 0 && markAll) {
      SetRowBackColor(r, kGridFindMark);
      ++result;
      continue;
    }
    if (multiSelect) SetRowSelected(r, false, false);
    if (markAll && GetRowBackColor(r) == kGridFindMark) SetRowBackColor(r, kGridWhite);
  }
  return result;
}

void CListGrid::DeleteRowKeepTotals(int row, bool askFirst) {
  if (row < 0 || row >= RowCount()) return;
  if (askFirst) {
    int answer = platform::ShowMessageBox(
        AppLanguage().TextWithString(kGridDeleteQuestionText, CellText(row, 0)), u"",
        platform::kMbYesNo | platform::kMbIconQuestion);
    if (answer != platform::kIdYes) return;
  }
  model_->DeleteRowKeepTotals(row);
}

void CListGrid::SyncColumnWidths() {
  for (int c = 0; c < ColumnCount(); ++c) {
    model_->SetColumnWidth(c, horizontalHeader()->sectionSize(c));
  }
}

bool CListGrid::ExportAs(std::u16string_view title, std::u16string_view subtitle) {
  SyncColumnWidths();
  return ExportGridAs(*model_, title, subtitle, this);
}

QString CListGrid::CopyHintText(Qt::KeyboardModifiers modifiers) {
  if (modifiers & Qt::AltModifier) return QStringLiteral("拷贝列");
  if (modifiers & Qt::ShiftModifier) return QStringLiteral("拷贝行");
  return QStringLiteral("拷贝");
}

GridCopyKind CListGrid::CopyKindOf(Qt::KeyboardModifiers modifiers) {
  if (modifiers & Qt::AltModifier) return GridCopyKind::kColumn;
  if (modifiers & Qt::ShiftModifier) return GridCopyKind::kRow;
  return GridCopyKind::kCell;
}

void CListGrid::OnHeaderClicked(int column) {
  if (sortBusy_) return;
  if (model_->RowNumbers() && column == 0) return;
  sortBusy_ = true;
  {
    WaitCursor wait;
    if (sortOnHeaderClick_) SortByColumn(column, false);
  }
  sortBusy_ = false;
}

bool CListGrid::HitsCheckBox(int row, const QPoint& pos) {
  if (!model_->CheckBoxes()) return false;
  QModelIndex index = model_->index(row, 0);
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.rect = visualRect(index);
  option.features |= QStyleOptionViewItem::HasCheckIndicator;
  option.checkState = model_->IsChecked(row) ? Qt::Checked : Qt::Unchecked;
  QRect box = style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
  return box.contains(pos);
}

void CListGrid::UpdateCopyHint(QMouseEvent* event) {
  if (event->modifiers() & Qt::ControlModifier) {
    QToolTip::showText(event->globalPosition().toPoint(), CopyHintText(event->modifiers()),
                       viewport(), QRect(), 1000 * 10);
    hintShown_ = true;
  } else if (hintShown_) {
    QToolTip::hideText();
    hintShown_ = false;
  }
}

void CListGrid::mousePressEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  const QModelIndex hit = indexAt(pos);
  const int row = hit.isValid() ? hit.row() : -1;
  if (event->button() == Qt::RightButton) {
    RightClick(event, row);
    return;
  }
  if (event->button() == Qt::LeftButton) {
    UpdateCopyHint(event);
    if (row >= 0 && (event->modifiers() & Qt::ControlModifier)) {
      QString text;
      {
        WaitCursor wait;
        text = model_->CopyText(row, hit.column(), CopyKindOf(event->modifiers()));
      }
      if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
    }
    if (row >= 0 && hit.column() == 0 && HitsCheckBox(row, pos)) model_->ToggleChecked(row);
    if (row >= 0 && notify_) platform::SendPrivateMessage(notify_, kGridMsgClick, row, 0);
  }
  QTableView::mousePressEvent(event);
}

void CListGrid::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) UpdateCopyHint(event);
  QTableView::mouseReleaseEvent(event);
}

void CListGrid::mouseMoveEvent(QMouseEvent* event) {
  UpdateCopyHint(event);
  QTableView::mouseMoveEvent(event);
}

void CListGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  const QModelIndex hit = indexAt(event->position().toPoint());
  if (event->button() == Qt::LeftButton && hit.isValid() && notify_) {
    platform::SendPrivateMessage(notify_, kGridMsgDoubleClick, hit.row(), 0);
  }
  QTableView::mouseDoubleClickEvent(event);
}

void CListGrid::contextMenuEvent(QContextMenuEvent* event) {
  // The command menu opens on the right button press.
  event->accept();
}

QAction* CListGrid::RunCommandMenu(QMenu& menu, const QPoint& globalPos) {
  return menu.exec(globalPos);
}

void CListGrid::RightClick(QMouseEvent* event, int row) {
  if (row < 0) return;
  // The row joins the selection and takes the focus; other rows stay selected.
  QModelIndex index = model_->index(row, 0);
  selectionModel()->select(index, (IsSingleSelection() ? QItemSelectionModel::ClearAndSelect
                                                       : QItemSelectionModel::Select) |
                                      QItemSelectionModel::Rows);
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
  const int32_t id = GetRowId(row);
  if (commandCaptions_.empty() || id <= 0) return;
  QMenu menu(this);
  const int count = std::min<int>(static_cast<int>(commandCaptions_.size()), kGridMaxMenuCommands);
  for (int i = 0; i < count; ++i) {
    QAction* action = menu.addAction(commandCaptions_[static_cast<size_t>(i)]);
    action->setData(kGridFirstCommandId + i);
  }
  QAction* chosen = RunCommandMenu(menu, event->globalPosition().toPoint());
  if (!chosen || !notify_) return;
  const int command = chosen->data().toInt() - kGridFirstCommandId;
  if (command < 0 || command >= count) return;
  platform::PostPrivateMessage(notify_, kGridMsgCommand, static_cast<quintptr>(command), id);
}
