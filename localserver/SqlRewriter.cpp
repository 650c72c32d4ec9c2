#include "localserver/SqlRewriter.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>
#include <vector>

namespace localserver {

namespace {

enum class T { Name, String, Number, Hex, Op };

struct Tok {
  T type;
  std::string text;                 // Op: the operator; String: the value;
                                    // Number/Hex: the digits as written
  std::vector<std::string> parts;   // Name: the dotted parts
  std::vector<bool> quoted;         // Name: which parts were [..] or ".."
};

struct Refusal {
  std::string reason;
};

std::string Upper(std::string_view s) {
  std::string u(s);
  for (auto& c : u) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return u;
}

std::string Lower(std::string_view s) {
  std::string u(s);
  for (auto& c : u) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return u;
}

bool IsIdentStart(unsigned char c) { return isalpha(c) || c == '_' || c == '#' || c >= 0x80; }
bool IsIdentChar(unsigned char c) {
  return isalnum(c) || c == '_' || c == '#' || c == '$' || c >= 0x80;
}

std::vector<Tok> Tokenize(std::string_view s) {
  std::vector<Tok> raw;
  size_t i = 0, n = s.size();
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (isspace(c)) { ++i; continue; }
    if (c == '-' && i + 1 < n && s[i + 1] == '-') {
      while (i < n && s[i] != '\n') ++i;
      continue;
    }
    if (c == '/' && i + 1 < n && s[i + 1] == '*') {
      size_t end = s.find("*/", i + 2);
      if (end == std::string_view::npos) throw Refusal{"unterminated comment"};
      i = end + 2;
      continue;
    }
    if (c == '\'' || ((c == 'N' || c == 'n') && i + 1 < n && s[i + 1] == '\'')) {
      if (c != '\'') ++i;
      ++i;
      std::string value;
      for (;;) {
        if (i >= n) throw Refusal{"unterminated string literal"};
        if (s[i] == '\'') {
          if (i + 1 < n && s[i + 1] == '\'') { value += '\''; i += 2; continue; }
          ++i;
          break;
        }
        value += s[i++];
      }
      raw.push_back({T::String, value, {}, {}});
      continue;
    }
    if (c == '0' && i + 1 < n && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
      size_t j = i + 2;
      while (j < n && isxdigit(static_cast<unsigned char>(s[j]))) ++j;
      raw.push_back({T::Hex, std::string(s.substr(i + 2, j - i - 2)), {}, {}});
      i = j;
      continue;
    }
    if (isdigit(c) || (c == '.' && i + 1 < n && isdigit(static_cast<unsigned char>(s[i + 1])))) {
      size_t j = i;
      while (j < n && isdigit(static_cast<unsigned char>(s[j]))) ++j;
      if (j < n && s[j] == '.') {
        ++j;
        while (j < n && isdigit(static_cast<unsigned char>(s[j]))) ++j;
      }
      if (j < n && (s[j] == 'e' || s[j] == 'E')) {
        size_t k = j + 1;
        if (k < n && (s[k] == '+' || s[k] == '-')) ++k;
        if (k < n && isdigit(static_cast<unsigned char>(s[k]))) {
          while (k < n && isdigit(static_cast<unsigned char>(s[k]))) ++k;
          j = k;
        }
      }
      // "1UNION", "15ifid": the digits end the number, the letters start a
      // name, as the server's own parser reads them.
      raw.push_back({T::Number, std::string(s.substr(i, j - i)), {}, {}});
      i = j;
      continue;
    }
    if (IsIdentStart(c)) {
      size_t j = i;
      while (j < n && IsIdentChar(static_cast<unsigned char>(s[j]))) ++j;
      std::string word(s.substr(i, j - i));
      if (word[0] == '#') throw Refusal{"temporary tables are not supported"};
      raw.push_back({T::Name, "", {word}, {false}});
      i = j;
      continue;
    }
    if (c == '[' || c == '"') {
      char close = c == '[' ? ']' : '"';
      size_t j = i + 1;
      std::string word;
      for (;;) {
        if (j >= n) throw Refusal{"unterminated quoted name"};
        if (s[j] == close) {
          if (j + 1 < n && s[j + 1] == close) { word += close; j += 2; continue; }
          ++j;
          break;
        }
        word += s[j++];
      }
      raw.push_back({T::Name, "", {word}, {true}});
      i = j;
      continue;
    }
    if (c == '@') throw Refusal{"variables are not supported"};
    static const char* kTwo[] = {"<=", ">=", "<>", "!=", "!<", "!>", "||", "+=", "-=",
                                 "*=", "/=", "%=", "&=", "|=", "^=", "::"};
    bool two = false;
    for (const char* op : kTwo)
      if (i + 1 < n && s[i] == op[0] && s[i + 1] == op[1]) {
        raw.push_back({T::Op, op, {}, {}});
        i += 2;
        two = true;
        break;
      }
    if (two) continue;
    if (std::string_view("(),.;=<>+-*/%&|^~?{}").find(static_cast<char>(c)) !=
        std::string_view::npos) {
      raw.push_back({T::Op, std::string(1, static_cast<char>(c)), {}, {}});
      ++i;
      continue;
    }
    char msg[64];
    snprintf(msg, sizeof msg, "unexpected character 0x%02X", c);
    throw Refusal{msg};
  }

