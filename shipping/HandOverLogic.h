#pragma once
// The hand-over of parcels to the next carrier, without widgets: the check
// text the server returns for a scanned number, the day's batch number of a
// carrier, the SQL text of every hand-over request, and the whole hand-over
// of one number (check, local checks, extra weight, special price, the
// hand-over call).  The form, the page and the dialogs of the hand-over desk
// (HandOverForm.h, HandOverDialogs.h, SendScanPage.h) call these.
//
// Numbers read from a scan reach SQL only quoted (single quotes doubled) or
// parsed as integers: the record id of the check text is never pasted as
// text into the hand-over call.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/QtMessages.h"

class CServerLink;
class CServiceKind;
struct SupplierEntry;
struct SpecialPriceQuery;

// The sent-record query dialog asks the hand-over form to hand one record
// over; the form answers with the same message to the block's reply window.
inline constexpr int WM_SEND_RECORD = platform::kWmUser + 125;

// ---- Language texts of the hand-over desk ----
inline constexpr int kHandOverNoCarrierText = 200012;
inline constexpr int kHandOverUnreadableText = 20023;

// ---- The check text ----

inline constexpr size_t kCheckTextBufferSize = 1024;
inline constexpr int kCheckTextLines = 25;

struct HandOverCheckText {
  std::array<std::string, kCheckTextLines> lines;  // GBK, lines 0..24
  int32_t customerId = 0;  // from the 'C' marker after the text, else 0
};

// Reads the check text held in a zero-filled buffer (the bytes given are the
// buffer; the text ends at its first zero byte or at the buffer's end).  A
// leading 'V' and three more characters are skipped; the search for the
// first line feed starts two characters into the rest; at least 24 line
// feeds must follow.  The customer-id marker two bytes after the text's
// terminating zero is read only when it lies inside the buffer.  False when
// the text has too few lines.
bool ParseHandOverCheckText(std::string_view buffer, HandOverCheckText& out);

// The record id of line 12 as an integer; 0 when the line is not a plain
// decimal number above 0.
int32_t CheckTextRecordId(const HandOverCheckText& text);

// ---- Batch numbers ----

// "%02d%02d%02d-%03d-0": year modulo 100, month, day, the carrier's nbatch.
std::u16string MakeHandOverBatchText(int year, int month, int day, int nbatch);

// ---- SQL text (GBK) ----

struct HandOverCheckArgs {
  std::string number;       // GBK, quoted here
  int32_t carrierId = 0;
  int32_t batchId = 0;
  double weightKg = 0;
  int32_t weightCheck = 0;  // dictionary value 39, or -1 after a confirmed difference
  char switch25 = '0';
  std::string station;      // GBK, quoted here
  bool switch64 = false;
  int numberMode = 1;
};
std::string HandOverCheckSql(const HandOverCheckArgs& args);

struct HandOverScanArgs {
  int32_t recordId = 0;
  int32_t carrierId = 0;
  std::string carrierName;  // GBK, quoted here
  int32_t batchId = 0;
  double cost = 0;
  double sale = 0;
  std::string userName;     // GBK, quoted here
  double weightKg = 0;
  double extraFee = 0;
};
// cp_client_rec_send_scan_0 (no special price).
std::string HandOverScan0Sql(const HandOverScanArgs& args);
// cp_client_rec_send_scan_1 with the special-price reply.
std::string HandOverScan1Sql(const HandOverScanArgs& args, const SpecialPriceQuery& price);

std::string SendCancelBatchSql(int32_t firstRecordId, int32_t batchId, int32_t rowCount);
std::string SendCancelOneSql(int32_t recordId, std::string_view userName);

// The 24 columns of every query of the hand-over page, and their types.
extern const char kSendPageColumns[];
std::vector<uint32_t> SendPageColumnTypes();
std::string SendPageRecordSql(int32_t recordId);
std::string SendPageBatchSql(int32_t batchId);
// The sent records of a send-date range (bounds already made by
// MakeQueryDateTimeBound).
std::string SendPageDateRangeSql(std::u16string_view from, std::u16string_view to);

// Master air waybills of the last 30 days before the date that still carry
// unsent waybills, and the waybills of one master air waybill.
std::string MasterAwbListSql(int year, int month, int day);
std::vector<uint32_t> MasterAwbListTypes();
std::string MasterAwbRecordsSql(std::u16string_view awb);
std::vector<uint32_t> MasterAwbRecordsTypes();

// The sent-record query dialog's statement.
struct SendRecordQueryConditions {
  int listFlag = 0;              // 0 unsent records only
  std::u16string station;        // the login's
  std::u16string clientKind;     // the login's
  std::u16string dateFrom, dateTo;
  std::u16string destination, serviceKind;
};
std::u16string SendRecordQuerySql(const SendRecordQueryConditions& c);
std::vector<uint32_t> SendRecordQueryTypes();

// ---- One hand-over ----

// Settings read once from the numbered dictionary values.
struct HandOverSettings {
  int32_t weightCheck = 0;  // value 39 as an integer
  char switch25 = '0';      // value 25 not empty
  bool feeRequery = false;  // value 59 not empty
  bool switch64 = false;    // value 64 not empty
  bool areaCheck = false;   // value 113 not empty
};

// What the hand-over needs of the program around it.
struct HandOverServices {
  CServerLink* link = nullptr;
  std::function<CServiceKind*(std::string_view code)> findKind;
  // Runs a server request; the form waits through platform::WaitForWork.
  std::function<int(const std::function<int()>&)> wait;
  // The weight-difference question: true for Yes.
  std::function<bool(const std::u16string& text)> askWeight;
  // Shows a message (the failure texts).
  std::function<void(const std::u16string& text)> show;
  std::string station;   // GBK
  std::string userName;  // GBK
};

struct HandOverRequest {
  std::string number;  // GBK, trimmed
  int numberMode = 1;  // 1 internal number, 0 transfer number
  const SupplierEntry* carrier = nullptr;
  std::u16string batchText;
  double formWeightKg = 0;
  bool showMessages = true;
};

struct HandOverOutcome {
  // Grams handed over (0 or more); -2 no service kind, -3 no usable carrier
  // rate, -4 destination not served, -5 number mask, -7 unreadable check
  // text, -8 check refused, -9 request failed; a negative code of the
  // hand-over procedure unchanged.
  int result = -9;
  // The record id the check returned (0 when the check did not pass).
  int32_t checkedRecordId = 0;
  int32_t customerId = 0;       // for the photo request
  std::u16string message;       // the failure text
  bool specialPrice = false;    // handed over with the priced procedure
  std::string handOverSql;      // the hand-over statement sent (empty when none)
};

HandOverOutcome SendToNextCarrier(const HandOverServices& services,
                                  const HandOverSettings& settings,
                                  const HandOverRequest& request);
