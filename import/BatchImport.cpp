#include "import/BatchImport.h"

#include <array>
#include <cstdio>

#include "common/Base64.h"
#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "office/ExcelSession.h"
#include "office/ImportTable.h"
#include "server/ProcedureCall.h"
#include "server/ServerLink.h"

namespace batchimport {

namespace {

constexpr std::array<HeaderColumn, 4> kTrackHeaders = {{
    {u"运单号", 110}, {u"日期时间", 150}, {u"服务地点", 100}, {u"详细信息", 300}}};
constexpr std::array<HeaderColumn, 7> kTransferHeaders = {{{u"运单号", 110},
                                                           {u"换单号", 110},
                                                           {u"日期时间", 150},
                                                           {u"服务地点", 100},
                                                           {u"详细信息", 300},
                                                           {u"参考号", 110},
                                                           {u"快递类别", 110}}};

std::u16string Trimmed(std::u16string text) {
  TrimW(text);
  return text;
}

// The cell of a mapped column, trimmed; empty for an unmapped one.
std::u16string Cell(CImportTable& table, int column) {
  if (column <= 0) return {};
  return Trimmed(table.CellWide(static_cast<size_t>(column), 1022));
}

uint32_t LongColumn() { return AcsTypeEntry(kSqlCSLong, 0); }

// Sends a call of two long result columns.  False when the reply does not
// count (the run stops).
bool SendCall(const ImportLink& link, const std::string& sql, serverlink::ProcedureResult& out) {
  const uint32_t types[] = {LongColumn(), LongColumn()};
  if (!link.send) return false;
  return serverlink::CallProcedure(link.send, sql, types, out);
}

void Stop(ImportReport& report, const ImportLink& link) {
  report.stopped = true;
  report.stopText = link.errorText ? link.errorText() : std::u16string();
}

int32_t OutputId(const serverlink::ProcedureResult& result) {
  if (result.outputs.empty() || result.outputs[0].empty()) return 0;
  return static_cast<int32_t>(std::strtol(result.outputs[0].c_str(), nullptr, 10));
}

// Moves to the next row to run: a row without column 1 counts as skipped.
// False after the last row.
bool NextNumberedRow(CImportTable& table, int last, ImportReport& report, int& sheetRow) {
  while (table.NextRow()) {
    sheetRow = table.RowNumber();
    if (last >= 0 && sheetRow > last) return false;
    if (!Cell(table, 1).empty()) return true;
    ++report.skipped;
  }
  return false;
}

// The mapped cells that are not empty replace the texts' defaults.
template <size_t N>
void TakeCells(CImportTable& table, const std::vector<int>& columns, std::u16string* (&texts)[N]) {
  for (size_t i = 0; i < N && i < columns.size(); ++i) {
    std::u16string cell = Cell(table, columns[i]);
    if (!cell.empty()) *texts[i] = std::move(cell);
  }
}

enum class Sent { kStored, kRefused, kStopped };

// Sends a row's call: a failed reply stops the run, a negative code is the
// row's refusal (one failure line); a stored row takes the id, the result
// and the sheet row.
Sent SendRow(const ImportLink& link, const std::string& sql, bool transfer, int sheetRow,
             const std::u16string& number, ImportReport& report, StoredRow& stored) {
  serverlink::ProcedureResult result;
  if (!SendCall(link, sql, result)) {
    Stop(report, link);
    return Sent::kStopped;
  }
  if (result.code < 0) {
    ++report.refused;
    report.failures += FailureLine(transfer, sheetRow, number, result.code);
    return Sent::kRefused;
  }
  stored.id = OutputId(result);
  stored.result = result.code;
  stored.sheetRow = sheetRow;
  return Sent::kStored;
}

// Row 1, columns 1 .. n, as they stand.
std::vector<std::u16string> HeaderCells(CExcelSession& session, int n) {
  std::vector<std::u16string> cells;
  for (int c = 1; c <= n; ++c) cells.push_back(session.CellTextTo(1, c, 256));
  return cells;
}

// Closes the session however the run ends.
struct SessionCloser {
  CExcelSession& session;
  ~SessionCloser() { session.Close(); }
};

}  // namespace

std::span<const HeaderColumn> TrackHeaders() { return kTrackHeaders; }
std::span<const HeaderColumn> TransferHeaders() { return kTransferHeaders; }

std::vector<int> MapHeaderColumns(const std::vector<std::u16string>& cells,
                                  std::span<const HeaderColumn> headers) {
  std::vector<int> columns(headers.size(), 0);
  for (size_t c = 0; c < cells.size(); ++c)
    for (size_t h = 0; h < headers.size(); ++h)
      if (cells[c] == headers[h].name) {
        columns[h] = static_cast<int>(c) + 1;
        break;
      }
  return columns;
}

int DaysFromToday(std::u16string_view dateTime, std::chrono::local_seconds now) {
  std::u16string text(dateTime);
  TrimW(text);
  const size_t blank = text.find(u' ');
  if (blank != std::u16string::npos) text.resize(blank);
  const int past = ParseDateText(GbkFromWide(text), now);
  if (past == kBadDateText) return kNotADate;
  return -past;
}

int DaysFromToday(std::u16string_view dateTime) {
  std::u16string text(dateTime);
  TrimW(text);
  const size_t blank = text.find(u' ');
  if (blank != std::u16string::npos) text.resize(blank);
  const int past = ParseDateText(GbkFromWide(text));
  if (past == kBadDateText) return kNotADate;
  return -past;
}

std::u16string CutDateTime(std::u16string text) {
  if (text.size() <= 16) return text;
  auto digit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
  size_t cut = 16;
  if (digit(text[16]))
    while (cut > 0 && digit(text[cut - 1])) --cut;
  text.resize(cut);
  return text;
}

std::string SqlText(std::u16string_view text, size_t bytes) {
  return QuoteSqlNarrow(FieldTextFromWide(text, bytes));
}

std::string TrackCallSql(const TrackRow& row, std::string_view user, int version, int position,
                         int numberKind) {
  std::string sql = "{?=CALL brantle.dbo.cp_check_detail";
  sql += version == 1 ? "_en" : "";
  sql += "_add_excel(?,";
  for (const std::u16string* text : {&row.number, &row.dateTime, &row.place, &row.eventText})
    sql += "'" + SqlText(*text, 255) + "',";
  sql += "'" + QuoteSqlNarrow(user) + "','EXCEL'";
  const int start = position == 1 ? 50 : position == 2 ? 200 : 0;
  char tail[48];
  std::snprintf(tail, sizeof tail, ",%d,%d)}", start, numberKind);
  return sql + tail;
}

std::string TransferCallSql(const TransferRow& row, bool withEvent, std::string_view user,
                            int version, int numberKind, bool mixed) {
  const bool withReference = !row.reference.empty();
  std::string sql = "{?=CALL brantle.dbo.cp_check_detail";
  sql += version == 1 ? "_en" : "";
  sql += "_add_excel_no";
  sql += withReference ? "_r" : "";
  sql += "(?,";
  sql += withEvent ? "0," : "1,";
  for (const std::u16string* text :
       {&row.number, &row.transfer, &row.dateTime, &row.place, &row.eventText})
    sql += "'" + SqlText(*text, 255) + "',";
  sql += "'" + QuoteSqlNarrow(user) + "','EXCEL',";
  char tail[48];
  std::snprintf(tail, sizeof tail, "%d,%s", numberKind, mixed ? "1" : "0");
  sql += tail;
  if (withReference) sql += ",'" + SqlText(row.reference, 30) + "'";
  return sql + ")}";
}

std::string KindUpdateSql(std::string_view code, int32_t waybillId) {
  return "UPDATE brantle.dbo.client_rec SET cemskind='" + QuoteSqlNarrow(code) +
         "' WHERE irid=" + std::to_string(waybillId);
}

std::u16string TransferLogText(int stored, int kindChanges) {
  std::u16string text = AppLanguage().TextWithNumber(kTransferLogStored, stored);
  if (kindChanges > 0) text += u"," + AppLanguage().TextWithNumber(kTransferLogKinds, kindChanges);
  return text;
}

std::u16string FailureLine(bool transfer, int sheetRow, std::u16string_view number, int32_t code) {
  const CLanguageTable& language = AppLanguage();
  int32_t reason = kOtherRefusal;
  if (code == -1) reason = transfer ? kTransferRefusedMinus1 : kTrackRefusedMinus1;
  if (code == -2) reason = kNoSuchWaybill;
  if (code == -4) reason = transfer ? kTransferRefusedMinus4 : kTrackRefusedMinus4;
  std::u16string line =
      language.TextWithNumber(transfer ? kTransferFailureLine : kTrackFailureLine, sheetRow);
  line += number;
  line += u", ";
  line += language.Text(reason);
  line += u"\r\n";
  return line;
}

ImportReport RunTrackRows(CImportTable& table, const std::vector<int>& columns,
                          const TrackSettings& settings, const ImportLink& link) {
  ImportReport report;
  const std::u16string eventDefault = Trimmed(settings.eventText);
  const std::u16string placeDefault = Trimmed(settings.place);
  const int last = table.LastRow();
  int sheetRow = 0;
  while (NextNumberedRow(table, last, report, sheetRow)) {
    TrackRow row{{}, Trimmed(settings.dateTime), placeDefault, eventDefault};
    std::u16string* texts[] = {&row.number, &row.dateTime, &row.place, &row.eventText};
    TakeCells(table, columns, texts);
    if (row.number.empty() || row.dateTime.empty() || row.eventText.empty()) {
      ++report.skipped;
      continue;
    }
    row.dateTime = CutDateTime(row.dateTime);
    StoredRow stored;
    const Sent sent = SendRow(link,
                              TrackCallSql(row, link.user, settings.version, settings.position,
                                           settings.numberKind),
                              false, sheetRow, row.number, report, stored);
    if (sent == Sent::kStopped) return report;
    if (sent == Sent::kRefused) continue;
    stored.number = row.number;
    stored.dateTime = row.dateTime;
    stored.place = row.place;
    stored.eventText = row.eventText;
    stored.version = settings.version == 1 ? u"_en" : u"";
    report.stored.push_back(std::move(stored));
  }
  return report;
}

ImportReport RunTransferRows(CImportTable& table, const std::vector<int>& columns,
                             const TransferSettings& settings, const ImportLink& link) {
  ImportReport report;
  const std::u16string eventDefault = Trimmed(settings.eventText);
  const std::u16string placeDefault = Trimmed(settings.place);
  const int last = table.LastRow();
  const bool kindMapped = columns.size() > 6 && columns[6] > 0;
  int sheetRow = 0;
  while (NextNumberedRow(table, last, report, sheetRow)) {
    TransferRow row;
    row.dateTime = Trimmed(settings.dateTime);
    row.place = placeDefault;
    row.eventText = eventDefault;
    std::u16string* texts[] = {&row.number, &row.transfer,  &row.dateTime, &row.place,
                               &row.eventText, &row.reference, &row.kind};
    TakeCells(table, columns, texts);
    if (row.number.empty() || row.transfer.empty()) {
      ++report.skipped;
      continue;
    }
    const bool withEvent = !row.dateTime.empty() && !row.eventText.empty();
    if (withEvent) row.dateTime = CutDateTime(row.dateTime);
    StoredRow stored;
    const Sent sent = SendRow(link,
                              TransferCallSql(row, withEvent, link.user, settings.version,
                                              settings.numberKind, settings.mixed),
                              true, sheetRow, row.number, report, stored);
    if (sent == Sent::kStopped) return report;
    if (sent == Sent::kRefused) continue;
    if (kindMapped && !row.kind.empty() && stored.id > 0 && link.findKind) {
      std::string code = FieldTextFromWide(row.kind, 15);
      if (auto kind = link.findKind(code)) {
        // The change is counted only when the server took it; a refusal is
        // listed with its row.
        std::string reply;
        const int sent = link.send ? link.send(KindUpdateSql(kind->first, stored.id), {}, reply) : 0;
        if (sent > 0 && JsonGetInt("ReturnValue", reply, 0) > 0) {
          ++report.kindChanges;
          stored.kindName = kind->second;
        } else {
          ++report.kindFailures;
          std::u16string line = AppLanguage().TextWithNumber(kKindChangeFailed, sheetRow);
          ReplaceAllW(line, u"%2", row.number);
          ReplaceAllW(line, u"%3", WideFromGbk(kind->first));
          report.failures += line + u"\r\n";
        }
      }
    }
    stored.number = row.number;
    stored.transfer = row.transfer;
    stored.reference = row.reference;
    stored.dateTime = withEvent ? row.dateTime : std::u16string();
    stored.place = withEvent ? row.place : std::u16string();
    stored.eventText = withEvent ? row.eventText : std::u16string();
    report.stored.push_back(std::move(stored));
  }
  return report;
}

namespace {

template <typename Settings, typename Rows>
ImportReport RunWorkbook(CExcelSession& session, std::u16string_view path,
                         std::span<const HeaderColumn> headers, int32_t noNumberText,
                         const Settings& settings, const ImportLink& link, Rows rows) {
  SessionCloser closer{session};
  ImportReport report;
  if (!session.OpenForReading(path)) {
    report.refusal = session.LastError();
    return report;
  }
  const std::vector<int> columns =
      MapHeaderColumns(HeaderCells(session, static_cast<int>(headers.size())), headers);
  if (columns[0] <= 0) {
    session.Close();
    report.refusal = AppLanguage().Text(noNumberText);
    return report;
  }
  CExcelImportTable table(session, 2);
  ImportReport r = rows(table, columns, settings, link);
  session.Close();
  return r;
}

}  // namespace

ImportReport RunTrackWorkbook(CExcelSession& session, std::u16string_view path,
                              const TrackSettings& settings, const ImportLink& link) {
  return RunWorkbook(session, path, TrackHeaders(), kTrackNoNumberColumn, settings, link,
                     RunTrackRows);
}

ImportReport RunTransferWorkbook(CExcelSession& session, std::u16string_view path,
                                 const TransferSettings& settings, const ImportLink& link) {
  return RunWorkbook(session, path, TransferHeaders(), kTransferNoNumberColumn, settings, link,
                     RunTransferRows);
}

std::u16string TemplatePath(std::u16string_view desktop, std::u16string_view programFolder) {
  std::u16string folder(desktop);
  if (folder.empty()) {
    folder = programFolder;
    if (!folder.empty() && folder.back() != u'/') folder += u'/';
    folder += u"DATA_TEMP";
  }
  if (!folder.empty() && folder.back() == u'/') folder.pop_back();
  return folder + u"/Fmt_Import_No.xls";
}

bool WriteHeaderTemplate(CExcelSession& session, std::u16string_view path,
                         std::span<const HeaderColumn> headers, std::u16string& error) {
  SessionCloser closer{session};
  session.SetOverwriteQuestion(false);
  if (!session.CreateWorkbook(u"Import_No", path, {}, false)) {
    error = session.LastError();
    return false;
  }
  for (size_t c = 0; c < headers.size(); ++c) {
    session.SetCellText(1, static_cast<int>(c) + 1, headers[c].name);
    session.SetColumnWidth(static_cast<int>(c) + 1, headers[c].width);
  }
  if (!session.SaveAndClose()) {
    error = session.LastError();
    return false;
  }
  return true;
}

std::u16string DecimalText(long long value) {
  const std::string s = std::to_string(value);
  return std::u16string(s.begin(), s.end());
}

std::u16string SummaryText(const ImportReport& report) {
  std::u16string text = AppLanguage().TextWithNumber(kImportSummary, static_cast<int>(report.stored.size()));
  ReplaceAllW(text, u"%2", DecimalText(report.refused));
  ReplaceAllW(text, u"%3", DecimalText(report.skipped));
  return text;
}

}  // namespace batchimport
