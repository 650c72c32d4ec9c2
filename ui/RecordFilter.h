#pragma once
// The record filter: runs the view's waybill query dialog and turns its
// conditions into the SQL text of a waybill list.

#include <string>

class CViewHost;

struct RecordFilterTexts {
  std::u16string select;
  std::u16string dateHead;
  int rowLimit = 0;
  std::u16string dateOrder;
  std::u16string bagHead;
  std::u16string awbHead;
};

// Runs the view's waybill query dialog modally; on OK writes the SQL text
// and returns true, otherwise false.
bool BuildRecordFilterSql(CViewHost& host, const RecordFilterTexts& texts, std::u16string& sql);
