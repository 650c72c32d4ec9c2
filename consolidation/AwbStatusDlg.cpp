#include "consolidation/AwbStatusDlg.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "platform/QtText.h"
#include "ui/ViewPage.h"

namespace {

QString Text(int32_t id) { return platform::ToQString(AppLanguage().Text(id)); }
QString TextColon(int32_t id) { return Text(id) + QStringLiteral(":"); }
std::u16string U(const QString& text) { return platform::FromQString(text); }

void Warn(const std::u16string& text) {
  platform::ShowMessageBox(text, AppLanguage().Text(20002), platform::kMbOk | platform::kMbIconWarning);
}

}  // namespace

CAwbStatusDlg::CAwbStatusDlg(QWidget* parent) : QWidget(parent) {
  iconButton = new QToolButton(this);
  iconButton->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
  iconButton->setIconSize(QSize(32, 32));
  iconButton->setAutoRaise(true);
  iconButton->setGeometry(8, 8, 40, 40);

  auto* numberCaption = new QLabel(this);
  numberCaption->setObjectName(QStringLiteral("numberCaption"));
  numberCaption->setGeometry(8, 60, 104, 22);
  numberEdit = new QLineEdit(this);
  numberEdit->setMaxLength(30);
  numberEdit->setGeometry(112, 60, 120, 22);
  auto* flightCaption = new QLabel(this);
  flightCaption->setObjectName(QStringLiteral("flightCaption"));
  flightCaption->setGeometry(8, 90, 104, 22);
  flightEdit = new QLineEdit(this);
  flightEdit->setMaxLength(15);
  flightEdit->setGeometry(112, 90, 120, 22);
  auto* stateCaption = new QLabel(this);
  stateCaption->setObjectName(QStringLiteral("stateCaption"));
  stateCaption->setGeometry(8, 120, 104, 22);
  stateBox = new QComboBox(this);
  stateBox->setGeometry(112, 120, 120, 24);

  saveStateButton = new QPushButton(this);
  saveStateButton->setGeometry(8, 160, 222, 30);
  apportionButton = new QPushButton(this);
  apportionButton->setGeometry(8, 200, 222, 30);
  attachmentsButton = new QPushButton(this);
  attachmentsButton->setGeometry(8, 240, 222, 30);
  transitButton = new QPushButton(this);
  transitButton->setGeometry(8, 280, 222, 30);
  for (QPushButton* b : {saveStateButton, apportionButton, attachmentsButton, transitButton})
    b->setAutoDefault(false);
  connect(saveStateButton, &QPushButton::clicked, this, [this] { SaveStatus(); });
  connect(apportionButton, &QPushButton::clicked, this, [this] { RequestApportion(); });
  connect(attachmentsButton, &QPushButton::clicked, this, [this] { OpenAttachments(); });
  connect(transitButton, &QPushButton::clicked, this, [this] { EditTransit(); });
}

void CAwbStatusDlg::InitPanel(const AwbDeskServices& services) {
  services_ = services;
  findChild<QLabel*>(QStringLiteral("numberCaption"))->setText(TextColon(30102));
  findChild<QLabel*>(QStringLiteral("flightCaption"))->setText(TextColon(460102));
  findChild<QLabel*>(QStringLiteral("stateCaption"))->setText(TextColon(460105));
  saveStateButton->setText(Text(460010));
  apportionButton->setText(Text(460011));
  attachmentsButton->setText(Text(460012));
  transitButton->setText(Text(460013));
  stateBox->clear();
  for (int s = 0; s < 3; ++s) stateBox->addItem(platform::ToQString(AppLanguage().AwbStateText(s)));
  attachmentsAllowed = services_.attachmentsAllowed;
  attachmentsButton->setVisible(attachmentsAllowed);
  ClearPanel();
}

void CAwbStatusDlg::EnableButtons(bool on) {
  saveStateButton->setEnabled(on);
  transitButton->setEnabled(on);
  if (attachmentsAllowed) attachmentsButton->setEnabled(on);
}

void CAwbStatusDlg::ShowRecord() {
  stateBox->setCurrentIndex(record.state >= 0 && record.state < 3 ? record.state : -1);
  numberEdit->setText(platform::ToQString(record.number));
  flightEdit->setText(platform::ToQString(record.flight));
  EnableButtons(true);
}

void CAwbStatusDlg::ClearPanel() {
  record.rowKey = 0;
  stateBox->setCurrentIndex(0);
  numberEdit->clear();
  flightEdit->clear();
  EnableButtons(false);
  apportionButton->setEnabled(true);
}

void CAwbStatusDlg::Notify(int kind, AwbStatusRecord* rec) {
  if (pageWindow == nullptr) return;
  platform::SendPrivateMessage(pageWindow, WM_PAGE_NOTIFY, static_cast<quintptr>(kind),
                               reinterpret_cast<qintptr>(rec));
}

void CAwbStatusDlg::SaveStatus() {
  const int state = stateBox->currentIndex();
  const std::u16string number = U(numberEdit->text());
  const awblist::SaveResult result =
      awblist::SaveStatus(services_.execute, record.rowKey, state, number);
  switch (result.outcome) {
    case awblist::SaveOutcome::kNothingSent:
      return;
    case awblist::SaveOutcome::kSaved:
      record.state = state;
      Notify(kAwbNoticeStateSaved, &record);
      ClearPanel();
      return;
    case awblist::SaveOutcome::kUnknownAwb:
      Warn(AppLanguage().Text(awblist::kUnknownAwbText));
      return;
    case awblist::SaveOutcome::kFailed:
      Warn(result.failure);
      return;
  }
}

void CAwbStatusDlg::RequestApportion() { Notify(kAwbNoticeApportion, nullptr); }

void CAwbStatusDlg::EditTransit() {
  CAwbTransitDlg dlg(this, services_, record);
  runningTransit = &dlg;
  const int answer = dlg.DoModal();
  runningTransit = nullptr;
  if (answer != platform::kIdOk) return;
  const awbtransit::TransitFields& fields = dlg.Fields();
  record.state = fields.state;
  record.flight = fields.flight;
  record.takeOffTime = fields.takeOffTime;
  Notify(kAwbNoticeTransitSaved, &record);
}

void CAwbStatusDlg::OpenAttachments() {
  const std::u16string number = U(numberEdit->text().trimmed());
  if (number.empty() || !services_.openAttachments) return;
  services_.openAttachments(this, number);
}
