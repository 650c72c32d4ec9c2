#include "ui/RecordFilter.h"

// Stand-in until the waybill query dialog joins: no conditions, no query.
bool BuildRecordFilterSql(CViewHost& host, const RecordFilterTexts& texts, std::u16string& sql) {
  (void)host;
  (void)texts;
  (void)sql;
  return false;
}
