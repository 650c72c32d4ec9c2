#pragma once
// Goods items outside a waybill's own goods lines, and the goods definition
// list read from the workbook "ParseGoods.xls" in the program folder.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

// One goods item; texts are GBK and NUL-terminated within their arrays.  The
// field names are the columns of the goods-line table client_rec_goods.
// Zero-filled before use (GoodsRecord r{}), copied by value.
struct GoodsRecord {
  int32_t iquantity;
  double fprice;     // unit price
  double fgcustom;   // customs value
  double fgcrate;    // customs rate
  double fgweight;   // kilograms
  char cgoods[256];  // goods name
  char cgoodsa[256]; // second goods name
  char cgcodea[64];
  char cgcodeb[64];  // key of a goods definition
  char cgcodec[64];
  char cunit[16];
  char note[256];    // further text of the goods columns
  char extra[256];   // further text of a goods definition (column 9)
};

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
