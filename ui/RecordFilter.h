#pragma once
// The record filter: every waybill list asks the operator for its conditions
// in the view's one waybill query dialog and turns them into one query over
// client_rec (alias a) joined with client_arc (alias b).
//
// Exactly one of three forms is built: the bag form (a bag number of 4 or
// more characters, or several bags picked), else the master air waybill form
// (a number of 10 or more characters, or several picked), else the date form
// (the caller's head with its row limit, the date range, the conditions,
// the caller's ordering).  Text values go in only as quoted literals; LIKE
// values get "%" on both sides and nothing else, so a typed "%" stays a
// wildcard.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "ui/WaybillQueryConditions.h"

class CViewHost;

// What each caller gives: its select list, the date-form head (filled in
// order with the row limit "%d", the select list "%s", then the date column,
// the first and the last bound, each "%s"), the row limit, the date-form
// ordering, and the bag-form and master air waybill-form heads (each with
// "%s" for the select list).
struct RecordFilterTexts {
  std::u16string select;
  std::u16string dateHead;
  int rowLimit = 0;
  std::u16string dateOrder;
  std::u16string bagHead;
  std::u16string awbHead;
};

// The service kind code (as stored) of a kind text, none when no kind has
// that code (ASCII case ignored).
using ServiceKindCodeLookup = std::function<std::optional<std::u16string>(std::u16string_view)>;

// The SQL of the conditions: the date form with the date column of the
// conditions' date kind (`dateColumn`), or the bag or master air waybill
// form.
std::u16string RecordFilterSql(const WaybillQueryConditions& conditions,
                               const RecordFilterTexts& texts, std::u16string_view dateColumn,
                               const ServiceKindCodeLookup& kindCode);

// Runs the view's waybill query dialog modally; when the operator confirms
// it, writes the SQL of its conditions into sql and returns true.  Otherwise
// (cancelled, or no dialog) sql is left as it was and the caller runs no
// query.
bool BuildRecordFilterSql(CViewHost& host, const RecordFilterTexts& texts, std::u16string& sql);

// The texts of the callers.
namespace recordfilter {
// The bag-form and master air waybill-form heads of every caller but the
// record query page, and those of the record query page (whose select list
// carries the FROM part).
inline constexpr std::u16string_view kBagHead =
    u"SELECT %s,0 AS ilen FROM brantle.dbo.client_rec a WITH (NOLOCK) INNER JOIN "
    u"brantle.dbo.client_arc b ON(a.icid=b.icid) WHERE a.irid IN(SELECT irid FROM "
    u"brantle.dbo.client_rec_xbag_item where ixid";
inline constexpr std::u16string_view kAwbHead =
    u"SELECT %s,0 AS ilen FROM brantle.dbo.client_rec a WITH (NOLOCK) INNER JOIN "
    u"brantle.dbo.client_arc b ON(a.icid=b.icid) WHERE a.cawb";
inline constexpr std::u16string_view kQueryPageBagHead =
    u"SELECT %s WHERE a.irid IN(SELECT irid FROM brantle.dbo.client_rec_xbag_item where ixid";
inline constexpr std::u16string_view kQueryPageAwbHead = u"SELECT %s WHERE a.cawb";
// The date range of heads that end in a condition of their own.
inline constexpr std::u16string_view kDateRange = u" AND a.%s BETWEEN '%s' AND '%s'";
}  // namespace recordfilter
