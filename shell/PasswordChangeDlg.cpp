#include "shell/PasswordChangeDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"
#include "shell/PasswordChange.h"

namespace {

QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }

}  // namespace

CPasswordChangeDlg::CPasswordChangeDlg(bool strongRequired, QWidget* parent)
    : QDialog(parent), strongRequired_(strongRequired) {
  const CLanguageTable& language = AppLanguage();
  setWindowTitle(Q(language.Text(480000)));
  auto* newLabel = new QLabel(Q(language.Text(480010)), this);
  auto* repeatLabel = new QLabel(Q(language.Text(480011)), this);
  newEdit_ = new QLineEdit(this);
  newEdit_->setObjectName("newPassword");
  repeatEdit_ = new QLineEdit(this);
  repeatEdit_->setObjectName("repeatedPassword");
  for (QLineEdit* edit : {newEdit_, repeatEdit_}) {
    edit->setMaxLength(30);
    edit->setEchoMode(QLineEdit::Password);
  }
  newLabel->setBuddy(newEdit_);
  repeatLabel->setBuddy(repeatEdit_);
  okButton_ = new QPushButton(Q(language.Text(480012)), this);
  okButton_->setObjectName("ok");
  okButton_->setDefault(true);
  cancelButton_ = new QPushButton(Q(language.Text(480013)), this);
  cancelButton_->setObjectName("cancel");
  connect(okButton_, &QPushButton::clicked, this, &CPasswordChangeDlg::accept);
  connect(cancelButton_, &QPushButton::clicked, this, &CPasswordChangeDlg::reject);

  auto* fields = new QGridLayout;
  fields->addWidget(newLabel, 0, 0);
  fields->addWidget(newEdit_, 0, 1);
  fields->addWidget(repeatLabel, 1, 0);
  fields->addWidget(repeatEdit_, 1, 1);
  fields->setColumnStretch(1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addLayout(buttons);
  setMinimumWidth(320);

  setTabOrder(newEdit_, repeatEdit_);
  setTabOrder(repeatEdit_, okButton_);
  setTabOrder(okButton_, cancelButton_);
  for (QWidget* w : {static_cast<QWidget*>(newEdit_), static_cast<QWidget*>(repeatEdit_),
                     static_cast<QWidget*>(okButton_), static_cast<QWidget*>(cancelButton_)})
    w->installEventFilter(this);
  newEdit_->setFocus();
}

bool CPasswordChangeDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    bool onButton = watched == okButton_ || watched == cancelButton_;
    switch (key->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
        if (onButton) break;
        focusNextChild();
        return true;
      case Qt::Key_Down:
        focusNextChild();
        return true;
      case Qt::Key_Up:
        focusPreviousChild();
        return true;
      default:
        break;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void CPasswordChangeDlg::accept() {
  newPassword_ = newEdit_->text().toStdU16String();
  repeated_ = repeatEdit_->text().toStdU16String();
  std::u16string message =
      CheckNewPassword(newPassword_, repeated_, strongRequired_, AppLanguage());
  if (message.empty()) {
    QDialog::accept();
    return;
  }
  platform::ShowMessageBox(message, {}, platform::kMbOk);
  newPassword_.clear();
  repeated_.clear();
  newEdit_->clear();
  repeatEdit_->clear();
  newEdit_->setFocus();
}
