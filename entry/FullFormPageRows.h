#pragma once
// The rows of the waybill page (page 1), without a widget: the list query's
// select list and column types, and the 37 cells of a row from a reply row
// or from a saved waybill.  Money columns of the save protocol's hundredths
// (iprice, idvalue) are shown divided by 100 on both paths.

#include <array>
#include <optional>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <QString>

#include "common/Json.h"

struct WaybillRecord;

inline constexpr int kWaybillListColumns = 37;

struct WaybillListColumn {
  int captionId;
  int width;
  int align;  // kGridAlignLeft, Right, Center
};
const WaybillListColumn& WaybillListColumnAt(int column);

// The select list of the list query (61 columns; "0 AS ilen" follows in the
// heads) and the 62 column types sent with it.
std::u16string WaybillListSelect();
std::vector<uint32_t> WaybillListTypes();
// The heads of the three query forms.
std::u16string WaybillListDateHead();

using WaybillListRow = std::array<std::u16string, kWaybillListColumns>;

// A row of the query reply (an object keyed "0" .. "61"); column 0 (the row
// number) is left empty.  The record id is key "10".
WaybillListRow WaybillRowFromReply(std::string_view object);
int32_t WaybillRowId(std::string_view object);

// Reads the rows of a list reply one after another into the grid's own text
// type: the same 37 cells as WaybillRowFromReply (column 0 empty, an empty
// text a null QString) and the record id as WaybillRowId gives them, each
// object's keys indexed once and the names of the item types and pay ways
// looked up once for all rows; a text value standing in the reply exactly as
// in the row before shares that row's text.
class WaybillReplyReader {
 public:
  WaybillReplyReader();
  // The cells of the row object; `id` receives its record id.  The objects
  // of one reader come from one reply, which outlives the reader.
  std::vector<QString> Cells(std::string_view object, int32_t& id);
  // The same for the next row object of a list read through `list`; false
  // when there is none.
  bool Next(JsonListReader& list, std::vector<QString>& cells, int32_t& id);

 private:
  std::vector<QString> CellsOfIndexed(int32_t& id);

  struct Last {
    std::optional<std::string_view> body;
    QString cell;
  };
  JsonRowIndex index_;
  std::array<Last, kWaybillListColumns> last_;
  QString itemTypes_[4];  // 0..2, then "未知"
  QString payWays_[4];
};

// A row of a saved waybill: customer name and code come from the caller
// (the client list), as do the item-type and pay-way names.
WaybillListRow WaybillRowFromRecord(const WaybillRecord& record, std::u16string_view customerName,
                                    std::u16string_view customerCode,
                                    std::u16string_view itemTypeName,
                                    std::u16string_view payWayName);

// The dimensions shown: a last upper-case letter (the class letter) dropped.
std::u16string DimensionsShown(std::u16string text);
