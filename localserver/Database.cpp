#include "localserver/Database.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

#include "localserver/ClientSqlPolicy.h"
#include "localserver/Schema.h"
#include "localserver/SqlRewriter.h"
#include "localserver/Wire.h"

namespace localserver {

int64_t DbValue::AsInt() const {
  switch (kind) {
    case Int: return i;
    case Real:
      // Values beyond the range of a whole number saturate (NaN: 0).
      if (d >= 9223372036854775807.0) return INT64_MAX;
      if (d <= -9223372036854775808.0) return INT64_MIN;
      return d == d ? static_cast<int64_t>(d) : 0;
    case Text: return strtoll(s.c_str(), nullptr, 10);
    default: return 0;
  }
}

double DbValue::AsReal() const {
  switch (kind) {
    case Int: return static_cast<double>(i);
    case Real: return d;
    case Text: return strtod(s.c_str(), nullptr);
    default: return 0;
  }
}

std::string DbValue::AsText() const {
  switch (kind) {
    case Int: return std::to_string(i);
    case Real: {
      std::string out;
      JsonOut::AppendDouble(out, d);
      return out;
    }
    case Text:
    case Blob: return s;
    default: return "";
  }
}

// ---- statements ------------------------------------------------------------

namespace {
// The Database of each open connection, for statements made on its handle.
std::mutex& OwnersMutex() {
  static std::mutex mutex;
  return mutex;
}
std::unordered_map<sqlite3*, Database*>& Owners() {
  static std::unordered_map<sqlite3*, Database*> owners;
  return owners;
}
}  // namespace


Statement::Statement(sqlite3* db, std::string_view sql) : db_(db) {
  Database* owner = Database::Owning(db);
  if (!owner || owner->clientScopes_ != 0) {
    Prepare(sql);
    return;
  }
  text_ = std::string(sql);
  stmt_ = owner->TakeOwnKept(text_);
  if (!stmt_) Prepare(sql);
  keeper_ = owner;
  own_ = true;
}

Statement::Statement(Database& db, std::string_view sql, KeepPrepared) : db_(db.Handle()) {
  if (db.clientScopes_ == 0) {
    Prepare(sql);
    return;
  }
  text_ = std::string(sql);
  stmt_ = db.TakeKept(text_);
  if (!stmt_) Prepare(sql);
  keeper_ = &db;
}

void Statement::Prepare(std::string_view sql) {
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &stmt_, &tail) !=
      SQLITE_OK)
    throw DbError(sqlite3_errmsg(db_));
  if (!stmt_) throw DbError("empty statement");
  while (tail && *tail && (*tail == ' ' || *tail == '\n' || *tail == '\t' || *tail == '\r'))
    ++tail;
  if (tail && *tail && tail < sql.data() + sql.size()) {
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
    throw DbError("several statements in one text");
  }
}

Statement::~Statement() {
  if (keeper_ && stmt_) {
    try {
      if (own_)
        keeper_->KeepOwn(std::move(text_), stmt_);
      else
        keeper_->Keep(std::move(text_), stmt_);
      return;
    } catch (...) {
      // No room to keep it: it goes as any other.
    }
  }
  sqlite3_finalize(stmt_);
}

Statement& Statement::Bind(int index, const DbValue& v) {
  int rc = SQLITE_OK;
  switch (v.kind) {
    case DbValue::Null: rc = sqlite3_bind_null(stmt_, index); break;
    case DbValue::Int: rc = sqlite3_bind_int64(stmt_, index, v.i); break;
    case DbValue::Real: rc = sqlite3_bind_double(stmt_, index, v.d); break;
    case DbValue::Text:
      rc = sqlite3_bind_text(stmt_, index, v.s.data(), static_cast<int>(v.s.size()),
                             SQLITE_TRANSIENT);
      break;
    case DbValue::Blob:
      rc = sqlite3_bind_blob(stmt_, index, v.s.data(), static_cast<int>(v.s.size()),
                             SQLITE_TRANSIENT);
      break;
  }
  if (rc != SQLITE_OK) throw DbError(sqlite3_errmsg(db_));
  return *this;
}

