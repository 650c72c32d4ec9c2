#pragma once
// What the payments page says to the server and reads back, without a
// widget: the queries of the customer, its payments and its waybill
// records, the rows they give, the paging arithmetic, the rule that decides
// whether a loaded payment may still be changed, the customer summary, the
// date window of a save and the procedure calls that save and delete a
// payment.  Every statement is built in a growing string and every text in
// it goes through the narrow-field form with its single quotes doubled.

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "shipping/PaymentMoney.h"

class CLanguageTable;
class JsonRowIndex;

namespace payment {

// ---- column types ----
std::vector<uint32_t> CustomerTypes();
std::vector<uint32_t> SumTypes();     // one DOUBLE
std::vector<uint32_t> CountTypes();   // one SLONG
std::vector<uint32_t> RecordTypes();  // the 14 columns of a record list
std::vector<uint32_t> PaymentRowTypes();   // the 17 columns of the payment list
std::vector<uint32_t> PaymentLoadTypes();  // those and icid, cauditor, cstation
std::vector<uint32_t> ForceQueryTypes();
std::vector<uint32_t> ProcedureTypes();    // SLONG, CHAR 512

// ---- statements ----
std::string CustomerSql(int32_t icid);
std::string ReceivableSumSql(int32_t icid);
std::string PaymentCountSql(int32_t icid);
std::string UnpaidChunkSql(int chunk, int32_t icid, uint32_t afterIrid);
std::string PaymentRecordsSql(uint32_t afterIrid, uint32_t ifid);
// Page p (from 1) of the payments of a customer with `count` payments.
std::string PaymentPageSql(int32_t icid, int page, int count);
std::string PaymentLoadSql(int32_t ifid, bool withStation);
// By record id when above 0, else by the number (GBK, normalized already).
std::string ForceQuerySql(int32_t irid, std::string_view numberGbk, std::string_view stationGbk);

// ---- paging ----
inline constexpr int kPaymentsPerPage = 10;
int PageCount(int payments);
// The page box held to 1..pages.
int ClampPage(int box, int pages);
// The page box after page p was shown: p + 1, or 1 past the last page.
int NextPageBox(int shown, int pages);

// ---- rows ----
inline constexpr int kRecordColumns = 14;
inline constexpr int kRecordIridColumn = 5;
inline constexpr int kRecordAmountColumn = 3;
inline constexpr int kRecordWeightColumn = 2;
inline constexpr int kRecordNumberColumn = 1;

struct RecordRow {
  int32_t irid = 0;
  std::array<std::u16string, kRecordColumns> cells;
  Cents amount = 0;     // the two-decimal amount cell
  double weight = 0;    // the three-decimal weight cell
  // The month of the two-digit-year date cell ("yy-mm-dd"), 0 when none.
  int Month() const;
};
RecordRow ReadRecordRow(JsonRowIndex& row, const CLanguageTable& language);

inline constexpr int kPaymentColumns = 16;
struct PaymentRow {
  int32_t ifid = 0;
  std::array<std::u16string, kPaymentColumns> cells;
};
PaymentRow ReadPaymentRow(JsonRowIndex& row, const CLanguageTable& language);
// The owed column: "%.2f" when at least 0.01 away from 0, else empty.
std::u16string ReceivableCell(double ffeer);

// A reply's rows, in order; false without a "List".
bool ForEachRow(std::string_view reply, const std::function<void(JsonRowIndex&)>& take);

// Repeats `fetch` (the highest irid so far -> the reply, empty when the
// request failed) until the reply says "bEnd" (a missing one counts as the
// end), has no "List", or brings no record above the highest irid so far.
// Each new row goes to `take`.  Returns the number of rows taken.
int LoadRecordChunks(const std::function<std::string(uint32_t afterIrid)>& fetch,
                     const CLanguageTable& language,
                     const std::function<void(RecordRow&&)>& take);

// ---- the customer ----
struct CustomerAccount {
  std::u16string name, address, sender, phone, account, handler, smsNumber;
  double credit = 0, deposit = 0;
  double pay0 = 0, pay1 = 0, pay2 = 0;
  int32_t count0 = 0, count1 = 0, count2 = 0;
  double receivable = 0;  // the sum of ffeer of the record payments
  int32_t payments = 0;
  Cents Balance() const;
  double AvailableDeposit() const { return deposit - pay0 - pay1; }
};
// Reads the client_arc row; false when the reply has no row.
bool ReadCustomer(std::string_view reply, CustomerAccount& out);
// "№<account> [<text 330042 with the balance>]".
std::u16string CustomerTitle(const CustomerAccount& c, const CLanguageTable& language);
// The summary box, any length.
std::u16string CustomerSummary(const CustomerAccount& c, const CLanguageTable& language);
// Text 330028 for a list: count, amount, weight.
std::u16string ListSummary(const CLanguageTable& language, int count, Cents amount,
                           double weight);
// Text 330030 and 330031 for the payment count and the page shown.
std::u16string PagingText(const CLanguageTable& language, int payments, int shown);

// ---- dates ----
struct Ymd {
  int year = 1900, month = 1, day = 1;
};
// "yyyy.mm.dd" (or with dashes), false when unreadable.
bool ParseYmd(std::u16string_view text, Ymd& out);
std::u16string YmdText(const Ymd& d);  // "%Y.%m.%d"
Ymd YmdOf(const std::tm& t);
// Whole days since 1970-01-01 of a calendar date.
int64_t DayNumber(const Ymd& d);

// Whether a loaded payment may be changed: the modify right, the date plus
// the edit span not before now, and for a user without the audit right an
// unaudited payment.
bool PaymentEditable(bool modifyRight, bool auditRight, const Ymd& paymentDate, int spanDays,
                     const std::tm& now, bool audited);

// The date window of a save: a keyed date (midnight) more than 90 days
// after or before the reference (date and time) is replaced by the
// reference's date.
struct DateWindowResult {
  bool moved = false;
  std::u16string stored;  // the date that goes to the server
};
DateWindowResult ApplyDateWindow(std::u16string_view keyedDate, const std::tm& reference);

// ---- procedure calls ----
struct PaymentSave {
  bool loaded = false;       // mod instead of add
  int32_t id = 0;            // ifid (loaded) or icid (new)
  int kind = 0;              // 0 with records, 1 without
  Cents amount = 0, owed = 0, foreign = 0;
  std::u16string invoice, date, handler, memo, docNo, refNo, tag, account, currency;
  std::string userName;      // GBK, as the login gave it
  int payWay = 0;
  int reserved = 0;
  int hour = 0, minute = 0, second = 0;
  bool owedMode = false;     // dictionary value 94
  std::vector<int32_t> irids;
};
std::string BuildSaveCall(const PaymentSave& s);
std::string BuildDeleteCall(int kind, int32_t ifid, std::string_view userNameGbk, bool owedMode);
// The procedure's result in column "0" of a ReturnValue 2 reply with a
// "List", else std::nullopt-like `missing` (-9 when the column is absent).
bool ReadProcedureResult(std::string_view reply, int32_t& result);
// The text id of a save refusal, 0 for the server's error text.
int32_t SaveRefusalText(int32_t result);

}  // namespace payment