  // Join dotted names: a.b, brantle.dbo.t, a.*.
  std::vector<Tok> out;
  for (size_t k = 0; k < raw.size(); ++k) {
    Tok t = raw[k];
    if (t.type == T::Name) {
      while (k + 2 < raw.size() && raw[k + 1].type == T::Op && raw[k + 1].text == "." &&
             (raw[k + 2].type == T::Name ||
              (raw[k + 2].type == T::Op && raw[k + 2].text == "*"))) {
        if (raw[k + 2].type == T::Name) {
          t.parts.push_back(raw[k + 2].parts[0]);
          t.quoted.push_back(raw[k + 2].quoted[0]);
        } else {
          t.parts.push_back("*");
          t.quoted.push_back(false);
        }
        k += 2;
      }
      if (k + 1 < raw.size() && raw[k + 1].type == T::Op && raw[k + 1].text == ".")
        throw Refusal{"incomplete dotted name"};
    } else if (t.type == T::Op && t.text == ".") {
      throw Refusal{"unexpected '.'"};
    }
    out.push_back(std::move(t));
  }
  return out;
}

bool IsWord(const Tok& t, std::string_view upper) {
  return t.type == T::Name && t.parts.size() == 1 && !t.quoted[0] && Upper(t.parts[0]) == upper;
}
bool IsOp(const Tok& t, std::string_view op) { return t.type == T::Op && t.text == op; }
bool IsCmp(const Tok& t) {
  return t.type == T::Op && (t.text == "=" || t.text == "<>" || t.text == "!=" ||
                             t.text == "<" || t.text == ">" || t.text == "<=" ||
                             t.text == ">=");
}

// Words that are never function names even when "(" follows them.
const std::set<std::string> kKeywords = {
    "SELECT", "FROM", "WHERE", "AND", "OR", "NOT", "IN", "EXISTS", "ON", "JOIN", "INNER",
    "OUTER", "CROSS", "FULL", "VALUES", "AS", "UNION", "ALL", "DISTINCT", "BY", "WHEN",
    "THEN", "ELSE", "CASE", "END", "IS", "NULL", "LIKE", "BETWEEN", "INTO", "SET",
    "UPDATE", "INSERT", "DELETE", "HAVING", "GROUP", "ORDER", "ASC", "DESC", "ESCAPE",
    "EXCEPT", "INTERSECT"};

// Words of Transact-SQL (or of SQLite) this server does not take.
const std::set<std::string> kRefused = {
    "DECLARE", "EXEC", "EXECUTE", "BEGIN", "COMMIT", "ROLLBACK", "TRANSACTION", "IF",
    "WHILE", "GO", "MERGE", "OUTPUT", "APPLY", "PIVOT", "UNPIVOT", "OVER", "OPENQUERY",
    "OPENROWSET", "OPENDATASOURCE", "RAISERROR", "THROW", "TRY", "CATCH", "TRUNCATE",
    "DROP", "ALTER", "CREATE", "GRANT", "REVOKE", "DENY", "COLLATE", "PERCENT", "TIES",
    "IDENTITY", "LIMIT", "OFFSET", "FETCH", "FOR", "GLOB", "REGEXP", "MATCH", "PRAGMA",
    "ATTACH", "DETACH", "VACUUM", "REINDEX", "ANALYZE", "REPLACE_INTO", "WAITFOR",
    "SHUTDOWN", "KILL", "USE", "RETURN", "PRINT", "CONTAINS", "FREETEXT", "NATURAL",
    "USING", "RETURNING", "UPSERT", "CONFLICT", "ABORT", "IGNORE", "INDEXED"};

// Functions taken as they are or renamed.
const std::vector<std::pair<std::string, std::string>> kFunctions = {
    {"COUNT", "count"},   {"SUM", "sum"},          {"MAX", "max"},
    {"MIN", "min"},       {"AVG", "avg"},          {"COALESCE", "coalesce"},
    {"UPPER", "upper"},   {"LOWER", "lower"},      {"LTRIM", "ltrim"},
    {"RTRIM", "rtrim"},   {"ABS", "abs"},          {"ROUND", "round"},
    {"REPLACE", "replace"}, {"SUBSTRING", "substr"}, {"ISNULL", "ifnull"},
    {"LEN", "tsql_len"},  {"LEFT", "tsql_left"},   {"RIGHT", "tsql_right"}};

const std::set<std::string> kTableHints = {"NOLOCK",   "READUNCOMMITTED", "ROWLOCK",
                                           "HOLDLOCK", "UPDLOCK",         "READPAST",
                                           "NOWAIT",   "TABLOCK"};

enum class VT { Text, Num, Date, Unknown };

const std::set<std::string> kTextTypes = {"CHAR", "VARCHAR", "NCHAR", "NVARCHAR", "TEXT",
                                          "NTEXT"};
const std::set<std::string> kIntTypes = {"INT", "INTEGER", "BIGINT", "SMALLINT", "TINYINT",
                                         "BIT"};
const std::set<std::string> kRealTypes = {"FLOAT", "REAL", "MONEY", "SMALLMONEY", "DECIMAL",
                                          "NUMERIC"};
const std::set<std::string> kDateTypes = {"DATETIME", "SMALLDATETIME", "DATE", "DATETIME2"};

VT TypeOfTypeName(const std::string& upper) {
  if (kTextTypes.count(upper)) return VT::Text;
  if (kIntTypes.count(upper) || kRealTypes.count(upper)) return VT::Num;
  if (kDateTypes.count(upper)) return VT::Date;
  return VT::Unknown;
}

// The units of DATEDIFF, each with the name tsql_datediff takes.
const char* DateDiffUnit(const std::string& lower) {
  static const std::pair<const char*, const char*> kUnits[] = {
      {"year", "year"},     {"yy", "year"},       {"yyyy", "year"},   {"month", "month"},
      {"mm", "month"},      {"m", "month"},       {"day", "day"},     {"dd", "day"},
      {"d", "day"},         {"hour", "hour"},     {"hh", "hour"},     {"minute", "minute"},
      {"mi", "minute"},     {"n", "minute"},      {"second", "second"}, {"ss", "second"},
      {"s", "second"}};
  for (const auto& [word, name] : kUnits)
    if (lower == word) return name;
  return nullptr;
}

// A whole number of the text as written, or a refusal.
long long WholeNumber(const std::string& digits, const char* what) {
  if (digits.empty() || digits.size() > 18 ||
      digits.find_first_not_of("0123456789") != std::string::npos)
    throw Refusal{std::string(what) + " must be a whole number below 10^18"};
  return std::stoll(digits);
}

// Names of SQLite's own tables and table-valued functions, and of the
// server's helper functions: refused however they are written.
bool ReservedName(const std::string& part) {
  std::string lower = Lower(part);
  return lower.rfind("sqlite_", 0) == 0 || lower.rfind("tsql_", 0) == 0 ||
         lower.rfind("pragma_", 0) == 0 || lower == "dbstat";
}

class Rewriter {
 public:
  Rewriter(std::vector<Tok> toks, const ColumnTypeMap& types)
      : t_(std::move(toks)), types_(types) {}

