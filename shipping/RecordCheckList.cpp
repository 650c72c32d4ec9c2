#include "shipping/RecordCheckList.h"

#include <QString>

#include <cstdio>

#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "server/ServerLink.h"
#include "ui/RequestFailure.h"

namespace {

enum class Cell : uint8_t {
  RowNumber,
  Text,      // the reply's text, at most `size` characters
  Date10,    // the first 10 characters
  State,     // WaybillStateText
  ItemType,  // ItemTypeText
  PayWay,    // PayWayText
  Integer,   // "%d"
  Fixed2,    // "%.2f"
  Fixed3,    // "%.3f"
  Hundredths,  // hundredths shown "%.2f"
  Paid,      // "√" when above 0
};

struct ColumnDef {
  RecordCheckColumn column;
  const char* key;  // reply key
  Cell cell;
  int size;
};

constexpr int L = kGridAlignLeft;
constexpr int R = kGridAlignRight;
constexpr int C = kGridAlignCenter;

const std::vector<ColumnDef>& Defs() {
  static const std::vector<ColumnDef> kDefs = {
      {{0, 30076, 50, L}, "10", Cell::RowNumber, 0},
      {{1, 30070, 80, L}, "4", Cell::Date10, 10},
      {{63, 30203, 80, L}, "58", Cell::Text, 30},
      {{64, 30078, 120, L}, "59", Cell::Text, 63},
      {{3, 30002, 110, L}, "6", Cell::Text, 30},
      {{4, 30003, 110, L}, "19", Cell::Text, 30},
      {{12, 30001, 100, L}, "1", Cell::Text, 63},
      {{13, 30073, 80, L}, "11", Cell::Text, 15},
      {{45, 30069, 50, L}, "16", Cell::State, 0},
      {{46, 30021, 100, L}, "17", Cell::Text, 30},
      {{47, 30020, 110, L}, "18", Cell::Text, 31},
      {{7, 30074, 40, C}, "0", Cell::ItemType, 0},
      {{8, 30072, 40, R}, "7", Cell::Integer, 0},
      {{75, 30091, 60, R}, "61", Cell::Fixed3, 0},
      {{9, 30004, 60, R}, "2", Cell::Fixed3, 0},
      {{65, 30064, 80, L}, "60", Cell::Text, 15},
      {{10, 30005, 60, R}, "3", Cell::Fixed2, 0},
      {{14, 30071, 40, L}, "9", Cell::PayWay, 0},
      {{16, 30262, 40, L}, "5", Cell::Paid, 0},
      {{27, 30040, 60, L}, "8", Cell::Text, 15},
      {{28, 30022, 200, L}, "30", Cell::Text, 255},
      {{17, 30006, 60, L}, "12", Cell::Text, 30},
      {{19, 30007, 60, L}, "14", Cell::Text, 63},
      {{20, 30009, 150, L}, "27", Cell::Text, 255},
      {{21, 30011, 200, L}, "28", Cell::Text, 255},
      {{22, 30010, 60, L}, "29", Cell::Text, 15},
      {{23, 30008, 100, L}, "23", Cell::Text, 63},
      {{24, 30012, 80, L}, "44", Cell::Text, 127},
      {{25, 30014, 80, L}, "45", Cell::Text, 63},
      {{26, 30013, 100, L}, "46", Cell::Text, 127},
      {{29, 30026, 200, L}, "15", Cell::Text, 255},
      {{30, 30027, 40, R}, "31", Cell::Integer, 0},
      {{31, 30028, 60, R}, "32", Cell::Hundredths, 0},
      {{36, 30030, 100, L}, "35", Cell::Text, 63},
      {{33, 30093, 60, R}, "24", Cell::Fixed2, 0},
      {{34, 30094, 60, R}, "25", Cell::Fixed2, 0},
      {{35, 30029, 60, L}, "34", Cell::Text, 15},
  };
  return kDefs;
}

std::u16string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return QString::fromLatin1(text).toStdU16String();
}

QDateTime ParseDate(const std::u16string& text) {
  QString t = QString::fromStdU16String(text).left(19);
  QDateTime d = QDateTime::fromString(t, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
  if (!d.isValid()) d = QDateTime::fromString(t.left(10), QStringLiteral("yyyy-MM-dd"));
  return d;
}

}  // namespace

const std::vector<RecordCheckColumn>& RecordCheckColumns() {
  static const std::vector<RecordCheckColumn> kColumns = [] {
    std::vector<RecordCheckColumn> c;
    for (const ColumnDef& d : Defs()) c.push_back(d.column);
    return c;
  }();
  return kColumns;
}

int RecordCheckColumnCount() { return static_cast<int>(Defs().size()) + 1; }

