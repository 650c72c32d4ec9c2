#include "ui/MultiSelectDlg.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "platform/QtText.h"
#include "ui/ListGrid.h"

namespace {
// OK, Cancel, select all, invert, clear.
constexpr int32_t kButtonTexts = 440010;
}  // namespace

CMultiSelectDlg::CMultiSelectDlg(QWidget* parent) : QDialog(parent) {
  list = new CListGrid(this);
  list->SetHighlightMode(2);
  list->setShowGrid(true);
  list->EnableHeaderSort(true);
  list->SetNotifyWnd(this);
  auto* buttons = new QHBoxLayout;
  for (int i = 0; i < 5; ++i) {
    buttons_[i] = new QPushButton(this);
    buttons_[i]->setAutoDefault(false);
  }
  for (int i : {2, 3, 4, 0, 1}) buttons->addWidget(buttons_[i]);
  buttons_[0]->setDefault(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list, 1);
  layout->addLayout(buttons);
  resize(300, 420);
  connect(buttons_[0], &QPushButton::clicked, this, &CMultiSelectDlg::OnOK);
  connect(buttons_[1], &QPushButton::clicked, this, &QDialog::reject);
  connect(buttons_[2], &QPushButton::clicked, this, [this] { SelectRows(1); });
  connect(buttons_[3], &QPushButton::clicked, this, [this] { SelectRows(2); });
  connect(buttons_[4], &QPushButton::clicked, this, [this] { SelectRows(0); });
}

void CMultiSelectDlg::SetList(std::u16string captionText, std::u16string title,
                              const std::vector<std::u16string>* entries,
                              std::vector<std::u16string>* chosen) {
  caption = std::move(captionText);
  columnTitle = std::move(title);
  if (columnTitle.size() > 63) columnTitle.resize(63);
  items = entries;
  selection = chosen;
}

void CMultiSelectDlg::InitDialog() {
  setWindowTitle(platform::ToQString(caption));
  for (int i = 0; i < 5; ++i) {
    buttons_[i]->setText(platform::ToQString(AppLanguage().Text(kButtonTexts + i)));
  }
  list->DeleteAllRows();
  if (list->ColumnCount() == 0) list->InsertColumn(0, 200, columnTitle, kGridAlignLeft);
  result.clear();
  if (items == nullptr) return;
  for (const std::u16string& item : *items) {
    if (item.empty()) continue;
    const int row = list->InsertRow(list->RowCount(), item);
    const bool chosen = selection != nullptr &&
                        std::find(selection->begin(), selection->end(), item) != selection->end();
    if (chosen) list->SetRowSelected(row, true, false);  // selected and focused
  }
}

int CMultiSelectDlg::DoModal() {
  InitDialog();
  return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel;
}

void CMultiSelectDlg::SelectRows(int how) {
  for (int row = 0; row < list->RowCount(); ++row) {
    const bool selected = how == 1 || (how == 2 && !list->IsRowSelected(row));
    list->SetRowSelected(row, selected, false);
  }
}

void CMultiSelectDlg::OnOK() {
  std::vector<std::u16string> chosen;
  for (int row = 0; row < list->RowCount(); ++row) {
    if (list->IsRowSelected(row)) chosen.push_back(list->CellText(row, 0));
  }
  const size_t rows = static_cast<size_t>(list->RowCount());
  if (chosen.size() == 1) {
    result = chosen.front();
  } else if (chosen.size() > 1 && chosen.size() < rows) {
    result = kSeveralItemsMarker;
  } else {
    result.clear();
  }
  if (selection != nullptr) *selection = std::move(chosen);
  accept();
}

bool CMultiSelectDlg::event(QEvent* e) {
  if (auto* message = platform::AsPrivateMessage(e)) {
    if (message->Message() == kGridMsgDoubleClick) OnOK();
    return true;
  }
  return QDialog::event(e);
}