  RewriteResult Run() {
    RewriteResult r;
    if (t_.empty()) throw Refusal{"empty statement"};
    // A single trailing ';' is harmless; anything after one is a second
    // statement.
    for (size_t k = 0; k < t_.size(); ++k)
      if (IsOp(t_[k], ";")) {
        if (k + 1 != t_.size()) throw Refusal{"several statements in one text"};
        t_.pop_back();
        break;
      }
    if (t_.empty()) throw Refusal{"empty statement"};
    if (IsWord(t_[0], "SELECT")) kind_ = StatementKind::Select;
    else if (IsWord(t_[0], "INSERT")) kind_ = StatementKind::Insert;
    else if (IsWord(t_[0], "UPDATE")) kind_ = StatementKind::Update;
    else if (IsWord(t_[0], "DELETE")) kind_ = StatementKind::Delete;
    else throw Refusal{"statement kind not supported"};

    for (i_ = 0; i_ < t_.size(); ++i_) Step();
    if (!parens_.empty()) throw Refusal{"unbalanced parentheses"};
    CloseSelects(0);

    std::string sql;
    for (const auto& piece : out_) {
      if (!sql.empty()) sql += ' ';
      sql += piece;
    }
    r.ok = true;
    r.sql = sql;
    r.kind = kind_;
    r.parameters = params_;
    return r;
  }

