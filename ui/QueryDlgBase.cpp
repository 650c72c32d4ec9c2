#include "ui/QueryDlgBase.h"

#include <QCheckBox>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "ui/LinkLabel.h"
#include "ui/ViewHost.h"

using platform::FromQString;
using platform::ToQString;

namespace {
constexpr int32_t kTextOk = 170021;
constexpr int32_t kTextReset = 170022;
constexpr int32_t kTextCancel = 170023;
// A number box without a number.
constexpr int32_t kTextNeedInteger = 21200;
constexpr int32_t kTextNeedNumber = 21201;

bool IsEnter(const QKeyEvent* key) {
  return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

QString Caption(int32_t textId, bool colon) {
  QString text = ToQString(AppLanguage().Text(textId));
  if (colon) text += u':';
  return text;
}
}  // namespace

std::u16string BoxText(const QLineEdit* box) { return FromQString(box->text()); }

void SetBoxText(QLineEdit* box, std::u16string_view text) { box->setText(ToQString(text)); }

void RecentRange(std::u16string& from, std::u16string& to, int seconds) {
  const QDateTime now = QDateTime::currentDateTime();
  const QString format = QStringLiteral("yyyy.MM.dd HH:mm:ss");
  to = FromQString(now.toString(format));
  from = FromQString(now.addSecs(-seconds).toString(format));
}

CQueryDlgBase::CQueryDlgBase(QWidget* parent) : QDialog(parent) {
  grid_ = new QGridLayout;
  grid_->setHorizontalSpacing(6);
  grid_->setVerticalSpacing(4);
  okButton_ = new QPushButton(this);
  resetButton_ = new QPushButton(this);
  cancelButton_ = new QPushButton(this);
  okButton_->setDefault(true);
  for (QPushButton* b : {okButton_, resetButton_, cancelButton_}) b->setAutoDefault(false);
  connect(okButton_, &QPushButton::clicked, this, &CQueryDlgBase::OnOK);
  connect(resetButton_, &QPushButton::clicked, this, &CQueryDlgBase::OnReset);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid_);
}

void CQueryDlgBase::AddButtons() {
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(okButton_);
  row->addWidget(resetButton_);
  row->addWidget(cancelButton_);
  static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

QLineEdit* CQueryDlgBase::AddEdit(int row, int column, int maxLength, int span) {
  auto* box = new QLineEdit(this);
  box->setMaxLength(maxLength);
  grid_->addWidget(box, row, column, 1, span);
  return box;
}

QLabel* CQueryDlgBase::AddLabel(int row, int column, int32_t textId, bool colon) {
  auto* label = new QLabel(Caption(textId, colon), this);
  grid_->addWidget(label, row, column);
  return label;
}

CLinkLabel* CQueryDlgBase::AddLink(int row, int column, int32_t textId, bool colon) {
  auto* label = new CLinkLabel(Caption(textId, colon), this);
  label->SetLinkCursor(HandCursor());
  label->SetTextColor(QColor(0, 0, 255));
  grid_->addWidget(label, row, column);
  return label;
}

QCheckBox* CQueryDlgBase::AddCheck(int row, int column, int32_t textId) {
  auto* box = new QCheckBox(Caption(textId, false), this);
  grid_->addWidget(box, row, column);
  return box;
}

void CQueryDlgBase::InitDialog() {
  okButton_->setText(ToQString(AppLanguage().Text(kTextOk)));
  resetButton_->setText(ToQString(AppLanguage().Text(kTextReset)));
  cancelButton_->setText(ToQString(AppLanguage().Text(kTextCancel)));
  OnOpen();
  WriteControls();
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

int CQueryDlgBase::DoModal() {
  InitDialog();
  return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel;
}

void CQueryDlgBase::OnOK() {
  if (ReadControls() && AcceptConditions()) accept();
}

void CQueryDlgBase::OnReset() {
  ResetConditions();
  WriteControls();
}

bool CQueryDlgBase::ReadNumber(QLineEdit* box, bool whole, double& value) {
  bool ok = false;
  const QString text = box->text().trimmed();
  const double read = whole ? text.toInt(&ok) : text.toDouble(&ok);
  if (ok && std::isfinite(read)) {
    value = read;
    return true;
  }
  platform::ShowMessageBox(AppLanguage().Text(whole ? kTextNeedInteger : kTextNeedNumber), {},
                           platform::kMbOk | platform::kMbIconWarning);
  box->setFocus();
  box->selectAll();
  return false;
}

bool CQueryDlgBase::ReadInt(QLineEdit* box, int32_t& value) {
  double read = 0;
  if (!ReadNumber(box, true, read)) return false;
  value = static_cast<int32_t>(read);
  return true;
}

bool CQueryDlgBase::ReadDouble(QLineEdit* box, double& value) { return ReadNumber(box, false, value); }

bool CQueryDlgBase::PickPrompt(std::u16string& text) {
  if (!ReadControls()) return false;
  std::u16string prompt;
  if (host == nullptr || !host->ChooseCommonPrompt(prompt)) return false;
  text = prompt;
  WriteControls();
  return true;
}

bool CQueryDlgBase::HandleKey(QKeyEvent* event) {
  if (standardKeys_) return false;
  if (OnDialogKey(event, event->type() == QEvent::KeyRelease)) return true;
  if (event->type() != QEvent::KeyPress) return false;
  switch (event->key()) {
    case Qt::Key_Up: focusNextPrevChild(false); return true;
    case Qt::Key_Down: focusNextPrevChild(true); return true;
    case Qt::Key_Escape:
      if (escapeCancels_) reject();
      return true;
    default: break;
  }
  if (!IsEnter(event)) return false;
  if (enterKey_ != EnterKey::kTab && (event->modifiers() & Qt::ControlModifier)) {
    OnOK();
    return true;
  }
  if (enterKey_ == EnterKey::kTabButtonsCtrlOk) {
    QWidget* focus = focusWidget();
    if (focus == okButton_ || focus == cancelButton_) {
      static_cast<QPushButton*>(focus)->click();
      return true;
    }
  }
  focusNextPrevChild(true);
  return true;
}

bool CQueryDlgBase::eventFilter(QObject* watched, QEvent* event) {
  if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
      watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this) {
    if (HandleKey(static_cast<QKeyEvent*>(event))) return true;
  }
  return QDialog::eventFilter(watched, event);
}

void CQueryDlgBase::keyPressEvent(QKeyEvent* event) {
  if (HandleKey(event)) return;
  QDialog::keyPressEvent(event);
}
