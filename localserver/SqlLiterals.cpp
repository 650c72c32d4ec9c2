#include "localserver/SqlLiterals.h"

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <initializer_list>

namespace localserver {

namespace {

bool WordStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || static_cast<unsigned char>(c) >= 0x80; }
bool WordChar(char c) { return WordStart(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '$'; }

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace

LiteralSplit SplitLiterals(std::string_view sql) {
  LiteralSplit none;
  LiteralSplit out;
  out.sql.reserve(sql.size());
  std::string_view previous;  // the last token before the one at hand
  // Parenthesis levels: whether each open one is a tuple of a VALUES list.
  std::vector<bool> tuples;
  int valuesList = -1;  // the level whose tuples follow VALUES, or -1
  // In an INSERT ... SELECT, the level whose select list is being read, or
  // -1: its items are the rows' values as a VALUES list's are.
  size_t lead = 0;
  while (lead < sql.size() && std::isspace(static_cast<unsigned char>(sql[lead]))) ++lead;
  const bool insert = SameWord(sql.substr(lead, 6), "INSERT") &&
                      (lead + 6 == sql.size() || !WordChar(sql[lead + 6]));
  int selectList = -1;
  size_t copied = 0;    // sql[copied, i) is still to be copied
  auto valueSlot = [&]() {
    if (previous == "=" || previous == "==" || previous == "<>" || previous == "!=" || previous == "<" ||
        previous == ">" || previous == "<=" || previous == ">=" || SameWord(previous, "LIKE"))
      return true;
    if (selectList == static_cast<int>(tuples.size()) &&
        (previous == "," || SameWord(previous, "SELECT")))
      return true;
    return !tuples.empty() && tuples.back() && (previous == "(" || previous == ",");
  };
  // The words that end a select list (a compound's next SELECT opens the
  // next one).
  auto endsSelectList = [](std::string_view word) {
    for (std::string_view w : {"FROM", "WHERE", "GROUP", "ORDER", "HAVING", "LIMIT", "WINDOW",
                               "UNION", "EXCEPT", "INTERSECT", "VALUES", "ON", "RETURNING"})
      if (SameWord(word, w)) return true;
    return false;
  };
  auto takeOut = [&](size_t start, size_t end, DbValue value) {
    out.sql.append(sql.substr(copied, start - copied));
    out.values.push_back(std::move(value));
    out.sql += "?" + std::to_string(out.values.size());
    copied = end;
  };
  size_t i = 0;
  while (i < sql.size()) {
    const char c = sql[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
      continue;
    }
    const size_t start = i;
    if (c == '\'') {
      std::string value;
      ++i;
      for (;;) {
        if (i >= sql.size()) return none;  // unterminated
        if (sql[i] == '\'') {
          if (i + 1 < sql.size() && sql[i + 1] == '\'') {
            value += '\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        value += sql[i++];
      }
      if (valueSlot()) takeOut(start, i, DbValue::OfText(std::move(value)));
      previous = "'";
      continue;
    }
    if (c == '"' || c == '`' || c == '[') {
      const char close = c == '[' ? ']' : c;
      const size_t end = sql.find(close, i + 1);
      if (end == std::string_view::npos) return none;
      i = end + 1;
      previous = sql.substr(start, i - start);
      continue;
    }
    if (std::isdigit(static_cast<unsigned char>(c)) || (c == '.' && i + 1 < sql.size() &&
                                                         std::isdigit(static_cast<unsigned char>(sql[i + 1])))) {
      size_t digits = 0;
      bool point = false;
      while (i < sql.size() && (std::isdigit(static_cast<unsigned char>(sql[i])) || (sql[i] == '.' && !point))) {
        if (sql[i] == '.') point = true;
        else ++digits;
        ++i;
      }
      // Exponents, hexadecimal and anything glued on stay as they are.
      const bool plain = i >= sql.size() || !(WordChar(sql[i]) || sql[i] == '.');
      const std::string_view text = sql.substr(start, i - start);
      if (!plain) {
        while (i < sql.size() && (WordChar(sql[i]) || sql[i] == '.' || sql[i] == '+' || sql[i] == '-')) ++i;
      } else if (valueSlot()) {
        if (!point) {
          int64_t v = 0;
          auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
          if (ec == std::errc() && end == text.data() + text.size()) takeOut(start, i, DbValue::Of(v));
        } else if (digits <= 15 && text.back() != '.' && text.front() != '.') {
          takeOut(start, i, DbValue::OfReal(std::strtod(std::string(text).c_str(), nullptr)));
        }
      }
      previous = "0";
      continue;
    }
    if (WordStart(c)) {
      while (i < sql.size() && WordChar(sql[i])) ++i;
      const std::string_view word = sql.substr(start, i - start);
      // A blob literal X'..' stays as it is.
      if ((word == "x" || word == "X") && i < sql.size() && sql[i] == '\'') return none;
      if (SameWord(word, "VALUES")) valuesList = static_cast<int>(tuples.size());
      else if (valuesList == static_cast<int>(tuples.size())) valuesList = -1;
      if (insert && SameWord(word, "SELECT")) selectList = static_cast<int>(tuples.size());
      else if (selectList == static_cast<int>(tuples.size()) && endsSelectList(word)) selectList = -1;
      previous = word;
      continue;
    }
    // Comments and parameters of any kind: the text stays whole.
    if (c == '?' || c == ':' || c == '@' || c == '$' || c == '#') return none;
    if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') return none;
    if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') return none;
    if (c == '(') {
      const bool tuple = valuesList == static_cast<int>(tuples.size()) &&
                         (SameWord(previous, "VALUES") || previous == ",");
      tuples.push_back(tuple);
      previous = "(";
      ++i;
      continue;
    }
    if (c == ')') {
      if (tuples.empty()) return none;
      if (selectList == static_cast<int>(tuples.size())) selectList = -1;
      tuples.pop_back();
      previous = ")";
      ++i;
      continue;
    }
    // Operators of two characters, then any other single character.
    static const std::string_view kPairs[] = {"<=", ">=", "<>", "!=", "==", "||", "<<", ">>"};
    size_t width = 1;
    for (std::string_view pair : kPairs)
      if (sql.substr(i, 2) == pair) width = 2;
    previous = sql.substr(i, width);
    i += width;
  }
  if (out.values.empty()) return none;
  out.sql.append(sql.substr(copied));
  return out;
}

std::string KeyNumberLookups(std::string_view sql, const std::vector<DbValue>& values) {
  // The text as tokens: [start, end) of each, whitespace dropped.
  struct Token {
    size_t start, end;
  };
  std::vector<Token> tokens;
  for (size_t i = 0; i < sql.size();) {
    const char c = sql[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
      continue;
    }
    const size_t start = i;
    if (c == '\'' || c == '"' || c == '`' || c == '[') {
      const char close = c == '[' ? ']' : c;
      for (++i;; ++i) {
        if (i >= sql.size()) return std::string(sql);
        if (sql[i] == close) {
          if (c == '\'' && i + 1 < sql.size() && sql[i + 1] == '\'') {
            ++i;
            continue;
          }
          ++i;
          break;
        }
      }
    } else if (WordChar(c)) {
      while (i < sql.size() && WordChar(sql[i])) ++i;
    } else if (c == '?') {
      for (++i; i < sql.size() && std::isdigit(static_cast<unsigned char>(sql[i]));) ++i;
    } else {
      ++i;
      if (i < sql.size() && std::string_view("<>!=|").find(c) != std::string_view::npos &&
          std::string_view("<>=|").find(sql[i]) != std::string_view::npos)
        ++i;
    }
    tokens.push_back({start, i});
  }
  auto text = [&](size_t k) { return sql.substr(tokens[k].start, tokens[k].end - tokens[k].start); };
  for (size_t k = 0; k < tokens.size(); ++k)
    if (SameWord(text(k), "BETWEEN")) return std::string(sql);
  auto oneOf = [](std::string_view word, std::initializer_list<std::string_view> words) {
    for (std::string_view w : words)
      if (SameWord(word, w)) return true;
    return false;
  };
  std::string out;
  size_t copied = 0;
  for (size_t k = 0; k < tokens.size(); ++k) {
    // The name: word(.word)*, ending in cnum or cserviceno.
    if (!WordStart(sql[tokens[k].start])) continue;
    size_t last = k;
    while (last + 2 < tokens.size() && text(last + 1) == "." && WordStart(sql[tokens[last + 2].start]))
      last += 2;
    if (!oneOf(text(last), {"cnum", "cserviceno"})) continue;
    if (last + 2 >= tokens.size() || text(last + 1) != "=" || text(last + 2).front() != '?') continue;
    const std::string_view marker = text(last + 2);
    size_t number = 0;
    auto [end, ec] = std::from_chars(marker.data() + 1, marker.data() + marker.size(), number);
    if (ec != std::errc() || number == 0 || number > values.size() ||
        values[number - 1].kind != DbValue::Text)
      continue;
    const bool before = k == 0 ? false
                               : oneOf(text(k - 1), {"WHERE", "ON", "HAVING", "AND", "OR", "NOT"}) ||
                                     text(k - 1) == "(";
    const bool after = last + 3 == tokens.size() ||
                       oneOf(text(last + 3), {"AND", "OR", "ORDER", "GROUP", "LIMIT", "UNION"}) ||
                       text(last + 3) == ")";
    if (!before || !after) continue;
    const std::string name(sql.substr(tokens[k].start, tokens[last].end - tokens[k].start));
    out.append(sql.substr(copied, tokens[k].start - copied));
    out += "(lower(rtrim(" + name + "))=lower(rtrim(" + std::string(marker) + ")) AND " + name + "=" +
           std::string(marker) + ")";
    copied = tokens[last + 2].end;
    k = last + 2;
  }
  if (copied == 0) return std::string(sql);
  out.append(sql.substr(copied));
  return out;
}

}  // namespace localserver