 private:
  enum class Ctx { Plain, Cast, Convert };
  struct Sel {
    size_t depth;
    long long limit = -1;
    bool compound = false;
  };

  const Tok& At(size_t k) const {
    static const Tok none{T::Op, "", {}, {}};
    return k < t_.size() ? t_[k] : none;
  }

  VT ColumnVT(const Tok& name) const {
    if (name.type != T::Name) return VT::Unknown;
    auto it = types_.find(Lower(name.parts.back()));
    if (it == types_.end()) return VT::Unknown;
    switch (it->second) {
      case ColType::Text: return VT::Text;
      case ColType::Int:
      case ColType::Real: return VT::Num;
      case ColType::DateTime: return VT::Date;
      default: return VT::Unknown;
    }
  }

  size_t MatchForward(size_t open) const {
    int depth = 0;
    for (size_t k = open; k < t_.size(); ++k) {
      if (IsOp(t_[k], "(")) ++depth;
      if (IsOp(t_[k], ")") && --depth == 0) return k;
    }
    return t_.size();
  }

  size_t MatchBackward(size_t close) const {
    int depth = 0;
    for (size_t k = close + 1; k-- > 0;) {
      if (IsOp(t_[k], ")")) ++depth;
      if (IsOp(t_[k], "(") && --depth == 0) return k;
    }
    return t_.size();
  }

  VT FuncType(const std::string& upper, size_t open) const {
    if (upper == "ISNULL" || upper == "COALESCE" || upper == "MAX" || upper == "MIN")
      return InferFwd(open + 1);
    if (upper == "CONVERT") {
      const Tok& ty = At(open + 1);
      return ty.type == T::Name ? TypeOfTypeName(Upper(ty.parts.back())) : VT::Unknown;
    }
    if (upper == "CAST") {
      size_t close = MatchForward(open);
      int depth = 0;
      for (size_t k = open + 1; k < close; ++k) {
        if (IsOp(t_[k], "(")) ++depth;
        if (IsOp(t_[k], ")")) --depth;
        if (depth == 0 && IsWord(t_[k], "AS") && At(k + 1).type == T::Name)
          return TypeOfTypeName(Upper(At(k + 1).parts.back()));
      }
      return VT::Unknown;
    }
    if (upper == "UPPER" || upper == "LOWER" || upper == "LTRIM" || upper == "RTRIM" ||
        upper == "REPLACE" || upper == "SUBSTRING" || upper == "LEFT" || upper == "RIGHT")
      return VT::Text;
    if (upper == "COUNT" || upper == "SUM" || upper == "AVG" || upper == "LEN" ||
        upper == "ABS" || upper == "ROUND" || upper == "DATEDIFF")
      return VT::Num;
    if (upper == "GETDATE") return VT::Date;
    return VT::Unknown;
  }

  VT InferFwd(size_t k) const {
    const Tok& t = At(k);
    switch (t.type) {
      case T::String: return VT::Text;
      case T::Number: return VT::Num;
      case T::Hex: return VT::Unknown;
      case T::Name:
        if (IsOp(At(k + 1), "(")) return FuncType(Upper(t.parts.back()), k + 1);
        return ColumnVT(t);
      case T::Op:
        if (t.text == "(") return IsWord(At(k + 1), "SELECT") ? InferFwd(k + 2) : InferFwd(k + 1);
        if (t.text == "-") return VT::Num;
        return VT::Unknown;
    }
    return VT::Unknown;
  }

  VT InferBack(size_t k) const {
    const Tok& t = At(k);
    if (IsOp(t, ")")) {
      size_t open = MatchBackward(k);
      if (open >= t_.size()) return VT::Unknown;
      if (open > 0 && At(open - 1).type == T::Name &&
          !kKeywords.count(Upper(At(open - 1).parts.back())))
        return FuncType(Upper(At(open - 1).parts.back()), open);
      return InferFwd(open);
    }
    if (t.type == T::Name || t.type == T::String || t.type == T::Number) return InferFwd(k);
    return VT::Unknown;
  }

