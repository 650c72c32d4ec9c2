#include "shipping/TrackingEditor.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>

#include "common/DateTime.h"
#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "platform/QtWaitForWork.h"
#include "server/ServerLink.h"

namespace {

class ServerTrackingLink : public TrackingEditorLink {
 public:
  explicit ServerTrackingLink(CServerLink& link) : link_(link) {}
  int Query(std::string_view sql, std::span<const uint32_t> types, std::string& reply) override {
    return platform::WaitForWork([&] { return link_.SqlQuery(sql, types, &reply); });
  }
  int Execute(std::string_view sql, std::span<const uint32_t> types,
              std::string& reply) override {
    return platform::WaitForWork([&] { return link_.SqlExecute(sql, types, &reply); });
  }
  std::string UserName() override { return link_.Session().userName; }

 private:
  CServerLink& link_;
};

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
  char buffer[160];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

std::string Quoted(std::u16string_view text) { return GbkFromWide(QuoteSql(text)); }

std::u16string LocalNow(const char* format) {
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  char buffer[64];
  std::strftime(buffer, sizeof buffer, format, &local);
  return WideFromGbk(buffer);
}

const uint32_t kResultTypes[] = {AcsTypeEntry(kSqlCSLong)};

std::u16string Text(int32_t id) { return AppLanguage().Text(id); }

std::u16string Cut(std::u16string text, size_t n) {
  if (text.size() > n) text.resize(n);
  return text;
}

}  // namespace

std::unique_ptr<TrackingEditorLink> MakeServerTrackingLink(CServerLink& link) {
  return std::make_unique<ServerTrackingLink>(link);
}

// ---- statements ----

std::string BuildTrackingStatusQuery(int32_t irid) {
  return Printf("SELECT nstate,dadate,csign,ctno,ftweight FROM brantle.dbo.client_rec WHERE irid=%d",
                irid);
}

std::string BuildTrackingHeaderQuery(std::u16string_view suffix, int32_t irid) {
  return "SELECT cinfo FROM brantle.dbo.check_info" + GbkFromWide(suffix) +
         Printf(" WHERE irid=%d", irid);
}

std::string BuildTrackingLinesQuery(std::u16string_view suffix, int32_t irid) {
  return "SELECT wpos,npos,cdate,cplace,cinfo FROM brantle.dbo.check_detail" +
         GbkFromWide(suffix) + Printf(" WHERE irid=%d ORDER BY npos", irid);
}

std::string BuildTrackingLineSave(std::u16string_view suffix, int32_t irid, int32_t wpos,
                                  int32_t npos, std::u16string_view date,
                                  std::u16string_view place, std::u16string_view detail,
                                  std::string_view userName) {
  std::string sql = "{?=CALL brantle.dbo.cp_check_detail" + GbkFromWide(suffix);
  if (wpos > 0)
    sql += Printf("_mod(%d,%d,%d,'", irid, wpos, npos);
  else
    sql += Printf("_add(%d,%d,'", irid, npos);
  sql += Quoted(date) + "','" + Quoted(place) + "','" + Quoted(detail) + "','" +
         QuoteSqlNarrow(userName) + "','')}";
  return sql;
}

std::string BuildTrackingLineDelete(std::u16string_view suffix, int32_t irid, int32_t wpos) {
  return "{?=CALL brantle.dbo.cp_check_detail" + GbkFromWide(suffix) +
         Printf("_del(%d,%d)}", irid, wpos);
}

std::string BuildTrackingInfoSet(std::u16string_view suffix, int32_t irid, int state,
                                 std::u16string_view header, std::u16string_view signedBy,
                                 std::u16string_view deliveryDate) {
  return "{?=CALL brantle.dbo.cp_check_info" + GbkFromWide(suffix) +
         Printf("_set(%d,%d,'", irid, state) + Quoted(header) + "','" + Quoted(signedBy) + "','" +
         GbkFromWide(NormalizeDateTimeText(deliveryDate)) + Printf("',%d)}", state);
}

