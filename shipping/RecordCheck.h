#pragma once
// What the record check form does, without widgets: a keyed or scanned
// number becomes the GBK number looked up; the look-up finds the record,
// prints its waybill and proforma invoices as the form asks, and tells the
// page to show it; the fee-import settings file is fetched and read.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "shipping/RecordImport.h"

class CServerLink;
class CBarcodeNormalizer;

// The number of the number edit: trimmed at both ends; none with fewer than
// 4 characters; else GBK, normalised when a normaliser is given.
std::optional<std::string> PrepareCheckNumber(std::u16string_view text,
                                              CBarcodeNormalizer* barcodes);

// The services a check uses; the form fills them from the application.
struct RecordCheckServices {
  // The record id of a number (0 when none); transfer: look for cserviceno.
  std::function<int32_t(std::string_view number, bool transfer)> find;
  std::function<void(int32_t id)> printWaybill;
  std::function<void(int32_t id, int copies)> printInvoice;
  // The page shows the record.
  std::function<void(int32_t id)> show;
  // A language text shown to the operator.
  std::function<void(int textId)> message;
};

class CRecordChecker {
 public:
  explicit CRecordChecker(RecordCheckServices services) : services_(std::move(services)) {}

  // 1: numbers are inner numbers (cnum); 0: transfer numbers (cserviceno).
  int numberMode = 1;
  int32_t lastRecordId = 0;
  bool printWaybill = false;  // print the waybill of every record found
  int invoiceCopies = 0;      // proforma invoice copies of every record found

  // Looks the number up and, when found, prints and shows it: the record
  // id, or 0 (text 20005 with showMessages).
  int32_t CheckRecord(std::string_view number, bool showMessages);

 private:
  RecordCheckServices services_;
};

// The language text of a number that is not found.
inline constexpr int kRecordNotFoundText = 20005;

// Fetches "DupNum_4Fee.txt" from the server into the program folder's
// DATA_SYS (a failed download keeps the local copy) and reads it.  Without
// a link only the local copy is read.
FeeImportSettings LoadFeeImportSettings(CServerLink* link, const std::string& programFolder);