  // Is the string literal at k compared with a date column?
  bool ComparedWithDate(size_t k) const {
    if (k + 2 < t_.size() && IsCmp(At(k + 1)) && ColumnVT(At(k + 2)) == VT::Date) return true;
    if (k == 0) return false;
    const Tok& prev = At(k - 1);
    if (k >= 2 && IsCmp(prev)) return ColumnVT(At(k - 2)) == VT::Date;
    if (k >= 2 && IsWord(prev, "BETWEEN")) return ColumnVT(At(k - 2)) == VT::Date;
    if (k >= 4 && IsWord(prev, "AND") && At(k - 2).type == T::String &&
        IsWord(At(k - 3), "BETWEEN"))
      return ColumnVT(At(k - 4)) == VT::Date;
    if (IsOp(prev, "(") || IsOp(prev, ",")) {
      size_t j = k - 1;
      while (j > 0 && (IsOp(At(j), ",") || At(j).type == T::String)) --j;
      if (IsOp(At(j), "(") && j >= 2 && IsWord(At(j - 1), "IN")) {
        size_t col = j - 2;
        if (IsWord(At(col), "NOT") && col > 0) --col;
        return ColumnVT(At(col)) == VT::Date;
      }
    }
    return false;
  }

  void Emit(std::string s) { out_.push_back(std::move(s)); }

  static std::string QuoteLiteral(std::string_view v) {
    std::string s = "'";
    for (char c : v) {
      if (c == '\'') s += '\'';
      s += c;
    }
    return s + "'";
  }

  std::string NameText(const Tok& t) const {
    std::vector<std::string> parts = t.parts;
    std::vector<bool> quoted = t.quoted;
    if (parts.size() == 3) {
      if (Lower(parts[0]) != "brantle" || Lower(parts[1]) != "dbo")
        throw Refusal{"unknown database or schema " + parts[0] + "." + parts[1]};
      parts.erase(parts.begin(), parts.begin() + 2);
      quoted.erase(quoted.begin(), quoted.begin() + 2);
    } else if (parts.size() == 2 && Lower(parts[0]) == "dbo" && parts[1] != "*") {
      parts.erase(parts.begin());
      quoted.erase(quoted.begin());
    } else if (parts.size() > 3) {
      throw Refusal{"names of other servers are not supported"};
    }
    std::string s;
    for (size_t k = 0; k < parts.size(); ++k) {
      if (k) s += '.';
      if (ReservedName(parts[k])) throw Refusal{"name not allowed: " + parts[k]};
      if (quoted[k]) {
        s += '"';
        for (char c : parts[k]) {
          if (c == '"') s += '"';
          s += c;
        }
        s += '"';
      } else {
        s += parts[k];
      }
    }
    return s;
  }

  void CloseSelects(size_t depth) {
    while (!sels_.empty() && sels_.back().depth >= depth) {
      if (sels_.back().limit >= 0) Emit("LIMIT " + std::to_string(sels_.back().limit));
      sels_.pop_back();
    }
  }

  long long ParseTop() {
    // TOP n or TOP (n)
    size_t k = i_ + 1;
    bool paren = IsOp(At(k), "(");
    if (paren) ++k;
    const Tok& num = At(k);
    if (num.type != T::Number) throw Refusal{"TOP needs a whole number"};
    long long n = WholeNumber(num.text, "TOP");
    if (paren) {
      if (!IsOp(At(k + 1), ")")) throw Refusal{"TOP (n) not closed"};
      ++k;
    }
    if (IsWord(At(k + 1), "PERCENT") || IsWord(At(k + 1), "WITH"))
      throw Refusal{"TOP PERCENT / WITH TIES are not supported"};
    i_ = k;
    return n;
  }

  void Step() {
    const Tok& t = t_[i_];
    switch (t.type) {
      case T::String: {
        if (ComparedWithDate(i_)) {
          std::string norm;
          if (t.text.empty())
            norm = kEmptyDate;
          else if (!NormalizeDateLiteral(t.text, norm))
            throw Refusal{"'" + t.text + "' is not a date"};
          Emit(QuoteLiteral(norm));
        } else {
          Emit(QuoteLiteral(t.text));
        }
        return;
      }
      case T::Number:
        Emit(t.text);
        return;
      case T::Hex: {
        std::string digits = t.text;
        if (digits.size() % 2) digits.insert(digits.begin(), '0');
        Emit("X'" + digits + "'");
        return;
      }
      case T::Op:
        StepOp(t);
        return;
      case T::Name:
        StepName(t);
        return;
    }
  }