bool Statement::Step() {
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  throw DbError(sqlite3_errmsg(db_));
}

int Statement::Columns() const { return sqlite3_column_count(stmt_); }

std::string Statement::ColumnName(int c) const {
  const char* n = sqlite3_column_name(stmt_, c);
  return n ? n : "";
}

DbValue Statement::Column(int c) const {
  switch (sqlite3_column_type(stmt_, c)) {
    case SQLITE_INTEGER: return DbValue::Of(sqlite3_column_int64(stmt_, c));
    case SQLITE_FLOAT: return DbValue::OfReal(sqlite3_column_double(stmt_, c));
    case SQLITE_TEXT: {
      const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, c));
      return DbValue::OfText(std::string(p, sqlite3_column_bytes(stmt_, c)));
    }
    case SQLITE_BLOB: {
      const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt_, c));
      int n = sqlite3_column_bytes(stmt_, c);
      return DbValue::OfBlob(p ? std::string(p, n) : std::string());
    }
    default: return DbValue();
  }
}

bool Statement::ReadOnly() const { return sqlite3_stmt_readonly(stmt_) != 0; }

// ---- T-SQL helpers ---------------------------------------------------------

namespace {

std::u32string Decode(std::string_view s) {
  std::u32string out;
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    if (c >= 0x80 && c < 0xC0) n = 1;
    if (i + n > s.size()) n = s.size() - i;
    char32_t cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
    for (size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    out += cp;
    i += n;
  }
  return out;
}

std::string Encode(std::u32string_view s) {
  std::string out;
  for (char32_t cp : s) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

char32_t Fold(char32_t c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

int CollateTsql(void*, int n1, const void* p1, int n2, const void* p2) {
  const auto* a = static_cast<const unsigned char*>(p1);
  const auto* b = static_cast<const unsigned char*>(p2);
  while (n1 > 0 && a[n1 - 1] == ' ') --n1;
  while (n2 > 0 && b[n2 - 1] == ' ') --n2;
  int n = n1 < n2 ? n1 : n2;
  // ASCII letters fold to lower case (the "C" locale's tolower, without a
  // call per byte); every other byte compares as it is.
  auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
  for (int k = 0; k < n; ++k) {
    if (a[k] == b[k]) continue;
    int x = fold(a[k]);
    int y = fold(b[k]);
    if (x != y) return x < y ? -1 : 1;
  }
  return n1 == n2 ? 0 : (n1 < n2 ? -1 : 1);
}

std::string ArgText(sqlite3_value* v) {
  const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
  return p ? std::string(p, sqlite3_value_bytes(v)) : std::string();
}

// The matcher may go back over the text once per pattern character; beyond
// this product of the two lengths a row could hold the statement longer than
// its deadline allows (the deadline is checked between rows only).
constexpr double kMaxLikeWork = 2e7;

void FnLike(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
    return sqlite3_result_null(ctx);
  if (static_cast<double>(sqlite3_value_bytes(argv[0])) * sqlite3_value_bytes(argv[1]) > kMaxLikeWork)
    return sqlite3_result_error(ctx, "LIKE pattern and text too long", -1);
  int esc = -1;
  if (argc == 3) {
    std::u32string e = Decode(ArgText(argv[2]));
    if (e.size() != 1) return sqlite3_result_error(ctx, "ESCAPE needs one character", -1);
    esc = static_cast<int>(e[0]);
  }
  sqlite3_result_int(ctx, TsqlLike(ArgText(argv[0]), ArgText(argv[1]), esc) ? 1 : 0);
}

void FnLen(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  std::u32string s = Decode(ArgText(argv[0]));
  while (!s.empty() && s.back() == U' ') s.pop_back();
  sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(s.size()));
}

void FnGetDate(sqlite3_context* ctx, int, sqlite3_value**) {
  std::string now = LocalDateTimeText(time(nullptr));
  sqlite3_result_text(ctx, now.c_str(), -1, SQLITE_TRANSIENT);
}

void FnLeftRight(sqlite3_context* ctx, int, sqlite3_value** argv, bool left) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
    return sqlite3_result_null(ctx);
  std::u32string s = Decode(ArgText(argv[0]));
  long long n = sqlite3_value_int64(argv[1]);
  if (n < 0) return sqlite3_result_error(ctx, "negative length", -1);
  if (static_cast<size_t>(n) < s.size()) s = left ? s.substr(0, n) : s.substr(s.size() - n);
  std::string out = Encode(s);
  sqlite3_result_text(ctx, out.c_str(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

void FnLeft(sqlite3_context* c, int n, sqlite3_value** v) { FnLeftRight(c, n, v, true); }
void FnRight(sqlite3_context* c, int n, sqlite3_value** v) { FnLeftRight(c, n, v, false); }

bool ParseIntText(const std::string& s, long long& out) {
  const char* p = s.c_str();
  while (*p == ' ') ++p;
  char* end = nullptr;
  errno = 0;
  out = strtoll(p, &end, 10);
  if (end == p || errno) return false;
  while (*end == ' ') ++end;
  return *end == 0;
}

bool ParseRealText(const std::string& s, double& out) {
  const char* p = s.c_str();
  while (*p == ' ') ++p;
  char* end = nullptr;
  out = strtod(p, &end);
  if (end == p) return false;
  while (*end == ' ') ++end;
  return *end == 0;
}

std::string FormatDate(const std::string& norm, int style) {
  // norm is "YYYY-MM-DD HH:MM:SS[.fff]"
  std::string y = norm.substr(0, 4), m = norm.substr(5, 2), d = norm.substr(8, 2);
  std::string time = norm.substr(11, 8);
  switch (style) {
    case 0: case 20: case 120: return norm.substr(0, 19);
    case 21: case 121: return norm.size() > 19 ? norm : norm + ".000";
    case 23: return norm.substr(0, 10);
    case 102: return y + "." + m + "." + d;
    case 111: return y + "/" + m + "/" + d;
    case 112: return y + m + d;
    case 108: return time;
    default: return "";
  }
}

// Converts one value to a T-SQL type; false with a message on failure.
bool ConvertValue(sqlite3_context* ctx, const std::string& type, long long len,
                  sqlite3_value* v, int style) {
  if (sqlite3_value_type(v) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return true;
  }
  bool isText = sqlite3_value_type(v) == SQLITE_TEXT;
  std::string text = ArgText(v);
  if (type == "int" || type == "integer" || type == "bigint" || type == "smallint" ||
      type == "tinyint" || type == "bit") {
    long long n;
    if (!isText) n = sqlite3_value_int64(v);
    else if (!ParseIntText(text, n)) {
      sqlite3_result_error(ctx, ("conversion to int failed: " + text).c_str(), -1);
      return false;
    }
    if (type == "bit") n = n != 0;
    sqlite3_result_int64(ctx, n);
    return true;
  }
  if (type == "float" || type == "real" || type == "money" || type == "smallmoney" ||
      type == "decimal" || type == "numeric") {
    double d;
    if (!isText) d = sqlite3_value_double(v);
    else if (!ParseRealText(text, d)) {
      sqlite3_result_error(ctx, ("conversion to number failed: " + text).c_str(), -1);
      return false;
    }
    sqlite3_result_double(ctx, d);
    return true;
  }
  if (type == "datetime" || type == "smalldatetime" || type == "date" || type == "datetime2") {
    std::string norm;
    if (text.empty()) norm = kEmptyDate;
    else if (!NormalizeDateLiteral(text, norm)) {
      sqlite3_result_error(ctx, ("conversion to date failed: " + text).c_str(), -1);
      return false;
    }
    if (type == "date") norm = norm.substr(0, 10);
    sqlite3_result_text(ctx, norm.c_str(), -1, SQLITE_TRANSIENT);
    return true;
  }
  // Texts.
  std::string out = text;
  if (sqlite3_value_type(v) == SQLITE_FLOAT) {
    out.clear();
    JsonOut::AppendDouble(out, sqlite3_value_double(v));
  }
  if (style >= 0) {
    std::string norm;
    if (isText && NormalizeDateLiteral(text, norm)) {
      out = FormatDate(norm, style);
      if (out.empty()) {
        sqlite3_result_error(ctx, "date style not supported", -1);
        return false;
      }
    }
  }
  if (len > 0) {
    std::u32string w = Decode(out);
    if (w.size() > static_cast<size_t>(len)) out = Encode(w.substr(0, len));
  }
  sqlite3_result_text(ctx, out.c_str(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
  return true;
}

void FnCast(sqlite3_context* ctx, int, sqlite3_value** argv) {
  ConvertValue(ctx, ArgText(argv[1]), sqlite3_value_int64(argv[2]), argv[0], -1);
}

void FnConvert(sqlite3_context* ctx, int, sqlite3_value** argv) {
  int style = sqlite3_value_int(argv[3]);
  ConvertValue(ctx, ArgText(argv[0]), sqlite3_value_int64(argv[1]), argv[2], style);
}

bool ToTm(const std::string& text, struct tm& t) {
  std::string norm;
  if (!NormalizeDateLiteral(text, norm)) return false;
  t = {};
  t.tm_year = std::stoi(norm.substr(0, 4)) - 1900;
  t.tm_mon = std::stoi(norm.substr(5, 2)) - 1;
  t.tm_mday = std::stoi(norm.substr(8, 2));
  t.tm_hour = std::stoi(norm.substr(11, 2));
  t.tm_min = std::stoi(norm.substr(14, 2));
  t.tm_sec = std::stoi(norm.substr(17, 2));
  return true;
}

void FnDateDiff(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[1]) == SQLITE_NULL || sqlite3_value_type(argv[2]) == SQLITE_NULL)
    return sqlite3_result_null(ctx);
  std::string unit = ArgText(argv[0]);
  struct tm a, b;
  if (!ToTm(ArgText(argv[1]), a) || !ToTm(ArgText(argv[2]), b))
    return sqlite3_result_error(ctx, "DATEDIFF needs dates", -1);
  // Boundaries crossed, as T-SQL counts them; whole days through timegm.
  long long da = timegm(&a) / 86400, db = timegm(&b) / 86400;
  long long sa = timegm(&a), sb = timegm(&b);
  long long r;
  if (unit == "year" || unit == "yy" || unit == "yyyy") r = b.tm_year - a.tm_year;
  else if (unit == "month" || unit == "mm" || unit == "m")
    r = (b.tm_year - a.tm_year) * 12LL + (b.tm_mon - a.tm_mon);
  else if (unit == "day" || unit == "dd" || unit == "d") r = db - da;
  else if (unit == "hour" || unit == "hh") r = sb / 3600 - sa / 3600;
  else if (unit == "minute" || unit == "mi" || unit == "n") r = sb / 60 - sa / 60;
  else if (unit == "second" || unit == "ss" || unit == "s") r = sb - sa;
  else return sqlite3_result_error(ctx, "DATEDIFF unit not supported", -1);
  sqlite3_result_int64(ctx, r);
}

}  // namespace

bool TsqlLike(std::string_view pattern, std::string_view text, int escape) {
  struct El {
    enum K { Any, One, Lit, Class } k = Lit;
    char32_t c = 0;
    bool negated = false;
    std::vector<std::pair<char32_t, char32_t>> ranges;
    bool Match(char32_t x) const {
      x = Fold(x);
      switch (k) {
        case One: return true;
        case Lit: return Fold(c) == x;
        case Class: {
          bool in = false;
          for (auto [lo, hi] : ranges)
            if (x >= Fold(lo) && x <= Fold(hi)) in = true;
          return in != negated;
        }
        default: return false;
      }
    }
  };
  auto Make = [](El::K k, char32_t c) {
    El e;
    e.k = k;
    e.c = c;
    return e;
  };
  std::u32string p = Decode(pattern), s = Decode(text);
  std::vector<El> els;
  for (size_t i = 0; i < p.size(); ++i) {
    char32_t c = p[i];
    if (escape >= 0 && c == static_cast<char32_t>(escape) && i + 1 < p.size()) {
      els.push_back(Make(El::Lit, p[++i]));
    } else if (c == U'%') {
      if (els.empty() || els.back().k != El::Any) els.push_back(Make(El::Any, 0));
    } else if (c == U'_') {
      els.push_back(Make(El::One, 0));
    } else if (c == U'[') {
      size_t close = p.find(U']', i + 2);
      if (close == std::u32string::npos) {
        els.push_back(Make(El::Lit, c));
        continue;
      }
      El e = Make(El::Class, 0);
      size_t k = i + 1;
      if (p[k] == U'^') { e.negated = true; ++k; }
      if (k == close) { els.push_back(Make(El::Lit, c)); continue; }
      for (; k < close; ++k) {
        if (k + 2 < close && p[k + 1] == U'-') {
          e.ranges.push_back({p[k], p[k + 2]});
          k += 2;
        } else {
          e.ranges.push_back({p[k], p[k]});
        }
      }
      els.push_back(e);
      i = close;
    } else {
      els.push_back(Make(El::Lit, c));
    }
  }
  // Greedy matching with back-tracking to the last '%'.
  size_t pi = 0, si = 0, starP = std::string::npos, starS = 0;
  while (si < s.size()) {
    if (pi < els.size() && els[pi].k != El::Any && els[pi].Match(s[si])) {
      ++pi;
      ++si;
    } else if (pi < els.size() && els[pi].k == El::Any) {
      starP = pi++;
      starS = si;
    } else if (starP != std::string::npos) {
      pi = starP + 1;
      si = ++starS;
    } else {
      return false;
    }
  }
  while (pi < els.size() && els[pi].k == El::Any) ++pi;
  return pi == els.size();
}

// ---- database --------------------------------------------------------------

Database::Database(const std::string& path) {
  // One thread at a time uses the connection (the service's lock): SQLite
  // need not lock it again on every call.
  if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) !=
      SQLITE_OK) {
    std::string msg = db_ ? sqlite3_errmsg(db_) : "cannot open";
    sqlite3_close(db_);
    db_ = nullptr;
    throw DbError("cannot open database " + path + ": " + msg);
  }
  try {
    sqlite3_busy_timeout(db_, 5000);
    sqlite3_limit(db_, SQLITE_LIMIT_LENGTH, kMaxValueBytes);
    // Checked every thousand virtual-machine steps: a clock read at most.
    sqlite3_progress_handler(db_, 1000, &Database::Progress, this);
    // The client policy, applied inside ClientSqlScopes only.
    sqlite3_set_authorizer(db_, &Database::Authorize, this);
    // A committed change survives a crash or a power cut.
    Exec("PRAGMA journal_mode=WAL");
    Exec("PRAGMA synchronous=FULL");
    RegisterFunctions();
    // The schema and the sample data of a new file come in one transaction:
    // a crash leaves either nothing or both.
    Exec("BEGIN IMMEDIATE");
    try {
      bool fresh = Scalar("SELECT count(*) FROM sqlite_master WHERE type='table'").AsInt() == 0;
      CreateSchema();
      if (fresh) LoadSampleData(*this);
      Exec("COMMIT");
    } catch (...) {
      RollbackAll();
      throw;
    }
    std::lock_guard<std::mutex> lock(OwnersMutex());
    Owners()[db_] = this;
  } catch (...) {
    sqlite3_close(db_);
    db_ = nullptr;
    throw;
  }
}

Database::~Database() {
  {
    std::lock_guard<std::mutex> lock(OwnersMutex());
    Owners().erase(db_);
  }
  DropKept();
  sqlite3_close(db_);
}

sqlite3_stmt* Database::TakeKept(const std::string& text) {
  auto it = kept_.find(text);
  if (it == kept_.end()) return nullptr;
  sqlite3_stmt* stmt = it->second;
  kept_.erase(it);
  return stmt;
}

void Database::Keep(std::string text, sqlite3_stmt* stmt) {
  // Nothing of the run stays: no open read, no bound value.
  sqlite3_reset(stmt);
  sqlite3_clear_bindings(stmt);
  constexpr size_t kKeptStatements = 64;
  if (kept_.size() >= kKeptStatements) {
    for (auto& [kept, old] : kept_) sqlite3_finalize(old);
    kept_.clear();
  }
  if (!kept_.emplace(std::move(text), stmt).second) sqlite3_finalize(stmt);
}

void Database::DropKept() {
  for (auto& [text, stmt] : kept_) sqlite3_finalize(stmt);
  kept_.clear();
  for (auto& [text, stmt] : ownKept_) sqlite3_finalize(stmt);
  ownKept_.clear();
}


Database* Database::Owning(sqlite3* db) {
  std::lock_guard<std::mutex> lock(OwnersMutex());
  auto it = Owners().find(db);
  return it == Owners().end() ? nullptr : it->second;
}

sqlite3_stmt* Database::TakeOwnKept(const std::string& text) {
  auto it = ownKept_.find(text);
  if (it == ownKept_.end()) return nullptr;
  sqlite3_stmt* stmt = it->second;
  ownKept_.erase(it);
  return stmt;
}

void Database::KeepOwn(std::string text, sqlite3_stmt* stmt) {
  sqlite3_reset(stmt);
  sqlite3_clear_bindings(stmt);
  constexpr size_t kKeptStatements = 256;
  if (ownKept_.size() >= kKeptStatements) {
    for (auto& [kept, old] : ownKept_) sqlite3_finalize(old);
    ownKept_.clear();
  }
  if (!ownKept_.emplace(std::move(text), stmt).second) sqlite3_finalize(stmt);
}

int Database::Authorize(void* self, int action, const char* arg1, const char* arg2,
                        const char* database, const char* trigger) {
  if (static_cast<Database*>(self)->clientScopes_ == 0) return SQLITE_OK;
  return AuthorizeClientSql(nullptr, action, arg1, arg2, database, trigger);
}

int Database::Progress(void* p) {
  auto* self = static_cast<Database*>(p);
  if (self->exempt_.load(std::memory_order_relaxed)) return 0;
  if (self->stopped_.load(std::memory_order_relaxed)) return 1;
  int64_t deadline = self->deadline_.load(std::memory_order_relaxed);
  if (deadline == 0) return 0;
  auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  if (now.count() < deadline) return 0;
  self->expired_.store(true, std::memory_order_relaxed);
  return 1;
}

void Database::SetDeadline(std::chrono::steady_clock::time_point deadline) {
  expired_ = false;
  auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline.time_since_epoch());
  deadline_ = ns.count() == 0 ? 1 : ns.count();
}

