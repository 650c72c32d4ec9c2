#pragma once
// CScaleSettingsDlg: the scale settings of this workstation, as the program
// holds them (read from "balanceset.ini" at start-up).  For now it only
// shows them; editing, testing and saving them belongs to the devices side.

#include <QDialog>

struct ScaleSettings;
class QLineEdit;
class QPushButton;

class CScaleSettingsDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CScaleSettingsDlg(const ScaleSettings& settings, QWidget* parent = nullptr);

  QLineEdit* BaudRateField() const { return baudRate_; }
  QLineEdit* DataBitsField() const { return dataBits_; }
  QLineEdit* FrameLengthField() const { return frameLength_; }
  QLineEdit* StartCharacterField() const { return startCharacter_; }
  QPushButton* OkButton() const { return okButton_; }

  // The start byte as the settings show it: the character itself for 14 to
  // 126, else "0x" and two hexadecimal digits.
  static QString StartByteText(uint8_t value);

 private:
  QLineEdit* baudRate_;
  QLineEdit* dataBits_;
  QLineEdit* frameLength_;
  QLineEdit* startCharacter_;
  QPushButton* okButton_;
};
