#pragma once
// The client's description of the server table columns an installation can
// pick for its configurable lists: for each column its SQL name, the type
// code that fixes how the value is asked for, a caption from the language
// table and display hints.  Filled once after the language table is loaded;
// the settlement statement page reads the waybill columns through
// WaybillColumn.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CLanguageTable;

// One column.
struct ColumnDef {
  static constexpr size_t kNameMax = 31;     // bytes, ASCII
  static constexpr size_t kCaptionMax = 63;  // UTF-16 units

  std::string name;        // the SQL column name
  int32_t type = 0;        // 0 bit; 1..6 text of 2, 16, 32, 64, 128, 256 bytes;
                           // 7 integer; 8 floating; 9 date and time
  std::u16string caption;  // the caption text of the run's language
  uint8_t format = 0;      // decimals of floating columns; display code of
                           // integer and date columns; 0 for texts
  uint8_t alignment = 0;   // 0 left, 1 right, 2 centred
  uint8_t width = 0;       // pixels
  uint8_t flag = 0;        // 1 on amounts, weights and counts
};

// One table: its own columns, shown after the shared list it names.
struct ColumnTable {
  std::string name;
  std::vector<ColumnDef> columns;
  const std::vector<ColumnDef>* shared = nullptr;
};

class CColumnCatalog {
 public:
  static constexpr int kTableCount = 4;
  static constexpr int kClientArc = 0;
  static constexpr int kClientRec = 1;
  static constexpr int kClientFee = 2;
  static constexpr int kSpArc = 3;
  // Waybill column indexes below this one are the shared customer columns.
  static constexpr int kCustomerColumnCount = 10;

  CColumnCatalog() = default;
  // The tables point at the catalogue's own shared lists.
  CColumnCatalog(const CColumnCatalog&) = delete;
  CColumnCatalog& operator=(const CColumnCatalog&) = delete;

  // Fills the catalogue with captions from the language table (a built
  // catalogue is emptied first).
  void Build(const CLanguageTable& language);
  // Table 0 client_arc, 1 client_rec, 2 client_fee, 3 sp_arc; nullptr for
  // any other number (and before Build).
  const ColumnTable* Table(int n) const;
  // Index 0..9 the customer columns, 10 and above the client_rec columns
  // from their first; nullptr when there is no such entry.
  const ColumnDef* WaybillColumn(int index) const;
  // Appends a column to the client_rec table.
  void AddColumn(int32_t type, uint8_t format, uint8_t alignment, uint8_t flag, uint8_t width,
                 std::string_view name, std::u16string_view caption);
  // 0 for 0, 1 for 1, 2 for anything else.
  static int TriStateValue(int n) { return n == 0 ? 0 : n == 1 ? 1 : 2; }

  const std::vector<ColumnDef>& CustomerColumns() const { return customerColumns_; }
  const std::vector<ColumnDef>& SupplierColumns() const { return supplierColumns_; }
  bool Built() const { return built_; }

 private:
  std::array<ColumnTable, kTableCount> tables_;
  std::vector<ColumnDef> customerColumns_;
  std::vector<ColumnDef> supplierColumns_;
  bool built_ = false;
};
