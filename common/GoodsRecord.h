#pragma once
// One goods item outside a waybill's own goods lines: the splitter of
// multi-valued goods columns produces them, the entry pages sum and save them
// as goods lines (table client_rec_goods), the goods definitions list holds
// them.  Texts are GBK; each is held to the byte length of its column.

#include <cstdint>
#include <string>

struct GoodsRecord {
  int32_t iquantity = 0;  // quantity
  double fprice = 0;      // unit price
  double fgcustom = 0;    // customs value
  double fgcrate = 0;     // customs rate
  double fgweight = 0;    // weight (kilograms)
  std::string cgoods;     // goods name, at most kGoodsNameMax bytes
  std::string cgoodsa;    // second goods name, at most kGoodsNameMax bytes
  std::string cgcodea;    // goods code A, at most kGoodsCodeMax bytes
  std::string cgcodeb;    // goods code B (key of a goods definition)
  std::string cgcodec;    // goods code C
  std::string cunit;      // unit, at most kGoodsUnitMax bytes
  std::string note;       // further text of the goods columns, at most kGoodsNoteMax
  std::string extra;      // further text of a goods definition, at most kGoodsNoteMax

  // Byte limits of the text fields (the room of the stored column less one).
  static constexpr size_t kGoodsNameMax = 254;
  static constexpr size_t kGoodsCodeMax = 63;
  static constexpr size_t kGoodsUnitMax = 15;
  static constexpr size_t kGoodsNoteMax = 254;
};
