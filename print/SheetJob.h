#pragma once
// One workbook of a print job: the session that fills it, the picture
// files written for it and the workbook file itself.  Whatever the job
// leaves behind is removed when the job object goes, whether the job
// printed, failed half-way or kept its workbook (then only the pictures
// and the temporary names go; a kept workbook stays).

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "office/ExcelSession.h"

class CCode128Bitmap;
struct PrintContext;

class CSheetJob {
 public:
  CSheetJob(const PrintContext& context, std::u16string workbookFile, bool keepWorkbook);
  ~CSheetJob();
  CSheetJob(const CSheetJob&) = delete;
  CSheetJob& operator=(const CSheetJob&) = delete;

  // Creates the workbook from the template's bytes; on failure the
  // session's error text goes to the operator and false comes back.
  bool Create(std::u16string_view sheetName, const std::string& workbookBytes);
  CExcelSession& Session() { return *session_; }
  void Set(int row, int column, std::u16string_view text);
  // Places a picture file 2 points right of and below the cell's corner
  // and remembers the file for removal (unless `removeAfter` is false: a
  // file the program keeps, such as a downloaded logo).
  void Picture(const std::filesystem::path& file, int column, int row, double width,
               double height, bool removeAfter = true);
  void Remember(const std::filesystem::path& file) { pictures_.push_back(file); }
  // Prints pages 1..pages `copies` times to the queue (nothing in keep-all
  // mode); the number of sheets sent.  A print that reaches no queue sends
  // nothing: no queue given, a queue that refuses jobs (or is stopped), or
  // the office suite's failure.
  int Print(const std::u16string& queue, int pages, int copies);
  // Saves and closes; true when the workbook was written.
  bool SaveAndClose();
  // Tells the operator which document did not print and why: the language
  // text `documentText` with %1 the waybill numbers and %2 the reason of
  // the last Print.
  void PrintFailed(int32_t documentText, std::u16string_view numbers);
  const std::u16string& WorkbookFile() const { return workbookFile_; }
  // Writes a Code 128 picture and places it; false (nothing placed) when
  // the number cannot be drawn or written.
  bool Code128(CCode128Bitmap& bitmap, std::string_view number, int barHeight, bool noText,
               const char* codeSets, int direction, int size, const std::filesystem::path& file,
               int column, int row);

 private:
  const PrintContext& context_;
  std::unique_ptr<CExcelSession> session_;
  std::u16string workbookFile_;
  bool keepWorkbook_;
  std::vector<std::filesystem::path> pictures_;
  std::u16string reason_;  // why the last Print sent nothing
};

// The document texts of PrintFailed: "The waybill %1 was not printed: %2",
// its labels, its proforma invoice.
inline constexpr int32_t kWaybillNotPrintedText = 620000;
inline constexpr int32_t kLabelsNotPrintedText = 620001;
inline constexpr int32_t kInvoiceNotPrintedText = 620002;

// The file path of a UTF-16 name and back.
std::filesystem::path PathOf(std::u16string_view name);
std::u16string NameOf(const std::filesystem::path& path);
// A record number fit for a file name (GBK in, UTF-8 path text out).
std::string SafeNumber(std::string_view gbkNumber);
// A temporary workbook name "<folder>/<prefix><tick><random>.xls".
std::u16string TemporaryWorkbook(const std::string& folder, std::string_view prefix);
