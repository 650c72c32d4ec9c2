#pragma once
// Bag records and bagging by scan, without widgets: the SQL text of every
// bag request, the reading of the bag header and item rows, the item
// weights and the two total lines, the history lines, the editable and
// deletable rule, the bag volume and the item-add call with its warning
// confirmation.  The bagging form (BaggingForm.h) calls these; the seal form
// reads the same header, item rows, weights, totals and history.
//
// Operator and scanned text reaches SQL only through NarrowFieldFromWide
// (cut to the field's bytes, then quotes doubled); numbers are printed as
// integers.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "consolidation/RecordPicked.h"
#include "platform/QtMessages.h"
#include "server/ProcedureCall.h"

namespace bagging {

// ---- Language texts of this desk without a number of their own ----
inline constexpr int kNegativeDimensionText = 700000;

// ---- Header ----

struct BagHeader {
  int32_t bagId = 0;  // read only by the number query
  std::u16string number, departureAirport, destinationAirport, departureStation,
      destinationStation, label, bagType, consignmentNote, memo;
  uint8_t state = 0, type = 0, share = 0;
  std::u16string order, awb, created, creator;
  std::string creatorGbk;  // compared byte for byte with the account
  int32_t items = 0;
  double weight = 0;
  int32_t length = 0, width = 0, height = 0, volume = 0;
  std::u16string modifier, modified;
  std::array<std::u16string, 5> spares;
  std::u16string specialNumber, sealer, sealed, loader, loaded, unsealer, unsealed, specialOrder;
};

std::string BagHeaderSql(int32_t bagId);
// The seal form's forms: by number or id, with ixid as a last column.
std::string BagHeaderSqlByNumber(std::u16string_view number);
std::string BagHeaderSqlWithId(int32_t bagId);
std::vector<uint32_t> BagHeaderTypes(bool withId = false);
// The first row; false when the reply holds no row.
bool ReadBagHeader(std::string_view reply, BagHeader& out, bool withId = false);

// The history box: created, state, last change, then sealed, loaded and
// unsealed when their time is after 2000 (the unsealed line carries text
// 20524 like the loaded one).
std::u16string BagHistoryText(const BagHeader& header);

// ---- Rights ----

struct BagAccess {
  bool editable = false;
  bool deletable = false;
};
BagAccess BagAccessOf(int state, bool onAwb, bool ownBag, int shareMode, bool supervisionRight);
// 9 for a loaded bag that is not the user's, else the share mode.
int32_t ShareArgument(int32_t bagId, bool ownBag, int32_t shareMode);

// ---- Saving and deleting ----

struct BagHeaderFields {
  std::u16string number, departureAirport, destinationAirport, departureStation,
      destinationStation, label, bagType, consignmentNote, memo, order, specialOrder, specialNumber;
  std::array<std::u16string, 5> spares;
  double weight = 0;
  int32_t length = 0, width = 0, height = 0;
  int32_t shareMode = 0;
};

// Trims and upper-cases the number; 0 when it may be saved, else the text
// id: 360064 empty, 360065 one of ' " & < > , +.
int CheckBagNumber(std::u16string& number);
// The product in 64 bits, held at 2,100,000,000.
uint32_t BagVolume(int32_t length, int32_t width, int32_t height);
bool HasNegativeDimension(int32_t length, int32_t width, int32_t height);

std::string SaveBagSql(const BagHeaderFields& f, int32_t bagId, int32_t shareArgument,
                       std::u16string_view account);
std::string DeleteBagSql(int32_t bagId, std::u16string_view account);
// Text ids of the negative codes (0: the server's error text).
int SaveBagCodeText(int32_t code);
int DeleteBagCodeText(int32_t code);

// The quick-search row of a saved bag: "no[from->to]state".
std::u16string BagListRowText(std::u16string_view number, std::u16string_view from,
                              std::u16string_view to, int state);

// ---- Item rows and weights ----

extern const char kBagItemColumns[];
std::vector<uint32_t> BagItemTypes();
// The bag's items (from client_rec_xbag_item_u at state 3 or more).
std::string BagItemsSql(int32_t bagId, int bagState);
// The rows of one waybill just added.
std::string BagItemReadBackSql(int32_t bagId, int32_t waybillId, bool perWaybill,
                               int32_t piecePosition);

// What the weights need of the program.
struct BagWeightRules {
  // "L*W*H" with a class letter: the letter (or 0), the dimensions read.
  std::function<char(std::string_view, int32_t&, int32_t&, int32_t&)> parseDimensions;
  // Grams of three dimensions in cm with a class letter.
  std::function<int32_t(int32_t, int32_t, int32_t, char)> volumetric;
  // Column 12: the destination's area number in the kind ("%d"), empty
  // when either is unknown.
  std::function<std::u16string(std::string_view kind, std::string_view destination)> area;
};

// One item's weights and its shares of the totals (kg).
struct ItemWeights {
  double chargeable = 0;
  double actual = 0;
  double volumetricPart = 0;  // added to T2
  double actualPart = 0;      // added to T3
  double waybillShare = 0;    // added to T5
  std::u16string dimensionText;
};

struct BagTotals {
  double chargeable = 0;      // T1
  double volumetricPart = 0;  // T2
  double actualPart = 0;      // T3
  double actual = 0;          // T4
  double waybillShare = 0;    // T5
  double declared = 0;        // declared value total
};

struct PieceMeasures {
  int32_t length = 0, width = 0, height = 0, grams = 0;
};

// The weights of one item, added to the totals.
ItemWeights AccumulateItemWeight(const BagWeightRules& rules, const PieceMeasures& piece,
                                 std::string_view clwh, double waybillKg, int32_t pieces,
                                 BagTotals& totals);

inline constexpr int kBagItemColumnCount = 23;
struct BagItemRow {
  int32_t waybillId = 0;
  int32_t piecePosition = 1;
  std::array<std::u16string, kBagItemColumnCount> cells;  // column 0 filled by the grid
  ItemWeights weights;
  double declared = 0;  // column 17
};

// The rows of an item reply, in reply order, their shares added to the
// totals.  False when the reply holds no "List".
bool ReadBagItemRows(std::string_view reply, const BagWeightRules& rules,
                     std::vector<BagItemRow>& rows, BagTotals& totals);
// The totals of rows, summed in order: a removal leaves exactly the totals
// of the rows that stay (all zero when none stays).
BagTotals SumBagTotals(const std::vector<BagItemRow>& rows);

// Text 360050 with the rows, T1 and the declared value total; text 360051
// with T2+T3, T4 and T5.
std::u16string ItemTotalsText(size_t rows, const BagTotals& totals);
std::u16string WeightTotalsText(const BagTotals& totals);

// ---- Scans ----

struct ItemCheckArgs {
  int32_t weightTolerance = -1;  // dictionary value 39 with switch 16, else -1
  bool balanceCheck = false;     // switch 15
  bool dictionaryFlag = false;   // dictionary value 64 not empty
  bool flag21 = false, flag22 = false;
  bool ChecksOn() const { return weightTolerance != -1 || balanceCheck; }
};

// The add call of one of the four shapes: with a waybill id (above 0) or
// with the number; per-waybill items (switch 19) or pieces.  Number kind 1
// is the waybill number.
std::string ItemAddSql(bool perWaybill, int32_t bagId, int32_t waybillId, int32_t piecePosition,
                       std::u16string_view number, int numberKind, std::u16string_view account,
                       const ItemCheckArgs& checks);
// Result columns: 2 for the piece form by number (its "?" output).
size_t ItemAddColumns(bool perWaybill, int32_t waybillId);
int ItemAddCodeText(int32_t code);

struct ItemAddOutcome {
  bool replied = false;     // false: no usable reply (the server's error text)
  bool cancelled = false;   // a warning the operator answered No
  int32_t code = 0;         // final column "0"
  int32_t piecePosition = 1;
  int sends = 0;
};
// Sends the add call; with checks on, a code below -100,000,000 is a
// warning: `confirm` (asked with -100,000,000 - code) Yes sends the very
// same call once more, No ends it.
ItemAddOutcome SendItemAdd(const serverlink::ProcedureSender& send, std::string_view sql,
                           size_t columns, bool checksOn,
                           const std::function<bool(int32_t warning)>& confirm);

std::string ItemRemoveSql(bool perWaybill, int32_t bagId, int32_t waybillId,
                          int32_t piecePosition, std::u16string_view account, bool pullRight);
int ItemRemoveCodeText(int32_t code);

// The waybill's bag checks: by id, or by number (kind 1 waybill number,
// 0 transfer number).
std::string CheckRecordSql(int32_t waybillId, std::u16string_view number, int numberKind);
std::vector<uint32_t> CheckRecordTypes();

// Group 0 sets chno, 1..4 cby1..cby4.
std::string SpecialFieldSql(int group, std::u16string_view code, int32_t bagId);
std::string BagMemoSql(std::u16string_view value, int32_t bagId);
std::string ReferenceNumberSql(std::u16string_view reference, int32_t waybillId);

// The waybills of a number list not on a master air waybill (of the
// station when the login has one), by waybill number or transfer number.
std::string NumberListSql(const std::vector<std::u16string>& numbers, std::u16string_view station,
                          bool byWaybillNumber);

// Column names of the check column (1..4) in messages.
std::u16string CheckColumnName(int column);

}  // namespace bagging
