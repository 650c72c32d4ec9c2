#include "localserver/Service.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <nlohmann/json.hpp>
#include <unordered_map>

#include "localserver/SqlLiterals.h"
#include "localserver/SqlRewriter.h"
#include "localserver/Wire.h"

namespace localserver {

using nlohmann::json;

std::string DefaultLanguageFolder() { return BRANTLE_LANG_DIR; }

// ---- request access --------------------------------------------------------

// A request the server refuses before it does anything: a number out of
// its range, for one.
struct BadRequest : std::runtime_error {
  using std::runtime_error::runtime_error;
};

namespace {

// The protocol's whole numbers are 32 bits wide, signed ("%d") or not ("%u").
constexpr int64_t kMinWhole = INT32_MIN;
constexpr int64_t kMaxWhole = UINT32_MAX;

BadRequest OutOfRange(const char* key) { return BadRequest(std::string(key) + " is out of range"); }

}  // namespace

struct Service::Request {
  json j;
  std::string name;

  bool Has(const char* key) const { return j.contains(key) && !j[key].is_null(); }
  std::string Str(const char* key) const {
    if (!Has(key)) return "";
    const auto& v = j[key];
    if (v.is_string()) return v.get<std::string>();
    if (v.is_number_integer()) return std::to_string(v.get<int64_t>());
    if (v.is_number()) return std::to_string(v.get<double>());
    return "";
  }
  // A whole number in [lo, hi]; the fallback when the key is missing or its
  // value is no number.  A number outside the range is refused before it is
  // converted (BadRequest); a fraction inside it is cut.
  int64_t Int(const char* key, int64_t fallback = 0, int64_t lo = kMinWhole,
              int64_t hi = kMaxWhole) const {
    if (!Has(key)) return fallback;
    const auto& v = j[key];
    int64_t x;
    if (v.is_number_unsigned()) {
      uint64_t u = v.get<uint64_t>();
      if (hi < 0 || u > static_cast<uint64_t>(hi)) throw OutOfRange(key);
      x = static_cast<int64_t>(u);
    } else if (v.is_number_integer()) {
      x = v.get<int64_t>();
    } else if (v.is_number_float()) {
      double d = v.get<double>();
      if (!(d >= static_cast<double>(lo) && d <= static_cast<double>(hi) && std::fabs(d) < 9e18))
        throw OutOfRange(key);
      x = static_cast<int64_t>(d);
    } else if (v.is_string()) {
      std::string s = v.get<std::string>();
      char* end = nullptr;
      errno = 0;
      long long n = strtoll(s.c_str(), &end, 10);
      if (end == s.c_str()) return fallback;
      if (errno == ERANGE) throw OutOfRange(key);
      x = n;
    } else if (v.is_boolean()) {
      x = v.get<bool>() ? 1 : 0;
    } else {
      return fallback;
    }
    if (x < lo || x > hi) throw OutOfRange(key);
    return x;
  }
  // A finite number; infinities and NaN are refused.
  double Real(const char* key) const {
    if (!Has(key)) return 0;
    const auto& v = j[key];
    double d = 0;
    if (v.is_number()) d = v.get<double>();
    else if (v.is_string()) d = strtod(v.get<std::string>().c_str(), nullptr);
    if (!std::isfinite(d)) throw OutOfRange(key);
    return d;
  }
  // The account a session request names: only a JSON string counts.
  bool NamesAccount(const std::string& account) const {
    return j.contains("cUserAc") && j["cUserAc"].is_string() &&
           j["cUserAc"].get_ref<const std::string&>() == account;
  }
};

namespace {

std::string Fail(int code, std::string_view why = {}) {
  JsonOut o;
  o.Int("ReturnValue", code);
  if (!why.empty()) o.String("cError", why);
  return o.Finish();
}

// Control bytes inside strings are not JSON; the client may still send
// them raw.  Escape them so that the strict parser takes the text.
std::string EscapeRawControls(std::string_view body) {
  std::string out;
  out.reserve(body.size());
  bool inString = false, escaped = false;
  for (char ch : body) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (inString) {
      if (escaped) {
        escaped = false;
      } else if (c == '\\') {
        escaped = true;
      } else if (c == '"') {
        inString = false;
      } else if (c < 0x20) {
        char buf[8];
        snprintf(buf, sizeof buf, "\\u%04X", c);
        out += buf;
        continue;
      }
    } else if (c == '"') {
      inString = true;
    }
    out += ch;
  }
  return out;
}

// Depth and size of a request, checked before it is parsed: the parser
// spends memory on every level and every value.
bool CheckJsonShape(std::string_view body, std::string& why) {
  int depth = 0;
  size_t values = 0;
  bool inString = false, escaped = false;
  for (char ch : body) {
    if (inString) {
      if (escaped) escaped = false;
      else if (ch == '\\') escaped = true;
      else if (ch == '"') inString = false;
      continue;
    }
    switch (ch) {
      case '"':
        inString = true;
        break;
      case '[':
      case '{':
        if (++depth > kMaxJsonDepth) {
          why = "request nested deeper than " + std::to_string(kMaxJsonDepth) + " levels";
          return false;
        }
        [[fallthrough]];
      case ',':
        if (++values > kMaxJsonValues) {
          why = "request holds more than " + std::to_string(kMaxJsonValues) + " values";
          return false;
        }
        break;
      case ']':
      case '}':
        --depth;
        break;
      default:
        break;
    }
  }
  return true;
}

double Round2(double v) { return std::round(v * 100.0) / 100.0; }

// The rewriter's answer depends on the text and the schema alone, and the
// client sends the same statements again and again (list pages, lookups):
// answers are kept for texts seen before, a bounded number of them.
RewriteResult RewriteForSchema(const std::string& sql) {
  constexpr size_t kKeptTexts = 256;
  constexpr size_t kLongestKept = 16384;
  static std::mutex mutex;
  static std::unordered_map<std::string, RewriteResult> kept;
  if (sql.size() > kLongestKept) return RewriteTsql(sql, SchemaColumnTypes());
  {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = kept.find(sql);
    if (it != kept.end()) return it->second;
  }
  RewriteResult r = RewriteTsql(sql, SchemaColumnTypes());
  std::lock_guard<std::mutex> lock(mutex);
  if (kept.size() >= kKeptTexts) kept.clear();
  kept.emplace(sql, r);
  return r;
}

// The literals of a rewritten text taken out and its number look-ups keyed
// (SqlLiterals.h); the answer depends on the text alone and is kept for
// texts seen before, as the rewriter's is.
LiteralSplit SplitForStatement(const std::string& sql) {
  constexpr size_t kKeptTexts = 256;
  constexpr size_t kLongestKept = 16384;
  static std::mutex mutex;
  static std::unordered_map<std::string, LiteralSplit> kept;
  auto split = [](const std::string& text) {
    LiteralSplit out = SplitLiterals(text);
    if (!out.values.empty()) out.sql = KeyNumberLookups(out.sql, out.values);
    return out;
  };
  if (sql.size() > kLongestKept) return split(sql);
  {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = kept.find(sql);
    if (it != kept.end()) return it->second;
  }
  LiteralSplit out = split(sql);
  std::lock_guard<std::mutex> lock(mutex);
  if (kept.size() >= kKeptTexts) kept.clear();
  kept.emplace(sql, out);
  return out;
}

// Statements that differ only in the values of their literals (a save's
// rows, an import's look-up and update for each row) are rewritten once
// per form, not once per text.  A text's form is the text with its value
// literals taken out (SplitLiterals) and the kinds of those values.  A form
// is used only when the rewriter is seen to pass its values through
// untouched, whatever they are: for the first text of the form and for a
// probe of the same form with other values, the rewritten text splits into
// the same statement and into exactly the values taken out of the text
// itself.  A form with a value the rewriter reads (a date compared with a
// date column, for one) never passes that test and is always rewritten.
struct StatementForm {
  bool usable = false;
  std::string sql;  // the statement, ?1 .. ?N in place of the values
  StatementKind kind = StatementKind::Select;
};

std::string FormKey(const LiteralSplit& split) {
  std::string key = split.sql;
  key += '\0';
  for (const DbValue& v : split.values) key += static_cast<char>('0' + v.kind);
  return key;
}

bool SameValues(const std::vector<DbValue>& a, const std::vector<DbValue>& b) {
  if (a.size() != b.size()) return false;
  for (size_t k = 0; k < a.size(); ++k) {
    if (a[k].kind != b[k].kind) return false;
    switch (a[k].kind) {
      case DbValue::Int: if (a[k].i != b[k].i) return false; break;
      case DbValue::Real: if (!(a[k].d == b[k].d)) return false; break;
      default: if (a[k].s != b[k].s) return false;
    }
  }
  return true;
}

// The split text with other values of the same kinds written in.
std::string ProbeText(const LiteralSplit& split) {
  std::string out;
  const std::string& t = split.sql;
  for (size_t i = 0; i < t.size();) {
    const char c = t[i];
    if (c == '\'' || c == '"' || c == '`' || c == '[') {
      // Quoted text stays as it is.
      const char close = c == '[' ? ']' : c;
      size_t end = t.find(close, i + 1);
      while (end != std::string::npos && c == '\'' && end + 1 < t.size() && t[end + 1] == '\'')
        end = t.find(close, end + 2);
      if (end == std::string::npos) return {};
      out.append(t, i, end + 1 - i);
      i = end + 1;
      continue;
    }
    if (c != '?') {
      out += c;
      ++i;
      continue;
    }
    size_t j = i + 1;
    size_t n = 0;
    while (j < t.size() && t[j] >= '0' && t[j] <= '9') n = n * 10 + static_cast<size_t>(t[j++] - '0');
    if (n == 0 || n > split.values.size()) return {};
    const DbValue& v = split.values[n - 1];
    switch (v.kind) {
      case DbValue::Int: out += v.i == 7 ? "8" : "7"; break;
      case DbValue::Real: out += v.d == 7.25 ? "8.25" : "7.25"; break;
      case DbValue::Text: out += v.s == "zq" ? "'zr'" : "'zq'"; break;
      default: return {};
    }
    i = j;
  }
  return out;
}

LiteralSplit SplitAndKey(const std::string& text) {
  LiteralSplit out = SplitLiterals(text);
  if (!out.values.empty()) out.sql = KeyNumberLookups(out.sql, out.values);
  return out;
}

std::mutex formsMutex;
std::unordered_map<std::string, StatementForm>& Forms() {
  static std::unordered_map<std::string, StatementForm> forms;
  return forms;
}

// The usable form of a text's values, or none.
std::optional<StatementForm> KnownForm(const LiteralSplit& raw) {
  std::lock_guard<std::mutex> lock(formsMutex);
  auto it = Forms().find(FormKey(raw));
  if (it == Forms().end() || !it->second.usable) return std::nullopt;
  return it->second;
}

// Whether the form of `raw` is known, usable or not.
bool FormSeen(const LiteralSplit& raw) {
  std::lock_guard<std::mutex> lock(formsMutex);
  return Forms().count(FormKey(raw)) != 0;
}

// Learns the form of a text from its rewrite `rw` and that rewrite's split.
void LearnForm(const LiteralSplit& raw, const RewriteResult& rw, const LiteralSplit& split) {
  constexpr size_t kKeptForms = 256;
  StatementForm form;
  if (rw.ok && rw.parameters == 0 && !split.values.empty() && SameValues(split.values, raw.values)) {
    const std::string probe = ProbeText(raw);
    const LiteralSplit probeRaw = probe.empty() ? LiteralSplit{} : SplitLiterals(probe);
    if (!probeRaw.values.empty() && FormKey(probeRaw) == FormKey(raw)) {
      const RewriteResult probeRw = RewriteTsql(probe, SchemaColumnTypes());
      if (probeRw.ok && probeRw.parameters == 0 && probeRw.kind == rw.kind) {
        const LiteralSplit probeSplit = SplitAndKey(probeRw.sql);
        form.usable = probeSplit.sql == split.sql && SameValues(probeSplit.values, probeRaw.values);
      }
    }
  }
  if (form.usable) {
    form.sql = split.sql;
    form.kind = rw.kind;
  }
  std::lock_guard<std::mutex> lock(formsMutex);
  if (Forms().size() >= kKeptForms) Forms().clear();
  Forms()[FormKey(raw)] = std::move(form);
}

// A whole number in decimal, without a string of its own.
void AppendInt(std::string& out, int64_t n) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, n);
  out.append(buf, r.ptr);
}

