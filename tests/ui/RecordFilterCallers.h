#pragma once
// The texts the callers of the record filter give it: the quick-search
// list, the full waybill page (with and without pictures), the record check
// page, the hand-over page and the record query page, each with a select
// list of its own kind.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/TextCodec.h"
#include "refdata/ServiceKinds.h"
#include "ui/RecordFilter.h"

namespace recordfiltertest {

// The kinds of the stand-in's sample waybills, found as the application
// finds them (the code without ASCII case).
inline ServiceKindCodeLookup KindLookup() {
  static std::vector<CServiceKind> kinds = {CServiceKind(GbkFromWide(u"ZIZ国际")),
                                            CServiceKind("DHL"), CServiceKind("EMS")};
  return [](std::u16string_view text) -> std::optional<std::u16string> {
    if (CServiceKind* kind = FindServiceKind(kinds, GbkFromWide(text))) return kind->wideCode;
    return std::nullopt;
  };
}

inline RecordFilterTexts QuickSearchTexts() {
  RecordFilterTexts t;
  t.select = u"a.irid,a.cserviceno,a.cnum,a.cdes,a.nstate";
  t.dateHead =
      std::u16string(u"SELECT TOP %d %s FROM brantle.dbo.client_rec AS a WITH (NOLOCK) INNER JOIN "
                     u"brantle.dbo.client_arc AS b ON(a.icid=b.icid) WHERE a.irid>0") +
      std::u16string(recordfilter::kDateRange);
  t.rowLimit = 2000;
  t.dateOrder = u" ORDER BY a.irid DESC";
  t.bagHead = recordfilter::kBagHead;
  t.awbHead = recordfilter::kAwbHead;
  return t;
}

inline std::map<std::string, RecordFilterTexts> Callers() {
  const std::u16string join =
      u"FROM brantle.dbo.client_rec a WITH (NOLOCK) INNER JOIN brantle.dbo.client_arc b "
      u"ON(a.icid=b.icid)";
  const std::u16string range = u" WHERE a.%s BETWEEN '%s' AND '%s'";
  auto page = [&](std::u16string head, int limit) {
    RecordFilterTexts t;
    t.select = u"a.irid,a.cnum";
    t.dateHead = std::move(head);
    t.rowLimit = limit;
    t.dateOrder = u" ORDER BY a.irid";
    t.bagHead = recordfilter::kBagHead;
    t.awbHead = recordfilter::kAwbHead;
    return t;
  };
  std::map<std::string, RecordFilterTexts> callers;
  callers["quick-search list"] = QuickSearchTexts();
  callers["full waybill page"] = page(u"SELECT TOP %d %s,0 AS ilen " + join + range, 1000);
  callers["full waybill page with pictures"] =
      page(u"SELECT TOP %d %s,ISNULL(c.ilen,0) AS ilen " + join +
               u" LEFT OUTER JOIN brantle.dbo.client_rec_pic c ON(a.irid=c.irid)" + range,
           1000);
  callers["record check page"] = page(u"SELECT TOP %d %s,0 AS ilen " + join + range, 5000);
  callers["hand-over page"] =
      page(u"SELECT TOP %d %s " + join + u" WHERE a.isid>0 AND a.nstate IN(1,2) AND a.%s BETWEEN "
                                         u"'%s' AND '%s'",
           1000);
  RecordFilterTexts query = page(u"SELECT TOP %d %s WHERE a.%s BETWEEN '%s' AND '%s'", 20000);
  query.select =
      u"a.irid,a.cnum,b.cunitname FROM brantle.dbo.client_rec a INNER JOIN brantle.dbo.client_arc "
      u"b ON(a.icid=b.icid)";
  query.bagHead = recordfilter::kQueryPageBagHead;
  query.awbHead = recordfilter::kQueryPageAwbHead;
  callers["record query page"] = query;
  return callers;
}

}  // namespace recordfiltertest
