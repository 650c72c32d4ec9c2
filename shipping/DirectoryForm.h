#pragma once
// What the directory page does with a sender/receiver entry, without a
// widget: the thirteen texts of the record form and the record they make,
// the checked save and the delete of one entry, the import of a directory
// workbook ("名录格式.xls") read by its headings, the empty template and the
// workstation identity shown by the form's test button.
//
// Entries are always named by their id: a record the store hands out points
// into its mapping, which moves when the store grows, so nothing here keeps
// such a pointer across a change of the store.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "refdata/DirectoryTable.h"

// The form's texts, in the order of its boxes and of the import headings.
enum DirectoryField : int {
  kDirCode, kDirName, kDirPhone, kDirCompany, kDirAddress, kDirCountry, kDirProvince,
  kDirCity, kDirPostcode, kDirEmail, kDirSms, kDirMemo, kDirIdNumber, kDirFieldCount
};
using DirectoryTexts = std::array<std::u16string, kDirFieldCount>;

// The captions of the fields (the import headings) and their column widths.
std::u16string_view DirectoryCaption(int field);
int DirectoryCaptionWidth(int field);

// The texts of a record (GBK to UTF-16) and back (no checks).
DirectoryTexts DirectoryTextsOf(const DirectoryRecord& record);

// The grid columns of the page: caption and width, "序号" first.
inline constexpr int kDirectoryGridColumns = 14;
std::u16string_view DirectoryGridCaption(int column);
int DirectoryGridWidth(int column);
// The cell texts of columns 1..13 of a record.
std::array<std::u16string, kDirectoryGridColumns> DirectoryGridCells(const DirectoryRecord& record);

class CDirectoryEditor {
 public:
  explicit CDirectoryEditor(CDirectoryIndex& index) : index_(index) {}

  // Checks the texts (each check shows its own message and stops) and
  // stores them: a new entry (editedId -1) is appended, an existing one
  // rewritten in place.  The stored record goes into `saved`; false when a
  // check refused the texts or the entry being edited is gone.
  bool Save(int32_t editedId, DirectoryTexts& texts, DirectoryRecord& saved);
  // Removes the entry with the id (no question asked here).
  void Remove(int32_t id);

 private:
  CDirectoryIndex& index_;
};

// The id of the entry whose code equals the text (ASCII letters without
// case); 0 when none.
int32_t FindDirectoryCode(CDirectoryIndex& index, std::string_view code);

// The sheet an import reads (rows and columns from 1).
class DirectorySheet {
 public:
  virtual ~DirectorySheet() = default;
  virtual std::u16string Cell(int row, int column) = 0;
};

struct DirectoryImportResult {
  bool headingsFound = false;  // 姓名, 电话 and 地址 all have a column
  int written = 0;
  int refused = 0;             // rows with a field out of its limits
  int skipped = 0;             // duplicates and rows without name, phone or address
  std::u16string report;       // one line per refused or skipped row
};

// Reads the sheet by its headings and appends each acceptable row; onAdded
// is told every entry written.  Rows that break a limit are refused one by
// one (the report names the row and the field) and the import goes on.
DirectoryImportResult ImportDirectorySheet(CDirectoryIndex& index, DirectorySheet& sheet,
                                           const std::function<void(const DirectoryRecord&)>& onAdded);

// "缺少基本数据,不能导入!..." for a sheet without the three basic headings.
std::u16string DirectoryMissingHeadingsText();
// "本次导入共成功写入%d条名录。" followed by the report of refused rows.
std::u16string DirectoryImportSummary(const DirectoryImportResult& result);

// Writes the empty import template (first eleven captions, widths set):
// true, else false with the office suite's error text.
bool ExportDirectoryTemplate(std::u16string_view path, std::u16string& error);
// The template's path: the desktop plus "/名录格式.xls", or the program
// folder's "DATA_TEMP/名录格式.xls" without a desktop.
std::u16string DirectoryTemplatePath(std::u16string_view desktop, std::string_view programFolder);

// "%02X%02X-%02X%02X-%02X%02X" of the first adapter, CR LF, the machine mark.
std::u16string WorkstationIdentityText(std::string_view programFolder);
