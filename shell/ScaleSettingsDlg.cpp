#include "shell/ScaleSettingsDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPortInfo>
#include <QVBoxLayout>

#include "common/LanguageTable.h"
#include "devices/PortMessages.h"
#include "devices/ScaleReader.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "platform/QtText.h"
#include "ui/ScaleReadingBox.h"

namespace {
// Language ids of the dialog's texts.
constexpr int kTextCaption = 670000;
constexpr int kTextUse = 670001;
constexpr int kTextPort = 670002;
constexpr int kTextBaudRate = 530010;
constexpr int kTextBps = 670003;
constexpr int kTextDataBits = 530011;
constexpr int kTextParity = 670004;
constexpr int kTextParityNames = 670005;  // four: N, O, E, M
constexpr int kTextStopBits = 670009;
constexpr int kTextKind = 670010;
constexpr int kTextTransmission = 670011;
constexpr int kTextContinuous = 670012;
constexpr int kTextStable = 670013;
constexpr int kTextFrameLength = 530012;
constexpr int kTextBytes = 670014;
constexpr int kTextStartCharacter = 530013;
constexpr int kTextStartHint = 670015;
constexpr int kTextWeight = 670016;
constexpr int kTextKilograms = 670017;
constexpr int kTextLive = 670018;
constexpr int kTextStopLive = 670019;
constexpr int kTextReadOnce = 670020;
constexpr int kTextSave = 670021;
constexpr int kTextClose = 670022;
constexpr int kTextSaved = 670023;
constexpr int kTextNotSaved = 670024;

QString T(int id) { return platform::ToQString(AppLanguage().Text(id)); }

int Number(const QLineEdit* field) { return field->text().trimmed().toInt(); }

}  // namespace

QString CScaleSettingsDlg::StartByteText(uint8_t value) {
  return platform::ToQString(ScaleStartByteText(value));
}

