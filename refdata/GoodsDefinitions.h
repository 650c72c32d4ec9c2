#pragma once
// Goods items outside a waybill's own goods lines, and the goods definition
// list read from the workbook "ParseGoods.xls" in the program folder.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "common/GoodsRecord.h"

// The goods definitions, in workbook order, with distinct cgcodeb values.
class CGoodsDefinitions {
 public:
  // Text of cell A1 that marks a goods definition workbook.
  static constexpr std::u16string_view kHeaderText = u"物品乙码";
  // The workbook's file name in the program folder.
  static constexpr const char* kFileName = "ParseGoods.xls";

  CGoodsDefinitions() = default;
  virtual ~CGoodsDefinitions() = default;

  // Reads the definitions of programFolder/ParseGoods.xls and appends them
  // to the list.  The number of definitions held afterwards; 0 when the
  // workbook cannot be opened or is not a goods definition list.
  int Load(const std::filesystem::path& programFolder);

  // The same from a given workbook (Load uses it).
  int LoadFile(const std::filesystem::path& workbook);

  // First definition whose cgcodeb equals the code byte for byte.
  std::optional<GoodsRecord> FindByCode(std::string_view code) const;

  const std::vector<GoodsRecord>& Items() const { return items_; }
  size_t Count() const { return items_.size(); }

 private:
  std::vector<GoodsRecord> items_;
};
