#include "ui/ScanStationDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/LanguageTable.h"
#include "devices/PortMessages.h"
#include "devices/ScaleReader.h"
#include "devices/ScaleSettingsForm.h"
#include "devices/SoundService.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "platform/QtText.h"
#include "ui/ScaleReadingBox.h"
#include "print/PrintDoors.h"
#include "refdata/RecordStores.h"
#include "refdata/StoreCommit.h"
#include "ui/ViewPage.h"

namespace {
constexpr int kTextCaption = 670040;
constexpr int kTextInner = 670041;
constexpr int kTextTransfer = 670042;
constexpr int kTextOptions = 670043;
constexpr int kTextWeigh = 670044;
constexpr int kTextPrint = 670045;
constexpr int kTextRelabel = 670046;
constexpr int kTextWeight = 670016;
constexpr int kTextConfirm = 670047;
constexpr int kTextClose = 670048;
constexpr int kTextNotPrinted = 670049;
constexpr int kNumberLength = 30;

QString T(int id) { return platform::ToQString(AppLanguage().Text(id)); }

bool IsEnter(const QKeyEvent* key) {
  return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}
}  // namespace

CScanStationDlg::CScanStationDlg(CWaybillRecordTable& store, CScaleReader& reader,
                                 CSoundService& sounds, CPrintDoors* doors, QWidget* parent)
    : QDialog(parent),
      reader_(reader),
      station_(store, CScanStation::Doors{
                          [&sounds](int hertz, int ms) { sounds.PlayTone(hertz, ms); },
                          [doors](int32_t id) {
                            if (doors == nullptr) return false;
                            if (doors->PrintWaybill(id, 0, 0, 1, u"") != 0) return true;
                            platform::ShowMessageBox(AppLanguage().Text(kTextNotPrinted), {},
                                                     platform::kMbOk | platform::kMbIconError);
                            return false;
                          },
                          [&store] { return CommitStoreOrTell(store); },
                          [this](int32_t id, int32_t grams) {
                            if (target)
                              platform::SendPrivateMessage(target, kWmWeightUpdated,
                                                           static_cast<quintptr>(id), grams);
                          }}) {
  setWindowTitle(T(kTextCaption));
  inner_ = new QLineEdit(this);
  inner_->setObjectName("inner");
  inner_->setMaxLength(kNumberLength);
  transfer_ = new QLineEdit(this);
  transfer_->setObjectName("transfer");
  transfer_->setMaxLength(kNumberLength);
  weighBox_ = new QCheckBox(T(kTextWeigh), this);
  printBox_ = new QCheckBox(T(kTextPrint), this);
  relabelBox_ = new QCheckBox(T(kTextRelabel), this);
  for (QCheckBox* box : {weighBox_, printBox_, relabelBox_}) {
    box->setChecked(true);
    connect(box, &QCheckBox::clicked, this, &CScanStationDlg::OnOptionClicked);
  }
  weight_ = new QLineEdit(QStringLiteral("0"), this);
  weight_->setObjectName("weight");
  status_ = new QLabel(this);
  status_->setObjectName("status");
  QFont statusFont = status_->font();
  statusFont.setPointSize(18);
  status_->setFont(statusFont);
  status_->setStyleSheet(QStringLiteral("color: rgb(0,255,0); background-color: black;"));
  status_->setMinimumHeight(QFontMetrics(statusFont).height() + 8);
  confirm_ = new QPushButton(T(kTextConfirm), this);
  confirm_->setObjectName("confirm");
  confirm_->setAutoDefault(false);
  close_ = new QPushButton(T(kTextClose), this);
  close_->setObjectName("close");
  close_->setDefault(true);
  connect(close_, &QPushButton::clicked, this, &QDialog::accept);
  connect(confirm_, &QPushButton::clicked, this, [this] {
    Apply(station_.ConfirmStep(platform::FromQString(inner_->text()),
                               platform::FromQString(transfer_->text()), Weight()));
  });
  for (QLineEdit* edit : {inner_, transfer_, weight_}) edit->installEventFilter(this);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(T(kTextInner), this), 0, 0);
  grid->addWidget(inner_, 0, 1, 1, 3);
  grid->addWidget(new QLabel(T(kTextTransfer), this), 1, 0);
  grid->addWidget(transfer_, 1, 1, 1, 3);
  grid->addWidget(new QLabel(T(kTextOptions), this), 2, 0);
  grid->addWidget(weighBox_, 2, 1);
  grid->addWidget(printBox_, 2, 2);
  grid->addWidget(relabelBox_, 2, 3);
  grid->addWidget(new QLabel(T(kTextWeight), this), 3, 0);
  grid->addWidget(weight_, 3, 1, 1, 3);
  grid->addWidget(status_, 4, 0, 1, 4);
  grid->setColumnStretch(1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(confirm_);
  buttons->addStretch(1);
  buttons->addWidget(close_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  setMinimumWidth(420);

  reader_.Open(this);
  inner_->setFocus();
}

double CScanStationDlg::Weight() const { return weight_->text().trimmed().toDouble(); }

void CScanStationDlg::OnOptionClicked() {
  bool weigh = weighBox_->isChecked();
  station_.SetOptions(weigh, printBox_->isChecked(), relabelBox_->isChecked());
  weighBox_->setChecked(weigh);
  inner_->setFocus();
}

void CScanStationDlg::Apply(const CScanStation::Outcome& outcome) {
  if (!outcome.status.empty()) status_->setText(platform::ToQString(outcome.status));
  if (outcome.clearInner) inner_->clear();
  if (outcome.clearTransfer) transfer_->clear();
  auto field = [this](CScanStation::Field f) -> QLineEdit* {
    if (f == CScanStation::Field::kInner) return inner_;
    if (f == CScanStation::Field::kTransfer) return transfer_;
    return nullptr;
  };
  if (QLineEdit* edit = field(outcome.focus)) edit->setFocus();
  if (QLineEdit* edit = field(outcome.select)) edit->selectAll();
}

bool CScanStationDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && IsEnter(static_cast<QKeyEvent*>(event))) {
    if (watched == inner_) {
      Apply(station_.InnerStep(platform::FromQString(inner_->text()), Weight()));
      return true;
    }
    if (watched == transfer_) {
      Apply(station_.TransferStep(platform::FromQString(transfer_->text()), Weight()));
      return true;
    }
  }
  if (watched == weight_ && event->type() == QEvent::FocusIn &&
      station_.Mode() % 10 == CScanStation::kWeigh) {
    reader_.Open(this);
  }
  return QDialog::eventFilter(watched, event);
}

void CScanStationDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape || (IsEnter(event) && focusWidget() == nullptr)) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool CScanStationDlg::event(QEvent* event) {
  if (ShowScaleReading(event, reader_, weight_)) return true;
  return QDialog::event(event);
}