  void StepOp(const Tok& t) {
    const std::string& op = t.text;
    if (op == "(") {
      // (NOLOCK) without WITH, the old form of the hint.
      if (At(i_ + 1).type == T::Name && At(i_ + 1).parts.size() == 1 &&
          kTableHints.count(Upper(At(i_ + 1).parts[0])) && IsOp(At(i_ + 2), ")")) {
        i_ += 2;
        return;
      }
      parens_.push_back(Ctx::Plain);
      Emit("(");
      return;
    }
    if (op == ")") {
      if (parens_.empty()) throw Refusal{"unbalanced parentheses"};
      CloseSelects(parens_.size());
      Ctx c = parens_.back();
      parens_.pop_back();
      if (c == Ctx::Cast) throw Refusal{"CAST without AS"};
      if (c == Ctx::Convert) Emit(",0)");
      else Emit(")");
      return;
    }
    if (op == "," && !parens_.empty() && parens_.back() == Ctx::Convert) {
      // CONVERT(type, value, style)
      const Tok& style = At(i_ + 1);
      if (style.type != T::Number || !IsOp(At(i_ + 2), ")"))
        throw Refusal{"CONVERT style must be a number"};
      Emit("," + style.text + ")");
      parens_.pop_back();
      CloseSelects(parens_.size() + 1);
      i_ += 2;
      return;
    }
    if (op == "+") {
      VT left = i_ > 0 ? InferBack(i_ - 1) : VT::Num;
      VT right = InferFwd(i_ + 1);
      bool unary = i_ == 0 || (At(i_ - 1).type == T::Op && !IsOp(At(i_ - 1), ")")) ||
                   (At(i_ - 1).type == T::Name && kKeywords.count(Upper(At(i_ - 1).parts.back())) &&
                    !IsWord(At(i_ - 1), "NULL"));
      if (unary) {
        Emit("+");
        return;
      }
      if (left == VT::Date || right == VT::Date)
        throw Refusal{"date arithmetic with + is not supported"};
      if (left == VT::Text && right == VT::Text) {
        Emit("||");
        return;
      }
      if ((left == VT::Num && right != VT::Text) || (right == VT::Num && left != VT::Text)) {
        Emit("+");
        return;
      }
      throw Refusal{"cannot tell whether + adds numbers or joins texts"};
    }
    if (op == "!=") { Emit("<>"); return; }
    if (op == "?") { ++params_; Emit("?"); return; }
    if (op == "=" || op == "<" || op == ">" || op == "<=" || op == ">=" || op == "<>" ||
        op == "," || op == "-" || op == "*" || op == "/" || op == "%" || op == "&" ||
        op == "|" || op == "~") {
      Emit(op);
      return;
    }
    if (op == "{" || op == "}") throw Refusal{"call escapes are only taken as a whole"};
    throw Refusal{"operator " + op + " is not supported"};
  }

