#pragma once
// What the quick entry form does with a slot's text, without any widget:
// the conversion when a slot is left, the weight of a scale reading, the
// volume and chargeable weight of dimensions, the goods summary of the goods
// lines, the status line, the customer's payment codes and the fill from a
// pre-input order.  The full waybill form may use the same rules.
//
// Every text here is a field kind's text of the form's text table
// (WaybillEntry::texts, entry/WaybillSave.h).

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "entry/WaybillSave.h"

struct ClientDetail;

namespace quickentry {

// The field kinds the quick save does not take (dates and signature of the
// tracking, the check point): shown, never offered for editing.
bool IsShownOnlyKind(int kind);

// Leaving a slot: the text trimmed, cut to 254 characters, then by kind
// (2, 3, 41 upper case; 4, 25 "%.3f"; 5, 43 "%.2f"; 19, 20 date and time;
// 23 "%d"; others unchanged).
std::u16string LeaveSlotText(int kind, std::u16string_view text);
// Whether the slot's edit shows the converted text afterwards (2, 3).
bool LeaveSlotShowsText(int kind);

// The weight text of a scale reading in grams: with rounding -1 three
// decimals of kilograms, else ((grams + rounding) / 10) hundredths.
std::u16string ScaleWeightText(int32_t grams, int32_t rounding);

// The volume letter of a kind's class code (1 'D', 2 ' ', 3 'E', 4 'T',
// 5 'S', 6 'W'); any other code keeps `current`.
char VolumeLetterOfClass(uint8_t classCode, char current);

// Grams of chargeable weight for dimensions in centimetres and an actual
// weight in grams (the application's rule).
using ChargeableWeightFn =
    std::function<int32_t(int32_t length, int32_t width, int32_t height, int32_t grams, char letter)>;

struct DimensionsOutcome {
  bool valid = false;          // false: the dimensions text is to be emptied
  std::u16string dimensions;   // "%u*%u*%u"
  std::u16string volume;       // kind 57, empty when the volume stays as it was
  std::u16string weight;       // kind 4, empty when the weight stays as it was
};
// Dimensions above this many centimetres are refused like missing ones.
inline constexpr int32_t kLongestSide = 10000;
DimensionsOutcome ApplyDimensions(std::u16string_view dimensions, std::u16string_view weight,
                                  char letter, const ChargeableWeightFn& chargeable);

struct GoodsSummary {
  bool any = false;
  std::u16string names;          // kind 26
  std::u16string quantities;     // kind 30
  std::u16string totalQuantity;  // kind 27
  std::u16string declared;       // kind 31
  std::u16string unitPrice;      // kind 28
};
GoodsSummary SummarizeGoods(std::span<const GoodsLine> goods);
// Writes a summary into the text table.
void ApplyGoodsSummary(const GoodsSummary& summary, WaybillEntry& entry);

// Fills the empty operator fields of a new waybill (cMName, cTaker, cTrans,
// cBearer) from its customer's record, where that holds a value.
void ApplyCustomerDefaults(const ClientDetail& customer, WaybillRecord& record);

// "PP" for pay ways 0 and 1, "CC" otherwise.
std::u16string PayDirOfPayWay(int payWay);

struct StatusLine {
  bool loaded = false;
  int state = 0;
  int payWay = 0;
  std::u16string payDir, money, origin;
  int deliveryWay = 1;
  std::u16string kindCode;
  // The arrow: up for direction 1 only, or (the streamlined form) for every
  // direction but 0.
  bool upUnlessZero = false;
};
std::u16string StatusLineText(const StatusLine& status);

// Whether finishing a slot asks for a pre-input order: kinds 2, 3, 41 with
// at least 6 characters on a new waybill that took no order yet.
bool AsksPreInput(int kind, std::u16string_view text, bool loaded, bool orderTaken);

// The kinds a pre-input order fills (0 to 4, 6 to 14, 22, 23, 26 to 43,
// 45 to 50, 52 to 56, 58 to 68).
bool PreInputFillsKind(int kind);
// Fills the entry from a pre-input reply ("sRecData" form): business date,
// counts, codes, the filled kinds' texts and the goods lines.  Every text
// passes the rules of keyed text: the leaving-slot conversion and, for the
// dimensions, the dimension check (a text that is no dimensions is dropped).
void TakePreInputReply(std::string_view reply, WaybillEntry& entry);

}  // namespace quickentry
