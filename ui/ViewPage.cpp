#include "ui/ViewPage.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QKeyEvent>

#include <string>

#include "common/LanguageTable.h"
#include "common/WideText.h"
#include "ui/LinkLabel.h"
#include "ui/ViewHost.h"

namespace {

QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string Decimal(long long value) {
  std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

void SetPageCommandFlag(ViewPageFlags& flags, int64_t type, int64_t on) {
  const bool value = on == 1;
  switch (type) {
    case 0: flags.saveEnabled = value; break;
    case 1: flags.deleteEnabled = value; break;
    case 2:
    case 5: flags.queryEnabled = value; break;
    case 3: flags.newEnabled = value; break;
    case 4: flags.command32776Enabled = value; break;
    case 6: flags.invoiceEnabled = value; break;
    case 7: flags.waybillEnabled = value; break;
    case 8: flags.labelEnabled = value; break;
    case 9: flags.excelImportEnabled = value; break;
    default: break;
  }
}

CViewPage::CViewPage(QWidget* parent) : QWidget(parent) {}

CViewPage::~CViewPage() {
  printStop_ = true;
  JoinPrintWorker();
  // Grid, count label, then the page window itself.
  delete grid;
  grid = nullptr;
  delete countLabel;
  countLabel = nullptr;
}

void CViewPage::CreatePageWindow(QWidget* parent, QSize size) {
  if (parent != nullptr && parentWidget() != parent) setParent(parent);
  if (countLabel == nullptr) countLabel = new CLinkLabel(QStringLiteral("."), this);
  if (grid == nullptr) {
    grid = new CListGrid(this);
    grid->SetHighlightMode(2);
    grid->SetRowNumbers(true);
    grid->EnableRowData(true);
    grid->setShowGrid(true);  // grid lines
    grid->EnableHeaderSort(true);
    QObject::connect(grid, &QAbstractItemView::doubleClicked, this,
                     [this](const QModelIndex&) { OnGridDoubleClick(); });
  }
  setGeometry(0, 0, size.width(), size.height());
}

QSize CViewPage::ScreenSize() const {
  if (host != nullptr) return host->ScreenSize();
  return CViewHost().ScreenSize();
}

void CViewPage::OnSelectAll() {
  if (grid == nullptr) return;
  const int rows = grid->RowCount();
  if (rows == 0) return;
  bool anySelected = false;
  for (int row = 0; row < rows && !anySelected; ++row) anySelected = grid->IsRowSelected(row);
  for (int row = 0; row < rows; ++row) grid->SetRowSelected(row, !anySelected, false);
}

void CViewPage::OnExportReport() {
  if (grid == nullptr) return;
  const QString now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
  grid->ExportAs(title, now.toStdU16String());
}

void CViewPage::ShowListMode(int listOnlyMode) {
  if (listOnlyMode == listOnly) return;
  const bool listMode = listOnlyMode != 0;
  const int left = listMode ? 10 : panelWidth;
  if (entryPanel != nullptr) entryPanel->setVisible(!listMode);
  if (replacementChild != nullptr) {
    if (grid != nullptr) grid->hide();
    if (countLabel != nullptr) countLabel->hide();
    replacementChild->show();
    return;
  }
  const QSize screen = ScreenSize();
  const int width = screen.width() - 10 - left;
  if (grid != nullptr) {
    grid->setGeometry(left, 36, width, screen.height() - 164);
    grid->update();
  }
  if (countLabel != nullptr) {
    countLabel->setGeometry(left, 21, width, 13);
    countLabel->update();
  }
  listOnly = listOnlyMode;
  if (saveFollowsMode) saveEnabled = !listMode;
  if (listMode) deleteEnabled = index == 1 || index == 4;
}

void CViewPage::UpdateCountLabel() {
  std::u16string text = title;
  text += u"  ";
  text += AppLanguage().Text(kPageCountTextId);
  ReplaceAllW(text, u"%1", Decimal(grid != nullptr ? grid->RowCount() : 0));
  if (text.size() > 511) text.resize(511);
  if (countLabel != nullptr) countLabel->setText(ToQString(text));
}

void CViewPage::OnPageCreated() {
  ShowListMode(1);
  created = true;
}

qintptr CViewPage::OnRecordAmount(quintptr, qintptr) { return 0; }
qintptr CViewPage::OnTextNotice(quintptr, qintptr) { return 0; }
qintptr CViewPage::OnGridMenuCommand(quintptr, qintptr) { return 0; }
qintptr CViewPage::OnRecordSaved(quintptr, qintptr) { return 0; }
qintptr CViewPage::OnRelayout(quintptr, qintptr) {
  ShowListMode(1);
  return 0;
}
qintptr CViewPage::OnListParameter(quintptr, qintptr) { return 0; }
qintptr CViewPage::OnPrintProgress(quintptr wParam, qintptr) {
  // The final message of a several-waybill print (record id 0 or less).
  if (static_cast<int32_t>(wParam) <= 0) {
    JoinPrintWorker();
    printBusy = 0;
  }
  return 0;
}
qintptr CViewPage::OnWeightUpdated(quintptr, qintptr) { return 0; }
qintptr CViewPage::OnSetCommandFlag(quintptr type, qintptr on) {
  SetPageCommandFlag(*this, static_cast<int64_t>(static_cast<qintptr>(type)), on);
  return 0;
}
qintptr CViewPage::OnQuickListOpen(quintptr, qintptr) { return 0; }

void CViewPage::ClearList() {
  if (grid != nullptr) grid->DeleteAllRows();
  UpdateCountLabel();
}

bool CViewPage::RemoveRows(int command, bool renumber, bool totalsRow) {
  if (grid == nullptr || (command != 0 && command != 1)) return false;
  const bool removeSelected = command == 1;
  const int data = grid->RowCount() - (totalsRow ? 1 : 0);
  bool removed = false;
  for (int row = data - 1; row >= 0; --row) {
    if (grid->IsRowSelected(row) == removeSelected) {
      if (totalsRow)
        grid->DeleteRowKeepTotals(row, false);
      else
        grid->DeleteRow(row);
      removed = true;
    }
  }
  if (!removed) return false;
  if (renumber) {
    const int end = grid->RowCount() - (totalsRow && grid->RowCount() > 0 ? 1 : 0);
    for (int row = 0; row < end; ++row) grid->SetCellText(row, 0, Decimal(row + 1));
  }
  UpdateCountLabel();
  return true;
}

int CViewPage::GetSelectedIds(std::vector<int32_t>& ids) const {
  if (grid == nullptr || grid->RowCount() == 0) return 0;
  ids.clear();
  const int rows = grid->RowCount();
  for (int row = 0; row < rows; ++row) {
    if (grid->IsRowSelected(row)) ids.push_back(grid->GetRowId(row));
  }
  return static_cast<int>(ids.size());
}

bool CViewPage::DispatchPageMessage(int message, quintptr wParam, qintptr lParam,
                                    qintptr& result) {
  switch (message) {
    case kWmGridMenuCommand: result = OnGridMenuCommand(wParam, lParam); return true;
    case WM_PAGE_NOTIFY: result = OnRecordSaved(wParam, lParam); return true;
    case kWmPageRelayout: result = OnRelayout(wParam, lParam); return true;
    case kWmRecordAmount: result = OnRecordAmount(wParam, lParam); return true;
    case kWmPrintProgress: result = OnPrintProgress(wParam, lParam); return true;
    case kWmListParameter: result = OnListParameter(wParam, lParam); return true;
    case kWmTextNotice: result = OnTextNotice(wParam, lParam); return true;
    case kWmWeightUpdated: result = OnWeightUpdated(wParam, lParam); return true;
    case kWmSetCommandFlag: result = OnSetCommandFlag(wParam, lParam); return true;
    case kWmQuickListOpen: result = OnQuickListOpen(wParam, lParam); return true;
    default: return false;
  }
}

QAction* CViewPage::FrameShortcut(const QKeyEvent& key) const {
  if (entryPanel == nullptr || key.key() == 0 || key.key() == Qt::Key_unknown) return nullptr;
  QWidget* focus = QApplication::focusWidget();
  if (focus == nullptr || (focus != entryPanel && !entryPanel->isAncestorOf(focus)))
    return nullptr;
  QWidget* frame = window();
  if (frame == nullptr || frame == this) return nullptr;
  const QKeySequence pressed(key.keyCombination());
  for (QAction* action : frame->findChildren<QAction*>(Qt::FindDirectChildrenOnly)) {
    for (const QKeySequence& shortcut : action->shortcuts())
      if (shortcut.matches(pressed) == QKeySequence::ExactMatch) return action;
  }
  return nullptr;
}

bool CViewPage::event(QEvent* e) {
  // A frame shortcut pressed in the entry form goes to the form first (the
  // override below); what the form leaves unhandled comes back up here as a
  // key press and runs the frame's command.
  if (e->type() == QEvent::ShortcutOverride || e->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(e);
    if (QAction* action = FrameShortcut(*key)) {
      if (e->type() == QEvent::KeyPress && action->isEnabled()) action->trigger();
      e->accept();
      return true;
    }
  }
  if (auto* message = platform::AsPrivateMessage(e)) {
    qintptr result = 0;
    if (DispatchPageMessage(message->Message(), message->WParam(), message->LParam(), result)) {
      message->SetResult(result);
      return true;
    }
  }
  return QWidget::event(e);
}

void CViewPage::OnGridDoubleClick() {
  if (grid == nullptr) return;
  const int rows = grid->RowCount();
  for (int row = 0; row < rows; ++row) {
    if (grid->IsRowSelected(row)) {
      OnRowDoubleClick(row);
      return;
    }
  }
}
