#include "ui/PrintConfirmDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"

namespace {

// A fixed caption of the dialog in the operator's language (the Chinese
// text of each id is the caption itself).
QString Caption(int32_t id, std::u16string_view chinese) {
  return QString::fromStdU16String(AppLanguage().Text(id, chinese));
}

}  // namespace

CPrintConfirmDlg::CPrintConfirmDlg(int kindValue, QWidget* parent) : QDialog(parent), kind(kindValue) {
  if (kind < 0 || kind > 2) kind = 0;
  copies = kDefaultCopies[kind];
  force = kind == 0 ? 0 : 1;
  setWindowTitle(Caption(620010, u"形式发票打印确认"));
  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel(Caption(620013, u"打印份数:"), this), 0, 0);
  copiesEdit_ = new QLineEdit(this);
  copiesEdit_->setValidator(new QIntValidator(0, 999, copiesEdit_));
  copiesEdit_->setMaximumWidth(60);
  layout->addWidget(copiesEdit_, 0, 1);
  layout->addWidget(new QLabel(Caption(620014, u"份(有效值:1-9)"), this), 0, 2);
  messageLabel_ = new QLabel(this);
  messageLabel_->setWordWrap(true);
  messageLabel_->setMinimumWidth(280);
  layout->addWidget(messageLabel_, 1, 0, 1, 3);
  forceBox_ = new QCheckBox(Caption(620015, u"强制打印上面所设份数"), this);
  layout->addWidget(forceBox_, 2, 0, 1, 3);
  okButton_ = new QPushButton(Caption(620016, u"确认打印 &S"), this);
  cancelButton_ = new QPushButton(Caption(620017, u"放弃退出 &C"), this);
  okButton_->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  layout->addLayout(buttons, 3, 0, 1, 3);
  connect(okButton_, &QPushButton::clicked, this, [this] {
    TakeData();
    accept();
  });
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void CPrintConfirmDlg::InitDialog() {
  if (kind == 1) setWindowTitle(Caption(620011, u"标签打印确认"));
  if (kind == 2) setWindowTitle(Caption(620012, u"面单打印确认"));
  messageLabel_->setText(QString::fromStdU16String(message));
  copiesEdit_->setText(QString::number(copies));
  forceBox_->setChecked(force != 0);
  copiesEdit_->setFocus();
  copiesEdit_->selectAll();
}

int CPrintConfirmDlg::DoModal() {
  InitDialog();
  return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel;
}

void CPrintConfirmDlg::TakeData() {
  copies = copiesEdit_->text().toInt();
  force = forceBox_->isChecked() ? 1 : 0;
}

int CPrintConfirmDlg::CopiesFrom(int value, int forced) {
  if (value < 1) return 1;
  if (value > 9) return 9;
  return forced ? value + 100 : value;
}

int CPrintConfirmDlg::GetCopies() const { return CopiesFrom(copies, force); }