void Database::ClearDeadline() {
  deadline_ = 0;
  expired_ = false;
}

bool Database::RollbackAll() {
  ++exempt_;
  if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  --exempt_;
  return sqlite3_get_autocommit(db_) != 0;
}

Database::ClientSqlScope::ClientSqlScope(Database& db) : db_(db) { ++db_.clientScopes_; }

Database::ClientSqlScope::~ClientSqlScope() { --db_.clientScopes_; }

Savepoint::Savepoint(Database& db, std::string name) : db_(db), name_(std::move(name)) {
  db_.Exec("SAVEPOINT " + name_);
}

void Savepoint::Release() {
  db_.Exec("RELEASE " + name_);
  open_ = false;
}

Savepoint::~Savepoint() {
  if (!open_) return;
  ++db_.exempt_;
  bool undone = sqlite3_exec(db_.db_, ("ROLLBACK TO " + name_).c_str(), nullptr, nullptr, nullptr) ==
                    SQLITE_OK &&
                sqlite3_exec(db_.db_, ("RELEASE " + name_).c_str(), nullptr, nullptr, nullptr) ==
                    SQLITE_OK;
  --db_.exempt_;
  if (!undone) db_.RollbackAll();
}

void Database::RegisterFunctions() {
  sqlite3_create_collation(db_, "TSQL", SQLITE_UTF8, nullptr, CollateTsql);
  const int flags = SQLITE_UTF8;
  const int pure = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
  sqlite3_create_function(db_, "like", 2, pure, nullptr, FnLike, nullptr, nullptr);
  sqlite3_create_function(db_, "like", 3, pure, nullptr, FnLike, nullptr, nullptr);
  sqlite3_create_function(db_, "tsql_len", 1, pure, nullptr, FnLen, nullptr, nullptr);
  sqlite3_create_function(db_, "tsql_getdate", 0, flags, nullptr, FnGetDate, nullptr, nullptr);
  sqlite3_create_function(db_, "tsql_left", 2, pure, nullptr, FnLeft, nullptr, nullptr);
  sqlite3_create_function(db_, "tsql_right", 2, pure, nullptr, FnRight, nullptr, nullptr);
  sqlite3_create_function(db_, "tsql_cast", 3, pure, nullptr, FnCast, nullptr, nullptr);
  sqlite3_create_function(db_, "tsql_convert", 4, pure, nullptr, FnConvert, nullptr, nullptr);
  sqlite3_create_function(db_, "tsql_datediff", 3, pure, nullptr, FnDateDiff, nullptr, nullptr);
}

