#pragma once
// The tracking-event import (page 7) and the transfer-number import (page 6)
// without widgets: the header names of their sheets, the rules for the
// panel's date, the procedure calls built for a row, and the two row loops
// that read a workbook's rows through CImportTable and hand each to the
// server.
//
// A run ends with an ImportReport: the rows the server stored (as the page
// lists them), one failure line for every row the server refused, the rows
// skipped because a required text was empty, and, when a reply failed, the
// server's error text.  A failed reply stops the run at that row; what was
// stored and refused before it stays in the report, so the page lists,
// logs and reports it before showing the error.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CImportTable;
class CExcelSession;

namespace batchimport {

// ---- Language texts ----
inline constexpr int32_t kTrackNotADate = 270100;
inline constexpr int32_t kTrackDateFar = 270101;
inline constexpr int32_t kTrackNoNumberColumn = 270102;
inline constexpr int32_t kTrackFailureLine = 270103;
inline constexpr int32_t kTrackRefusedMinus1 = 270104;
inline constexpr int32_t kTrackRefusedMinus4 = 270105;
inline constexpr int32_t kTransferNotADate = 260100;
inline constexpr int32_t kTransferDateFar = 260101;
inline constexpr int32_t kTransferNoNumberColumn = 260102;
inline constexpr int32_t kTransferFailureLine = 260103;
inline constexpr int32_t kTransferRefusedMinus1 = 260104;
inline constexpr int32_t kTransferRefusedMinus4 = 260105;
inline constexpr int32_t kTransferLogStored = 260106;
inline constexpr int32_t kTransferLogKinds = 260107;
inline constexpr int32_t kTransferFailuresCopied = 260108;
inline constexpr int32_t kNoSuchWaybill = 21002;
inline constexpr int32_t kOtherRefusal = 21003;
// The tracking import's refused rows: on the clipboard, like the transfer
// import's.
inline constexpr int32_t kTrackFailuresCopied = 712000;
// The closing count: %1 stored, %2 refused, %3 skipped (a required text empty).
inline constexpr int32_t kImportSummary = 712001;
// The header template was written: %1 the path.
inline constexpr int32_t kTemplateWritten = 712002;
// A service kind change the server did not take: %1 row, %2 number, %3 kind.
inline constexpr int32_t kKindChangeFailed = 712003;

// ---- Sheets ----

struct HeaderColumn {
  const char16_t* name;
  int width;  // pixels
};
// "运单号" 110, "日期时间" 150, "服务地点" 100, "详细信息" 300.
std::span<const HeaderColumn> TrackHeaders();
// "运单号", "换单号", "日期时间", "服务地点", "详细信息", "参考号", "快递类别".
std::span<const HeaderColumn> TransferHeaders();

// The sheet column (from 1) of every header name, 0 when no cell carries it:
// `cells` are the untrimmed texts of row 1, column 1 first; an exact match;
// a later column with the same text replaces an earlier one.
std::vector<int> MapHeaderColumns(const std::vector<std::u16string>& cells,
                                  std::span<const HeaderColumn> headers);

// ---- The panel's date ----

inline constexpr int kNotADate = -999999999;
// Whole days from the date part of the text (the text trimmed, up to its
// first blank) at midnight to `now`, cut toward zero; positive for a past
// date.  kNotADate when the text holds no date.
int DaysFromToday(std::u16string_view dateTime);
int DaysFromToday(std::u16string_view dateTime, std::chrono::local_seconds now);
// The question about the date is asked below -3 days and above 2.
inline bool DateNeedsQuestion(int days) { return days < -3 || days > 2; }
// A date and time longer than 16 characters cut to 16; when the 17th
// character is a digit, the cut moves back to the start of that run of
// digits.
std::u16string CutDateTime(std::u16string text);

// ---- Calls ----

// A text as it goes between quotes: converted into the narrow-field form of
// at most `bytes` bytes first, then every "'" doubled (a quote inside the
// "?B?" form is never doubled, since that form holds none).
std::string SqlText(std::u16string_view text, size_t bytes);

struct TrackRow {
  std::u16string number, dateTime, place, eventText;
};
// "{?=CALL brantle.dbo.cp_check_detail[_en]_add_excel(?,'no','time','place',
// 'text','user','EXCEL',P,K)}" with P 0, 50 or 200 for position 0, 1, 2.
std::string TrackCallSql(const TrackRow& row, std::string_view user, int version, int position,
                         int numberKind);

struct TransferRow {
  std::u16string number, transfer, dateTime, place, eventText, reference, kind;
};
// "{?=CALL brantle.dbo.cp_check_detail[_en]_add_excel_no[_r](?,E,...,K,M[,'ref'])}";
// E "0" with an event, "1" without.
std::string TransferCallSql(const TransferRow& row, bool withEvent, std::string_view user,
                            int version, int numberKind, bool mixed);
// "UPDATE brantle.dbo.client_rec SET cemskind='%s' WHERE irid=%d".
std::string KindUpdateSql(std::string_view code, int32_t waybillId);
// Text 260106 with the stored count, then "," and 260107 with the kind
// changes when there were any.
std::u16string TransferLogText(int stored, int kindChanges);
// One failure line: the line text with %1 the sheet row, the number, ", ",
// the reason (-1 and -4 the page's texts, -2 21002, other 21003) and CR LF.
std::u16string FailureLine(bool transfer, int sheetRow, std::u16string_view number, int32_t code);

// ---- Runs ----

struct TrackSettings {
  std::u16string dateTime, eventText, place;  // the panel's defaults
  int numberKind = 0;  // 0 waybill, 1 transfer, 2 reference number
  int version = 0;     // 1 English
  int position = 0;    // 0, 1, 2: 0-49, 50-99, 200-255
};

struct TransferSettings {
  std::u16string dateTime, eventText, place;
  int numberKind = 0;  // 0 waybill, 1 reference, 2 already a transfer number
  int version = 0;
  bool mixed = false;
};

// A row the server stored, as the page lists it.
struct StoredRow {
  int32_t id = 0;      // the event id (page 7) or the waybill id (page 6)
  int32_t result = 0;  // column "0" of the reply
  int sheetRow = 0;
  std::u16string number, transfer, reference, dateTime, place, eventText;
  std::u16string kindName;  // page 6: the kind written, when one was
  std::u16string version;   // page 7: "" or "_en"
};

struct ImportReport {
  std::vector<StoredRow> stored;
  std::u16string failures;  // one line per refused row
  int refused = 0;
  int skipped = 0;          // rows without column 1 or a required text
  int kindChanges = 0;
  int kindFailures = 0;     // kind changes the server did not take (listed)
  bool stopped = false;     // a reply failed
  std::u16string stopText;  // the server's error text then
  // Before any row: the workbook could not be opened (the Excel link's
  // text) or the sheet has no 运单号 column (270102 / 260102).
  std::u16string refusal;
};

struct ImportLink {
  // Sends a call or statement; the body length (above 0 when a reply came)
  // and the reply.
  std::function<int(std::string_view sql, std::span<const uint32_t> types, std::string& reply)> send;
  // The server's error text of the last failed request.
  std::function<std::u16string()> errorText;
  // The stored code and name of the service kind whose code is the text
  // (GBK, case ignored); none for no such kind.
  std::function<std::optional<std::pair<std::string, std::u16string>>(std::string_view)> findKind;
  std::string user;  // the logged-in user (GBK)
};

// The rows of an open table (rows 2 .. its last row).  `columns` as
// MapHeaderColumns gives them for the page's headers.
ImportReport RunTrackRows(CImportTable& table, const std::vector<int>& columns,
                          const TrackSettings& settings, const ImportLink& link);
ImportReport RunTransferRows(CImportTable& table, const std::vector<int>& columns,
                             const TransferSettings& settings, const ImportLink& link);

// The whole import of a workbook: opened in the session, its header read
// (columns 1 to 4, or 1 to 7), its rows run; the session is closed on every
// way out.  Runs off the window's thread.
ImportReport RunTrackWorkbook(CExcelSession& session, std::u16string_view path,
                              const TrackSettings& settings, const ImportLink& link);
ImportReport RunTransferWorkbook(CExcelSession& session, std::u16string_view path,
                                 const TransferSettings& settings, const ImportLink& link);

// The empty header template: "Fmt_Import_No.xls" in the folder (the
// desktop, else DATA_TEMP of the program folder), sheet "Import_No", the
// header names in row 1 and each column's width.  The path written, or
// empty with the Excel link's error in `error`.
std::u16string TemplatePath(std::u16string_view desktop, std::u16string_view programFolder);
bool WriteHeaderTemplate(CExcelSession& session, std::u16string_view path,
                         std::span<const HeaderColumn> headers, std::u16string& error);

// A number in decimal digits.
std::u16string DecimalText(long long value);

// The closing text: 712001 with the counts.
std::u16string SummaryText(const ImportReport& report);

}  // namespace batchimport
