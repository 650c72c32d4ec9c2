#pragma once
// CRecordCheckUpdateDlg: the file choice of the field update.  The operator
// picks an Excel workbook or a CSV file; its header captions are matched
// against the field table (MapFieldUpdateHeader) and the fields found are
// listed; the overwrite check and the number kind complete the choice.
// OK is offered only when the header has the waybill number column and at
// least one field to write.

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

#include "shipping/RecordImport.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;

// The header captions of a file: the given record of a CSV file, row 1 of
// a workbook's first sheet.  Empty when the file cannot be read.
std::vector<std::u16string> ReadUpdateFileHeader(const std::u16string& path, bool csv,
                                                 int headerRecord, std::u16string* error);

class CRecordCheckUpdateDlg : public QDialog {
 public:
  explicit CRecordCheckUpdateDlg(QWidget* parent = nullptr);

  // Takes the file: reads its header and lists the fields found.
  void SetPath(const std::u16string& path);
  const FieldUpdateChoice& Choice() const { return choice_; }

  // How the header is read (tests may replace it; the workbook reader
  // starts the office suite).
  std::function<std::vector<std::u16string>(const std::u16string&, bool, int, std::u16string*)>
      readHeader = ReadUpdateFileHeader;

  QLineEdit* PathEdit() const { return path_; }
  QCheckBox* OverwriteCheck() const { return overwrite_; }
  QRadioButton* InnerRadio() const { return inner_; }
  QRadioButton* TransferRadio() const { return transfer_; }
  QSpinBox* HeaderRecord() const { return headerRecord_; }
  QListWidget* Fields() const { return fields_; }
  QPushButton* OkButton() const { return ok_; }

  void accept() override;

 private:
  void Browse();
  void Remap();

  FieldUpdateChoice choice_;
  QLineEdit* path_ = nullptr;
  QPushButton* browse_ = nullptr;
  QSpinBox* headerRecord_ = nullptr;
  QCheckBox* overwrite_ = nullptr;
  QRadioButton* inner_ = nullptr;    // 1460
  QRadioButton* transfer_ = nullptr; // 1152
  QListWidget* fields_ = nullptr;
  QLabel* status_ = nullptr;
  QPushButton* ok_ = nullptr;
};