CScaleSettingsDlg::CScaleSettingsDlg(CScaleReader& reader, std::function<int()> save,
                                     QWidget* parent)
    : QDialog(parent), reader_(reader), save_(std::move(save)),
      form_(ScaleSettingsForm::FromSettings(reader.settings)) {
  setWindowTitle(T(kTextCaption));
  use_ = new QCheckBox(T(kTextUse), this);
  use_->setObjectName("use");
  port_ = new QComboBox(this);
  port_->setObjectName("port");
  port_->setEditable(true);
  for (int n = 1; n <= ScaleSettingsForm::kNamedPorts; ++n) port_->addItem(QStringLiteral("COM%1").arg(n));
  port_->addItem(QString());
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    port_->addItem(info.systemLocation());
  }
  baudRate_ = new QLineEdit(this);
  baudRate_->setObjectName("baudRate");
  baudRate_->setValidator(new QIntValidator(0, 4000000, baudRate_));
  dataBits_ = new QLineEdit(this);
  dataBits_->setObjectName("dataBits");
  dataBits_->setValidator(new QIntValidator(0, 255, dataBits_));
  parity_ = new QComboBox(this);
  parity_->setObjectName("parity");
  for (int i = 0; i < 4; ++i) parity_->addItem(T(kTextParityNames + i));
  stopBits_ = new QComboBox(this);
  stopBits_->setObjectName("stopBits");
  stopBits_->addItems({QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("2")});
  kind_ = new QComboBox(this);
  kind_->setObjectName("kind");
  for (std::u16string_view name : ScaleKindNames()) kind_->addItem(platform::ToQString(name));
  continuous_ = new QRadioButton(T(kTextContinuous), this);
  continuous_->setObjectName("continuous");
  stable_ = new QRadioButton(T(kTextStable), this);
  stable_->setObjectName("stable");
  auto* modes = new QButtonGroup(this);
  modes->addButton(continuous_, 0);
  modes->addButton(stable_, 1);
  frameLength_ = new QLineEdit(this);
  frameLength_->setObjectName("frameLength");
  frameLength_->setValidator(new QIntValidator(-999, 999, frameLength_));
  startCharacter_ = new QLineEdit(this);
  startCharacter_->setObjectName("startCharacter");
  startCharacter_->setMaxLength(ScaleSettingsForm::kStartByteTextLength);
  weight_ = new QLineEdit(this);
  weight_->setObjectName("weight");
  weight_->setReadOnly(true);
  liveButton_ = new QPushButton(T(kTextLive), this);
  liveButton_->setObjectName("live");
  liveButton_->setAutoDefault(false);
  readButton_ = new QPushButton(T(kTextReadOnce), this);
  readButton_->setObjectName("readOnce");
  readButton_->setAutoDefault(false);
  okButton_ = new QPushButton(T(kTextSave), this);
  okButton_->setObjectName("ok");
  cancelButton_ = new QPushButton(T(kTextClose), this);
  cancelButton_->setObjectName("cancel");
  cancelButton_->setAutoDefault(false);

  auto* grid = new QGridLayout;
  int row = 0;
  grid->addWidget(use_, row++, 0, 1, 3);
  auto addRow = [&](int textId, QWidget* field, int unitId = 0) {
    grid->addWidget(new QLabel(T(textId), this), row, 0);
    grid->addWidget(field, row, 1);
    if (unitId != 0) grid->addWidget(new QLabel(T(unitId), this), row, 2);
    ++row;
  };
  addRow(kTextPort, port_);
  addRow(kTextBaudRate, baudRate_, kTextBps);
  addRow(kTextDataBits, dataBits_);
  addRow(kTextParity, parity_);
  addRow(kTextStopBits, stopBits_);
  addRow(kTextKind, kind_);
  auto* modeRow = new QHBoxLayout;
  modeRow->addWidget(continuous_);
  modeRow->addWidget(stable_);
  grid->addWidget(new QLabel(T(kTextTransmission), this), row, 0);
  grid->addLayout(modeRow, row++, 1, 1, 2);
  addRow(kTextFrameLength, frameLength_, kTextBytes);
  addRow(kTextStartCharacter, startCharacter_, kTextStartHint);
  addRow(kTextWeight, weight_, kTextKilograms);
  grid->setColumnStretch(1, 1);
  auto* tests = new QHBoxLayout;
  tests->addWidget(liveButton_);
  tests->addWidget(readButton_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(tests);
  layout->addLayout(buttons);

  ShowControls();
  okButton_->setDefault(true);
  connect(kind_, &QComboBox::currentIndexChanged, this, [this] {
    if (!showing_) OnKindChanged();
  });
  connect(readButton_, &QPushButton::clicked, this, &CScaleSettingsDlg::OnReadOnce);
  connect(liveButton_, &QPushButton::clicked, this, &CScaleSettingsDlg::OnLiveReading);
  connect(okButton_, &QPushButton::clicked, this, &CScaleSettingsDlg::OnSave);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

CScaleSettingsDlg::~CScaleSettingsDlg() { reader_.Close(); }

void CScaleSettingsDlg::done(int result) {
  reader_.Close();
  QDialog::done(result);
}

void CScaleSettingsDlg::TakeControls() {
  form_.useFlag = use_->isChecked() ? 1 : 0;
  form_.SetPortText(platform::FromQString(port_->currentText()));
  form_.baudRate = Number(baudRate_);
  form_.dataBits = Number(dataBits_);
  form_.parityCode = parity_->currentIndex();
  form_.stopBitsCode = stopBits_->currentIndex();
  form_.kind = kind_->currentIndex();
  form_.transmissionMode = stable_->isChecked() ? 1 : 0;
  form_.frameLength = Number(frameLength_);
  form_.startByteText = platform::FromQString(startCharacter_->text());
}

void CScaleSettingsDlg::ShowControls() {
  showing_ = true;
  use_->setChecked(form_.useFlag != 0);
  const QString portText = platform::ToQString(form_.PortText());
  const int portEntry = port_->findText(portText);
  if (portEntry >= 0) {
    port_->setCurrentIndex(portEntry);
  } else {
    port_->setEditText(portText);
  }
  baudRate_->setText(QString::number(form_.baudRate));
  dataBits_->setText(QString::number(form_.dataBits));
  parity_->setCurrentIndex(form_.parityCode);
  stopBits_->setCurrentIndex(form_.stopBitsCode);
  kind_->setCurrentIndex(form_.kind);
  (form_.transmissionMode != 0 ? stable_ : continuous_)->setChecked(true);
  frameLength_->setText(QString::number(form_.frameLength));
  startCharacter_->setText(platform::ToQString(form_.startByteText));
  showing_ = false;
}

void CScaleSettingsDlg::OnKindChanged() {
  TakeControls();
  form_.ApplyKindDefaults();
  ShowControls();
}

void CScaleSettingsDlg::OnReadOnce() { reader_.Open(this); }

void CScaleSettingsDlg::OnLiveReading() {
  if (live_) {
    StopReading();
    return;
  }
  liveButton_->setText(T(kTextStopLive));
  reader_.Open(this);
  live_ = true;
}

void CScaleSettingsDlg::StopReading() {
  reader_.Close();
  liveButton_->setText(T(kTextLive));
  live_ = false;
}

void CScaleSettingsDlg::OnSave() {
  TakeControls();
  form_.StoreInto(reader_.settings);
  // A scale saved as not in use is let go at once, live reading or not.
  if (reader_.settings.useFlag == 0) StopReading();
  if (save_ && save_() != 0) {
    reader_.BuildLineSettings();
    platform::ShowMessageBox(AppLanguage().Text(kTextSaved), {}, platform::kMbOk);
  } else {
    platform::ShowMessageBox(AppLanguage().Text(kTextNotSaved), {}, platform::kMbOk);
  }
}

bool CScaleSettingsDlg::event(QEvent* event) {
  if (ShowScaleReading(event, reader_, weight_)) return true;
  return QDialog::event(event);
}
