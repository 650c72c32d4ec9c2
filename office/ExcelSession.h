#pragma once
// CExcelSession: one use of a workbook through the office suite.  A caller
// builds a session on its stack or as a member, creates or opens one
// workbook, works on its first sheet (cells, merged ranges, column widths,
// inserted rows, pictures, printing), saves it and lets the session go.
//
// Rows and columns count from 1.  File names are UTF-16 texts.  Every failure
// of the suite is caught here: calls with a result give 0, the others leave
// the reason in LastError(); nothing is thrown to the caller.  The reasons
// are language texts: 20035-20039 (see below), 20040 no workbook is open,
// 20041 picture file missing, 20042 not a picture, 20043 printer not found,
// and errors the suite raised while writing (20044), reading (20045),
// placing a picture (20046) or printing (20047), with the suite's own
// description as %1.
//
// The output workbook is written only by SaveAndClose: the suite stores it
// into a temporary file beside the output file, which then replaces the
// output file in one step, so a failed or abandoned job leaves no partial
// workbook under the output name.

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "office/CellFormat.h"

// A calendar date with time of day, written as a date cell.
struct CellDate {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// A value for SetCell.  A text is read by the sheet as if typed (numbers,
// dates and formulas are recognised); use SetCellText to keep it as text.
using CellValue = std::variant<std::monostate, double, std::u16string, CellDate, bool>;

class CExcelSession {
 public:
  CExcelSession();
  ~CExcelSession();
  CExcelSession(const CExcelSession&) = delete;
  CExcelSession& operator=(const CExcelSession&) = delete;

  // Opens a new workbook for the output file: a copy of the template file
  // when one is named and can be read, else an empty workbook.  An existing
  // output file is replaced after the overwrite question (20036; No gives
  // 20038, a failed deletion 20037).  20035 when the suite cannot be
  // started.  The first sheet is renamed when sheetName is not empty.
  // `visible` has no effect: the suite runs without windows.
  int CreateWorkbook(std::u16string_view sheetName, std::u16string_view outputFile,
                     std::u16string_view templateFile, bool visible);

  // The same with the template given as workbook bytes (none when length is
  // 0).  The overwrite question follows SetOverwriteQuestion; a failure to
  // start the suite is shown in a message box (20035).
  int CreateFromTemplateData(std::u16string_view sheetName, std::u16string_view outputFile,
                             const void* templateData, size_t templateLength, bool visible);

  // Opens an existing workbook for reading (20039 when it is missing or is
  // not a workbook, 20035 when the suite cannot be started).
  int OpenForReading(std::u16string_view file);

  void SetOverwriteQuestion(bool ask) { askBeforeOverwrite_ = ask; }
  std::u16string LastError() const { return errorText_; }

  void SetCell(int row, int column, const CellValue& value);
  // Writes a text that stays text (the apostrophe rule).
  void SetCellText(int row, int column, std::u16string_view text);
  // Character references decoded twice, then as SetCellText.
  void SetCellString(int row, int column, std::u16string_view text);

  // The cell's text in GBK: strings as stored (characters without a GBK
  // code become "?"), dates "%d-%02d-%02d[ %02d:%02d:%02d]", booleans "1" or
  // "0", numbers as NumberCellText; empty for empty and error cells.
  std::string CellText(int row, int column);
  // The cell's text in UTF-16, at most size - 1 units (a caller buffer of
  // `size` units with its terminator); strings are cut as stored and their
  // character references then decoded.
  std::u16string CellTextTo(int row, int column, size_t size);

  // Size of the sheet's used range (0 without a sheet).
  int UsedRowCount();
  int UsedColumnCount();
  // The number of the used range's last row (0 without a sheet).
  int UsedLastRow();

  void SetColumnWidth(int column, int pixels);
  void MergeCells(int row1, int column1, int row2, int column2);
  // Turns the page header and footer of the sheet's page style on or off
  // (a workbook the suite makes carries the sheet name and the page number
  // there; a print template wants neither).
  void SetPageHeadersShown(bool shown);
  // Inserts a whole sheet row at `row`; the rows below move down.
  void InsertRow(int row);

  // Places a picture (embedded, not linked) at the cell's top-left corner
  // plus the offsets, all in points; a width or height of -1 keeps the
  // picture's own size in that direction.  1, or 0 when it cannot be placed.
  int AddPicture(std::u16string_view pictureFile, int row, int column, double width,
                 double height, double offsetX, double offsetY);

  // Prints pages from..to (from < 1: all pages) of the workbook.  `printer`
  // names the print queue (empty: the default queue); a queue that does not
  // exist is an error, never a silent fallback to another printer.  With
  // `toFile` the pages are written as a PDF file instead; with `preview` the
  // pages go to a PDF file whose name PreviewFile() gives.  1, or 0 when the
  // suite reports an error (the reason in LastError()).
  int PrintOut(int fromPage, int toPage, int copies, bool preview,
               std::u16string_view printer = {}, std::u16string_view toFile = {});
  std::u16string PreviewFile() const { return previewFile_; }

  // Saves the workbook as the output file (.xlsx: Excel 2007 XML, anything
  // else: Excel 97) and closes it.  1, or 0 with the reason in LastError()
  // (no file is left under the output name then).
  int SaveAndClose();

  // Closes the workbook without saving what SaveAndClose did not save and
  // releases the suite.  Does its work once; also run by the destructor.
  void Close();

  // Test and diagnostic view of the state.
  bool IsOpen() const;
  bool Saved() const { return saved_; }
  int CloseCount() const { return closeCount_.load(); }

 private:
  struct Impl;
  int Create(std::u16string_view sheetName, std::u16string_view outputFile,
             std::u16string_view templateFile, const void* templateData,
             size_t templateLength, bool fromData);
  bool PrepareOutputFile(bool ask);
  void Fail(std::u16string text);
  void FailFromSuite(int textId);
  // A workbook could not be created or opened: the message, and nothing kept.
  int FailOpening();

  std::unique_ptr<Impl> impl_;
  std::u16string sheetName_;
  std::u16string outputFile_;
  std::u16string templateFile_;
  std::u16string errorText_;
  std::u16string previewFile_;
  const void* templateData_ = nullptr;
  size_t templateLength_ = 0;
  bool askBeforeOverwrite_ = true;
  std::atomic<int32_t> closeCount_{0};
  bool saved_ = false;
};
