#pragma once
// The parcel list of the master air waybill form without its window: the
// parcel queries of a whole master air waybill (bags up to state 2 from
// client_rec_xbag_item, bags past it from client_rec_xbag_item_u) and of
// one bag, the row of each parcel line with its declared value and its
// chargeable and actual weights, the sums the header save sends, the pull
// calls and the multi-piece check.

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace awb {

inline constexpr int kParcelColumns = 27;
enum ParcelColumn : int {
  kParcelNo = 0, kParcelPiece = 1, kParcelNum = 2, kParcelServiceNo = 3, kParcelValue = 8,
  kParcelPosition = 9, kParcelItems = 10, kParcelCharge = 12, kParcelActual = 13, kParcelBagNo = 23,
  kParcelBagId = 26
};
struct ParcelColumnSpec {
  int32_t caption;  // 0: the text "ixNo"
  int width;
  bool right;
};
extern const std::array<ParcelColumnSpec, kParcelColumns> kParcelListColumns;

// The application's dimension services: "L*W*H" with its class letter,
// and the volumetric grams of dimensions under a letter.
struct DimensionRules {
  std::function<char(std::string_view text, int32_t& l, int32_t& w, int32_t& h)> parse;
  std::function<int32_t(int32_t l, int32_t w, int32_t h, char letter)> volumetric;
};

// One parcel line: the texts of its columns (column 0 is numbered by the
// list) and what the sums take from it.
struct ParcelRow {
  int32_t waybillId = 0;
  int32_t position = 0;
  int32_t bagId = 0;
  std::array<std::u16string, kParcelColumns> cells;
  int32_t pieces = 1;      // the waybill's pieces, at least 1
  int64_t value = 0;       // declared value, hundredths
  double chargeable = 0;   // kg
  double actual = 0;       // kg
  double volumetricPart = 0;
  double actualPart = 0;
};

// The sums of the list.
struct ParcelSums {
  int32_t rows = 0;
  int64_t pieces = 0;
  int64_t value = 0;
  double chargeable = 0;
  double volumetricPart = 0;
  double actualPart = 0;
  double actual = 0;

  void Add(const ParcelRow& row);
  void Remove(const ParcelRow& row);
  // The chargeable sum in grams, as the header save sends it.
  int32_t ChargeableGrams() const;
};

// The parcels of a master air waybill: `pastLoading` false reads the bags
// up to state 2 (34 columns, with the piece's number), true the bags past
// it (33 columns).
std::string AwbParcelSql(std::u16string_view awbNumber, bool pastLoading);
std::span<const uint32_t> AwbParcelTypes(bool pastLoading);
// The parcels of one bag just put on (32 columns).
std::string BagParcelSql(int32_t bagId);
std::span<const uint32_t> BagParcelTypes();

// The rows of a parcel reply; `withPieceNumber` when column 32 is the
// piece line's number.
void ReadParcelRows(std::string_view reply, bool withPieceNumber, const DimensionRules& rules,
                    std::vector<ParcelRow>& rows);
// One row's rules on its columns (tests give the values straight).
struct ParcelValues {
  int32_t iitem = 0;
  double fweights = 0;
  std::string clwh;  // GBK
  int32_t ilong = 0, iwidth = 0, iheight = 0, iweight = 0;
  int32_t iquantity = 0, iprice = 0;
  int32_t idvalue = 0;
};
void ApplyParcelRules(const ParcelValues& v, const DimensionRules& rules, ParcelRow& row);

// The pull: per waybill (switch 19) or per piece, always with the removal
// flag 1.
std::string PullSql(bool wholeWaybill, int32_t bagId, int32_t waybillId, int32_t position,
                    std::u16string_view userName);
int32_t PullRefusalText(int32_t code);

// The multi-piece check, run over both item tables (`pastLoading` reads
// client_rec_xbag_item_u), the number with its quotes doubled.
std::string MultiPieceSql(std::u16string_view awbNumber, bool pastLoading);
std::span<const uint32_t> MultiPieceTypes();
struct MultiPieceReport {
  uint32_t groups = 0;
  uint32_t incomplete = 0;
  std::u16string lines;  // text 410121 per incomplete waybill
};
// Groups the replies' rows by waybill; `lineText` formats text 410121 with
// (number, pieces, found, missing).  False when no reply has a row.
bool BuildMultiPieceReport(const std::vector<std::string>& replies,
                           const std::function<std::u16string(const std::u16string& number,
                                                              const std::u16string& pieces,
                                                              const std::u16string& found,
                                                              const std::u16string& missing)>& lineText,
                           MultiPieceReport& report);
// "% 3u" of a count.
std::u16string Count3(uint32_t value);

// "%.3f+%.3f=%.3f" of the two parts and their total.
std::u16string WeightPartsText(const ParcelSums& sums);

}  // namespace awb