  void StepName(const Tok& t) {
    bool single = t.parts.size() == 1 && !t.quoted[0];
    std::string up = single ? Upper(t.parts[0]) : "";
    bool call = IsOp(At(i_ + 1), "(");
    if (single) {
      if (kRefused.count(up)) throw Refusal{up + " is not supported"};
      if (up == "SELECT") {
        bool compound = i_ > 0 && (IsWord(At(i_ - 1), "UNION") || IsWord(At(i_ - 1), "ALL") ||
                                   IsWord(At(i_ - 1), "EXCEPT") ||
                                   IsWord(At(i_ - 1), "INTERSECT"));
        Sel s{parens_.size()};
        s.compound = compound;
        sels_.push_back(s);
        Emit("SELECT");
        if (IsWord(At(i_ + 1), "DISTINCT") || IsWord(At(i_ + 1), "ALL")) {
          Emit(Upper(At(i_ + 1).parts[0]));
          ++i_;
        }
        if (IsWord(At(i_ + 1), "TOP")) {
          ++i_;
          long long n = ParseTop();
          if (sels_.back().compound) throw Refusal{"TOP inside UNION is not supported"};
          sels_.back().limit = n;
        }
        return;
      }
      if (up == "TOP") throw Refusal{"TOP only after SELECT"};
      if (up == "UNION" || up == "EXCEPT" || up == "INTERSECT") {
        if (!sels_.empty() && sels_.back().depth == parens_.size()) {
          if (sels_.back().limit >= 0) throw Refusal{"TOP inside UNION is not supported"};
          sels_.pop_back();
        }
        Emit(up);
        return;
      }
      if (up == "INTO" && !(i_ > 0 && IsWord(At(i_ - 1), "INSERT")))
        throw Refusal{"SELECT ... INTO is not supported"};
      if (up == "FROM" && parens_.empty()) {
        if (kind_ == StatementKind::Update) throw Refusal{"UPDATE ... FROM is not supported"};
        if (kind_ == StatementKind::Delete && ++deleteFroms_ > 1)
          throw Refusal{"DELETE ... FROM ... FROM is not supported"};
      }
      if (up == "DELETE" && i_ == 0) {
        Emit("DELETE");
        if (IsWord(At(i_ + 1), "TOP")) throw Refusal{"DELETE TOP is not supported"};
        if (!IsWord(At(i_ + 1), "FROM")) {
          Emit("FROM");
          ++deleteFroms_;
        }
        return;
      }
      if (up == "UPDATE" && i_ == 0 && IsWord(At(i_ + 1), "TOP"))
        throw Refusal{"UPDATE TOP is not supported"};
      if (up == "WITH") {
        // Table hints: WITH (NOLOCK) and friends.
        if (!IsOp(At(i_ + 1), "(")) throw Refusal{"WITH is only taken for table hints"};
        size_t k = i_ + 2;
        for (;;) {
          const Tok& h = At(k);
          if (h.type != T::Name || h.parts.size() != 1 || !kTableHints.count(Upper(h.parts[0])))
            throw Refusal{"table hint not supported"};
          ++k;
          if (IsOp(At(k), ",")) { ++k; continue; }
          if (IsOp(At(k), ")")) break;
          throw Refusal{"table hint not supported"};
        }
        i_ = k;
        return;
      }
      if (call && up == "GETDATE") {
        if (!IsOp(At(i_ + 2), ")")) throw Refusal{"GETDATE takes no arguments"};
        Emit("tsql_getdate()");
        i_ += 2;
        return;
      }
      if (call && up == "CAST") {
        parens_.push_back(Ctx::Cast);
        Emit("tsql_cast(");
        ++i_;
        return;
      }
      if (up == "AS" && !parens_.empty() && parens_.back() == Ctx::Cast) {
        auto [type, len, next] = ParseTypeSpec(i_ + 1);
        if (!IsOp(At(next), ")")) throw Refusal{"CAST ... AS type not closed"};
        Emit(",'" + type + "'," + std::to_string(len) + ")");
        parens_.pop_back();
        i_ = next;
        return;
      }
      if (call && up == "CONVERT") {
        auto [type, len, next] = ParseTypeSpec(i_ + 2);
        if (!IsOp(At(next), ",")) throw Refusal{"CONVERT(type, value) expected"};
        parens_.push_back(Ctx::Convert);
        Emit("tsql_convert('" + type + "'," + std::to_string(len) + ",");
        i_ = next;
        return;
      }
      if (call && up == "DATEDIFF") {
        const Tok& unit = At(i_ + 2);
        if (unit.type != T::Name || unit.parts.size() != 1 || unit.quoted[0] ||
            !IsOp(At(i_ + 3), ","))
          throw Refusal{"DATEDIFF(unit, start, end) expected"};
        const char* name = DateDiffUnit(Lower(unit.parts[0]));
        if (!name) throw Refusal{"DATEDIFF unit " + unit.parts[0] + " is not supported"};
        parens_.push_back(Ctx::Plain);
        Emit("tsql_datediff(" + QuoteLiteral(name) + ",");
        i_ += 3;
        return;
      }
      if (call && !kKeywords.count(up) && !(i_ > 0 && IsWord(At(i_ - 1), "INTO"))) {
        for (const auto& [name, target] : kFunctions)
          if (name == up) {
            Emit(target);
            return;
          }
        throw Refusal{"function " + t.parts[0] + " is not supported"};
      }
      if (kKeywords.count(up) || up == "TOP") {
        Emit(up);
        return;
      }
    } else if (call && !(i_ > 0 && IsWord(At(i_ - 1), "INTO"))) {
      throw Refusal{"function " + t.parts.back() + " is not supported"};
    }
    Emit(NameText(t));
  }

  struct TypeSpec {
    std::string type;
    long long len;
    size_t next;
  };

