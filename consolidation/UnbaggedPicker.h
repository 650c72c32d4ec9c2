#pragma once
// The unbagged-record picker of dialog 184 without its window: the queries
// of waybills that are not (fully) in a bag and not on a master air
// waybill, and the rows they give: a multi-piece waybill without piece
// rows becomes one row per piece, and pieces already in a bag leave the
// list.  CUnbaggedPickDlg shows the rows and hands picks to the bagging
// form.

#include <QDate>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class CServerLink;

struct UnbaggedFilter {
  std::u16string serviceKind;  // at most 15 characters
  std::u16string destination;  // at most 63
  std::u16string label;        // at most 15
  std::u16string reserve;      // at most 30
};

inline constexpr int kUnbaggedColumns = 19;
inline constexpr int kUnbaggedPieceColumn = 4;
inline constexpr int kUnbaggedKeyColumn = 18;
// The grid stops taking rows at this count.
inline constexpr int kUnbaggedRowLimit = 200000;

// The date query: waybills of the last 60 days of the login's station
// under the filters (exact service kind and destination, label and
// reserve string anywhere).
std::u16string UnbaggedDateQuery(const UnbaggedFilter& filter, std::u16string_view station,
                                 QDate today);
// The number-list query: the waybills of the numbers (waybill numbers, or
// transfer numbers when `waybillNumbers` is false), each number quoted.
std::u16string UnbaggedNumberListQuery(const std::vector<std::u16string>& numbers,
                                       bool waybillNumbers, std::u16string_view station);

// One row of the query's reply (its 24 columns).
struct UnbaggedSource {
  int32_t waybillId = 0;
  std::u16string number;
  std::u16string transferNumber;
  int32_t pieces = 0;
  double weight = 0;  // fweights, kg
  std::u16string serviceKind;
  std::u16string destination;
  std::u16string goods;  // the waybill's
  int32_t declaredValue = 0;  // hundredths
  std::u16string date;
  std::u16string label;
  std::u16string pieceNumber;  // c.cno
  std::u16string city;
  int32_t length = 0;  // the piece's, cm
  int32_t width = 0;
  int32_t height = 0;
  int32_t grams = 0;
  std::u16string dimensionText;  // clwh
  int32_t quantity = 0;
  int32_t price = 0;
  std::u16string pieceGoods;  // c.cgoods
  int32_t piecePosition = 0;  // 0 when the waybill has no piece rows
  std::u16string reserve;
  int32_t bagged = 0;  // ixbag: pieces already in bags
};

struct UnbaggedRow {
  int32_t waybillId = 0;
  std::array<std::u16string, kUnbaggedColumns> cells;
};

// The application's dimension services (CBrantleClientApp::ParseDimensions
// and VolumetricWeight).
struct PieceWeightRules {
  std::function<char(std::string_view text, int32_t& length, int32_t& width, int32_t& height)>
      parseDimensions;
  std::function<int32_t(int32_t length, int32_t width, int32_t height, char letter)>
      volumetricWeight;
};

struct PieceWeight {
  double chargeable = 0;  // kg
  double actual = 0;      // kg
  std::u16string dimensions;  // "%d*%d*%d", or empty
};

// The chargeable and actual weight of one row (piece dimensions and grams,
// the waybill's dimension text, weight W in kg and n pieces); chargeable is
// never below the row's share of W.
PieceWeight PieceWeights(const PieceWeightRules& rules, int32_t length, int32_t width,
                         int32_t height, int32_t grams, std::u16string_view dimensionText,
                         double weight, int32_t pieces);

// "%010u%03u" of waybill id and piece position.
std::u16string PieceKey(int32_t waybillId, int32_t position);

// The rows of the reply's rows in reply order.  With per-waybill items off
// a multi-piece waybill without piece rows becomes one row per piece; the
// ids of multi-piece waybills with pieces in bags go to `partlyBagged`.
std::vector<UnbaggedRow> BuildUnbaggedRows(const std::vector<UnbaggedSource>& sources,
                                           bool perWaybillItems, const PieceWeightRules& rules,
                                           std::vector<int32_t>& partlyBagged);
// Drops, for each bagged piece position of the waybill, the first row of
// that piece.
void DropBaggedPieces(std::vector<UnbaggedRow>& rows, int32_t waybillId,
                      const std::vector<int32_t>& baggedPositions);

enum class UnbaggedResult { kUnchanged, kLoaded };

// Runs a query of the picker and builds its rows, bagged pieces left out.
// kUnchanged when the query failed or its reply holds no list (the grid
// keeps its rows).  Called off the window's thread.
UnbaggedResult LoadUnbaggedRows(CServerLink& link, const std::u16string& query,
                                bool perWaybillItems, const PieceWeightRules& rules,
                                std::vector<UnbaggedRow>& rows);