int NextTrackingPosition(const std::vector<TrackingLine>& lines) {
  for (auto it = lines.rbegin(); it != lines.rend(); ++it)
    if (it->npos < 100) return it->npos + 5 > 99 ? 99 : it->npos + 5;
  return 5;
}

int CheckTrackingLine(std::u16string_view date, std::u16string_view detail,
                      std::u16string_view position, bool newLine) {
  std::u16string d(date), x(detail), p(position);
  if (TrimW(d).empty()) return 310040;
  if (TrimW(x).empty()) return 310041;
  TrimW(p);
  if (p.empty() || p.size() > 6) return 310042;
  int value = 0;
  for (char16_t c : p) {
    if (c < u'0' || c > u'9') return 310042;  // a sign is no position either
    value = value * 10 + (c - u'0');
  }
  if (value > 255) return 310042;
  if (newLine && value >= 100 && value <= 199) return 310042;
  return 0;
}

TrackingWriteResult ReadTrackingWriteResult(int sent, std::string_view reply) {
  TrackingWriteResult r;
  const int32_t returnValue = JsonGetInt("ReturnValue", reply, 0);
  const std::u16string serverText = JsonGetWString("cError", reply, 255);
  if (sent <= 0 || returnValue != 1 || JsonListBody(reply, "List").empty()) {
    r.error = AppLanguage().TextWithNumber(20023, sent <= 0 ? sent : returnValue);
    if (!serverText.empty()) r.error += u"\r\n" + serverText;
    return r;
  }
  std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view row;
  r.result = JsonNextObject(list, pos, row) ? JsonGetInt("0", row, -9) : -9;
  if (r.result < 0) {
    switch (r.result) {
      case -1: r.error = Text(22310); break;
      case -2: r.error = Text(22311); break;
      case -3: r.error = Text(22312); break;
      default: r.error = AppLanguage().TextWithNumber(22313, r.result); break;
    }
    if (!serverText.empty()) r.error += u"\r\n" + serverText;
    return r;
  }
  r.ok = true;
  return r;
}

// ---- the editor ----

CTrackingEditor::CTrackingEditor(TrackingEditorLink& link) : now(LocalNow), link_(link) {}

bool CTrackingEditor::Open(int32_t recordId, std::u16string_view number) {
  irid = recordId;
  wpos = 0;
  baseNumber_ = std::u16string(number);
  numberText = baseNumber_;
  return ReloadAll();
}

bool CTrackingEditor::ReloadAll() {
  static const uint32_t kTypes[] = {AcsTypeEntry(kSqlCUTinyInt), AcsTypeEntry(kSqlCTimestamp, 16),
                                    AcsTypeEntry(kSqlCChar, 32), AcsTypeEntry(kSqlCChar, 32),
                                    AcsTypeEntry(kSqlCDouble)};
  std::string reply;
  const int got = link_.Query(BuildTrackingStatusQuery(irid), kTypes, reply);
  const std::string_view list = got > 0 ? JsonListBody(reply, "List") : std::string_view();
  size_t pos = 0;
  std::string_view row;
  if (got <= 0 || JsonGetInt("iTotal", reply, 0) <= 0 || list.empty() ||
      !JsonNextObject(list, pos, row))
    return false;
  numberText = baseNumber_ + u"\r\n";
  const std::u16string tno = JsonGetWString("3", row, 30);
  if (!tno.empty()) numberText += Text(30152) + u":" + tno + u"  ";
  const double weight = JsonGetDouble("4", row, 0);
  if (weight >= 0.001 && showTrackingWeight) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.3f", weight);
    numberText += Text(30153) + u":" + WideFromGbk(buffer);
  }
  signedBy = JsonGetWString("2", row, 30);
  state = JsonGetInt("0", row, 0);
  const std::u16string delivered = JsonGetWString("1", row, 30);
  deliveryDate.clear();
  if (!delivered.empty() && delivered[0] >= u'2') {
    deliveryDate = delivered;
    ReplaceCharW(deliveryDate, u'-', u'.');
  }

  static const uint32_t kHeaderTypes[] = {AcsTypeEntry(kSqlCChar, 4096)};
  reply.clear();
  header.clear();
  if (link_.Query(BuildTrackingHeaderQuery(Suffix(), irid), kHeaderTypes, reply) > 0) {
    const std::string_view headerList = JsonListBody(reply, "List");
    size_t at = 0;
    std::string_view headerRow;
    if (JsonNextObject(headerList, at, headerRow)) header = JsonGetWString("0", headerRow, 4095);
  }
  ReloadLines();
  return true;
}

