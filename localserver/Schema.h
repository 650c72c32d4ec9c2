#pragma once
// The tables of the stand-in database: every table and column the client's
// SQL names, with the types its column-type lists and field sizes imply.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace localserver {

// Mixed: the name has different types in different tables.
enum class ColType { Int, Real, Text, DateTime, Blob, Mixed };

struct ColumnDef {
  std::string name;
  ColType type;
  bool autoKey = false;     // INTEGER PRIMARY KEY AUTOINCREMENT
  bool nullDefault = false; // NULL instead of 0 / '' / the empty date
};

struct TableDef {
  std::string name;
  std::vector<ColumnDef> columns;
};

// The empty date the client treats as "no date".
inline constexpr const char* kEmptyDate = "1900-01-01 00:00:00";

const std::vector<TableDef>& SchemaTables();
const TableDef* FindTable(std::string_view name);
std::string CreateTableSql(const TableDef& table);

// Column name (lower case) -> its type over all tables.
using ColumnTypeMap = std::unordered_map<std::string, ColType>;
const ColumnTypeMap& SchemaColumnTypes();

}  // namespace localserver