const char* const kRecordCheckSelectList =
    "a.nitemtype,a.cdes,a.fweight,a.famount,a.ddate,a.ifid,a.cnum,a.iitem,a.cmark,a.npayway,"
    "a.irid,a.cemskind,a.csender,a.cdepart,a.creceiver,a.cgoods,a.nstate,a.csign,a.dadate,"
    "a.cserviceno,a.crno,a.ccno,a.caddrfrom,a.cphone,a.fgoods,a.fgoodsc,a.cpaydir,a.cunitname,"
    "a.caddr,a.cpostcode,a.cmemo,a.iquantity,a.iprice,a.cmoney,a.cpacking,a.ctransnote,"
    "a.ireserve,a.creserve,a.dsysdate,a.cby1,a.cby2,a.cby3,a.cby4,a.cby5,a.ccountry,a.cprovince,"
    "a.ccity,a.iivalue,a.idvalue,a.cgoodsa,a.cgcodea,a.cgcodeb,a.cgcodec,a.fgcustom,a.fgcrate,"
    "a.csidcard,a.cridcard,a.icid,b.caccount,b.cunitname,a.clwh,a.fweightb";

const std::vector<uint32_t>& RecordCheckColumnTypes() {
  static const std::vector<uint32_t> kTypes = [] {
    const uint32_t ut = AcsTypeEntry(kSqlCUTinyInt), sl = AcsTypeEntry(kSqlCSLong),
                   db = AcsTypeEntry(kSqlCDouble), ts = AcsTypeEntry(kSqlCTimestamp);
    auto ch = [](unsigned w) { return AcsTypeEntry(kSqlCChar, w); };
    return std::vector<uint32_t>{
        ut,      ch(64),  db,      db,      ts,      sl,      ch(32),  sl,      ch(16),
        ut,      sl,      ch(16),  ch(32),  ch(32),  ch(64),  ch(256), ut,      ch(32),
        ts,      ch(32),  ch(32),  ch(32),  ch(64),  ch(64),  db,      db,      ch(4),
        ch(256), ch(256), ch(16),  ch(256), sl,      sl,      ch(4),   ch(16),  ch(64),
        sl,      ch(32),  ts,      ch(64),  ch(64),  ch(64),  ch(64),  ch(256), ch(128),
        ch(64),  ch(128), sl,      sl,      ch(256), ch(64),  ch(64),  ch(64),  db,
        db,      ch(32),  ch(32),  sl,      ch(32),  ch(64),  ch(16),  db,      sl};
  }();
  return kTypes;
}

RecordFilterTexts RecordCheckFilterTexts(bool pictureSize) {
  RecordFilterTexts t;
  t.select = QString::fromLatin1(kRecordCheckSelectList).toStdU16String();
  t.dateHead =
      pictureSize
          ? u"SELECT TOP %d %s,ISNULL(c.ilen,0) AS ilen FROM brantle.dbo.client_rec a WITH "
            u"(NOLOCK) INNER JOIN brantle.dbo.client_arc b ON(a.icid=b.icid) LEFT OUTER JOIN "
            u"brantle.dbo.client_rec_pic c ON(a.irid=c.irid) WHERE a.%s BETWEEN '%s' AND '%s'"
          : u"SELECT TOP %d %s,0 AS ilen FROM brantle.dbo.client_rec a WITH (NOLOCK) INNER "
            u"JOIN brantle.dbo.client_arc b ON(a.icid=b.icid) WHERE a.%s BETWEEN '%s' AND '%s'";
  t.rowLimit = 5000;
  t.dateOrder = u"";
  t.bagHead = std::u16string(recordfilter::kBagHead);
  t.awbHead = std::u16string(recordfilter::kAwbHead);
  return t;
}

std::string RecordCheckStatement(std::u16string_view filterSql) {
  return GbkFromWide(filterSql) + " ORDER BY a.irid";
}

std::string RecordCheckNextChunk(std::string_view statement, uint32_t lastId) {
  std::string sql(statement);
  const size_t at = sql.find(" WHERE ");
  if (at == std::string::npos) return sql;
  char where[64];
  std::snprintf(where, sizeof where, " WHERE a.irid>%u AND ", lastId);
  sql.replace(at, 7, where);
  return sql;
}

std::string RecordCheckReloadStatement(uint32_t recordId) {
  char tail[64];
  std::snprintf(tail, sizeof tail, "%u", recordId);
  return std::string("SELECT ") + kRecordCheckSelectList +
         ",0 AS ilen FROM brantle.dbo.client_rec a INNER JOIN brantle.dbo.client_arc b "
         "ON(a.icid=b.icid) WHERE a.irid=" + tail;
}

GridColor RecordCheckStateColor(int state) {
  if (state == 1) return GridRgb(0, 0, 0);
  if (state == 2) return GridRgb(0, 128, 128);
  if (state == 3) return GridRgb(0, 128, 0);
  if (state >= 4 && state <= 10) return GridRgb(255, 0, 0);
  return GridRgb(30, 30, 30);
}

