#include "office/ImportTable.h"

#include <utility>

#include "common/CsvReader.h"
#include "common/TextCodec.h"
#include "office/ExcelSession.h"

CCsvImportTable::CCsvImportTable(CCsvReader& reader, int headerRecord)
    : reader_(reader), headerRecord_(headerRecord) {}

bool CCsvImportTable::NextRow() {
  while (reader_.ReadRecord()) {
    ++record_;
    if (record_ <= headerRecord_) continue;
    return true;
  }
  return false;
}

std::string CCsvImportTable::CellNarrow(int column) {
  if (column <= 0) return {};
  auto field = reader_.Field(column - 1);
  return field ? std::string(*field) : std::string();
}

std::u16string CCsvImportTable::CellWide(int column, size_t units) {
  std::u16string text = WideFromNarrow(CellNarrow(column), reader_.CodePage());
  if (text.size() > units) text.resize(units);
  return text;
}

bool CExcelImportTable::NextRow() {
  ++row_;
  return true;
}

std::string CExcelImportTable::CellNarrow(int column) {
  if (column <= 0) return {};
  return session_.CellText(row_, column);
}

std::u16string CExcelImportTable::CellWide(int column, size_t units) {
  if (column <= 0) return {};
  return session_.CellTextTo(row_, column, units + 1);
}

int CExcelImportTable::LastRow() { return session_.UsedLastRow(); }

CMemoryImportTable::CMemoryImportTable(std::vector<std::vector<std::u16string>> rows, bool csv,
                                       int firstRow)
    : rows_(std::move(rows)), csv_(csv), firstRow_(firstRow) {}

bool CMemoryImportTable::NextRow() {
  if (started_) ++index_;
  started_ = true;
  return index_ < rows_.size();
}

std::string CMemoryImportTable::CellNarrow(int column) {
  return GbkFromWide(CellWide(column, 4096));
}

std::u16string CMemoryImportTable::CellWide(int column, size_t units) {
  if (column <= 0 || index_ >= rows_.size()) return {};
  const auto& row = rows_[index_];
  if (static_cast<size_t>(column) > row.size()) return {};
  std::u16string text = row[static_cast<size_t>(column) - 1];
  if (text.size() > units) text.resize(units);
  return text;
}
