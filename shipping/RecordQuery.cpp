#include "shipping/RecordQuery.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>

#include "common/Json.h"
#include "common/TextCodec.h"
#include "server/ServerLink.h"
#include "ui/RequestFailure.h"

namespace recordquery {

const std::u16string_view kSelect =
    u"a.irid,a.icid,a.isid,a.fweights,a.cdes,a.cemskind,a.ddate,a.cserviceno,a.cnum,a.nstate,"
    u"a.iitem,a.cawb,a.cgoods,a.crno,a.ccno,d.cxno,d.cmark,d.ctype,d.ctransnote,d.corder,d.cby1,"
    u"d.cby2,d.cby3,d.cby4,d.cby5,d.chno,d.cinput,d.dsysdate,d.cpack,d.dpack,d.caddawb,d.daddawb,"
    u"b.cunitname,b.caccount FROM brantle.dbo.client_rec AS a INNER JOIN brantle.dbo.client_arc "
    u"AS b ON(a.icid=b.icid) LEFT OUTER JOIN brantle.dbo.client_rec_xbag_item AS e "
    u"ON(a.irid=e.irid) LEFT OUTER JOIN brantle.dbo.client_rec_xbag AS d ON(e.ixid=d.ixid)";

namespace {

uint32_t Char(unsigned width) { return AcsTypeEntry(kSqlCChar, width); }

const std::array<uint32_t, 34>& Types() {
  static const std::array<uint32_t, 34> types = {
      AcsTypeEntry(kSqlCSLong),  AcsTypeEntry(kSqlCSLong), AcsTypeEntry(kSqlCSLong),
      AcsTypeEntry(kSqlCDouble), Char(64),                 Char(16),
      AcsTypeEntry(kSqlCTimestamp), Char(32),              Char(32),
      AcsTypeEntry(kSqlCUTinyInt), AcsTypeEntry(kSqlCSLong), Char(32),
      Char(256),                 Char(32),                 Char(32),
      Char(32),                  Char(16),                 Char(16),
      Char(64),                  Char(16),                 Char(64),
      Char(64),                  Char(64),                 Char(64),
      Char(256),                 Char(32),                 Char(32),
      AcsTypeEntry(kSqlCTimestamp), Char(32),              AcsTypeEntry(kSqlCTimestamp),
      Char(32),                  AcsTypeEntry(kSqlCTimestamp), Char(64),
      Char(32)};
  return types;
}

// Where each grid column 1..29 takes its value: reply column, how many
// characters at most, and the kind of value.
enum Kind { kText, kDate10, kDate16, kDateIfSet, kInt, kWeight };
struct Source {
  int column;
  size_t limit;
  Kind kind;
};
constexpr Source kSources[kGridColumns] = {
    {-1, 0, kText},     // 0 row number
    {6, 10, kDate10},   // 1 a.ddate
    {8, 30, kText},     // 2 a.cnum
    {7, 30, kText},     // 3 a.cserviceno
    {11, 30, kText},    // 4 a.cawb
    {15, 30, kText},    // 5 d.cxno
    {19, 30, kText},    // 6 d.corder
    {14, 30, kText},    // 7 a.ccno
    {13, 30, kText},    // 8 a.crno
    {4, 63, kText},     // 9 a.cdes
    {5, 15, kText},     // 10 a.cemskind
    {10, 0, kInt},      // 11 a.iitem
    {3, 0, kWeight},    // 12 a.fweights
    {25, 30, kText},    // 13 d.chno
    {16, 15, kText},    // 14 d.cmark
    {17, 15, kText},    // 15 d.ctype
    {20, 63, kText},    // 16 d.cby1
    {21, 63, kText},    // 17 d.cby2
    {22, 63, kText},    // 18 d.cby3
    {23, 63, kText},    // 19 d.cby4
    {24, 255, kText},   // 20 d.cby5
    {32, 63, kText},    // 21 b.cunitname
    {33, 30, kText},    // 22 b.caccount
    {12, 255, kText},   // 23 a.cgoods
    {26, 30, kText},    // 24 d.cinput
    {27, 16, kDate16},  // 25 d.dsysdate
    {28, 30, kText},    // 26 d.cpack
    {29, 16, kDateIfSet},  // 27 d.dpack
    {30, 30, kText},    // 28 d.caddawb
    {31, 16, kDateIfSet},  // 29 d.daddawb
};

const std::array<std::string, 34>& Keys() {
  static const std::array<std::string, 34> keys = [] {
    std::array<std::string, 34> k;
    for (size_t i = 0; i < k.size(); ++i) k[i] = std::to_string(i);
    return k;
  }();
  return keys;
}

std::u16string Ascii(const char* text) {
  std::u16string out;
  for (const char* p = text; *p; ++p) out += static_cast<char16_t>(static_cast<unsigned char>(*p));
  return out;
}

// A string value's text as JsonDecodeW reads it into at most `limit` units
// (a null text when empty).  A body of plain ASCII without escapes, which
// most cells are, is widened straight into the cell.
QString CellText(std::optional<std::string_view> body, size_t limit) {
  if (!body || body->empty() || limit == 0) return {};
  const std::string_view b = *body;
  bool plain = true;
  for (const char c : b) {
    if (static_cast<unsigned char>(c) >= 0x80 || c == '\\') {
      plain = false;
      break;
    }
  }
  if (plain) return QString::fromLatin1(b.data(), static_cast<qsizetype>(std::min(b.size(), limit)));
  const std::u16string wide = JsonDecodeW(b, limit);
  if (wide.empty()) return {};
  return QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()));
}