int RecordCheckDays(const QDateTime& businessDate, const QDateTime& arrivalDate,
                    const QDateTime& now) {
  const QDateTime end =
      arrivalDate.isValid() && arrivalDate.date().year() >= 2001 ? arrivalDate : now;
  if (!businessDate.isValid()) return 0;
  return static_cast<int>(businessDate.secsTo(end) / 86400);
}

bool ReadRecordCheckRows(std::string_view reply, const QDateTime& now,
                         std::vector<RecordCheckRow>& rows, uint32_t& highestId) {
  if (JsonGetInt("iTotal", reply, 0) <= 0 || JsonFindKey("List", reply) == kJsonNone)
    return false;
  const std::string_view list = JsonListBody(reply, "List");
  const CLanguageTable& language = AppLanguage();
  JsonRowIndex row;
  std::string_view object;
  size_t pos = 0;
  bool any = false;
  while (JsonNextObject(list, pos, object)) {
    row.Reset(object);
    RecordCheckRow out;
    out.id = row.GetInt("10", 0);
    if (out.id > 0 && static_cast<uint32_t>(out.id) > highestId)
      highestId = static_cast<uint32_t>(out.id);
    const int state = row.GetInt("16", 0);
    out.textColor = RecordCheckStateColor(state);
    out.cells.reserve(Defs().size() + 1);
    for (const ColumnDef& d : Defs()) {
      switch (d.cell) {
        case Cell::RowNumber: out.cells.emplace_back(); break;
        case Cell::Text: out.cells.push_back(row.GetWString(d.key, static_cast<size_t>(d.size))); break;
        case Cell::Date10: out.cells.push_back(row.GetWString(d.key, 10)); break;
        case Cell::State: out.cells.push_back(language.WaybillStateText(state)); break;
        case Cell::ItemType: out.cells.push_back(language.ItemTypeText(row.GetInt(d.key, 0))); break;
        case Cell::PayWay: out.cells.push_back(language.PayWayText(row.GetInt(d.key, 0))); break;
        case Cell::Integer:
          out.cells.push_back(QString::number(row.GetInt(d.key, 0)).toStdU16String());
          break;
        case Cell::Fixed2: out.cells.push_back(Format("%.2f", row.GetDouble(d.key, 0))); break;
        case Cell::Fixed3: out.cells.push_back(Format("%.3f", row.GetDouble(d.key, 0))); break;
        case Cell::Hundredths:
          out.cells.push_back(Format("%.2f", row.GetInt(d.key, 0) / 100.0));
          break;
        case Cell::Paid: out.cells.push_back(row.GetInt(d.key, 0) > 0 ? u"√" : u""); break;
      }
    }
    const int days = RecordCheckDays(ParseDate(row.GetWString("4", 31)),
                                     ParseDate(row.GetWString("18", 31)), now);
    out.cells.push_back(QString::number(days).toStdU16String());
    rows.push_back(std::move(out));
    any = true;
  }
  return any;
}

RecordCheckQuery MakeServerRecordCheckQuery(CServerLink& link) {
  return [&link](const std::string& sql, std::string& reply) {
    auto guard = link.LockReply();
    const auto& types = RecordCheckColumnTypes();
    const int sent = link.SqlQuery(sql, types);
    if (sent < 10) return sent < 0 ? sent : 0;
    reply = guard.Text();
    return sent;
  };
}

RecordCheckLoad RunRecordCheckLoad(const RecordCheckQuery& query, const std::string& statement,
                                   const std::function<void(std::vector<RecordCheckRow>)>& deliver,
                                   const std::function<bool()>& stop) {
  RecordCheckLoad load;
  std::string sql = statement;
  uint32_t last = 0;
  bool first = true;
  std::string reply;
  while (!(stop && stop())) {
    ++load.chunks;
    reply.clear();
    const int sent = query(sql, reply);
    if (sent <= 0) {
      load.empty = first;
      load.failure = RequestFailureText(sent, reply);
      break;
    }
    std::vector<RecordCheckRow> rows;
    uint32_t highest = last;
    if (!ReadRecordCheckRows(reply, QDateTime::currentDateTime(), rows, highest)) {
      load.empty = first;
      load.failure = RequestFailureText(sent, reply);  // the server's own error
      break;
    }
    first = false;
    load.rows += static_cast<int>(rows.size());
    deliver(std::move(rows));
    if (JsonGetBool("bEnd", reply, 1) != 0) break;
    // A chunk that brings no higher record id would ask for itself again.
    if (highest <= last) break;
    last = highest;
    sql = RecordCheckNextChunk(statement, last);
  }
  return load;
}
