#include "localserver/Procedures.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <thread>

#include "localserver/Wire.h"

namespace localserver {

int64_t ProcArg::AsInt() const {
  switch (kind) {
    case Int: return i;
    case Real:
      if (!(d > -9e18 && d < 9e18)) throw ProcArgError("whole number out of range");
      return static_cast<int64_t>(d);
    case Text: {
      char* end = nullptr;
      errno = 0;
      long long v = strtoll(text.c_str(), &end, 10);
      if (text.empty() || *end) throw ProcArgError("number expected, got '" + text + "'");
      if (errno == ERANGE) throw ProcArgError("whole number out of range: " + text);
      return v;
    }
    default: throw ProcArgError("number expected");
  }
}

double ProcArg::AsReal() const {
  switch (kind) {
    case Int: return static_cast<double>(i);
    case Real: return d;
    case Text: {
      char* end = nullptr;
      double v = strtod(text.c_str(), &end);
      if (text.empty() || *end) throw ProcArgError("number expected, got '" + text + "'");
      return v;
    }
    default: throw ProcArgError("number expected");
  }
}

const std::string& ProcArg::AsText() const {
  if (kind != Text) throw ProcArgError("text expected");
  if (!textOk) throw ProcArgError("text is not GBK");
  return text;
}

bool LooksLikeProcCall(std::string_view raw) {
  size_t i = 0;
  while (i < raw.size() && isspace(static_cast<unsigned char>(raw[i]))) ++i;
  return i < raw.size() && raw[i] == '{';
}

bool ParseProcCall(std::string_view s, ProcCall& call, std::string& error) {
  call = ProcCall();
  size_t i = 0;
  auto skip = [&] {
    while (i < s.size() && isspace(static_cast<unsigned char>(s[i]))) ++i;
  };
  auto word = [&](std::string_view w) {
    if (s.size() - i < w.size()) return false;
    for (size_t k = 0; k < w.size(); ++k)
      if (toupper(static_cast<unsigned char>(s[i + k])) != w[k]) return false;
    i += w.size();
    return true;
  };
  skip();
  if (i >= s.size() || s[i] != '{') { error = "call escape expected"; return false; }
  ++i;
  skip();
  if (i < s.size() && s[i] == '?') {
    ++i;
    skip();
    if (i >= s.size() || s[i] != '=') { error = "'?=' expected"; return false; }
    ++i;
    skip();
    call.wantsReturn = true;
  }
  if (!word("CALL") || i >= s.size() || !isspace(static_cast<unsigned char>(s[i]))) {
    error = "CALL expected";
    return false;
  }
  skip();
  // brantle.dbo.name, dbo.name or name
  size_t start = i;
  while (i < s.size() && (isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_' || s[i] == '.'))
    ++i;
  std::string full(s.substr(start, i - start));
  for (auto& c : full) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  if (full.rfind("brantle.dbo.", 0) == 0) full = full.substr(12);
  else if (full.rfind("dbo.", 0) == 0) full = full.substr(4);
  if (full.empty() || full.find('.') != std::string::npos) {
    error = "bad procedure name";
    return false;
  }
  call.name = full;
  skip();
  if (i < s.size() && s[i] == '(') {
    ++i;
    skip();
    if (i < s.size() && s[i] == ')') {
      ++i;
    } else {
      for (;;) {
        skip();
        if (i >= s.size()) { error = "unterminated argument list"; return false; }
        ProcArg a;
        char c = s[i];
        if (c == '\'' || ((c == 'N' || c == 'n') && i + 1 < s.size() && s[i + 1] == '\'')) {
          if (c != '\'') ++i;
          ++i;
          for (;;) {
            if (i >= s.size()) { error = "unterminated string argument"; return false; }
            if (s[i] == '\'') {
              if (i + 1 < s.size() && s[i + 1] == '\'') { a.raw += '\''; i += 2; continue; }
              ++i;
              break;
            }
            a.raw += s[i++];
          }
          a.kind = ProcArg::Text;
          a.textOk = Utf8FromGbk(a.raw, a.text);
        } else if (c == '0' && i + 1 < s.size() && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
          i += 2;
          size_t hs = i;
          while (i < s.size() && isxdigit(static_cast<unsigned char>(s[i]))) ++i;
          std::string digits(s.substr(hs, i - hs));
          if (digits.size() % 2) digits.insert(digits.begin(), '0');
          a.kind = ProcArg::Binary;
          HexDecode(digits, a.raw);
        } else if (c == '?') {
          ++i;
          a.kind = ProcArg::Output;
          ++call.outputs;
        } else if (c == '-' || c == '+' || c == '.' || isdigit(static_cast<unsigned char>(c))) {
          size_t ns = i;
          ++i;
          while (i < s.size() && (isdigit(static_cast<unsigned char>(s[i])) || s[i] == '.' ||
                                  s[i] == 'e' || s[i] == 'E'))
            ++i;
          std::string num(s.substr(ns, i - ns));
          char* end = nullptr;
          errno = 0;
          if (num.find_first_of(".eE") == std::string::npos) {
            a.kind = ProcArg::Int;
            a.i = strtoll(num.c_str(), &end, 10);
          } else {
            a.kind = ProcArg::Real;
            a.d = strtod(num.c_str(), &end);
          }
          if (!end || *end) { error = "bad number argument " + num; return false; }
          if (errno == ERANGE) { error = "number argument out of range " + num; return false; }
        } else if (word("NULL")) {
          a.kind = ProcArg::Null;
        } else {
          error = "unsupported argument";
          return false;
        }
        call.args.push_back(std::move(a));
        skip();
        if (i < s.size() && s[i] == ',') { ++i; continue; }
        if (i < s.size() && s[i] == ')') { ++i; break; }
        error = "',' or ')' expected in the argument list";
        return false;
      }
    }
  }
  skip();
  if (i >= s.size() || s[i] != '}') { error = "'}' expected"; return false; }
  ++i;
  skip();
  if (i != s.size()) { error = "text after the call"; return false; }
  return true;
}

void ProcedureRegistry::Add(std::string name, int minArgs, int maxArgs, ProcFn fn) {
  procs_[std::move(name)] = Entry{minArgs, maxArgs, std::move(fn)};
}

bool ProcPause::AppliesTo(const std::string& name, Point point) const {
  return delay.count() > 0 && at == point &&
         std::find(names.begin(), names.end(), name) != names.end();
}

namespace {

void Pause(const std::string& name, const char* where, std::chrono::milliseconds delay) {
  std::cout << "brantle-server: pausing in " << name << " after its " << where << std::endl;
  std::this_thread::sleep_for(delay);
}

// Pauses once, at the first row change SQLite reports on the connection
// while it is installed.
class FirstWritePause {
 public:
  FirstWritePause(sqlite3* db, const std::string& name, std::chrono::milliseconds delay)
      : db_(db), name_(name), delay_(delay) {
    sqlite3_update_hook(db_, &FirstWritePause::Changed, this);
  }
  ~FirstWritePause() { sqlite3_update_hook(db_, nullptr, nullptr); }
  FirstWritePause(const FirstWritePause&) = delete;
  FirstWritePause& operator=(const FirstWritePause&) = delete;

 private:
  static void Changed(void* self, int, const char*, const char*, sqlite3_int64) {
    auto* p = static_cast<FirstWritePause*>(self);
    if (p->paused_) return;
    p->paused_ = true;
    Pause(p->name_, "first write", p->delay_);
  }

  sqlite3* db_;
  const std::string& name_;
  std::chrono::milliseconds delay_;
  bool paused_ = false;
};

}  // namespace

ProcResult ProcedureRegistry::Call(ProcContext& ctx, const ProcCall& call) const {
  auto it = procs_.find(call.name);
  if (it == procs_.end()) throw ProcArgError("unknown procedure " + call.name);
  int n = static_cast<int>(call.args.size());
  if (n < it->second.minArgs || n > it->second.maxArgs)
    throw ProcArgError(call.name + ": wrong number of arguments");
  std::optional<FirstWritePause> pause;
  if (pause_.AppliesTo(call.name, ProcPause::Point::FirstWrite))
    pause.emplace(ctx.db.Handle(), call.name, pause_.delay);
  ProcResult r = it->second.fn(ctx, call.args);
  r.outputs.resize(call.outputs);
  return r;
}

void ProcedureRegistry::PauseAfterCommit(const std::string& name) const {
  if (pause_.AppliesTo(name, ProcPause::Point::Commit)) Pause(name, "commit", pause_.delay);
}

}  // namespace localserver
