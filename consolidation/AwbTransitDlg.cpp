#include "consolidation/AwbTransitDlg.h"

#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "ui/LinkLabel.h"

namespace {

QString Text(int32_t id) { return platform::ToQString(AppLanguage().Text(id)); }
QString TextColon(int32_t id) { return Text(id) + QStringLiteral(":"); }
QString Q(const std::u16string& text) { return platform::ToQString(text); }
std::u16string U(const QString& text) { return platform::FromQString(text); }

QLineEdit* Edit(QWidget* parent, size_t limit) {
  auto* edit = new QLineEdit(parent);
  edit->setMaxLength(static_cast<int>(limit));
  return edit;
}

void Warn(const std::u16string& text) {
  platform::ShowMessageBox(text, AppLanguage().Text(20002), platform::kMbOk | platform::kMbIconWarning);
}

}  // namespace

CAwbTransitDlg::CAwbTransitDlg(QWidget* parent, const AwbDeskServices& services,
                               const AwbStatusRecord& record)
    : QDialog(parent), services_(services), record_(record) {
  setWindowTitle(Text(470000));
  using namespace awbtransit;
  auto* outer = new QVBoxLayout(this);

  auto* head = new QGridLayout;
  numberEdit = Edit(this, kNumberLimit);
  flightEdit = Edit(this, kFlightLimit);
  takeOffEdit = Edit(this, kTakeOffLimit);
  stateBox = new QComboBox(this);
  for (int s = 0; s < 3; ++s) stateBox->addItem(Q(AppLanguage().AwbStateText(s)));
  head->addWidget(new QLabel(TextColon(30102), this), 0, 0);
  head->addWidget(numberEdit, 0, 1);
  head->addWidget(new QLabel(TextColon(460102), this), 0, 2);
  head->addWidget(flightEdit, 0, 3);
  head->addWidget(new QLabel(Text(470010), this), 1, 0);
  head->addWidget(takeOffEdit, 1, 1);
  head->addWidget(new QLabel(TextColon(460105), this), 1, 2);
  head->addWidget(stateBox, 1, 3);
  outer->addLayout(head);

  auto* steps = new QGridLayout;
  steps->addWidget(new QLabel(Text(470011), this), 0, 0);
  steps->addWidget(new QLabel(Text(470012), this), 0, 1);
  steps->addWidget(new QLabel(Text(470013), this), 0, 2);
  steps->addWidget(new QLabel(Text(470014), this), 0, 3);
  for (int k = 0; k < kSteps; ++k) {
    const size_t i = static_cast<size_t>(k);
    const int row = 1 + 2 * k;
    auto* label = new CLinkLabel(QString::number(k + 1) + QStringLiteral("."), this);
    label->SetLinkCursor(HandCursor());
    label->SetTextColor(QColor(0, 0, 160));
    stepLabels[i] = label;
    connect(label, &CLinkLabel::clicked, this, [this, k] { FillStep(k); });
    dateEdits[i] = Edit(this, kStepDateLimit);
    detailEdits[i] = Edit(this, kDetailLimit);
    placeEdits[i] = Edit(this, kPlaceLimit);
    detailEnglishEdits[i] = Edit(this, kDetailLimit);
    placeEnglishEdits[i] = Edit(this, kPlaceLimit);
    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(label);
    dateRow->addWidget(dateEdits[i], 1);
    steps->addLayout(dateRow, row, 0, 1, 2);
    steps->addWidget(detailEdits[i], row, 2);
    steps->addWidget(placeEdits[i], row, 3);
    auto* english = new QLabel(Text(470015), this);
    english->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    steps->addWidget(english, row + 1, 0, 1, 2);
    steps->addWidget(detailEnglishEdits[i], row + 1, 2);
    steps->addWidget(placeEnglishEdits[i], row + 1, 3);
  }
  steps->setColumnMinimumWidth(1, 130);
  steps->setColumnStretch(2, 3);
  steps->setColumnStretch(3, 2);
  outer->addLayout(steps);
  outer->addStretch(1);

  auto* buttons = new QHBoxLayout;
  okButton = new QPushButton(Text(470016), this);
  clearButton = new QPushButton(Text(470017), this);
  cancelButton = new QPushButton(Text(470018), this);
  for (QPushButton* b : {okButton, clearButton, cancelButton}) {
    b->setAutoDefault(false);
    b->setDefault(false);
  }
  buttons->addStretch(1);
  buttons->addWidget(okButton);
  buttons->addWidget(clearButton);
  buttons->addWidget(cancelButton);
  outer->addLayout(buttons);
  connect(okButton, &QPushButton::clicked, this, [this] { SaveTransit(); });
  connect(clearButton, &QPushButton::clicked, this, [this] { ClearTransit(); });
  connect(cancelButton, &QPushButton::clicked, this, [this] { done(platform::kIdCancel); });

  for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
  resize(760, 470);
}