void Database::CreateSchema() {
  for (const auto& t : SchemaTables()) Exec(CreateTableSql(t));
  // The look-ups of a scanned or keyed number (the hand-over check, a bag
  // item by number, the number checks of a waybill save): without an index
  // each scans the whole table, and since requests are served one at a time
  // every other client waits for it (with 20,000 parcels a pair the load
  // program ran 16 steps a second without them, 103 with them).  The keys
  // hold the texts as the TSQL collation compares them (ASCII case and
  // trailing blanks ignored) through built-in functions only, so that a
  // program writing to the file without that collation (the tests' own
  // connections) can still write; the procedures look up through
  // TextKeyEquals (ProcHelpers.h).
  for (const char* index :
       {"client_rec_cnum_key ON client_rec(lower(rtrim(cnum)))",
        "client_rec_cserviceno_key ON client_rec(lower(rtrim(cserviceno)))",
        "client_rec_weight_detail_cnum_key ON client_rec_weight_detail(lower(rtrim(cnum)))",
        "client_rec_weight_detail_cno_key ON client_rec_weight_detail(lower(rtrim(cno)))"})
    Exec(std::string("CREATE INDEX IF NOT EXISTS ") + index);
  // The client list and the destination directory are synced by their
  // "dlast" stamps: every write stamps the entry, every removal leaves its
  // id in the companion table, whatever statement made the change.
  struct Synced {
    const char* table;
    const char* id;
  };
  for (const Synced& s : {Synced{"client_arc", "icid"}, Synced{"sys_des", "iid"}}) {
    const std::string t = s.table, id = s.id;
    // Stamps to the millisecond: a client that synced within the same second
    // as a later change must still see that change as newer than its stamp.
    const std::string now = "strftime('%Y-%m-%d %H:%M:%f','now','localtime')";
    // Every sync page asks for the newest stamp and the entries changed since.
    Exec("CREATE INDEX IF NOT EXISTS " + t + "_dlast ON " + t + "(dlast)");
    Exec("CREATE TRIGGER IF NOT EXISTS " + t + "_stamp_insert AFTER INSERT ON " + t +
         " WHEN NEW.dlast IS NULL OR NEW.dlast='" + kEmptyDate + "' BEGIN UPDATE " + t +
         " SET dlast=" + now + " WHERE " + id + "=NEW." + id + "; END");
    // A customer's running unpaid totals are the server's bookkeeping, not a
    // change of the entry: they do not stamp it.
    std::string of;
    if (t == "client_arc") {
      for (const ColumnDef& c : FindTable(t)->columns) {
        if (c.name == "dlast" || c.name.starts_with("fpay") || c.name.starts_with("ipay")) continue;
        of += (of.empty() ? " OF " : ",") + c.name;
      }
    }
    Exec("CREATE TRIGGER IF NOT EXISTS " + t + "_stamp_update AFTER UPDATE" + of + " ON " + t +
         " WHEN NEW.dlast IS OLD.dlast BEGIN UPDATE " + t + " SET dlast=" + now + " WHERE " + id +
         "=NEW." + id + "; END");
    Exec("CREATE TRIGGER IF NOT EXISTS " + t + "_stamp_delete AFTER DELETE ON " + t + " BEGIN INSERT INTO " +
         t + "_del(" + id + ",dlast) VALUES(OLD." + id + "," + now + "); END");
  }
  // A customer's unpaid totals follow its waybills, whatever statement
  // changes them: fpayN and ipayN are the amount and the number of its
  // waybills of pay way N (0 monthly, 1 cash, 2 collect) that are neither
  // marked paid nor in a payment.
  Exec("CREATE INDEX IF NOT EXISTS client_rec_icid ON client_rec(icid)");
  // A waybill's piece lines are read, replaced and counted by its record id
  // with every load and save.  The goods lines keep no such index: through
  // it the manifest's goods join read a waybill's lines in another order
  // than they were written.
  Exec("CREATE INDEX IF NOT EXISTS client_rec_weight_detail_irid ON client_rec_weight_detail(irid)");
  // The server's own look-ups of a waybill's goods lines (its load, its
  // delete) go through a key on an expression of the record id, which only
  // a statement naming that very expression can use: the clients' own
  // statements on the goods lines, which name the plain column, still read
  // them in the order they were written.  (A look-up naming irid=? beside
  // it would not use the key: SQLite puts the value into the expression.
  // The record ids are whole numbers, so irid+0=? finds the same lines.)
  Exec("CREATE INDEX IF NOT EXISTS client_rec_goods_irid_key ON client_rec_goods(irid+0)");
  auto unpaid = [](const std::string& sign, const std::string& row) {
    const std::string counted = row + ".bpay=0 AND " + row + ".ifid=0 AND " + row + ".npayway=";
    std::string set;
    for (const char* way : {"0", "1", "2"}) {
      set += std::string(set.empty() ? "" : ",") + "fpay" + way + "=round(fpay" + way + sign +
             "CASE WHEN " + counted + way + " THEN " + row + ".famount ELSE 0 END,2),ipay" + way +
             "=ipay" + way + sign + "CASE WHEN " + counted + way + " THEN 1 ELSE 0 END";
    }
    return "UPDATE client_arc SET " + set + " WHERE icid=" + row + ".icid AND " + row +
           ".bpay=0 AND " + row + ".ifid=0;";
  };
  Exec("CREATE TRIGGER IF NOT EXISTS client_rec_unpaid_insert AFTER INSERT ON client_rec BEGIN " +
       unpaid("+", "NEW") + " END");
  Exec("CREATE TRIGGER IF NOT EXISTS client_rec_unpaid_update AFTER UPDATE OF "
       "icid,famount,npayway,bpay,ifid ON client_rec BEGIN " + unpaid("-", "OLD") + " " +
       unpaid("+", "NEW") + " END");
  Exec("CREATE TRIGGER IF NOT EXISTS client_rec_unpaid_delete AFTER DELETE ON client_rec BEGIN " +
       unpaid("-", "OLD") + " END");
}

void Database::Exec(std::string_view sql) {
  std::string text(sql);
  char* err = nullptr;
  if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    std::string msg = err ? err : "error";
    sqlite3_free(err);
    throw DbError(msg + " in: " + text.substr(0, 200));
  }
}

int64_t Database::LastInsertId() const { return sqlite3_last_insert_rowid(db_); }
int Database::Changes() const { return sqlite3_changes(db_); }

DbValue Database::Scalar(std::string_view sql, const std::vector<DbValue>& args) {
  Statement st(db_, sql);
  for (size_t k = 0; k < args.size(); ++k) st.Bind(static_cast<int>(k + 1), args[k]);
  if (!st.Step()) return DbValue();
  return st.Column(0);
}

}  // namespace localserver