// One column value as the declared type asks.
void AppendValue(std::string& out, const DbValue& v, bool typed, uint32_t acs) {
  if (!typed) {
    switch (v.kind) {
      case DbValue::Int: AppendInt(out, v.i); return;
      case DbValue::Real: JsonOut::AppendDouble(out, v.d); return;
      case DbValue::Blob: out += '"' + HexEncode(v.s) + '"'; return;
      case DbValue::Text: JsonOut::AppendString(out, v.s); return;
      default: out += "\"\""; return;
    }
  }
  int16_t type = static_cast<int16_t>(acs >> 16);
  unsigned width = acs & 0xFFFF;
  switch (type) {
    case 1: {  // SQL_C_CHAR: at most width - 1 bytes of GBK
      if (v.kind == DbValue::Null) {  // the empty text
        out += "\"\"";
        return;
      }
      std::string text = v.kind == DbValue::Blob ? HexEncode(v.s) : v.AsText();
      if (width > 0 && text.size() > width - 1) text = CutToGbkBytes(text, width - 1);
      JsonOut::AppendString(out, text);
      return;
    }
    case -16: case -15: case -28: case -7: {
      int64_t n = v.AsInt();
      if (type == -7) n = n != 0;
      AppendInt(out, n);
      return;
    }
    case -2: {  // SQL_C_BINARY
      std::string bytes = v.kind == DbValue::Text ? GbkFromUtf8Lenient(v.s)
                          : v.kind == DbValue::Blob ? v.s : std::string();
      if (width > 0 && bytes.size() > width) bytes.resize(width);
      out += '"' + HexEncode(bytes) + '"';
      return;
    }
    case 8:
      JsonOut::AppendDouble(out, v.AsReal());
      return;
    case 93: {
      if (v.kind == DbValue::Null) {  // the empty text
        out += "\"\"";
        return;
      }
      std::string text = v.AsText();
      if (text.size() > 19) text.resize(19);
      JsonOut::AppendString(out, text);
      return;
    }
    default:
      AppendValue(out, v, false, 0);
  }
}

// One column of the current row as AppendValue writes it; a text column is
// written from SQLite's own bytes, without a copy, and a number or NULL
// without the statement's value copy.
void AppendColumn(std::string& out, const Statement& st, int c, bool typed, uint32_t acs) {
  sqlite3_stmt* stmt = st.Raw();
  switch (sqlite3_column_type(stmt, c)) {
    case SQLITE_TEXT: {
      const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
      const std::string_view text(p, static_cast<size_t>(sqlite3_column_bytes(stmt, c)));
      const int16_t type = static_cast<int16_t>(acs >> 16);
      const unsigned width = acs & 0xFFFF;
      if (!typed) {
        JsonOut::AppendString(out, text);
        return;
      }
      if (type == 1) {  // SQL_C_CHAR: at most width - 1 bytes of GBK
        if (width > 0 && text.size() > width - 1)
          JsonOut::AppendString(out, CutToGbkBytes(text, width - 1));
        else
          JsonOut::AppendString(out, text);
        return;
      }
      if (type == 93) {
        JsonOut::AppendString(out, text.substr(0, 19));
        return;
      }
      break;
    }
    case SQLITE_INTEGER:
      AppendValue(out, DbValue::Of(sqlite3_column_int64(stmt, c)), typed, acs);
      return;
    case SQLITE_FLOAT:
      AppendValue(out, DbValue::OfReal(sqlite3_column_double(stmt, c)), typed, acs);
      return;
    case SQLITE_NULL:
      AppendValue(out, DbValue(), typed, acs);
      return;
    default:
      break;
  }
  AppendValue(out, st.Column(c), typed, acs);
}

// A row by column name.  The rows of one statement share its names (the
// last of equal names wins), each holds only its values.
struct RowMap {
  std::shared_ptr<const std::map<std::string, size_t, std::less<>>> names;
  std::vector<DbValue> values;
  const DbValue& Get(std::string_view col) const {
    static const DbValue none;
    if (!names) return none;
    auto it = names->find(col);
    return it == names->end() ? none : values[it->second];
  }
};

using ColumnNames = std::map<std::string, size_t, std::less<>>;

