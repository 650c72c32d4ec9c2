#pragma once
// The bag list of the master air waybill form without its window: the
// bag query and rows, the add, take-off and rename calls with their
// messages, the destination check, the bag order and special order texts
// and the statements that store them, and the list's heading.  The form
// (CAwbEditorDlg, consolidation/AwbEditorBags.cpp) runs them and shows the
// rows; tests take them without a window.

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "server/ProcedureCall.h"

namespace awb {

// The columns of the bag list.
inline constexpr int kBagColumns = 11;
enum BagColumn : int {
  kBagNumber = 0, kBagRoute = 1, kBagPieces = 2, kBagWeight = 3, kBagOrder = 4, kBagSpecial = 5,
  kBagSpecialOrder = 6, kBagDate = 7, kBagInput = 8, kBagBy4 = 9, kBagMemo = 10
};
struct ColumnSpec {
  int32_t caption;
  int width;
  bool right;
};
extern const std::array<ColumnSpec, kBagColumns> kBagListColumns;

// One bag of the list: its id, state and the texts of its columns.
struct BagRow {
  int32_t id = 0;
  int32_t state = 0;
  std::array<std::u16string, kBagColumns> cells;
};

// The bags of a master air waybill (number with its quotes doubled).
std::string BagListSql(std::u16string_view awbNumber);
std::span<const uint32_t> BagListTypes();
// The rows of a bag reply; false for a reply of 9 bytes or less or
// without "List".
bool ReadBagRows(std::string_view reply, std::vector<BagRow>& rows);

// The add of a bag by its id (above 0) or its number, onto the master air
// waybill, for the user: GBK, texts cut to 60 bytes with their quotes
// doubled.  Its result and twelve outputs.
std::string AddBagSql(int32_t bagId, std::u16string_view bagNumber, std::u16string_view awbNumber,
                      std::u16string_view userName);
std::span<const uint32_t> AddBagTypes();
// The bag row of an add's outputs, with the order and special number the
// form chose.
BagRow BagRowFromOutputs(int32_t bagId, const std::vector<std::string>& outputs,
                         std::u16string_view order, std::u16string_view special);
// The message of a refused add (0: the server's error text).
int32_t AddRefusalText(int32_t code, bool byId);

// Switch 26: the order of the bag added when the list holds `rows` bags
// and the packing field reads N ("%u/%u" of rows + 1 and N); empty when N
// is 0 or less or the list is full (rows >= N).
std::u16string PackingOrder(size_t rows, std::u16string_view packing);
int32_t PackingCount(std::u16string_view packing);
// "UPDATE ... SET corder='%s',chno='%s' WHERE ixid=%u".
std::string OrderAndSpecialSql(int32_t bagId, std::u16string_view order, std::u16string_view special);

// The destination check's query by id (above 0) or number.
std::string DestinationSql(int32_t bagId, std::u16string_view bagNumber);
std::span<const uint32_t> DestinationTypes();
// 1 when the bag may go on (no row, no answer, or the same destination as
// the master air waybill's); 0 with the line "%s,%s\r\n" (bag number, bag
// destination) appended to `lines`.
int CheckDestinationReply(int length, std::string_view reply, std::u16string_view awbDestination,
                          std::u16string& lines);

// Taking a bag off: with a result ("{?=CALL ...}") or without ("{CALL
// ...}", the take-all-off).
std::string TakeOffSql(int32_t bagId, std::u16string_view awbNumber, std::u16string_view userName,
                       bool withResult);
int32_t TakeOffRefusalText(int32_t code);

// The rename: the new number upper-cased, cut to 60 bytes and its quotes
// doubled like every other text.
std::string RenameSql(int32_t bagId, std::u16string_view newNumber, std::u16string_view userName);
int32_t RenameRefusalText(int32_t code);

// The bag order text of row i (from 0) of n: "% 2u/%u" below 100 rows,
// "% 3u/%u" below 1000, else "% 4u/%u".
std::u16string OrderText(size_t i, size_t n);
std::string BagOrderSql(int32_t bagId, std::u16string_view order);
// The special-number statement over the ids, grown as long as the ids
// need (the number cut to 60 bytes, quotes doubled).
std::string SpecialNumberSql(std::u16string_view number, std::span<const int32_t> ids);
// The special orders of rows whose special numbers are `specials`, in
// list order: each group of equal numbers (the empty one too) counted from
// 1 to its size.
std::vector<std::u16string> SpecialOrderTexts(const std::vector<std::u16string>& specials);
std::string SpecialOrderSql(int32_t bagId, std::u16string_view order);

// The heading's three values: bag rows, the sum of the pieces column and
// of the weight column.
struct BagSums {
  size_t rows = 0;
  uint32_t pieces = 0;
  double weight = 0;
};
BagSums SumBagRows(const std::vector<std::array<std::u16string, 2>>& piecesAndWeights);

// The "%u"/"%.3f" forms the headings use.
std::u16string UnsignedText(uint64_t value);
std::u16string KgText(double kg);

}  // namespace awb
