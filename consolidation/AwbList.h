#pragma once
// The master air waybill list of page 14 without a window: the query text
// (at most 5,000 rows, the conditions of the master air waybill query
// dialog), the reading of the reply into plain rows, the load a worker
// thread runs, the state save of the status panel and the fee
// apportionment of the listed master air waybills.
//
// Every request here is handed a reply of its own: the worker's query and
// the window's own requests (a state save, a transit save, an
// apportionment) never share a reply buffer, so any of them may run while
// another is on its way.

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "server/ProcedureCall.h"

struct AwbQueryConditions;
class CLanguageTable;

// The master air waybill shown in the status panel: filled by the page from
// a list row, changed by the transit editor, read by the page from the
// panel's notices.
struct AwbStatusRecord {
  int32_t rowKey = 0;           // the list row's id; 0 when nothing is shown
  std::u16string number;        // cawb (30 characters at most)
  std::u16string flight;        // cflightno (15)
  std::u16string takeOffTime;   // as edited in the transit editor (20)
  int32_t state = 0;            // 0..2, -1 when the row's state text matched none
};

// The kinds of the panel's WM_PAGE_NOTIFY (wParam).
inline constexpr int kAwbNoticeStateSaved = 0;
inline constexpr int kAwbNoticeApportion = 1;
inline constexpr int kAwbNoticeTransitSaved = 2;

namespace awblist {

// Text ids of the page and its panel.
inline constexpr int32_t kTitleText = 460000;
inline constexpr int32_t kExportTitleText = 460001;
inline constexpr int32_t kNothingFoundText = 20005;
inline constexpr int32_t kNoRowsToApportionText = 460200;
inline constexpr int32_t kApportionedText = 460201;  // %1 count, %2 total
inline constexpr int32_t kUnknownAwbText = 410096;
inline constexpr int32_t kServerErrorText = 20023;    // %1 the ReturnValue

inline constexpr int kRowLimit = 5000;
inline constexpr int kColumns = 12;

// The SELECT with its conditions; `anyRoute` is text 20081.
std::u16string ListSql(const AwbQueryConditions& conditions, std::u16string_view anyRoute);
// The column types of the list query.
std::span<const uint32_t> ColumnTypes();

// One list row: its id (HashText30 of the number), the state as the server
// gave it, and the texts of the twelve columns (column 9, the state text,
// is left to the window's thread, which owns the language table).
struct Row {
  int32_t id = 0;
  int32_t state = 0;
  std::array<std::u16string, kColumns> cells;
};

// Reads one reply row object.
Row ReadRow(std::string_view object);
// Reads the rows of a reply: false when "iTotal" is not above 0 or there is
// no "List".
bool ReadRows(std::string_view reply, std::vector<Row>& rows);

// What a load brought: the rows, or why there are none (a failed request's
// text; empty when the server simply found nothing).
struct LoadResult {
  std::vector<Row> rows;
  std::u16string failure;
};

// One request and its reply: the link's result (the reply's length, or a
// negative code) and the reply body.
using Request = std::function<int(const std::string& gbkSql, std::string& reply)>;

// Runs the query once (no further chunks are asked for) and reads its rows.
LoadResult Load(const Request& request, const std::u16string& sql);

// The text of a request that did not count: the transport's or the
// server's reason (RequestFailureText), else text 20023 with the reply's
// "ReturnValue".  Computed from the request's own reply, never from state
// another request may have changed meanwhile.
std::u16string FailureText(int sent, std::string_view reply);

// A procedure sender that keeps the last reply and result of its requests,
// so that a failure is told from the request's own reply.
struct KeptReply {
  int sent = 0;
  std::string reply;
};
serverlink::ProcedureSender KeepingSender(const serverlink::ProcedureSender& send, KeptReply& kept);

// ---- the status panel's state save ----

// "{?=CALL brantle.dbo.cp_client_rec_pack_status(%d,'%s')}" with the state
// and the number (30 bytes, quotes doubled).
std::string StatusSql(int state, std::u16string_view number);

enum class SaveOutcome { kNothingSent, kSaved, kUnknownAwb, kFailed };
struct SaveResult {
  SaveOutcome outcome = SaveOutcome::kNothingSent;
  std::u16string failure;  // kFailed: the text to show
};
// Sends the state of the record (nothing for row key 0 or an empty number).
SaveResult SaveStatus(const serverlink::ProcedureSender& send, int32_t rowKey, int state,
                      std::u16string_view number);

// ---- the fee apportionment ----

// "{?=CALL brantle.dbo.cp_a_awb_fee_apportion('%s')}" with the number
// (30 bytes).  The number is quoted like every other text.
std::string ApportionSql(std::u16string_view number);

struct ApportionResult {
  bool stopped = false;      // a request did not count: `failure` says why
  std::u16string failure;
  uint32_t count = 0;        // master air waybills whose result was above 0
  uint32_t total = 0;        // the sum of those results
  size_t sent = 0;           // requests made
};
// Apportions the numbers in order; stops at the first request that does not
// count.  A result of 0 or below is not counted and the run goes on.
ApportionResult Apportion(const serverlink::ProcedureSender& send,
                          const std::vector<std::u16string>& numbers);

}  // namespace awblist