void CTrackingEditor::ReloadLines() {
  static const uint32_t kTypes[] = {AcsTypeEntry(kSqlCSLong), AcsTypeEntry(kSqlCUTinyInt),
                                    AcsTypeEntry(kSqlCChar, 32), AcsTypeEntry(kSqlCChar, 128),
                                    AcsTypeEntry(kSqlCChar, 256)};
  lines.clear();
  std::string reply;
  if (link_.Query(BuildTrackingLinesQuery(Suffix(), irid), kTypes, reply) > 0) {
    const std::string_view list = JsonListBody(reply, "List");
    size_t pos = 0;
    std::string_view row;
    while (JsonNextObject(list, pos, row)) {
      TrackingLine line;
      line.wpos = JsonGetInt("0", row, 0);
      line.npos = JsonGetInt("1", row, 0);
      line.date = JsonGetWString("2", row, 30);
      line.place = JsonGetWString("3", row, 126);
      line.detail = JsonGetWString("4", row, 255);
      lines.push_back(std::move(line));
    }
  }
  ResetLine();
}

void CTrackingEditor::ResetLine() {
  wpos = 0;
  date = now("%Y-%m-%d %H:%M");
  place.clear();
  detail.clear();
  lineLabel = Text(canEdit ? 310028 : 310029);
  saveEnabled = canEdit;
  deleteEnabled = false;
  position = WideFromGbk(std::to_string(NextTrackingPosition(lines)));
  positionEnabled = true;
  newLine = true;
}

void CTrackingEditor::PickLine(size_t index) {
  if (index >= lines.size()) return;
  const TrackingLine& line = lines[index];
  wpos = line.wpos;
  position = WideFromGbk(std::to_string(line.npos));
  date = line.date;
  place = line.place;
  detail = line.detail;
  lineLabel = AppLanguage().TextWithNumber(canEdit ? 310026 : 310027, line.npos);
  deleteEnabled = canEdit;
  positionEnabled = line.npos < 100 || line.npos >= 200;
  newLine = false;
}

bool CTrackingEditor::SwitchLanguage() {
  chinese = !chinese;
  return ReloadAll();
}

TrackingWriteResult CTrackingEditor::SaveLine(int& refusal) {
  refusal = CheckTrackingLine(date, detail, position, newLine);
  if (refusal != 0 || irid < 1) return {};
  std::u16string p(position);
  const int npos = std::stoi(Utf8FromWide(TrimW(p)));
  const std::string sql = BuildTrackingLineSave(Suffix(), irid, wpos, npos, Cut(date, 19),
                                                Cut(place, 126), Cut(detail, 254),
                                                link_.UserName());
  TrackingWriteResult r = Write(sql);
  if (r.ok) ReloadLines();
  return r;
}

TrackingWriteResult CTrackingEditor::DeleteLine() {
  if (irid < 1 || wpos <= 0) return {};
  const std::string sql = BuildTrackingLineDelete(Suffix(), irid, wpos);
  TrackingWriteResult r = Write(sql);
  if (r.ok) ReloadLines();
  return r;
}

TrackingWriteResult CTrackingEditor::Submit() {
  if (irid < 1) return {};
  std::u16string sign = signedBy;
  TrimW(sign);
  const std::string sql =
      BuildTrackingInfoSet(Suffix(), irid, state, Cut(header, 4090), Cut(sign, 30), deliveryDate);
  return Write(sql);
}

TrackingWriteResult CTrackingEditor::Write(const std::string& sql) {
  sent.push_back(sql);
  std::string reply;
  const int got = link_.Execute(sql, kResultTypes, reply);
  return ReadTrackingWriteResult(got, reply);
}
