#include "shipping/RecordImport.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "common/CsvReader.h"
#include "common/FieldCheck.h"
#include "common/GoodsRecord.h"
#include "common/HtmlText.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/SettingsText.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "office/ExcelSession.h"
#include "refdata/BarcodeNormalizer.h"
#include "server/ServerLink.h"
#include "server/ServerLinkSupport.h"

namespace {

std::u16string Wide(const char* utf8) { return QString::fromUtf8(utf8).toStdU16String(); }
std::string Gbk(const char* utf8) { return GbkFromWide(Wide(utf8)); }

std::string Quoted(std::string_view text) { return QuoteSqlNarrow(text); }

std::string TrimNarrow(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t' || text[b] == '\r' || text[b] == '\n')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t' || text[e - 1] == '\r' ||
                   text[e - 1] == '\n'))
    --e;
  return std::string(text.substr(b, e - b));
}

std::string Printf(const char* format, double value) {
  char text[512];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// A number cell: its value, or none when it holds something that is not a
// finite number ("inf", "nan", "1e999").  An empty cell reads 0.
std::optional<double> ReadNumber(const std::string& text) {
  std::string t = TrimNarrow(text);
  if (t.empty()) return 0.0;
  double value = std::strtod(t.c_str(), nullptr);
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

// Texts of the rows' messages: %1 the row number, %2 the number as read.
std::u16string RowMessage(int textId, int row, std::string_view number,
                          std::u16string_view reason = {}) {
  std::u16string text = AppLanguage().Text(textId);
  ReplaceAllW(text, u"%1", QString::number(row).toStdU16String());
  ReplaceAllW(text, u"%2", WideFromGbk(number));
  ReplaceAllW(text, u"%3", reason);
  return text;
}

void Refuse(RecordImportReport& report, std::u16string message) {
  report.log += u"\r\n";
  report.log += message;
  ++report.errors;
}

// The reason of a refused statement: the server's own text, else its code.
std::u16string RefusalReason(const ImportExecResult& r) {
  if (!r.error.empty()) return WideFromGbk(r.error);
  return u"ReturnValue " + QString::number(r.returnValue).toStdU16String();
}

// A plain statement ran when the server answered ReturnValue 1, as the
// waybill save checks its piece and goods rows.
bool StatementRan(const ImportExecResult& r) { return r.sent > 0 && r.returnValue == 1; }

std::string NormalizedNumber(std::string number, CBarcodeNormalizer* barcodes) {
  if (barcodes) barcodes->Normalize(number);
  return number;
}

// Language ids of this system's own messages beside the ones the imports
// share with the record update dialog.
constexpr int kTextNotFound = 320015;
constexpr int kTextDuplicate = 320016;
constexpr int kTextNothingToWrite = 320017;
constexpr int kTextSummary = 320018;
constexpr int kTextAmountTooSmall = 160101;
constexpr int kTextFeeRefused = 160102;
constexpr int kTextServerRefused = 22501;   // %1 row, %2 number, %3 the server's reason
constexpr int kTextBadNumber = 22502;       // %1 row, %2 number, %3 the field caption
constexpr int kTextGoodsRefused = 22503;    // %1 row, %2 number, %3 the server's reason
constexpr int kTextTransportStop = 22504;   // %1 row, %2 number, %3 the transport code
constexpr int kTextGoodsLost = 630000;      // %1 row, %2 number, %3 the reason
constexpr int kTextFeeStop = 22505;         // %1 row, %2 number, %3 the result

}  // namespace

// ---- Field table ----

const std::array<FieldUpdateField, kFieldUpdateFieldCount>& FieldUpdateFields() {
  using K = FieldKind;
  static const std::array<FieldUpdateField, kFieldUpdateFieldCount> kFields = {{
      {"运单号", "cnum", K::Key, 0, false},
      {"参考号", "crno", K::Text, 30, false},
      {"报关号", "ccno", K::Text, 30, false},
      {"标签", "cmark", K::Text, 15, false},
      {"留用串", "creserve", K::Text, 30, false},
      {"留用数", "ireserve", K::Integer, 0, false},
      {"备用一", "cby1", K::Text, 63, false},
      {"备用二", "cby2", K::Text, 63, false},
      {"备用三", "cby3", K::Text, 63, false},
      {"备用四", "cby4", K::Text, 63, false},
      {"备用五", "cby5", K::Text, 254, false},
      {"发件人", "csender", K::Text, 30, false},
      {"发件单位", "csunitname", K::Text, 126, false},
      {"发件地址", "csaddr", K::Text, 126, false},
      {"发件国家", "cscountry", K::Text, 63, false},
      {"发件省州", "csprovince", K::Text, 30, false},
      {"发件城市", "cscity", K::Text, 63, false},
      {"发件邮编", "cspostcode", K::Text, 15, false},
      {"发件电话", "csphone", K::Text, 63, false},
      {"短信电话", "csmsnumber", K::Text, 22, false},
      {"发件邮箱", "csemail", K::Text, 63, false},
      {"所属部门", "cdepart", K::Text, 30, false},
      {"目的地", "cdes", K::Text, 63, false},
      {"收件人", "creceiver", K::WideText, 62, false},
      {"收件单位", "cunitname", K::WideText, 254, false},
      {"收件地址", "caddr", K::WideText, 254, false},
      {"收件国家", "ccountry", K::WideText, 126, false},
      {"收件省州", "cprovince", K::WideText, 62, false},
      {"收件城市", "ccity", K::WideText, 126, false},
      {"收件邮编", "cpostcode", K::Text, 15, false},
      {"收件电话", "cphone", K::Text, 63, false},
      {"收件短信", "crsms", K::Text, 22, false},
      {"收件邮箱", "cremail", K::Text, 63, false},
      {"物品描述", "cgoods", K::Text, 254, true},
      {"物品数量", "iquantity", K::Integer, 0, true},
      {"物品单价", "iprice", K::Hundredths, 0, true},
      {"物品别名", "cgoodsa", K::Text, 254, true},
      {"物品甲码", "cgcodea", K::Text, 62, true},
      {"物品乙码", "cgcodeb", K::Text, 62, true},
      {"物品丙码", "cgcodec", K::Text, 62, true},
      {"物品单位", "cunit", K::Text, 15, true},
      {"物品关税", "fgcustom", K::Fixed2, 0, true},
      {"物品税率", "fgcrate", K::Fixed4, 0, true},
      {"声明价值", "idvalue", K::Hundredths, 0, false},
      {"投保价值", "iivalue", K::Hundredths, 0, false},
      {"托运备注", "ctransnote", K::Text, 62, false},
      {"物品包装", "cpacking", K::Text, 15, false},
      {"代收货款", "fgoods", K::Fixed2, 0, false},
      {"回收货款", "fgoodsr", K::Fixed2, 0, false},
      {"返客货款", "fgoodsc", K::Fixed2, 0, false},
      {"经办人", "cmname", K::Text, 30, false},
      {"取件人", "ctaker", K::Text, 30, false},
      {"中转人", "ctrans", K::Text, 30, false},
      {"派件人", "cbearer", K::Text, 30, false},
      {"物品净重", "fgweight", K::Fixed3, 0, true},
      {"发件证照号", "csidcard", K::Text, 30, false},
      {"收件证照号", "cridcard", K::Text, 30, false},
      {"备注", "cmemo", K::Text, 255, false},
      {"币种", "cmoney", K::Text, 3, false},
      {"产地", "corigin", K::Text, 3, false},
      {"收件地址1", nullptr, K::Line, 254, false},
      {"收件地址2", nullptr, K::Line, 254, false},
      {"收件地址3", nullptr, K::Line, 254, false},
  }};
  return kFields;
}

void MapFieldUpdateHeader(const std::vector<std::u16string>& headers, FieldUpdateChoice& choice) {
  const auto& fields = FieldUpdateFields();
  choice.columns.fill(-1);
  choice.lastHeaderPosition = 0;
  for (size_t c = 0; c < headers.size(); ++c) {
    std::u16string h = headers[c];
    TrimW(h);
    if (h.empty()) continue;
    for (int i = 0; i < kFieldUpdateFieldCount; ++i) {
      if (h != Wide(fields[static_cast<size_t>(i)].header)) continue;
      choice.columns[static_cast<size_t>(i)] = static_cast<int>(c) + 1;
      choice.lastHeaderPosition = std::max(choice.lastHeaderPosition, static_cast<int>(c));
      break;
    }
  }
}

std::u16string FieldUpdateLogTitle(const FieldUpdateChoice& choice) {
  std::u16string title;
  int mapped = 0;
  for (int i = 1; i < kFieldUpdateFieldCount; ++i) {
    if (choice.columns[static_cast<size_t>(i)] <= 0) continue;
    if (++mapped <= 3) {
      if (!title.empty()) title += u",";
      title += Wide(FieldUpdateFields()[static_cast<size_t>(i)].header);
    }
  }
  if (mapped > 2) title += u"...";
  return title;
}

// ---- The link ----

namespace {

class ServerRecordImportLink : public RecordImportLink {
 public:
  explicit ServerRecordImportLink(CServerLink& link) : link_(link) {}

  int32_t FindWaybillId(std::string_view number, bool transferNumber) override {
    return link_.FindWaybillId(0, number, transferNumber);
  }

  ImportExecResult Execute(std::string_view sql, std::span<const uint32_t> types) override {
    ImportExecResult r;
    auto guard = link_.LockReply();
    r.sent = link_.SqlExecute(sql, types);
    if (r.sent < 0) return r;
    const std::string& reply = guard.Text();
    r.returnValue = serverlink::ReplyInt(reply, "ReturnValue", 0);
    if (r.returnValue < 0) r.error = serverlink::ReplyString(reply, "cError", 1023, false);
    r.hasList = JsonFindKey("List", reply) != std::string::npos;
    if (r.hasList) r.firstColumn = serverlink::ReplyFirstColumnInt(reply, 0);
    return r;
  }

  std::string UserName() override { return link_.Session().userName; }

 private:
  CServerLink& link_;
};

}  // namespace

std::unique_ptr<RecordImportLink> MakeServerRecordImportLink(CServerLink& link) {
  return std::make_unique<ServerRecordImportLink>(link);
}

// ---- Statements ----

std::optional<std::string> FieldUpdateEntry(int index, const FieldUpdateValue& value,
                                            bool overwrite, bool* badNumber) {
  if (badNumber) *badNumber = false;
  const FieldUpdateField& f = FieldUpdateFields()[static_cast<size_t>(index)];
  std::string entry = std::string(f.column) + "=";
  switch (f.kind) {
    case FieldKind::Text:
    case FieldKind::WideText: {
      std::string text = value.text;
      if (!value.unicodeSafe) GbkTruncate(text, f.bytes);
      if (text.empty() && !overwrite) return std::nullopt;
      return entry + "'" + Quoted(text) + "'";
    }
    case FieldKind::Integer:
    case FieldKind::Hundredths: {
      auto number = ReadNumber(value.text);
      if (!number) {
        if (badNumber) *badNumber = true;
        return std::nullopt;
      }
      int32_t n = 0;
      if (f.kind == FieldKind::Integer) {
        double d = std::trunc(*number);
        n = d > 2147483647.0 ? 2147483647 : d < -2147483648.0 ? INT32_MIN : static_cast<int32_t>(d);
      } else {
        n = RoundScaled(*number, 100);
      }
      if (n == 0 && !overwrite) return std::nullopt;
      return entry + std::to_string(n);
    }
    case FieldKind::Fixed2:
    case FieldKind::Fixed3:
    case FieldKind::Fixed4: {
      auto number = ReadNumber(value.text);
      if (!number) {
        if (badNumber) *badNumber = true;
        return std::nullopt;
      }
      if (*number < 0.01 && !overwrite) return std::nullopt;
      const char* format = f.kind == FieldKind::Fixed2 ? "%.2f"
                           : f.kind == FieldKind::Fixed3 ? "%.3f" : "%.4f";
      return entry + Printf(format, *number);
    }
    default:
      return std::nullopt;
  }
}

std::string BuildFieldUpdateStatement(std::string_view setList, int32_t recordId) {
  return "UPDATE brantle.dbo.client_rec SET " + std::string(setList) +
         " WHERE irid=" + std::to_string(recordId);
}

std::string BuildGoodsLinesDelete(int32_t recordId) {
  return "DELETE brantle.dbo.client_rec_goods WHERE irid=" + std::to_string(recordId);
}

std::string BuildGoodsLinesInsert(int32_t recordId, std::span<const GoodsRecord> items) {
  if (items.empty()) return {};
  std::string sql =
      "INSERT INTO brantle.dbo.client_rec_goods(wpos,irid,cgoods,cunit,iquantity,fprice,cgoodsa,"
      "cgcodea,cgcodeb,cgcodec,fgcustom,fgcrate,fgweight) ";
  int position = 0;
  for (const GoodsRecord& g : items) {
    auto text = [&](const std::string& t) { sql += ",'" + Quoted(t) + "'"; };
    sql += position > 0 ? " union all select " : " select ";
    sql += std::to_string(position++) + "," + std::to_string(recordId);
    text(g.cgoods);
    text(g.cunit);
    sql += "," + std::to_string(g.iquantity);
    sql += "," + Printf("%.2f", g.fprice);
    text(g.cgoodsa);
    text(g.cgcodea);
    text(g.cgcodeb);
    text(g.cgcodec);
    sql += "," + Printf("%.2f", g.fgcustom);
    sql += "," + Printf("%.4f", g.fgcrate);
    sql += "," + Printf("%.3f", g.fgweight) + " ";
  }
  return sql;
}

std::string BuildImportLogCall(std::string_view userName, std::u16string_view title, int updated) {
  return Gbk("{CALL brantle.dbo.cp_sys_log_add('修改','") + Quoted(userName) + Gbk("','导入[") +
         Quoted(GbkFromWide(title)) + "]_" + std::to_string(updated) + "',0,1)}";
}

std::string BuildFeeCall(std::string_view number, const FeeImportSettings& settings, double amount,
                         double weight, std::string_view userName, std::string_view note) {
  std::string sql = "{?=CALL brantle.dbo.cp_client_rec_add_4fee('" + Quoted(number) + "','" +
                    Quoted(std::string(number) + settings.suffix) + "','" +
                    Quoted(settings.serviceKind) + "'," + Printf("%.2f", amount) + "," +
                    Printf("%.3f", weight) + ",'" + Quoted(settings.destination) + "','" +
                    Quoted(settings.label) + "','" + Quoted(userName) + "','" + Quoted(note) +
                    "')}";
  return sql;
}

// ---- Settings file ----

FeeImportSettings ParseFeeImportSettings(std::string_view fileText) {
  FeeImportSettings s;
  std::string_view text = fileText.substr(0, std::min<size_t>(fileText.size(), 8000));
  const std::string begin = Gbk("<定义开始>");
  const std::string end = Gbk("<定义结束>");
  size_t b = text.find(begin);
  if (b == std::string_view::npos) return s;
  b += begin.size();
  size_t e = text.find(end, b);
  if (e == std::string_view::npos) return s;
  std::string_view body = text.substr(b, e - b);
  s.serviceKind = GetKeyValue(Gbk("快递类别="), body, 1, 15, true);
  s.suffix = GetKeyValue(Gbk("内单号后缀="), body, 1, 7, true);
  s.destination = GetKeyValue(Gbk("固定目的地="), body, 0, 63, true);
  s.label = GetKeyValue(Gbk("固定标签="), body, 1, 15, true);
  return s;
}

// ---- Field update ----

namespace {

// The key of a row: GBK, normalised.  CSV keys are taken as they are; a
// workbook's key cell first goes through the application's clean-up.
std::string RowNumberText(CImportTable& table, int column, const RecordImportContext& context) {
  std::string number;
  if (table.IsCsv()) {
    number = table.CellNarrow(column);
  } else {
    std::u16string cell = table.CellWide(column, 1022);
    if (context.normalizeNumber) cell = context.normalizeNumber(cell);
    number = GbkFromWide(cell);
  }
  return NormalizedNumber(std::move(number), context.barcodes);
}

}  // namespace

RecordImportReport RunFieldUpdate(const FieldUpdateChoice& choice, CImportTable& table,
                                  const RecordImportContext& context) {
  RecordImportReport report;
  const auto& fields = FieldUpdateFields();
  auto col = [&](int i) { return choice.columns[static_cast<size_t>(i)]; };
  if (col(0) <= 0) return report;
  const std::u16string title = FieldUpdateLogTitle(choice);
  if (title.empty()) return report;
  RecordImportLink& link = *context.link;
  const bool csv = table.IsCsv();

  std::set<int32_t> done;
  int shortRows = 0;
  const uint32_t noTypes[] = {0};
  while (shortRows < kShortRowLimit && table.NextRow()) {
    const int row = table.RowNumber();
    const std::string number = RowNumberText(table, col(0), context);
    if (number.size() < 5) {
      ++shortRows;
      continue;
    }
    const int32_t id = link.FindWaybillId(number, choice.transferNumber);
    if (id <= 0) {
      Refuse(report, RowMessage(kTextNotFound, row, number));
      continue;
    }
    if (done.count(id)) {
      Refuse(report, RowMessage(kTextDuplicate, row, number));
      continue;
    }

    // Values of the mapped fields.
    std::array<FieldUpdateValue, kFieldUpdateFieldCount> values{};
    std::array<std::u16string, 3> lines;
    std::array<std::string, kFieldUpdateFieldCount> goodsTexts{};
    for (int i = 1; i < kFieldUpdateFieldCount; ++i) {
      if (col(i) <= 0) continue;
      const FieldUpdateField& f = fields[static_cast<size_t>(i)];
      FieldUpdateValue& v = values[static_cast<size_t>(i)];
      if (csv) {
        v.text = table.CellNarrow(col(i));
        if (f.kind == FieldKind::Line) lines[static_cast<size_t>(i - 60)] = WideFromGbk(v.text);
        continue;
      }
      if (f.kind == FieldKind::WideText) {
        std::u16string cell = table.CellWide(col(i), 1022);
        TrimW(cell);
        if (!cell.empty()) {
          v.text = FieldTextFromWide(cell, f.bytes);
          v.unicodeSafe = true;
        }
      } else if (f.kind == FieldKind::Line) {
        std::u16string cell = table.CellWide(col(i), 254);
        lines[static_cast<size_t>(i - 60)] = TrimW(cell);
      } else {
        std::string text = GbkFromWide(table.CellWide(col(i), 1022));
        StripHtml(text, false);
        if (f.goods) goodsTexts[static_cast<size_t>(i)] = text;
        GbkTruncate(text, 254);
        v.text = std::move(text);
      }
    }

    // The receiver address from its lines.
    const bool fromLines = col(60) > 0;
    if (fromLines && values[25].text.empty()) {
      if (csv) {
        std::string address = values[60].text;
        if (!values[61].text.empty()) address += "\r\n" + values[61].text;
        if (!values[62].text.empty()) address += "\r\n" + values[62].text;
        values[25].text = GbkTruncate(address, 254);
      } else {
        std::u16string address = lines[0];
        if (!lines[1].empty()) address += u"\r\n" + lines[1];
        if (!lines[2].empty()) address += u"\r\n" + lines[2];
        values[25].text = FieldTextFromWide(address, 254);
        values[25].unicodeSafe = true;
      }
    }

    // The SET list.
    std::string setList;
    int badField = 0;
    for (int i = 1; i < 60; ++i) {
      if (col(i) <= 0 && !(i == 25 && fromLines)) continue;
      bool bad = false;
      auto entry = FieldUpdateEntry(i, values[static_cast<size_t>(i)], choice.overwrite, &bad);
      if (bad) {
        badField = i;
        break;
      }
      if (!entry) continue;
      if (!setList.empty()) setList += ",";
      setList += *entry;
    }
    if (badField) {
      Refuse(report, RowMessage(kTextBadNumber, row, number,
                                Wide(fields[static_cast<size_t>(badField)].header)));
      continue;
    }
    if (setList.empty()) {
      Refuse(report, RowMessage(kTextNothingToWrite, row, number));
      continue;
    }

    const ImportExecResult update = link.Execute(BuildFieldUpdateStatement(setList, id), noTypes);
    if (!update.Delivered()) {
      report.stopped = true;
      report.stopReason =
          RowMessage(kTextTransportStop, row, number, QString::number(update.sent).toStdU16String());
      break;
    }
    if (update.returnValue < 0) {
      Refuse(report, RowMessage(kTextServerRefused, row, number, RefusalReason(update)));
      continue;
    }

    // Goods lines (workbooks only): several items replace the old lines.
    if (!csv && goodsTexts[33].find(',') != std::string::npos &&
        goodsTexts[34].find(',') != std::string::npos) {
      GoodsColumns columns(goodsTexts[33], goodsTexts[34], goodsTexts[35]);
      auto optional = [&](int i) -> std::optional<std::string> {
        if (col(i) <= 0 || goodsTexts[static_cast<size_t>(i)].empty()) return std::nullopt;
        return goodsTexts[static_cast<size_t>(i)];
      };
      columns.secondNames = optional(36);
      columns.codesA = optional(37);
      columns.codesB = optional(38);
      columns.codesC = optional(39);
      columns.customsValues = optional(41);
      columns.customsRates = optional(42);
      columns.units = optional(40);
      columns.weights = optional(54);
      std::vector<GoodsRecord> items;
      if (SplitGoodsColumns(std::move(columns), items) && items.size() > 1) {
        // The server takes one statement a request: the old lines go first,
        // the new ones only when that succeeded.  A refused DELETE leaves the
        // old lines; a refused INSERT after it leaves none, which the log
        // names so the row can be imported again.
        const ImportExecResult removed = link.Execute(BuildGoodsLinesDelete(id), noTypes);
        std::optional<ImportExecResult> inserted;
        if (removed.Delivered() && StatementRan(removed))
          inserted = link.Execute(BuildGoodsLinesInsert(id, items), noTypes);
        const ImportExecResult& failed = inserted ? *inserted : removed;
        if (!failed.Delivered()) {
          report.stopped = true;
          report.stopReason = RowMessage(inserted ? kTextGoodsLost : kTextTransportStop, row,
                                         number, QString::number(failed.sent).toStdU16String());
          if (inserted) Refuse(report, report.stopReason);
          break;
        }
        if (!StatementRan(failed)) {
          // The fields were written either way.
          Refuse(report, RowMessage(inserted ? kTextGoodsLost : kTextGoodsRefused, row, number,
                                    RefusalReason(failed)));
          done.insert(id);
          report.changedIds.push_back(id);
          if (context.changed) context.changed(id);
          continue;
        }
      }
    }

    done.insert(id);
    report.changedIds.push_back(id);
    ++report.updated;
    if (context.changed) context.changed(id);
  }

  if (report.updated > 0)
    link.Execute(BuildImportLogCall(link.UserName(), title, report.updated), noTypes);
  return report;
}

// ---- Fee import ----

RecordImportReport RunFeeImport(const FeeImportSettings& settings, CImportTable& table,
                                const RecordImportContext& context) {
  RecordImportReport report;
  RecordImportLink& link = *context.link;
  const std::string user = link.UserName();
  std::set<int32_t> done;
  int shortRows = 0;
  const uint32_t slong[] = {AcsTypeEntry(kSqlCSLong)};
  while (shortRows < kShortRowLimit && table.NextRow()) {
    const int row = table.RowNumber();
    const std::string number = RowNumberText(table, 1, context);
    if (number.size() < 5) {
      ++shortRows;
      continue;
    }
    const auto amount = ReadNumber(table.CellNarrow(2));
    if (!amount || *amount < 0.01) {
      Refuse(report, RowMessage(kTextAmountTooSmall, row, number));
      continue;
    }
    const auto weight = ReadNumber(table.CellNarrow(3));
    if (!weight) {
      Refuse(report, RowMessage(kTextBadNumber, row, number, u"3"));
      continue;
    }
    std::u16string noteWide = table.CellWide(4, 254);
    const std::string note = GbkFromWide(noteWide);

    const int32_t id = link.FindWaybillId(number, false);
    if (id <= 0) {
      Refuse(report, RowMessage(kTextNotFound, row, number));
      continue;
    }
    if (done.count(id)) {
      Refuse(report, RowMessage(kTextDuplicate, row, number));
      continue;
    }
    done.insert(id);

    const ImportExecResult r =
        link.Execute(BuildFeeCall(number, settings, *amount, *weight, user, note), slong);
    if (!r.Delivered() || r.returnValue != 1 || !r.hasList) {
      report.stopped = true;
      report.stopReason =
          RowMessage(kTextFeeStop, row, number,
                     !r.Delivered() ? QString::number(r.sent).toStdU16String()
                                    : RefusalReason(r));
      break;
    }
    if (r.firstColumn > 0) {
      report.changedIds.push_back(r.firstColumn);
      ++report.updated;
      if (context.changed) context.changed(r.firstColumn);
    } else if (r.firstColumn == -1) {
      Refuse(report, RowMessage(kTextFeeRefused, row, number));
    } else if (r.firstColumn == -2) {
      Refuse(report, RowMessage(kTextNotFound, row, number));
    } else {
      report.stopped = true;
      report.stopReason = RowMessage(kTextFeeStop, row, number,
                                     QString::number(r.firstColumn).toStdU16String());
      break;
    }
  }
  return report;
}

std::u16string ImportSummaryText(const RecordImportReport& report) {
  std::u16string text = AppLanguage().Text(kTextSummary);
  ReplaceAllW(text, u"%1", QString::number(report.updated + report.errors).toStdU16String());
  ReplaceAllW(text, u"%2", QString::number(report.updated).toStdU16String());
  ReplaceAllW(text, u"%3", QString::number(report.errors).toStdU16String());
  return text;
}
