#pragma once
// CFileUpdateDlg: the file of the record update.  The operator picks an
// Excel workbook or a CSV file; its header row (row 1 of the first sheet,
// or the first record of the CSV file) is checked against the field table
// (FieldUpdateFields): the 运单号 key and at least one field to update must
// be there.  The result box lists the fields found and their columns.
//
// A file that passes the check becomes the dialog's file: its name, CSV
// flag, column map and last header position are committed together.  A
// file that fails leaves all four as the last accepted file left them (it
// is examined apart), and the path and result boxes unchanged.  OK is
// always accepted; the caller acts only when a file was accepted (file
// name set, the key and another field mapped).

#include <QDialog>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "shipping/RecordImport.h"

class CColorButton;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

// The 113 field positions of the first record of a CSV file (code page
// 54936; a position past the record's end reads empty), or row 1 of a
// workbook's first sheet, columns 1 to one past its used range.  False with
// the reader's or the Excel link's error text, or text 320010 for a CSV file
// without a record.
bool ReadUpdateFileHeader(const std::u16string& path, bool csv, std::vector<std::u16string>& headers,
                          std::u16string& error);

class CFileUpdateDlg : public QDialog {
 public:
  explicit CFileUpdateDlg(QWidget* parent = nullptr);

  // ---- what the caller reads after OK ----
  int overwrite = 1;   // an empty cell overwrites the stored value
  int numberKind = 0;  // 0 waybill numbers, 1 transfer numbers
  std::u16string fileName;
  std::array<int, kFieldUpdateFieldCount> columnMap;
  int csv = 0;
  int lastCsvHeaderPosition = 0;
  // The members as the field update takes them.
  FieldUpdateChoice Choice() const;

  // The application's Excel filter ("name|pattern|").
  std::u16string excelFilter = u"Excel file (*.xls)|*.xls|";
  // Reads a file's header (tests may replace it).
  std::function<bool(const std::u16string&, bool, std::vector<std::u16string>&, std::u16string&)>
      readHeader = ReadUpdateFileHeader;

  // The browse handler after the file dialog: examines the chosen file and,
  // when it passes, takes it; false (after the message) when it does not.
  bool CheckFile(const std::u16string& path);
  // The format rules shown before any file is checked.
  static std::u16string FormatRulesText();
  // The check result of a column map.
  static std::u16string CheckResultText(const std::array<int, kFieldUpdateFieldCount>& map);

  QLineEdit* PathEdit() const { return path_; }
  QPlainTextEdit* ResultEdit() const { return result_; }
  CColorButton* BrowseButton() const { return browse_; }
  QCheckBox* OverwriteCheck() const { return overwriteCheck_; }
  QRadioButton* InnerRadio() const { return inner_; }
  QRadioButton* TransferRadio() const { return transfer_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

  void accept() override;

 private:
  void Browse();

  QLabel* fileLabel_ = nullptr;
  QLineEdit* path_ = nullptr;          // 1457
  CColorButton* browse_ = nullptr;     // 1422
  QCheckBox* overwriteCheck_ = nullptr;  // 1459
  QRadioButton* inner_ = nullptr;      // 1460
  QRadioButton* transfer_ = nullptr;   // 1152
  QPlainTextEdit* result_ = nullptr;   // 1361
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};
