#pragma once
// What the quick-search list sends and reads, without a window: the
// conditions of the customer, master air waybill and bag query dialogs, the
// SQL text of each kind of list (the recent records and the query), the
// column types, and the rows read back from the server's reply.
//
// Every text typed by the operator reaches the SQL text only as a literal
// quoted with QuoteSql (trimmed, "'" doubled) or as a LIKE pattern made by
// MakeSqlLikePattern ("[", "%" and "_" bracketed, "'" doubled).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CLanguageTable;

// What the list shows.
enum QuickSearchMode : int32_t {
  kQuickCustomers = 0,
  kQuickWaybills = 1,
  kQuickAwbs = 2,
  kQuickStaff = 4,
  kQuickBags = 5,
};

// Text ids of the pane: the count label ("%1" rows) and the column caption
// of a mode are these plus the mode; the search label.
inline constexpr int32_t kQuickCountTextId = 230100;
inline constexpr int32_t kQuickColumnTextId = 230200;
inline constexpr int32_t kQuickSearchLabelTextId = 230000;
// "Nothing found" after a query fill.
inline constexpr int32_t kQuickNothingFoundTextId = 20005;
// "Any" (route and state lists).
inline constexpr int32_t kAnyTextId = 20081;

// Row limits of the recent lists and of the query fills.
inline constexpr int kRecentCustomerRows = 100;
inline constexpr int kRecentWaybillRows = 100;
inline constexpr int kRecentAwbRows = 500;
inline constexpr int kRecentBagRows = 500;
inline constexpr int kQueryRows = 2000;

// The conditions of the customer query dialog.
struct CustomerQueryConditions {
  bool unpricedOnly = false;
  bool unreconciledOnly = false;
  bool payMonthly = true;
  bool payCash = true;
  bool payCollect = true;
  std::u16string account;
  std::u16string address;
  std::u16string englishAddress;
  std::u16string createdFrom;
  std::u16string shortName;
  std::u16string city;
  std::u16string activeDate;
  std::u16string businessFrom;
  std::u16string businessTo;
  std::u16string createdTo;
  std::u16string fax;
  int32_t customerNo = 0;
  std::u16string group;
  std::u16string tags;
  std::u16string name;
  std::u16string englishName;
  double minDebt = 0;
  std::u16string phone;
  std::u16string province;
  std::u16string memberSignature;
  std::u16string station;
  std::u16string webAccount;
  int32_t hasRecords = 0;  // 0 with waybills in the range, 1 without
};

// The conditions of the master air waybill query dialog.
struct AwbQueryConditions {
  bool feeTransportUnpaid = true, feeTransportPaid = true;
  bool feeCustomsUnpaid = true, feeCustomsPaid = true;
  bool feeClearanceUnpaid = true, feeClearancePaid = true;
  bool feeDeliveryUnpaid = true, feeDeliveryPaid = true;
  bool feeOtherUnpaid = true, feeOtherPaid = true;
  int32_t awbState = 3;  // 0..2, 3 any
  std::u16string awbSerial;
  std::u16string dateFrom;
  std::u16string customsBroker;
  std::u16string destination;
  std::u16string dateTo;
  std::u16string flightNo;
  std::u16string origin;
  std::u16string tags;
  std::u16string awbPrefix;
  std::u16string agentAccount;
  std::u16string route;     // an airline's short name, or text 20081 (any)
  int32_t dateKind = -1;    // -1 before the first opening; 0 entry date, 1 flight date
};

// The conditions of the bag query dialog.
struct BagQueryConditions {
  int32_t bagState = 4;  // 0..3, 4 any
  std::u16string awbNumber;
  std::u16string dateFrom;
  std::u16string airportTo;
  std::u16string dateTo;
  std::u16string airportFrom;
  std::u16string controlNo;
  std::u16string creator;
  std::u16string tags;
  std::u16string stationFrom;
  std::u16string stationTo;
  std::u16string bagNo;
};

// The login's station and client kind as the login gave them (GBK); empty
// when the user has none.
struct QuickSearchLogin {
  std::string station;
  std::string clientKind;
};

// ---- SQL text ----

// The newest waybills, of the login's station and client kind.
std::u16string RecentWaybillsSql(const QuickSearchLogin& login);
// The texts the record filter builds the waybill query from.
struct WaybillListHeads {
  std::u16string select;     // the five columns
  std::u16string dateHead;   // with %d (row limit) and %s (select list)
  std::u16string dateOrder;
  std::u16string bagHead;    // with %s
  std::u16string awbHead;    // with %s
};
const WaybillListHeads& QuickWaybillHeads();

// The newest active customers, of the login's station and client kind.
std::u16string RecentCustomersSql(const QuickSearchLogin& login);
// The customers matching the conditions (at most kQueryRows), by name.
std::u16string CustomerQuerySql(const CustomerQueryConditions& conditions);

// The newest master air waybills.
std::u16string RecentAwbsSql();
// The conditions of a master air waybill query, each " AND ..." in turn, to
// follow "WHERE ntype IN(0,1)": the one builder of the quick-search list's
// query and the master air waybill list page's.  `anyRoute` is text 20081.
std::u16string AwbQueryConditionsSql(const AwbQueryConditions& conditions,
                                     std::u16string_view anyRoute);
// The master air waybills matching the conditions; `anyRoute` is text 20081.
std::u16string AwbQuerySql(const AwbQueryConditions& conditions, std::u16string_view anyRoute);

// The newest bags: filter 0 state 0 only, 1 states 0 and 1, else all.
std::u16string RecentBagsSql(int bagStateFilter);
// The bags matching the conditions.
std::u16string BagQuerySql(const BagQueryConditions& conditions);

// The column types ("acsType") of a mode's list; empty for mode 4 and
// unknown modes.
std::span<const uint32_t> QuickSearchColumnTypes(int mode);

// ---- Rows ----

struct QuickSearchRow {
  int32_t id = 0;
  std::u16string text;
};

// The state mark of a waybill row ("  ", "○", "◎", "√", "※").
std::u16string_view WaybillStateMark(int state);
// (The state mark of a master air waybill row is AwbStateMark of
// refdata/AwbBagLists.h.)

// Reads the rows of a mode from a reply.  False, with `rows` untouched, when
// the reply carries no rows ("iTotal" not above 0, or no "List"), or fewer
// complete objects than "iTotal" announces (a reply cut short): a list is
// filled only from a whole answer.  Waybills, customers and bags with an id
// below 1 are skipped.
bool ReadQuickSearchRows(int mode, std::string_view reply, const CLanguageTable& language,
                         std::vector<QuickSearchRow>& rows);