// "%.3f" of the value, as snprintf writes it into 64 bytes.
QString Weight(double value) {
  char number[64];
  const std::to_chars_result r = std::to_chars(number, number + sizeof number - 1, value,
                                               std::chars_format::fixed, 3);
  if (r.ec == std::errc()) return QString::fromLatin1(number, static_cast<qsizetype>(r.ptr - number));
  std::snprintf(number, sizeof number, "%.3f", value);
  return QString::fromLatin1(number);
}

// Grid columns 1..29 in the order of their reply columns: read in that
// order, each key is found where the index looked last.
const std::array<int, kGridColumns - 1>& ReadOrder() {
  static const std::array<int, kGridColumns - 1> order = [] {
    std::array<int, kGridColumns - 1> o;
    for (int g = 1; g < kGridColumns; ++g) o[static_cast<size_t>(g - 1)] = g;
    std::sort(o.begin(), o.end(), [](int a, int b) { return kSources[a].column < kSources[b].column; });
    return o;
  }();
  return order;
}

// Reads the rows of one reply: the row index is kept from row to row, and a
// text column whose value stands in the reply exactly as in the row before
// shares that row's text instead of reading it again (lists repeat their
// places, kinds, customers and dates from row to row).
class RowReader {
 public:
  void Read(std::string_view object, Row& row) {
    index_.Reset(object);
    Fill(row);
  }
  // The next row object of the list; false when there is none.
  bool Next(JsonListReader& list, Row& row) {
    if (!list.Next(index_)) return false;
    Fill(row);
    return true;
  }

 private:
  void Fill(Row& row) {
    const auto& keys = Keys();
    row.irid = index_.GetInt(keys[0], 0);
    for (const int g : ReadOrder()) {
      const Source& s = kSources[g];
      const std::string& key = keys[static_cast<size_t>(s.column)];
      QString& cell = row.cells[static_cast<size_t>(g)];
      switch (s.kind) {
        case kInt:
          cell = QString::number(index_.GetInt(key, 0));
          break;
        case kWeight:
          cell = Weight(index_.GetDouble(key, 0));
          break;
        default: {
          const std::optional<std::string_view> body = index_.GetStringBody(key);
          Last& last = last_[static_cast<size_t>(g)];
          if (body && last.body && *body == *last.body) {
            cell = last.cell;
            break;
          }
          cell = CellText(body, s.limit);
          if (s.kind == kDateIfSet && !cell.isEmpty() && cell.at(0) < u'2') cell = QString();
          last.body = body;
          last.cell = cell;
          break;
        }
      }
    }
  }

  struct Last {
    std::optional<std::string_view> body;  // in the reply, which outlives the reader
    QString cell;
  };
  JsonRowIndex index_;
  std::array<Last, kGridColumns> last_;
};

}  // namespace

RecordFilterTexts FilterTexts() {
  RecordFilterTexts t;
  t.select = std::u16string(kSelect);
  t.dateHead = std::u16string(kDateHead);
  t.rowLimit = kRowLimit;
  t.dateOrder = std::u16string(kOrder);
  t.bagHead = std::u16string(recordfilter::kQueryPageBagHead);
  t.awbHead = std::u16string(recordfilter::kQueryPageAwbHead);
  return t;
}

std::u16string WithOrder(std::u16string sql) {
  if (sql.size() < kOrder.size() || sql.compare(sql.size() - kOrder.size(), kOrder.size(), kOrder) != 0)
    sql += kOrder;
  return sql;
}

