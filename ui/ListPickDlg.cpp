#include "ui/ListPickDlg.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/LanguageTable.h"
#include "common/WideText.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"

using platform::FromQString;
using platform::ToQString;

namespace {
// Language ids of the dialog's texts.
constexpr int kTextQuickLocate = 350000;
constexpr int kTextClear = 350001;
constexpr int kTextOk = 350002;
constexpr int kTextCancel = 350003;
// The quick-locate box is read up to this many characters.
constexpr int kQuickLocateRead = 255;

bool IsEnterKey(const QKeyEvent* key) {
  return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}
}  // namespace

CListPickDlg::CListPickDlg(QWidget* parent) : QDialog(parent) {
  quickLocateLabel_ = new QLabel(this);
  quickLocateEdit_ = new QLineEdit(this);
  clearButton_ = new QPushButton(this);
  listBox_ = new QListWidget(this);
  okButton_ = new QPushButton(this);
  cancelButton_ = new QPushButton(this);

  listBox_->setSelectionMode(QAbstractItemView::SingleSelection);
  listBox_->setUniformItemSizes(true);
  for (QPushButton* b : {clearButton_, okButton_, cancelButton_}) b->setAutoDefault(false);

  auto* locateRow = new QHBoxLayout;
  locateRow->addWidget(quickLocateLabel_);
  locateRow->addWidget(quickLocateEdit_, 1);
  locateRow->addWidget(clearButton_);
  auto* buttonRow = new QHBoxLayout;
  buttonRow->addStretch(1);
  buttonRow->addWidget(okButton_);
  buttonRow->addWidget(cancelButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(locateRow);
  layout->addWidget(listBox_, 1);
  layout->addLayout(buttonRow);

  setTabOrder(quickLocateEdit_, clearButton_);
  setTabOrder(clearButton_, listBox_);
  setTabOrder(listBox_, okButton_);
  setTabOrder(okButton_, cancelButton_);

  for (QWidget* w : std::initializer_list<QWidget*>{quickLocateEdit_, clearButton_, listBox_,
                                                    okButton_, cancelButton_}) {
    w->installEventFilter(this);
  }

  connect(quickLocateEdit_, &QLineEdit::textEdited, this, &CListPickDlg::OnQuickLocateEdited);
  connect(clearButton_, &QPushButton::clicked, this, &CListPickDlg::OnClear);
  connect(listBox_, &QListWidget::itemSelectionChanged, this, &CListPickDlg::ReadControls);
  connect(listBox_, &QListWidget::itemDoubleClicked, this, [this] {
    ReadControls();
    OnOK();
  });
  connect(okButton_, &QPushButton::clicked, this, &CListPickDlg::OnOK);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void CListPickDlg::SetList(const std::vector<std::u16string>* items, std::u16string caption) {
  items_ = items;
  caption_ = std::move(caption);
}

int CListPickDlg::DoModal() {
  InitDialog();
  return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel;
}

void CListPickDlg::InitDialog() {
  setWindowTitle(ToQString(caption_));
  const CLanguageTable& language = AppLanguage();
  quickLocateLabel_->setText(ToQString(language.Text(kTextQuickLocate)));
  clearButton_->setText(ToQString(language.Text(kTextClear)));
  okButton_->setText(ToQString(language.Text(kTextOk)));
  cancelButton_->setText(ToQString(language.Text(kTextCancel)));
  result.clear();

  {
    QSignalBlocker block(listBox_);
    listBox_->clear();
  }
  lines_.clear();
  if (items_ == nullptr) {
    ReadControls();
    return;
  }
  lines_ = *items_;
  for (const std::u16string& line : lines_) listBox_->addItem(ToQString(line));
  if (!lines_.empty()) {
    listBox_->setCurrentRow(0);
    result = lines_[0];
  }
  ReadControls();
}

void CListPickDlg::ReadControls() {
  int row = listBox_->currentRow();
  QListWidgetItem* item = row >= 0 ? listBox_->item(row) : nullptr;
  selectedIndex = (item != nullptr && item->isSelected()) ? row : -1;
}

void CListPickDlg::OnQuickLocateEdited(const QString& text) {
  std::u16string wanted = FromQString(text.left(kQuickLocateRead));
  TrimW(wanted);
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].find(wanted) != std::u16string::npos) {
      listBox_->setCurrentRow(static_cast<int>(i));
      listBox_->scrollToItem(listBox_->item(static_cast<int>(i)));
      break;
    }
  }
  // No line contains it: the selection stays.
}

void CListPickDlg::OnClear() {
  quickLocateEdit_->clear();
  quickLocateEdit_->setFocus();
}

void CListPickDlg::OnOK() {
  ReadControls();
  if (selectedIndex >= 0 && static_cast<size_t>(selectedIndex) < lines_.size()) {
    result = lines_[static_cast<size_t>(selectedIndex)];
  }
  accept();
}

bool CListPickDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && IsEnterKey(static_cast<QKeyEvent*>(event))) {
    if (watched == quickLocateEdit_) {
      OnOK();
    } else {
      // Enter moves on like Tab.
      focusNextChild();
    }
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void CListPickDlg::keyPressEvent(QKeyEvent* event) {
  // Enter with no control focused does nothing; Escape still cancels.
  if (IsEnterKey(event)) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}
