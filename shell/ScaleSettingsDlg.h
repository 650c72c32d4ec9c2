#pragma once
// CScaleSettingsDlg: describes the scale attached to this workstation,
// tests it with one reading or a live stream, and saves the settings to
// "balanceset.ini".  The dialog edits a copy: nothing reaches the reader's
// settings until "保存设定".  Closing the dialog closes the scale's port,
// whoever opened it.  The rules live in ScaleSettingsForm.

#include <QDialog>

#include <functional>

#include "devices/ScaleSettingsForm.h"

class CScaleReader;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class CScaleSettingsDlg : public QDialog {
  Q_OBJECT

 public:
  // `save` writes the reader's settings to "balanceset.ini" (1 written,
  // 0 not): the application's SaveScaleSettings.
  CScaleSettingsDlg(CScaleReader& reader, std::function<int()> save, QWidget* parent = nullptr);
  ~CScaleSettingsDlg() override;

  const ScaleSettingsForm& Form() const { return form_; }
  bool LiveReading() const { return live_; }

  QCheckBox* UseBox() const { return use_; }
  QComboBox* PortBox() const { return port_; }
  QLineEdit* BaudRateField() const { return baudRate_; }
  QLineEdit* DataBitsField() const { return dataBits_; }
  QComboBox* ParityBox() const { return parity_; }
  QComboBox* StopBitsBox() const { return stopBits_; }
  QComboBox* KindBox() const { return kind_; }
  QRadioButton* ContinuousButton() const { return continuous_; }
  QRadioButton* StableButton() const { return stable_; }
  QLineEdit* FrameLengthField() const { return frameLength_; }
  QLineEdit* StartCharacterField() const { return startCharacter_; }
  QLineEdit* WeightField() const { return weight_; }
  QPushButton* LiveButton() const { return liveButton_; }
  QPushButton* ReadButton() const { return readButton_; }
  QPushButton* OkButton() const { return okButton_; }
  QPushButton* CancelButton() const { return cancelButton_; }

  // The start byte as the settings show it: the character itself for 14 to
  // 126, else "0x" and two hexadecimal digits.
  static QString StartByteText(uint8_t value);

 protected:
  bool event(QEvent* event) override;
  void done(int result) override;

 private:
  void TakeControls();
  void ShowControls();
  void OnKindChanged();
  void OnReadOnce();
  void OnLiveReading();
  // Closes the port and ends live reading.
  void StopReading();
  void OnSave();

  CScaleReader& reader_;
  std::function<int()> save_;
  ScaleSettingsForm form_;
  bool live_ = false;
  bool showing_ = false;

  QCheckBox* use_;
  QComboBox* port_;
  QLineEdit* baudRate_;
  QLineEdit* dataBits_;
  QComboBox* parity_;
  QComboBox* stopBits_;
  QComboBox* kind_;
  QRadioButton* continuous_;
  QRadioButton* stable_;
  QLineEdit* frameLength_;
  QLineEdit* startCharacter_;
  QLineEdit* weight_;
  QPushButton* liveButton_;
  QPushButton* readButton_;
  QPushButton* okButton_;
  QPushButton* cancelButton_;
};