std::u16string ChunkSql(std::u16string_view sql, uint32_t afterId) {
  const size_t at = sql.find(u" WHERE ");
  if (at == std::u16string_view::npos) return std::u16string(sql);
  std::u16string out(sql.substr(0, at));
  out += u" WHERE a.irid>";
  out += Ascii(std::to_string(afterId).c_str());
  out += u" AND ";
  out += sql.substr(at + 7);
  return out;
}

std::span<const uint32_t> ColumnTypes() { return Types(); }

Row ReadRow(std::string_view object) {
  RowReader reader;
  Row row;
  reader.Read(object, row);
  return row;
}

bool ReadChunk(std::string_view reply, std::vector<Row>& rows, bool& end) {
  rows.clear();
  end = true;
  const int32_t total = JsonGetInt("iTotal", reply, 0);
  if (total <= 0 || JsonFindKey("List", reply) == kJsonNone) return false;
  end = JsonGetBool("bEnd", reply, 1) != 0;
  JsonListReader list(reply, "List");
  // The rows the reply counts, as far as its length can hold them.
  rows.reserve(std::min(static_cast<size_t>(total), reply.size() / 16));
  RowReader reader;
  for (;;) {
    Row& row = rows.emplace_back();
    if (!reader.Next(list, row)) {
      rows.pop_back();
      break;
    }
  }
  return true;
}

std::vector<Row> ChunkMerger::Take(std::vector<Row> chunk, bool end) {
  // The held rows are asked again with this chunk: they go.
  held_.clear();
  // Rows of records listed already go; the others keep their order.
  std::vector<Row> out = std::move(chunk);
  if (anyWhole_)
    std::erase_if(out, [this](const Row& row) { return static_cast<uint32_t>(row.irid) <= lastWhole_; });
  stalled_ = false;
  if (end) return out;
  if (out.empty()) {
    stalled_ = true;
    return out;
  }
  const uint32_t last = static_cast<uint32_t>(out.back().irid);
  if (static_cast<uint32_t>(out.front().irid) != last) {
    // Hold back the last record: the next chunk brings it whole.
    size_t cut = out.size();
    while (cut > 0 && static_cast<uint32_t>(out[cut - 1].irid) == last) --cut;
    held_.assign(std::make_move_iterator(out.begin() + static_cast<std::ptrdiff_t>(cut)),
                 std::make_move_iterator(out.end()));
    out.resize(cut);
    lastWhole_ = static_cast<uint32_t>(out.back().irid);
  } else {
    // One record fills the whole chunk: asking from it again would bring
    // the same rows, so it is listed as it came and the next chunk starts
    // after it.
    lastWhole_ = last;
  }
  anyWhole_ = true;
  nextAfter_ = lastWhole_;
  return out;
}

std::vector<Row> ChunkMerger::Release() { return std::move(held_); }

int LoadWith(const std::function<std::string(const std::string&)>& request,
             const std::u16string& sql, const std::function<void(std::vector<Row>&&)>& deliver,
             const std::atomic<bool>* stop) {
  std::vector<Row> rows;
  bool end = true;
  if (!ReadChunk(request(GbkFromWide(sql)), rows, end)) return -1;
  ChunkMerger merger;
  int listed = 0;
  auto hand = [&](std::vector<Row>&& some) {
    if (some.empty()) return;
    listed += static_cast<int>(some.size());
    deliver(std::move(some));
  };
  hand(merger.Take(std::move(rows), end));
  while (!end && !merger.Stalled()) {
    if (stop != nullptr && stop->load()) break;
    const std::string next = GbkFromWide(ChunkSql(sql, merger.NextAfter()));
    if (!ReadChunk(request(next), rows, end)) {
      hand(merger.Release());
      break;
    }
    hand(merger.Take(std::move(rows), end));
  }
  return listed;
}

int Load(CServerLink& link, const std::u16string& sql,
         const std::function<void(std::vector<Row>&&)>& deliver, const std::atomic<bool>* stop,
         std::u16string* failure) {
  return LoadWith(
      [&link, failure](const std::string& text) {
        std::string reply;
        const int sent = link.SqlQuery(text, ColumnTypes(), &reply);
        if (failure != nullptr && failure->empty()) *failure = RequestFailureText(sent, reply);
        if (sent <= 0) reply.clear();
        return reply;
      },
      sql, deliver, stop);
}

}  // namespace recordquery