// The names of a statement's columns by text, made once: a waybill's load
// reads some 200 columns, and a map of their names made again for every
// load cost more than the row itself.  A kept map serves only a statement
// whose columns are named as when it was made.
std::shared_ptr<const ColumnNames> NamesOf(const Statement& st, const std::string& sql) {
  struct Kept {
    std::vector<std::string> order;
    std::shared_ptr<const ColumnNames> names;
  };
  constexpr size_t kKeptTexts = 128;
  thread_local std::unordered_map<std::string, Kept> kept;
  const int columns = st.Columns();
  auto it = kept.find(sql);
  if (it != kept.end() && it->second.order.size() == static_cast<size_t>(columns)) {
    bool same = true;
    for (int c = 0; c < columns && same; ++c) {
      const char* name = sqlite3_column_name(st.Raw(), c);
      same = it->second.order[static_cast<size_t>(c)] == (name ? name : "");
    }
    if (same) return it->second.names;
  }
  Kept made;
  auto names = std::make_shared<ColumnNames>();
  for (int c = 0; c < columns; ++c) {
    made.order.push_back(st.ColumnName(c));
    (*names)[made.order.back()] = static_cast<size_t>(c);
  }
  made.names = names;
  if (kept.size() >= kKeptTexts) kept.clear();
  kept[sql] = std::move(made);
  return names;
}

std::vector<RowMap> ReadRows(Database& db, const std::string& sql, const std::vector<DbValue>& args,
                             size_t limit = 0) {
  Statement st(db.Handle(), sql);
  for (size_t k = 0; k < args.size(); ++k) st.Bind(static_cast<int>(k + 1), args[k]);
  std::vector<RowMap> rows;
  std::shared_ptr<const ColumnNames> names;
  const int columns = st.Columns();
  while (st.Step()) {
    if (!names) names = NamesOf(st, sql);
    RowMap r;
    r.names = names;
    r.values.reserve(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c) r.values.push_back(st.Column(c));
    rows.push_back(std::move(r));
    if (limit && rows.size() >= limit) break;
  }
  return rows;
}

// Record keys of the waybill reply and the columns they come from.
// Kind: i int, n byte, f double, t text, d date text.
struct KeyCol {
  const char* key;
  const char* col;
  char kind;
};

const KeyCol kRecordKeys[] = {
    {"irID", "irid", 'i'}, {"icID", "icid", 'i'}, {"iBatch", "ibatch", 'i'},
    {"iCubic", "icubic", 'i'}, {"iDays", "ndays", 'i'}, {"iDValue", "idvalue", 'i'},
    {"iItem", "iitem", 'i'}, {"iIValue", "iivalue", 'i'}, {"iPrice", "iprice", 'i'},
    {"iQuantity", "iquantity", 'i'}, {"iReserve", "ireserve", 'i'}, {"iPiid", "piid", 'i'},
    {"iFid", "ifid", 'i'}, {"iPid", "ipid", 'i'}, {"iIid", "iiid", 'i'}, {"iQid", "iqid", 'i'},
    {"iFsid", "ifsid", 'i'}, {"iFcid", "ifcid", 'i'},
    {"nFrom", "nfrom", 'n'}, {"nItemType", "nitemtype", 'n'}, {"nLanguage", "nlanguage", 'n'},
    {"nPayWay", "npayway", 'n'}, {"nState", "nstate", 'n'},
    {"faAddOn", "faaddon", 'f'}, {"faBy", "faby", 'f'}, {"faCarry", "facarry", 'f'},
    {"fAccord", "faccord", 'f'}, {"faCheck", "facheck", 'f'}, {"faCustoms", "facustom", 'f'},
    {"faGet", "faget", 'f'}, {"fAmount", "famount", 'f'}, {"fAmountC", "famountc", 'f'},
    {"faOther", "faother", 'f'}, {"faPack", "fapack", 'f'}, {"faRemote", "faremote", 'f'},
    {"faSafe", "fasafe", 'f'}, {"fBase", "fabase", 'f'}, {"fBaseRate", "fabaserate", 'f'},
    {"fDiscount", "fdiscount", 'f'}, {"fGCRate", "fgcrate", 'f'}, {"fGCustom", "fgcustom", 'f'},
    {"fGoods", "fgoods", 'f'}, {"fGoodsC", "fgoodsc", 'f'}, {"fGoodsR", "fgoodsr", 'f'},
    {"fgWeight", "fgweight", 'f'}, {"fRate", "faaddrate", 'f'}, {"fsPrice", "fsprice", 'f'},
    {"fWeight", "fweight", 'f'}, {"fWeightb", "fweightb", 'f'}, {"fWeights", "fweights", 'f'},
    {"dDate", "ddate", 'd'}, {"dTDate", "dtdate", 'd'}, {"dADate", "dadate", 'd'},
    {"cZizKind", "cemskind", 't'}, {"cMName", "cmname", 't'}, {"cTaker", "ctaker", 't'},
    {"cTrans", "ctrans", 't'}, {"cBearer", "cbearer", 't'}, {"cSign", "csign", 't'},
    {"cLwh", "clwh", 't'}, {"cCheckPoint", "ccheckpoint", 't'}, {"cMark", "cmark", 't'},
    {"cRPostcode", "cpostcode", 't'}, {"cSPostcode", "cspostcode", 't'},
    {"cPack", "cpacking", 't'}, {"cGUnit", "cunit", 't'}, {"cMoney", "cmoney", 't'},
    {"cOrigin", "corigin", 't'}, {"cPayDir", "cpaydir", 't'}, {"cAddrFrom", "caddrfrom", 't'},
    {"cDes", "cdes", 't'}, {"cREMail", "cremail", 't'}, {"cRPhone", "cphone", 't'},
    {"cSCity", "cscity", 't'}, {"cSCountry", "cscountry", 't'}, {"cSEMail", "csemail", 't'},
    {"cTransNote", "ctransnote", 't'}, {"cGCodeA", "cgcodea", 't'},
    {"cGCodeB", "cgcodeb", 't'}, {"cGCodeC", "cgcodec", 't'}, {"cBy1", "cby1", 't'},
    {"cBy2", "cby2", 't'}, {"cBy3", "cby3", 't'}, {"cBy4", "cby4", 't'},
    {"cDepart", "cdepart", 't'}, {"cNum", "cnum", 't'}, {"cSender", "csender", 't'},
    {"cSPhone", "csphone", 't'}, {"cSProvince", "csprovince", 't'},
    {"cSIDCard", "csidcard", 't'}, {"cRIDCard", "cridcard", 't'}, {"cCNo", "ccno", 't'},
    {"cRNo", "crno", 't'}, {"cNo", "cserviceno", 't'}, {"cReserve", "creserve", 't'},
    {"cGoods", "cgoods", 't'}, {"cMemo", "cmemo", 't'}, {"cGoodsA", "cgoodsa", 't'},
    {"cBy5", "cby5", 't'}, {"cSAddr", "csaddr", 't'}, {"cSUnit", "csunitname", 't'},
    {"cSSms", "csmsnumber", 't'}, {"cRSms", "crsms", 't'}, {"cRAddr", "caddr", 't'},
    {"cRUnit", "cunitname", 't'}, {"cRCity", "ccity", 't'}, {"cRCountry", "ccountry", 't'},
    {"cReceiver", "creceiver", 't'}, {"cRProvince", "cprovince", 't'}};

const KeyCol kPreInputKeys[] = {
    {"iID", "iid", 'i'}, {"irID", "irid", 'i'}, {"icID", "icid", 'i'},
    {"iItem", "iitem", 'i'}, {"iQuantity", "iquantity", 'i'}, {"fWeight", "fweight", 'f'},
    {"dDate", "ddate", 'd'}, {"cNum", "cnum", 't'}, {"cNo", "cserviceno", 't'},
    {"cRNo", "crno", 't'}, {"cZizKind", "cemskind", 't'}, {"cSender", "csender", 't'},
    {"cSPhone", "csphone", 't'}, {"cDepart", "cdepart", 't'}, {"cSAddr", "csaddr", 't'},
    {"cDes", "cdes", 't'}, {"cGoods", "cgoods", 't'}, {"cMark", "cmark", 't'},
    {"cMemo", "cmemo", 't'}, {"cTaker", "ctaker", 't'}, {"cReceiver", "creceiver", 't'},
    {"cRAddr", "caddr", 't'}, {"cRPhone", "cphone", 't'}};

