#include "shell/ScaleSettingsDlg.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/LanguageTable.h"
#include "devices/ScaleSettings.h"

namespace {
// Language ids of the dialog's texts.
constexpr int kTextCaption = 1103;  // the menu caption of the command
constexpr int kTextBaudRate = 530010;
constexpr int kTextDataBits = 530011;
constexpr int kTextFrameLength = 530012;
constexpr int kTextStartCharacter = 530013;
constexpr int kTextOk = 350002;

QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }

QLineEdit* ReadOnlyField(const QString& value, const char* name, QWidget* parent) {
  auto* field = new QLineEdit(value, parent);
  field->setObjectName(name);
  field->setReadOnly(true);
  return field;
}
}  // namespace

QString CScaleSettingsDlg::StartByteText(uint8_t value) {
  if (value >= 14 && value <= 126) return QString(QChar(value));
  return QStringLiteral("0x") + QString::number(value, 16).toUpper().rightJustified(2, u'0');
}

CScaleSettingsDlg::CScaleSettingsDlg(const ScaleSettings& settings, QWidget* parent)
    : QDialog(parent) {
  const CLanguageTable& language = AppLanguage();
  setWindowTitle(Q(language.Text(kTextCaption)));
  baudRate_ = ReadOnlyField(QString::number(settings.baudRate), "baudRate", this);
  dataBits_ = ReadOnlyField(QString::number(settings.dataBits), "dataBits", this);
  frameLength_ = ReadOnlyField(QString::number(settings.frameLength), "frameLength", this);
  startCharacter_ = ReadOnlyField(StartByteText(settings.startByte), "startCharacter", this);
  okButton_ = new QPushButton(Q(language.Text(kTextOk)), this);
  okButton_->setObjectName("ok");
  okButton_->setDefault(true);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

  auto* fields = new QFormLayout;
  fields->addRow(Q(language.Text(kTextBaudRate)), baudRate_);
  fields->addRow(Q(language.Text(kTextDataBits)), dataBits_);
  fields->addRow(Q(language.Text(kTextFrameLength)), frameLength_);
  fields->addRow(Q(language.Text(kTextStartCharacter)), startCharacter_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addLayout(buttons);
}