  // type [ ( n [, m] ) | ( MAX ) ] starting at k; next = the token after.
  TypeSpec ParseTypeSpec(size_t k) const {
    const Tok& ty = At(k);
    if (ty.type != T::Name || ty.parts.size() != 1) throw Refusal{"type name expected"};
    std::string up = Upper(ty.parts[0]);
    if (TypeOfTypeName(up) == VT::Unknown) throw Refusal{"type " + ty.parts[0] + " is not supported"};
    long long len = 0;
    size_t next = k + 1;
    if (IsOp(At(next), "(")) {
      const Tok& n = At(next + 1);
      if (n.type == T::Number) len = WholeNumber(n.text, "A type length");
      else if (!IsWord(n, "MAX")) throw Refusal{"type length expected"};
      next += 2;
      if (IsOp(At(next), ",") && At(next + 1).type == T::Number) next += 2;
      if (!IsOp(At(next), ")")) throw Refusal{"type length not closed"};
      ++next;
    }
    return {Lower(up), len, next};
  }

  std::vector<Tok> t_;
  const ColumnTypeMap& types_;
  size_t i_ = 0;
  std::vector<std::string> out_;
  std::vector<Ctx> parens_;
  std::vector<Sel> sels_;
  StatementKind kind_ = StatementKind::Select;
  int params_ = 0;
  int deleteFroms_ = 0;
};

}  // namespace

const std::vector<std::string>& RewriterFunctions() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> v;
    for (const auto& f : kFunctions) v.push_back(f.second);
    for (const char* f : {"tsql_getdate", "tsql_cast", "tsql_convert", "tsql_datediff", "like"})
      v.push_back(f);
    return v;
  }();
  return names;
}

bool NormalizeDateLiteral(std::string_view s, std::string& out) {
  // y sep m sep d [ (blank|T) h:m[:s[.f]] ]
  int v[6] = {0, 0, 0, 0, 0, 0};
  int frac = 0;
  size_t i = 0;
  auto number = [&](int& into, size_t maxDigits) {
    size_t start = i;
    into = 0;
    while (i < s.size() && isdigit(static_cast<unsigned char>(s[i])) && i - start < maxDigits)
      into = into * 10 + (s[i++] - '0');
    return i > start;
  };
  while (i < s.size() && s[i] == ' ') ++i;
  size_t yearStart = i;
  if (!number(v[0], 4) || i - yearStart != 4) return false;
  if (i >= s.size() || (s[i] != '.' && s[i] != '-' && s[i] != '/')) return false;
  char sep = s[i++];
  if (!number(v[1], 2)) return false;
  if (i >= s.size() || s[i] != sep) return false;
  ++i;
  if (!number(v[2], 2)) return false;
  if (i < s.size() && (s[i] == ' ' || s[i] == 'T')) {
    while (i < s.size() && (s[i] == ' ' || s[i] == 'T')) ++i;
    if (i < s.size()) {
      if (!number(v[3], 2) || i >= s.size() || s[i] != ':') return false;
      ++i;
      if (!number(v[4], 2)) return false;
      if (i < s.size() && s[i] == ':') {
        ++i;
        if (!number(v[5], 2)) return false;
        if (i < s.size() && s[i] == '.') {
          ++i;
          size_t fs = i;
          int f = 0;
          if (!number(f, 3)) return false;
          for (size_t k = i - fs; k < 3; ++k) f *= 10;
          frac = f;
        }
      }
    }
  }
  while (i < s.size() && s[i] == ' ') ++i;
  if (i != s.size()) return false;
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (v[0] < 1753 || v[1] < 1 || v[1] > 12 || v[2] < 1 || v[2] > kDays[v[1] - 1]) return false;
  bool leap = (v[0] % 4 == 0 && v[0] % 100 != 0) || v[0] % 400 == 0;
  if (v[1] == 2 && v[2] == 29 && !leap) return false;
  if (v[3] > 23 || v[4] > 59 || v[5] > 59) return false;
  char buf[80];
  snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", v[0], v[1], v[2], v[3], v[4], v[5]);
  out = buf;
  if (frac) {
    snprintf(buf, sizeof buf, ".%03d", frac);
    out += buf;
  }
  return true;
}

RewriteResult RewriteTsql(std::string_view sql, const ColumnTypeMap& types) {
  try {
    Rewriter r(Tokenize(sql), types);
    return r.Run();
  } catch (const Refusal& e) {
    RewriteResult r;
    r.error = e.reason;
    return r;
  }
}

}  // namespace localserver