const KeyCol kWeightKeys[] = {
    {"ixLong", "ilong", 'i'}, {"ixWidth", "iwidth", 'i'}, {"ixHeight", "iheight", 'i'},
    {"ixWeight", "iweight", 'i'}, {"ixPrice", "iprice", 'i'}, {"ixQuantity", "iquantity", 'i'},
    {"nxPercent", "npercent", 'n'}, {"fxGCRate", "fgcrate", 'f'}, {"fxGCustom", "fgcustom", 'f'},
    {"cxNo", "cno", 't'}, {"cxNum", "cnum", 't'}, {"cxRNo", "crno", 't'},
    {"cxGoods", "cgoods", 't'}, {"cxGoodsA", "cgoodsa", 't'}, {"cxGCodeA", "cgcodea", 't'},
    {"cxGCodeB", "cgcodeb", 't'}, {"cxGCodeC", "cgcodec", 't'}};

const KeyCol kGoodsKeys[] = {
    {"ixQuantity", "iquantity", 'i'}, {"fxPrice", "fprice", 'f'}, {"fxGCRate", "fgcrate", 'f'},
    {"fxGCustom", "fgcustom", 'f'}, {"fxgWeight", "fgweight", 'f'}, {"cxGUnit", "cunit", 't'},
    {"cxGoods", "cgoods", 't'}, {"cxGoodsA", "cgoodsa", 't'}, {"cxGCodeA", "cgcodea", 't'},
    {"cxGCodeB", "cgcodeb", 't'}, {"cxGCodeC", "cgcodec", 't'}};

template <size_t N>
void PutKeys(JsonOut& o, const RowMap& row, const KeyCol (&keys)[N]) {
  for (const auto& k : keys) {
    const DbValue& v = row.Get(k.col);
    switch (k.kind) {
      case 'i': o.Int(k.key, v.AsInt()); break;
      case 'n': o.Int(k.key, v.AsInt() & 0xFF); break;
      case 'f': o.Double(k.key, v.AsReal()); break;
      case 'd': {
        std::string d = v.kind == DbValue::Null ? "" : v.AsText();
        if (d.size() > 19) d.resize(19);
        o.String(k.key, d);
        break;
      }
      default: o.String(k.key, v.AsText());
    }
  }
}

template <size_t N>
std::string ObjectList(const std::vector<RowMap>& rows, const KeyCol (&keys)[N]) {
  std::string list = "[";
  for (size_t r = 0; r < rows.size(); ++r) {
    JsonOut o;
    PutKeys(o, rows[r], keys);
    if (r) list += ',';
    list += o.Finish();
  }
  return list + "]";
}

}  // namespace

// ---- service ---------------------------------------------------------------

Service::Service(ServiceOptions options) : options_(std::move(options)) {
  if (options_.langDir.empty()) options_.langDir = DefaultLanguageFolder();
  db_ = std::make_unique<Database>(options_.dbPath);
  RegisterAllProcedures(procedures_);
  procedures_.SetPause(options_.procPause);
  LanguageSet lang = LoadLanguageFolder(options_.langDir);
  for (const auto& p : lang.problems) std::cerr << "language file: " << p << "\n";
}

void Service::ExpireAllSessions() {
  std::lock_guard<std::mutex> lock(mutex_);
  sessions_.clear();
}

void Service::Stop() { db_->StopAll(); }

int64_t Service::Now() const { return options_.clock ? options_.clock() : time(nullptr); }

