#pragma once
// Where the rows of an import come from: a CSV file, the first sheet of a
// workbook open in a CExcelSession, or rows a test gives.  The imports of
// the entry, import and shipping pages all read their rows through
// CImportTable.

#include <string>
#include <vector>

class CCsvReader;
class CExcelSession;

class CImportTable {
 public:
  virtual ~CImportTable() = default;
  // Moves to the next data row; false at the end of the rows.
  virtual bool NextRow() = 0;
  // The row's number in the file (1-based; a CSV record number or a sheet row).
  virtual int RowNumber() const = 0;
  // The cell text as the file holds it: CSV field bytes (GBK) unchanged; for
  // a workbook the cell in GBK.  Empty for a missing cell.
  virtual std::string CellNarrow(int column) = 0;
  // The cell in UTF-16 (workbook cells keep characters GBK lacks), at most
  // `units` units.
  virtual std::u16string CellWide(int column, size_t units) = 0;
  // True for a CSV file: field texts are taken as they are, no goods lines.
  virtual bool IsCsv() const = 0;
  // The last row number that may hold data (a workbook's used range); -1
  // when the source does not say.
  virtual int LastRow() { return -1; }
};

// CSV records after the header record; blank records are skipped.
class CCsvImportTable : public CImportTable {
 public:
  // Takes a loaded reader.
  CCsvImportTable(CCsvReader& reader, int headerRecord);
  bool NextRow() override;
  int RowNumber() const override { return record_; }
  std::string CellNarrow(int column) override;
  std::u16string CellWide(int column, size_t units) override;
  bool IsCsv() const override { return true; }

 private:
  CCsvReader& reader_;
  int headerRecord_;
  int record_ = 0;
};

// Rows 2, 3, ... (or from `firstRow`) of the first sheet of an open workbook; never ends by
// itself (the short-row rule ends the import).
class CExcelImportTable : public CImportTable {
 public:
  // `firstRow` is the row the first NextRow moves to.
  explicit CExcelImportTable(CExcelSession& session, int firstRow = 2)
      : session_(session), row_(firstRow - 1) {}
  bool NextRow() override;
  int RowNumber() const override { return row_; }
  std::string CellNarrow(int column) override;
  std::u16string CellWide(int column, size_t units) override;
  bool IsCsv() const override { return false; }
  int LastRow() override;

 private:
  CExcelSession& session_;
  int row_;
};

// Rows held in memory (UTF-16 cells), read like a workbook unless `csv`.
class CMemoryImportTable : public CImportTable {
 public:
  CMemoryImportTable(std::vector<std::vector<std::u16string>> rows, bool csv, int firstRow = 2);
  bool NextRow() override;
  int RowNumber() const override { return firstRow_ + static_cast<int>(index_); }
  std::string CellNarrow(int column) override;
  std::u16string CellWide(int column, size_t units) override;
  bool IsCsv() const override { return csv_; }
  int LastRow() override { return firstRow_ + static_cast<int>(rows_.size()) - 1; }

 private:
  std::vector<std::vector<std::u16string>> rows_;
  bool csv_;
  int firstRow_;
  size_t index_ = 0;
  bool started_ = false;
};
