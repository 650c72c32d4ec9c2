#pragma once
// The bag list of dialog 188 without its window: the query of open (mode
// 0) or sealed (mode 1) bags of the last 180 days under the airport and
// station filters, and the rows it gives.  CBagListDlg shows them.

#include <QDate>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class CServerLink;
class CLanguageTable;

// The filter texts of the dialog, as typed.
struct BagListFilter {
  std::u16string fromAirport;  // at most 63 characters
  std::u16string toAirport;    // at most 63 characters
  std::u16string fromStation;  // at most 15 characters
  std::u16string toStation;    // at most 15 characters
};

// Mode 0 lists open bags that hold items (quick sealing), mode 1 sealed
// bags (loading onto a master air waybill).
inline constexpr int kBagListOpenBags = 0;
inline constexpr int kBagListSealedBags = 1;

inline constexpr int kBagListColumns = 16;

// One listed bag: its id and the texts of the list's columns.
struct BagListRow {
  int32_t id = 0;
  std::array<std::u16string, kBagListColumns> cells;
};

// The query text: bags created since `today` minus 180 days, each filter
// text that is not empty cut to its room, trimmed and quoted, the state of
// the mode (below 4), and in mode 0 only bags with items.
std::u16string BagListQuery(int mode, const BagListFilter& filter, QDate today);

enum class BagListResult {
  kNoAnswer,  // the server sent nothing usable: the list stays as it is
  kNoList,    // the reply held no list (message 20005): the list stays
  kLoaded,    // `rows` holds the bags, in the reply's order
};

// Runs the query through the link (the caller waits for it off the
// window's thread) and reads the rows; rows with an id below 1 are
// skipped.  State texts come from `language`.
BagListResult LoadBagList(CServerLink& link, const std::u16string& query,
                          const CLanguageTable& language, std::vector<BagListRow>& rows);