std::string Service::Handle(std::string_view body) {
  if (body.size() > kMaxRequestBytes)
    return Fail(rc::kBadRequest, "request longer than " + std::to_string(kMaxRequestBytes) + " bytes");
  std::string why;
  if (!CheckJsonShape(body, why)) return Fail(rc::kBadRequest, why);
  Request req;
  try {
    // Most bodies hold no control byte at all and are parsed as they came.
    const bool plain = std::none_of(body.begin(), body.end(),
                                    [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    req.j = plain ? json::parse(body.begin(), body.end()) : json::parse(EscapeRawControls(body));
  } catch (const std::exception& e) {
    return Fail(rc::kBadRequest, std::string("request is not JSON: ") + e.what());
  }
  if (!req.j.is_object() || !req.j.contains("RequestName") || !req.j["RequestName"].is_string())
    return Fail(rc::kBadRequest, "RequestName missing");
  req.name = req.j["RequestName"].get<std::string>();
  std::lock_guard<std::mutex> lock(mutex_);
  if (db_->Stopped()) return Fail(rc::kInternal, "the server is stopping");
  // The request's statements share one deadline, so that no request holds
  // the lock longer than that.
  if (options_.requestMillis > 0)
    db_->SetDeadline(std::chrono::steady_clock::now() +
                     std::chrono::milliseconds(options_.requestMillis));
  std::string reply;
  try {
    reply = Dispatch(req);
  } catch (const BadRequest& e) {
    reply = Fail(rc::kBadRequest, e.what());
  } catch (const ProcArgError& e) {
    reply = Fail(rc::kBadArguments, e.what());
  } catch (const DbError& e) {
    if (db_->Stopped())
      reply = Fail(rc::kSqlFailed, "stopped: the server is going down");
    else if (db_->DeadlinePassed())
      reply = Fail(rc::kSqlFailed, "stopped after " + std::to_string(options_.requestMillis) +
                                       " ms: the request takes too long");
    else
      reply = Fail(rc::kSqlFailed, e.what());
  } catch (const std::exception& e) {
    reply = Fail(rc::kInternal, e.what());
  }
  db_->ClearDeadline();
  // No transaction outlives the request that opened it.
  if (!db_->RollbackAll()) std::cerr << "brantle-server: a transaction could not be rolled back\n";
  if (reply.size() > kMaxReplyBytes)
    reply = Fail(rc::kSqlFailed, "reply longer than " + std::to_string(kMaxReplyBytes) + " bytes");
  return reply;
}

std::string Service::Dispatch(const Request& req) {
  const std::string& n = req.name;
  if (n == "sUserLogin") return Login(req);
  if (n == "sSysFile") return SysFile(req);
  if (n == "sUserLoginOut") return Logout(req);
  static const char* kKnown[] = {"sSqlQuery", "sSqlExe", "sFetchNo", "sQueryPrice",
                                 "sPriceSp", "sRecData", "sRecPreInputData", "sModelData",
                                 "sFileData", "sPicData", "sDataPut", "sDataGet",
                                 "sClientList", "sDesList"};
  bool known = false;
  for (const char* k : kKnown) known = known || n == k;
  if (!known) return Fail(rc::kBadRequest, "unknown RequestName " + n);
  Session* s = FindSession(req);
  if (!s) return Fail(rc::kSessionInvalid, "session unknown or expired");
  if (n == "sSqlQuery") return Sql(req, true);
  if (n == "sSqlExe") return Sql(req, false);
  if (n == "sFetchNo") return FetchNo(req, *s);
  if (n == "sQueryPrice") return QueryPrice(req, *s);
  if (n == "sPriceSp") return PriceSp(req, *s);
  if (n == "sRecData") return RecData(req, *s);
  if (n == "sRecPreInputData") return RecPreInputData(req, *s);
  if (n == "sModelData") return ModelData(req, *s);
  if (n == "sFileData") return FileData(req, *s);
  if (n == "sClientList") return ClientList(req, *s);
  if (n == "sDesList") return DesList(req, *s);
  return DataRequest(req, *s, n);
}

Session* Service::FindSession(const Request& req) {
  auto it = sessions_.find(static_cast<int32_t>(req.Int("iRand", 0, INT32_MIN, INT32_MAX)));
  if (it == sessions_.end()) return nullptr;
  int64_t now = Now();
  if (now - it->second.lastSeen > options_.sessionSeconds) {
    sessions_.erase(it);
    return nullptr;
  }
  // The number alone is not enough: the session's account must come with it.
  if (!req.NamesAccount(it->second.account)) return nullptr;
  it->second.lastSeen = now;
  return &it->second;
}

// ---- login -----------------------------------------------------------------

std::string Service::Login(const Request& req) {
  for (const char* key : {"TimeStamp", "cUserAc", "cUserPwd"})
    if (!req.Has(key)) return Fail(rc::kBadRequest, std::string(key) + " missing");
  std::string account = req.Str("cUserAc");
  auto rows = ReadRows(*db_, "SELECT * FROM man_main WHERE mcaccount=?", {DbValue::OfText(account)});
  if (rows.empty()) return Fail(rc::kUnknownAccount, "unknown account");
  const RowMap& u = rows[0];
  if (u.Get("mnstate").AsInt() != 0) return Fail(rc::kAccountDisabled, "account disabled");
  if (req.Int("iMisVer") < kProgramVersion) return Fail(rc::kOldProgram, "program too old");
  int64_t stamp = req.Int("TimeStamp");
  int64_t now = Now();
  if (options_.clockSkewSeconds > 0 &&
      std::llabs(stamp - ServerTimeStamp(now)) > options_.clockSkewSeconds)
    return Fail(rc::kClockSkew, "TimeStamp differs from the server's");
  std::string pwGbk;
  GbkFromUtf8(u.Get("mcpassword").AsText(), pwGbk);
  std::string text = std::to_string(static_cast<uint32_t>(stamp)) + "-#7+3#-" + pwGbk;
  text.append(kLoginDigestTail, 4);
  std::string sent = req.Str("cUserPwd");
  for (auto& c : sent) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  if (sent != Md5Hex(text)) return Fail(rc::kWrongPassword, "wrong password");

  Session s;
  // Login numbers come from the system's random source, as the keys do.
  do {
    std::string bytes = RandomBytes(4);
    uint32_t n = 0;
    memcpy(&n, bytes.data(), sizeof n);
    s.loginNumber = static_cast<int32_t>(n & 0x7FFFFFFFu);
  } while (s.loginNumber == 0 || sessions_.count(s.loginNumber));
  s.key = RandomBytes(16);
  s.account = account;
  s.userName = u.Get("mcname").AsText();
  s.station = u.Get("mcstation").AsText();
  s.clientKind = u.Get("mcclientkind").AsText();
  s.grade = static_cast<int>(u.Get("migrade").AsInt());
  s.lastSeen = now;
  {
    Statement st(db_->Handle(),
                 "INSERT INTO sys_login(caccount,irand,cwcid,cpcmark,cmac,iosver,imisver,dlogin) "
                 "VALUES(?,?,?,?,?,?,?,?)");
    st.Bind(1, account).Bind(2, s.loginNumber).Bind(3, req.Str("w")).Bind(4, req.Str("cpcMark"));
    st.Bind(5, req.Str("cMAC")).Bind(6, req.Int("wOSVer")).Bind(7, req.Int("iMisVer"));
    st.Bind(8, LocalDateTimeText(now));
    st.Step();
  }
  s.logId = db_->LastInsertId();
  auto rights = [&](const char* col) {
    std::string b = u.Get(col).kind == DbValue::Blob ? u.Get(col).s : std::string();
    b.resize(16, '\0');
    return HexEncode(b);
  };
  JsonOut o;
  o.Int("ReturnValue", s.loginNumber)
      .Int("iTimeZone", ZoneHoursEast())
      .Int("iGrade", s.grade)
      .String("cClientKind", s.clientKind)
      .String("cStationt", u.Get("mcstationt").AsText())
      .String("cUserName", s.userName)
      .String("cUserPid", u.Get("mcpid").AsText())
      .String("cUserDepot", u.Get("mcdepot").AsText())
      .String("cStation", s.station)
      .Int("iLogID", s.logId)
      .Plain("xRight", rights("mvright"))
      .Plain("xRighte", rights("mvrighte"))
      .Plain("xRighti", rights("mvrighti"))
      .Plain("xEncrypt", HexEncode(s.key));
  sessions_[s.loginNumber] = s;
  return o.Finish();
}

std::string Service::Logout(const Request& req) {
  auto it = sessions_.find(static_cast<int32_t>(req.Int("iRand", 0, INT32_MIN, INT32_MAX)));
  if (it == sessions_.end() || it->second.logId != req.Int("iLogID") ||
      !req.NamesAccount(it->second.account))
    return Fail(rc::kSessionInvalid, "session unknown");
  Statement st(db_->Handle(), "UPDATE sys_login SET dlogout=? WHERE ilogid=?");
  st.Bind(1, LocalDateTimeText(Now())).Bind(2, it->second.logId);
  st.Step();
  sessions_.erase(it);
  return JsonOut().Int("ReturnValue", rc::kOk).Finish();
}

// ---- files -----------------------------------------------------------------

std::string Service::SysFile(const Request& req) {
  std::string name = req.Str("cqFileName");
  std::string clientDate = req.Str("dDate");
  std::string bytes, stamp;
  if (name.rfind("TolvaneLan_", 0) == 0 && name.size() == 17 &&
      name.compare(13, 4, ".txt") == 0) {
    LanguageSet lang = LoadLanguageFolder(options_.langDir);
    if (lang.entries.empty()) return Fail(rc::kNotFound, "no language texts");
    bytes = BuildLanguageFile(lang.entries);
    stamp = LocalDateTimeText(lang.newest);
  } else {
    auto rows = ReadRows(*db_, "SELECT vdata,ddate FROM sys_file WHERE cfilename=? AND ngrade=?",
                         {DbValue::OfText(name), DbValue::Of(req.Int("nqGrade"))});
    if (rows.empty()) return Fail(rc::kNotFound, "no such file");
    bytes = rows[0].Get("vdata").s;
    stamp = rows[0].Get("ddate").AsText();
  }
  // A ReturnValue of 256 or below tells the client "no newer file".
  if (!clientDate.empty() && clientDate >= stamp) return JsonOut().Int("ReturnValue", 0).Finish();
  if (bytes.size() <= 256) return Fail(0, "file too short to be sent");
  return JsonOut()
      .Int("ReturnValue", static_cast<int64_t>(bytes.size()))
      .Plain("vData", Base64Encode(bytes))
      .Finish();
}

std::string Service::FileData(const Request& req, const Session&) {
  std::vector<RowMap> rows;
  int64_t id = req.Int("iqID");
  if (id > 0) {
    rows = ReadRows(*db_, "SELECT vdata,ddate FROM sys_file WHERE iid=?", {DbValue::Of(id)});
  } else {
    rows = ReadRows(*db_,
                    "SELECT vdata,ddate FROM sys_file WHERE (cfilename=? OR (?='' AND ?<>'' AND ctitle=?)) "
                    "AND ckind=? AND (ckey='' OR ckey=?) AND (ctitle='' OR ?='' OR ctitle=?) "
                    "ORDER BY iid",
                    // A request that names only the title (the zone files) finds
                    // the file by its title.
                    {DbValue::OfText(req.Str("cqFileName")), DbValue::OfText(req.Str("cqFileName")),
                     DbValue::OfText(req.Str("cqTitle")), DbValue::OfText(req.Str("cqTitle")),
                     DbValue::OfText(req.Str("cqKind")),
                     DbValue::OfText(req.Str("cqKey")), DbValue::OfText(req.Str("cqTitle")),
                     DbValue::OfText(req.Str("cqTitle"))});
  }
  if (rows.empty()) return Fail(rc::kNotFound, "no such file");
  std::string clientDate = req.Str("dDate");
  if (!clientDate.empty() && clientDate >= rows[0].Get("ddate").AsText())
    return JsonOut().Int("ReturnValue", 0).Finish();
  const std::string& bytes = rows[0].Get("vdata").s;
  return JsonOut()
      .Int("ReturnValue", static_cast<int64_t>(bytes.size()))
      .Plain("vData", Base64Encode(bytes))
      .Finish();
}

std::string Service::ModelData(const Request& req, const Session&) {
  std::vector<RowMap> rows;
  int64_t id = req.Int("iqID");
  if (id > 0)
    rows = ReadRows(*db_, "SELECT ctext,vdata FROM sys_model WHERE iid=? AND ckind=?",
                    {DbValue::Of(id), DbValue::OfText(req.Str("cqKind"))});
  else
    rows = ReadRows(*db_, "SELECT ctext,vdata FROM sys_model WHERE cname=? AND ckind=?",
                    {DbValue::OfText(req.Str("cqName")), DbValue::OfText(req.Str("cqKind"))});
  if (rows.empty()) return Fail(rc::kNotFound, "no such template");
  std::string text = GbkFromUtf8Lenient(rows[0].Get("ctext").AsText());
  std::string data = rows[0].Get("vdata").kind == DbValue::Blob ? rows[0].Get("vdata").s : "";
  return JsonOut()
      .Int("ReturnValue", rc::kOk)
      .Int("iTLen", static_cast<int64_t>(text.size()))
      .Plain("cText", Base64Encode(text))
      .Int("iDLen", static_cast<int64_t>(data.size()))
      .Plain("vData", Base64Encode(data))
      .Finish();
}

// ---- SQL -------------------------------------------------------------------

bool Service::OpenSql(const Request& req, const Session& s, std::string& raw, std::string& reply) {
  if (!req.Has("xSql")) {
    reply = Fail(rc::kBadRequest, "xSql missing");
    return false;
  }
  if (!Base64Decode(req.Str("xSql"), raw)) {
    reply = Fail(rc::kBadRequest, "xSql is not Base64");
    return false;
  }
  for (size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<char>(raw[i] ^ s.key[i % 16]);
  if (!req.Has("nCRC") || static_cast<uint32_t>(req.Int("nCRC")) != Crc32(raw)) {
    reply = Fail(rc::kBadCrc, "nCRC does not match the SQL text");
    return false;
  }
  return true;
}

std::string Service::Sql(const Request& req, bool readOnly) {
  Session& s = *FindSession(req);
  std::string raw, reply;
  if (!OpenSql(req, s, raw, reply)) return reply;
  std::vector<uint32_t> types;
  if (req.Has("acsType") && req.j["acsType"].is_array())
    for (const auto& t : req.j["acsType"]) {
      if (!t.is_number()) continue;
      bool inRange = t.is_number_unsigned() ? t.get<uint64_t>() <= UINT32_MAX
                     : t.is_number_integer()
                         ? t.get<int64_t>() >= INT32_MIN && t.get<int64_t>() <= UINT32_MAX
                         : false;
      if (!inRange) throw BadRequest("acsType holds a number that is no column type");
      types.push_back(t.is_number_unsigned() ? static_cast<uint32_t>(t.get<uint64_t>())
                                             : static_cast<uint32_t>(t.get<int64_t>()));
    }

  if (LooksLikeProcCall(raw)) {
    if (readOnly) return Fail(rc::kReadOnly, "procedure calls go through sSqlExe");
    ProcCall call;
    std::string why;
    if (!ParseProcCall(raw, call, why)) return Fail(rc::kUnsupportedSql, why);
    if (!procedures_.Has(call.name)) return Fail(rc::kUnknownProcedure, "unknown procedure " + call.name);
    ProcContext ctx{*db_, s};
    ProcResult r;
    {
      // A procedure that fails leaves nothing behind.
      Savepoint proc(*db_, "proc");
      r = procedures_.Call(ctx, call);
      proc.Release();
    }
    procedures_.PauseAfterCommit(call.name);
    JsonOut o;
    if (!call.wantsReturn && call.outputs == 0)
      return o.Int("ReturnValue", rc::kOk).Int("iTotal", 0).Bool("bEnd", true).Finish();
    std::string row = "{";
    size_t col = 0;
    auto add = [&](const DbValue& v) {
      if (col) row += ',';
      row += '"' + std::to_string(col) + "\":";
      AppendValue(row, v, col < types.size(), col < types.size() ? types[col] : 0);
      ++col;
    };
    if (call.wantsReturn) add(DbValue::Of(r.returnValue));
    for (const auto& v : r.outputs) add(v);
    row += "}";
    return o.Int("ReturnValue", static_cast<int64_t>(col))
        .Int("iTotal", 1)
        .Bool("bEnd", true)
        .Raw("List", "[" + row + "]")
        .Finish();
  }

  std::string utf8;
  if (!Utf8FromGbk(raw, utf8)) return Fail(rc::kUnsupportedSql, "SQL text is not GBK");
  std::optional<Statement> prepared;
  Database::ClientSqlScope policy(*db_);
  // A text of a form seen before runs as that form's statement with its
  // own values (StatementForm above), without being rewritten.
  const LiteralSplit values = SplitLiterals(utf8);
  if (!values.values.empty()) {
    if (const std::optional<StatementForm> form = KnownForm(values)) {
      if (readOnly && form->kind != StatementKind::Select)
        return Fail(rc::kReadOnly, "sSqlQuery runs SELECT only");
      try {
        prepared.emplace(*db_, form->sql, Statement::KeepPrepared{});
        for (size_t k = 0; k < values.values.size(); ++k)
          prepared->Bind(static_cast<int>(k + 1), values.values[k]);
      } catch (const DbError&) {
        prepared.reset();
      }
    }
  }
  if (!prepared) {
    RewriteResult rw = RewriteForSchema(utf8);
    if (!rw.ok) return Fail(rc::kUnsupportedSql, rw.error);
    if (rw.parameters) return Fail(rc::kUnsupportedSql, "'?' outside sDataPut");
    if (readOnly && rw.kind != StatementKind::Select)
      return Fail(rc::kReadOnly, "sSqlQuery runs SELECT only");
    // The values taken out as parameters, so that the statement prepared for
    // one waybill's values serves the next one's, and a look-up by number
    // through the number's key index; a text that does not prepare so (or a
    // value that does not bind) runs as it came, with its own errors.
    const LiteralSplit split = SplitForStatement(rw.sql);
    if (!values.values.empty() && !FormSeen(values)) LearnForm(values, rw, split);
    if (!split.values.empty()) {
      try {
        prepared.emplace(*db_, split.sql, Statement::KeepPrepared{});
        for (size_t k = 0; k < split.values.size(); ++k)
          prepared->Bind(static_cast<int>(k + 1), split.values[k]);
      } catch (const DbError&) {
        prepared.reset();
      }
    }
    if (!prepared) prepared.emplace(*db_, rw.sql, Statement::KeepPrepared{});
  }
  Statement& st = *prepared;
  if (readOnly && !st.ReadOnly()) return Fail(rc::kReadOnly, "sSqlQuery runs SELECT only");
  if (st.Columns() == 0) {
    st.Step();
    return JsonOut().Int("ReturnValue", rc::kOk).Int("iTotal", 0).Bool("bEnd", true).Finish();
  }

  // Rows, cut between record ids when the page is full.
  int iridCol = -1;
  for (int c = 0; c < st.Columns(); ++c)
    if (st.ColumnName(c) == "irid") { iridCol = c; break; }
  // Each row is written straight into the list; its keys "0", "1" ... are
  // made once.
  const int columns = st.Columns();
  std::vector<std::string> keys(static_cast<size_t>(columns));
  for (int c = 0; c < columns; ++c) keys[static_cast<size_t>(c)] = (c ? ",\"" : "{\"") + std::to_string(c) + "\":";
  std::string list = "[";
  // A page cut short is mostly followed by the next page of the same
  // query: its room is taken at once instead of growing by copies.
  static std::atomic<size_t> fullPageBytes{0};
  list.reserve(std::max<size_t>(8192, fullPageBytes.load(std::memory_order_relaxed)));
  size_t count = 0;
  bool end = true;
  bool haveLast = false;
  int64_t lastIrid = 0;
  const size_t hardLimit = 3500000;
  while (st.Step()) {
    // The list as it was before this row (the comma before a row counts
    // with the row).
    const size_t before = list.size();
    bool full = (options_.pageRows && count >= options_.pageRows) || before >= options_.pageBytes;
    int64_t irid = iridCol >= 0 ? st.Column(iridCol).AsInt() : 0;
    if (full) {
      if (iridCol < 0 || !haveLast || irid != lastIrid || before >= hardLimit) {
        end = false;
        break;
      }
    }
    if (count) list += ',';
    const size_t rowStart = list.size();
    for (int c = 0; c < columns; ++c) {
      const size_t uc = static_cast<size_t>(c);
      list += keys[uc];
      AppendColumn(list, st, c, uc < types.size(), uc < types.size() ? types[uc] : 0);
      if (before + (list.size() - rowStart) > kMaxReplyBytes)
        return Fail(rc::kSqlFailed, "reply longer than " + std::to_string(kMaxReplyBytes) + " bytes");
    }
    list += columns ? "}" : "{}";
    ++count;
    if (iridCol >= 0) {
      lastIrid = irid;
      haveLast = true;
    }
  }
  fullPageBytes.store(end ? 0 : list.size() + list.size() / 8, std::memory_order_relaxed);
  list += "]}";
  // The head goes in front of the list in its own buffer: a reply of
  // megabytes is not copied into a new one.
  std::string head = JsonOut()
                         .Int("ReturnValue", rc::kOk)
                         .Int("iTotal", static_cast<int64_t>(count))
                         .Bool("bEnd", end)
                         .Finish();
  head.back() = ',';
  head += "\"List\":";
  list.insert(0, head);
  return list;
}

std::string Service::DataRequest(const Request& req, Session& s, const std::string& name) {
  std::string raw, reply;
  if (!OpenSql(req, s, raw, reply)) return reply;
  std::string utf8;
  if (!Utf8FromGbk(raw, utf8)) return Fail(rc::kUnsupportedSql, "SQL text is not GBK");
  RewriteResult rw = RewriteForSchema(utf8);
  if (!rw.ok) return Fail(rc::kUnsupportedSql, rw.error);
  if (name == "sDataPut") {
    if (rw.kind == StatementKind::Select || rw.parameters != 1)
      return Fail(rc::kUnsupportedSql, "sDataPut takes one statement with one '?'");
    std::string bytes;
    if (!Base64Decode(req.Str("vData"), bytes)) return Fail(rc::kBadArguments, "vData is not Base64");
    if (static_cast<int64_t>(bytes.size()) != req.Int("isLen", -1))
      return Fail(rc::kBadArguments, "isLen differs from the length of vData");
    Database::ClientSqlScope policy(*db_);
    Statement st(db_->Handle(), rw.sql);
    st.Bind(1, DbValue::OfBlob(bytes));
    st.Step();
    return JsonOut().Int("ReturnValue", rc::kOk).Finish();
  }
  if (rw.kind != StatementKind::Select || rw.parameters)
    return Fail(rc::kReadOnly, name + " runs SELECT only");
  Database::ClientSqlScope policy(*db_);
  Statement st(db_->Handle(), rw.sql);
  if (!st.ReadOnly()) return Fail(rc::kReadOnly, name + " runs SELECT only");
  if (!st.Step()) return JsonOut().Int("ReturnValue", 0).Finish();
  DbValue v = st.Column(0);
  std::string bytes = v.kind == DbValue::Blob ? v.s
                      : v.kind == DbValue::Text ? GbkFromUtf8Lenient(v.s) : std::string();
  if (bytes.empty()) return JsonOut().Int("ReturnValue", 0).Finish();
  if (name == "sDataGet" && static_cast<int64_t>(bytes.size()) > req.Int("isLen"))
    return Fail(rc::kTooLong, "data longer than isLen");
  return JsonOut()
      .Int("ReturnValue", static_cast<int64_t>(bytes.size()))
      .Plain("vData", Base64Encode(bytes))
      .Finish();
}

// ---- named requests --------------------------------------------------------

std::string Service::FetchNo(const Request& req, const Session&) {
  std::string kind = req.Str("cZizKind");
  auto rows = ReadRows(*db_, "SELECT rowid AS r,cprefix,inext,iwidth FROM sys_numseries WHERE ckind=?",
                       {DbValue::OfText(kind)});
  if (rows.empty()) return JsonOut().Int("ReturnValue", rc::kNotFound).String("cNo", "").Finish();
  int64_t next = rows[0].Get("inext").AsInt();
  char digits[32];
  snprintf(digits, sizeof digits, "%0*lld", static_cast<int>(rows[0].Get("iwidth").AsInt()),
           static_cast<long long>(next));
  std::string no = rows[0].Get("cprefix").AsText() + digits;
  Statement st(db_->Handle(), "UPDATE sys_numseries SET inext=inext+1 WHERE rowid=?");
  st.Bind(1, rows[0].Get("r").AsInt());
  st.Step();
  return JsonOut().Int("ReturnValue", rc::kOk).String("cNo", no).Finish();
}

std::string Service::QueryPrice(const Request& req, const Session&) {
  double kg = req.Real("fqWeight");
  if (std::fabs(kg) > 1e9) throw OutOfRange("fqWeight");
  int64_t grams = std::llround(kg * 1000);
  auto rows = ReadRows(*db_,
                       "SELECT * FROM ziz_price WHERE cemskind=? AND (cdes=? OR cdes='') "
                       "AND (nitemtype=? OR nitemtype=255) AND ibweight<? AND ieweight>=? "
                       "ORDER BY cdes DESC,nitemtype LIMIT 1",
                       {DbValue::OfText(req.Str("cqZizKind")), DbValue::OfText(req.Str("cqDes")),
                        DbValue::Of(req.Int("nqItemType")), DbValue::Of(grams), DbValue::Of(grams)});
  if (rows.empty()) return Fail(rc::kNotFound, "no price");
  const RowMap& p = rows[0];
  double addOn = p.Get("faddon").AsReal(), customs = p.Get("fcustoms").AsReal(),
         other = p.Get("fother").AsReal(), discount = p.Get("fdiscount").AsReal();
  double price = Round2(p.Get("fbase").AsReal() + p.Get("fperkg").AsReal() * kg + addOn + customs + other);
  return JsonOut()
      .Int("ReturnValue", rc::kOk)
      .Double("fPrice", price)
      .Double("fsPrice", Round2(price * (100.0 - discount) / 100.0))
      .Double("fAddOn", addOn)
      .Double("fCustoms", customs)
      .Double("fOther", other)
      .Double("fDiscount", discount)
      .Finish();
}

std::string Service::PriceSp(const Request& req, const Session&) {
  int64_t grams = req.Int("iWeight");
  double kg = grams / 1000.0;
  auto rows = ReadRows(*db_,
                       "SELECT * FROM sp_price WHERE isid=? AND cemskind=? AND (cdes=? OR cdes='') "
                       "AND (nitemtype=? OR nitemtype=255) AND ibweight<? AND ieweight>=? "
                       "ORDER BY cdes DESC,nitemtype LIMIT 1",
                       {DbValue::Of(req.Int("isID")), DbValue::OfText(req.Str("cZizKind")),
                        DbValue::OfText(req.Str("cDes")), DbValue::Of(req.Int("nItemType")),
                        DbValue::Of(grams), DbValue::Of(grams)});
  if (rows.empty()) return Fail(rc::kNotFound, "no supplier price");
  const RowMap& p = rows[0];
  double base = Round2(p.Get("fbase").AsReal() + p.Get("fperkg").AsReal() * kg);
  double addOn = p.Get("faddon").AsReal(), customs = p.Get("fcustoms").AsReal(),
         other = p.Get("fother").AsReal();
  return JsonOut()
      .Int("ReturnValue", rc::kOk)
      .Double("fCost", Round2(base + addOn + customs + other))
      .Double("fsPrice", p.Get("fsprice").AsReal())
      .Double("fAddOn", addOn)
      .Double("fCustoms", customs)
      .Double("fOther", other)
      .Double("foCustom", p.Get("focustom").AsReal())
      .Double("fBase", base)
      .Double("fRate", p.Get("frate").AsReal())
      .String("cMethod", p.Get("cmethod").AsText())
      .String("cMemo", p.Get("cmemo").AsText())
      .Finish();
}

std::string Service::RecData(const Request& req, const Session& s) {
  std::string where;
  DbValue key;
  if (req.Int("irID") > 0) {
    where = "r.irid=?";
    key = DbValue::Of(req.Int("irID"));
  } else if (req.Has("cNum")) {
    where = "r.cnum=?";
    key = DbValue::OfText(req.Str("cNum"));
  } else if (req.Has("cNo")) {
    where = "r.cserviceno=?";
    key = DbValue::OfText(req.Str("cNo"));
  } else {
    return Fail(rc::kBadRequest, "irID, cNum or cNo expected");
  }
  std::vector<DbValue> args{key};
  std::string sql = "SELECT r.* FROM client_rec r INNER JOIN client_arc b ON(r.icid=b.icid) WHERE " + where;
  if (!s.station.empty()) {
    sql += " AND b.cstation=?";
    args.push_back(DbValue::OfText(s.station));
  }
  if (!s.clientKind.empty()) {
    sql += " AND b.ckind LIKE ?";
    args.push_back(DbValue::OfText(s.clientKind));
  }
  auto rows = ReadRows(*db_, sql + " ORDER BY r.irid LIMIT 1", args);
  if (rows.empty()) return Fail(rc::kNotFound, "no such waybill");
  DbValue irid = rows[0].Get("irid");
  JsonOut o;
  o.Int("ReturnValue", rc::kOk);
  PutKeys(o, rows[0], kRecordKeys);
  // The client finds the two lists by their exact texts: goods first, the
  // piece list last.
  o.Raw("GoodsList", ObjectList(ReadRows(*db_, "SELECT * FROM client_rec_goods WHERE irid+0=? ORDER BY wpos", {irid}), kGoodsKeys));
  o.Raw("WeightList", ObjectList(ReadRows(*db_, "SELECT * FROM client_rec_weight_detail WHERE irid=? ORDER BY wpos", {irid}), kWeightKeys));
  return o.Finish();
}

std::string Service::RecPreInputData(const Request& req, const Session&) {
  std::string where;
  DbValue key;
  if (req.Int("iID") > 0) {
    where = "iid=?";
    key = DbValue::Of(req.Int("iID"));
  } else if (req.Has("cNum")) {
    where = "cnum=?";
    key = DbValue::OfText(req.Str("cNum"));
  } else if (req.Has("cNo")) {
    where = "cserviceno=?";
    key = DbValue::OfText(req.Str("cNo"));
  } else if (req.Has("cRNo")) {
    where = "crno=?";
    key = DbValue::OfText(req.Str("cRNo"));
  } else {
    return Fail(rc::kBadRequest, "iID, cNum, cNo or cRNo expected");
  }
  auto rows = ReadRows(*db_, "SELECT * FROM rec_pre_input WHERE " + where + " ORDER BY iid LIMIT 1", {key});
  if (rows.empty()) return Fail(rc::kNotFound, "no such order");
  JsonOut o;
  o.Int("ReturnValue", rc::kOk);
  PutKeys(o, rows[0], kPreInputKeys);
  o.Raw("GoodsList", "[]");
  return o.Finish();
}

namespace {

struct SyncSpec {
  const char* table;
  const char* idCol;
  const char* delTable;
  const char* idKeyOut;  // "icIDx" / "iIDx"
  std::vector<std::pair<const char*, const char*>> fields;  // key, column
  std::vector<char> kinds;                                  // 'i' or 't'
};

std::string SyncReply(Database& db, const SyncSpec& spec, int64_t haveId, const std::string& stamp,
                      const std::string& scopeSql, const std::vector<DbValue>& scopeArgs,
                      size_t page) {
  const std::string id = spec.idCol;
  const std::string table = spec.table;
  // Only the columns the reply carries are read: the fields, then the stamp
  // and the id.
  std::string columns;
  for (const auto& field : spec.fields) columns += std::string(field.second) + ",";
  columns += "dlast," + id;
  const int stampCol = static_cast<int>(spec.fields.size());
  const int idCol = stampCol + 1;
  // Each row straight into the list, as JsonOut would write it: its keys
  // made once, text columns from SQLite's bytes.
  std::vector<std::string> keys;
  for (size_t k = 0; k < spec.fields.size(); ++k)
    keys.push_back(std::string(k ? ",\"" : "{\"") + spec.fields[k].first + "\":");
  auto appendRow = [&](std::string& list, const Statement& st) {
    sqlite3_stmt* raw = st.Raw();
    for (size_t k = 0; k < spec.fields.size(); ++k) {
      const int c = static_cast<int>(k);
      list += keys[k];
      if (spec.kinds[k] != 'i' && sqlite3_column_type(raw, c) == SQLITE_TEXT) {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(raw, c));
        JsonOut::AppendString(list, std::string_view(p, static_cast<size_t>(sqlite3_column_bytes(raw, c))));
        continue;
      }
      const DbValue v = st.Column(c);
      if (spec.kinds[k] == 'i') list += std::to_string(v.AsInt());
      else JsonOut::AppendString(list, v.AsText());
    }
    list += spec.fields.empty() ? "{}" : "}";
  };
  auto bind = [](Statement& st, std::vector<DbValue> args, const std::vector<DbValue>& scope) {
    args.insert(args.end(), scope.begin(), scope.end());
    for (size_t k = 0; k < args.size(); ++k) st.Bind(static_cast<int>(k + 1), args[k]);
  };
  std::string list = "[";
  size_t sent = 0;
  bool end = true;
  int64_t newId = haveId;
  std::string newStamp = stamp;
  // Changed entries the client already holds come first, in stamp order,
  // cut only where the stamp changes.
  bool changed = false;
  if (!stamp.empty()) {
    Statement st(db.Handle(), "SELECT " + columns + " FROM " + table + " WHERE " + id +
                                  "<=? AND dlast>?" + scopeSql + " ORDER BY dlast," + id);
    bind(st, {DbValue::Of(haveId), DbValue::OfText(stamp)}, scopeArgs);
    while (st.Step()) {
      changed = true;
      std::string d = st.Column(stampCol).AsText();
      if (sent >= page && d != newStamp) break;
      if (sent) list += ',';
      appendRow(list, st);
      newStamp = std::move(d);
      ++sent;
    }
    if (changed) end = false;  // the new entries follow in the next reply
  }
  if (!changed) {
    // Every page carries the newest stamp of the moment, not only the last
    // one: a client cut off half-way then holds, with the entries it got, a
    // stamp from which its next start learns what changed meanwhile among
    // them (edits and removals), while the entries above its highest id
    // still come by id.  (The newest stamp is read down the stamp index,
    // not by a scan of the table.)
    std::string top;
    {
      Statement st(db.Handle(), "SELECT dlast FROM " + table + " WHERE dlast IS NOT NULL" +
                                    scopeSql + " ORDER BY dlast DESC LIMIT 1");
      bind(st, {}, scopeArgs);
      if (st.Step()) top = st.Column(0).AsText();
    }
    if (top > newStamp) newStamp = top;
    Statement st(db.Handle(), "SELECT " + columns + " FROM " + table + " WHERE " + id + ">?" +
                                  scopeSql + " ORDER BY " + id);
    bind(st, {DbValue::Of(haveId)}, scopeArgs);
    size_t read = 0;
    while (read <= page && st.Step()) {
      if (++read > page) break;
      if (sent) list += ',';
      appendRow(list, st);
      newId = st.Column(idCol).AsInt();
      ++sent;
    }
    end = read <= page;
  }
  list += "]";
  std::string del = "[";
  if (!stamp.empty()) {
    Statement st(db.Handle(), "SELECT " + id + " FROM " + std::string(spec.delTable) +
                                  " WHERE dlast>? ORDER BY " + id);
    st.Bind(1, DbValue::OfText(stamp));
    for (size_t k = 0; st.Step(); ++k) {
      if (k) del += ',';
      del += std::to_string(st.Column(0).AsInt());
    }
  }
  del += "]";
  return JsonOut()
      .Int("ReturnValue", rc::kOk)
      .Int(spec.idKeyOut, newId)
      .String("dLast", newStamp)
      .Bool("bEnd", end)
      .Int("iTotal", static_cast<int64_t>(sent))
      .Raw("iDel", del)
      .Raw("List", list)
      .Finish();
}

}  // namespace

std::string Service::ClientList(const Request& req, const Session& s) {
  static const SyncSpec spec{"client_arc", "icid", "client_arc_del", "icIDx",
                             {{"i", "icid"}, {"a", "caccount"}, {"n", "cunitname"}},
                             {'i', 't', 't'}};
  std::string scope;
  std::vector<DbValue> args;
  if (!s.station.empty()) {
    scope = " AND cstation=?";
    args.push_back(DbValue::OfText(s.station));
  }
  size_t page = options_.pageRows ? options_.pageRows : 500;
  return SyncReply(*db_, spec, static_cast<uint32_t>(req.Int("icID")), req.Str("dDate"), scope,
                   args, page);
}

std::string Service::DesList(const Request& req, const Session&) {
  static const SyncSpec spec{"sys_des", "iid", "sys_des_del", "iIDx",
                             {{"i", "iid"}, {"a", "narea"}, {"t", "ntype"}, {"c", "ccode"},
                              {"n", "cname"}, {"e", "cnamee"}, {"s", "cshort"},
                              {"z", "cpostcode"}, {"x", "ciso2"}, {"y", "ciso3"}},
                             {'i', 'i', 'i', 't', 't', 't', 't', 't', 't', 't'}};
  size_t page = options_.pageRows ? options_.pageRows : 500;
  return SyncReply(*db_, spec, static_cast<uint32_t>(req.Int("iID")), req.Str("dDate"), "", {},
                   page);
}

}  // namespace localserver
