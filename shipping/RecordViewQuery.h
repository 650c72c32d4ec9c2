#pragma once
// The look-up of the single-waybill view: the query that finds one waybill
// by one of its four numbers (or by its id) together with its latest
// tracking line, its 154 column types, the reading of the reply's first row
// and the access flag that decides between the full and the restricted
// view.  No widgets.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "shipping/WaybillDetail.h"

// The look-up kinds: by inner number, transfer number, reference number,
// customs number, or by record id.
enum RecordViewKind : int {
  kViewByNumber = 0,
  kViewByTransferNo = 1,
  kViewByReferenceNo = 2,
  kViewByCustomsNo = 3,
  kViewById = 4,
};

struct RecordViewColumn {
  const char* name;   // the name the documents read it by
  uint32_t type;      // "acsType" entry
};

// The 154 selected columns in select order (reply keys "0" to "153").
const std::vector<RecordViewColumn>& RecordViewColumns();
// Their "acsType" entries.
const std::vector<uint32_t>& RecordViewColumnTypes();

// The condition of a look-up: for kinds 0 to 3 the LIKE pattern of the
// (already normalised) text in the match mode (0 ends with, 1 starts with,
// 2 contains, 3 equals), for kind 4 the id.  Empty when the text gives an
// empty pattern.
std::u16string BuildRecordViewCondition(int kind, std::u16string_view text, int matchMode,
                                        int32_t id);
// The whole query text (GBK) with the condition appended.
std::string BuildRecordViewQuery(std::u16string_view condition);

// The first row of a reply, read by position; false when "iTotal" is not
// above 0 or the reply has no row.
bool ReadRecordViewRow(std::string_view reply, WaybillDetailRow& row);

// 1 full view, 0 restricted: an operator with a station sees only waybills
// of customers of that station; an operator with a client kind only those
// of customers of that kind.
int RecordViewAccess(std::u16string_view operatorStation, std::u16string_view operatorKind,
                     const WaybillDetailRow& row);
// The note of a restricted record (text 290102 with the record's station,
// or 290103 with the customer's kind); empty for a full view.
std::u16string RecordViewRestrictionNote(std::u16string_view operatorStation,
                                         std::u16string_view operatorKind,
                                         const WaybillDetailRow& row);

// The tracking editor's caption for a record: text 30070 ":" date CR LF
// text 30001 ":" destination "[" kind "]".
std::u16string RecordViewTrackingCaption(std::u16string_view date, std::u16string_view destination,
                                         std::u16string_view kind);