int CAwbTransitDlg::DoModal() {
  InitDialog();
  return exec() == platform::kIdOk ? platform::kIdOk : platform::kIdCancel;
}

void CAwbTransitDlg::InitDialog() {
  LoadTransit();
  numberEdit->setFocus();
}

void CAwbTransitDlg::LoadTransit() {
  std::string reply;
  int sent = 0;
  if (services_.query) sent = services_.query(awbtransit::LoadSql(record_.number), awbtransit::LoadColumnTypes(), reply);
  if (sent <= 9 || !awbtransit::ReadTransit(reply, record_.number, fields_)) fields_ = awbtransit::TransitFields{};
  WriteControls();
}

bool CAwbTransitDlg::SaveTransit() {
  ReadControls();
  const awbtransit::SaveResult result = awbtransit::Save(services_.execute, fields_);
  switch (result.outcome) {
    case awbtransit::SaveOutcome::kSaved:
      done(platform::kIdOk);
      return true;
    case awbtransit::SaveOutcome::kUnknownAwb:
      Warn(AppLanguage().Text(awblist::kUnknownAwbText));
      return false;
    case awbtransit::SaveOutcome::kFailed:
      Warn(result.failure);
      return false;
  }
  return false;
}

void CAwbTransitDlg::ClearTransit() {
  ReadControls();
  awbtransit::Clear(fields_);
  WriteControls();
}

void CAwbTransitDlg::FillStep(int n) {
  ReadControls();
  std::u16string prompt;
  const bool chosen = services_.chooseCommonPrompt && services_.chooseCommonPrompt(prompt);
  const std::u16string now =
      services_.now ? services_.now()
                    : U(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
  awbtransit::FillStep(fields_, n, chosen ? &prompt : nullptr, now);
  WriteControls();
}

void CAwbTransitDlg::ReadControls() {
  fields_.number = U(numberEdit->text());
  fields_.flight = U(flightEdit->text());
  fields_.takeOffTime = U(takeOffEdit->text());
  fields_.state = stateBox->currentIndex() < 0 ? 0 : stateBox->currentIndex();
  for (size_t i = 0; i < awbtransit::kSteps; ++i) {
    fields_.dates[i] = U(dateEdits[i]->text());
    fields_.details[i] = U(detailEdits[i]->text());
    fields_.detailsEnglish[i] = U(detailEnglishEdits[i]->text());
    fields_.places[i] = U(placeEdits[i]->text());
    fields_.placesEnglish[i] = U(placeEnglishEdits[i]->text());
  }
}

void CAwbTransitDlg::WriteControls() {
  numberEdit->setText(Q(fields_.number));
  flightEdit->setText(Q(fields_.flight));
  takeOffEdit->setText(Q(fields_.takeOffTime));
  stateBox->setCurrentIndex(fields_.state >= 0 && fields_.state < 3 ? fields_.state : 0);
  for (size_t i = 0; i < awbtransit::kSteps; ++i) {
    dateEdits[i]->setText(Q(fields_.dates[i]));
    detailEdits[i]->setText(Q(fields_.details[i]));
    detailEnglishEdits[i]->setText(Q(fields_.detailsEnglish[i]));
    placeEdits[i]->setText(Q(fields_.places[i]));
    placeEnglishEdits[i]->setText(Q(fields_.placesEnglish[i]));
  }
}

bool CAwbTransitDlg::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
    return QDialog::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  const int k = key->key();
  const bool ctrl = (key->modifiers() & Qt::ControlModifier) != 0;
  const bool enter = k == Qt::Key_Return || k == Qt::Key_Enter;
  const bool ours = enter || k == Qt::Key_Down || k == Qt::Key_Up || k == Qt::Key_Escape ||
                    (ctrl && (k == Qt::Key_S || k == Qt::Key_D));
  if (!ours) return QDialog::eventFilter(watched, event);
  if (type == QEvent::ShortcutOverride) {
    event->accept();
    return true;
  }
  if (ctrl && k == Qt::Key_S) {
    SaveTransit();
  } else if (ctrl && k == Qt::Key_D) {
    ClearTransit();
  } else if (enter || k == Qt::Key_Down) {
    focusNextChild();
  } else if (k == Qt::Key_Up) {
    focusPreviousChild();
  }
  return true;  // Esc is swallowed
}

void CAwbTransitDlg::keyPressEvent(QKeyEvent* event) {
  // With no control holding the focus the moving keys and Esc do nothing.
  const int k = event->key();
  if (k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_Down || k == Qt::Key_Up ||
      k == Qt::Key_Escape) {
    event->accept();
    return;
  }
  if ((event->modifiers() & Qt::ControlModifier) != 0 && k == Qt::Key_S) {
    SaveTransit();
    return;
  }
  if ((event->modifiers() & Qt::ControlModifier) != 0 && k == Qt::Key_D) {
    ClearTransit();
    return;
  }
  QDialog::keyPressEvent(event);
}
