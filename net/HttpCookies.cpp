// The cookie jar of a request record and the target of a redirect answer.

#include <cctype>
#include <cstring>
#include <ctime>

#include "net/HttpClient.h"

#include "common/Base64.h"
#include "common/DateTime.h"
#include "net/HttpInternal.h"

using http_detail::FindNoCase;
using http_detail::LineAt;

namespace {

constexpr size_t npos = std::string_view::npos;

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// The name of a jar entry "name=value" (the whole entry when it has no "=").
std::string_view EntryName(std::string_view entry) { return TrimBlanks(entry.substr(0, entry.find('='))); }

bool JarHasName(std::string_view jar, std::string_view name) {
  while (!jar.empty()) {
    size_t semi = jar.find(';');
    std::string_view entry = jar.substr(0, semi);
    if (entry.find('=') != npos && EntryName(entry) == name) return true;
    if (semi == npos) break;
    jar.remove_prefix(semi + 1);
  }
  return false;
}

// Whether the expiry date of a cookie lies in the past: a valid date of a
// year after 1970 earlier than the current UTC time.  An unreadable date
// never expires the cookie.
bool CookieDateHasPassed(std::string_view text) {
  DateTimeFields when;
  if (!ParseHttpDate(text, when) || when.year <= 1970) return false;
  // A date that does not exist (31 April, hour 25) is not a valid date.
  const std::chrono::year_month_day date{std::chrono::year(when.year),
                                         std::chrono::month(static_cast<unsigned>(when.month)),
                                         std::chrono::day(static_cast<unsigned>(when.day))};
  if (!date.ok() || when.hour < 0 || when.hour > 23 || when.minute < 0 || when.minute > 59 ||
      when.second < 0 || when.second > 59)
    return false;
  std::chrono::sys_seconds now;
  CurrentUtcTime(now);
  const std::chrono::sys_seconds expiry =
      std::chrono::sys_days(date) +
      std::chrono::hours(when.hour) + std::chrono::minutes(when.minute) +
      std::chrono::seconds(when.second);
  return expiry < now;
}

// "Max-Age=0" as a whole value (not "Max-Age=05").
bool HasZeroMaxAge(std::string_view line) {
  for (size_t at = FindNoCase(line, "Max-Age=0"); at != npos; at = FindNoCase(line, "Max-Age=0", at + 1)) {
    size_t after = at + 9;
    if (after >= line.size() || !std::isdigit(static_cast<unsigned char>(line[after]))) return true;
  }
  return false;
}

}  // namespace

void TrimCookieJar(std::string& jar) {
  if (jar.size() <= 2) return;
  while (!jar.empty()) {
    char c = jar.back();
    if (c != '\n' && c != '\r' && c != ' ' && c != ';') break;
    jar.pop_back();
  }
}

std::string CookieHeadLine(std::string* jar) {
  if (!jar) return {};
  TrimCookieJar(*jar);
  if (jar->size() <= 2) return {};
  return "Cookie: " + *jar + "\r\n";
}

void RemoveCookie(std::string& jar, std::string_view name) {
  name = TrimBlanks(name);
  if (name.empty()) return;
  size_t i = 0;
  while (i < jar.size()) {
    while (i < jar.size() && jar[i] == ' ') ++i;
    const size_t semi = jar.find(';', i);
    const size_t entryEnd = semi == npos ? jar.size() : semi;
    const std::string_view entry(jar.data() + i, entryEnd - i);
    if (entry.find('=') != npos && EntryName(entry) == name) {
      if (semi != npos) {
        size_t next = semi + 1;
        while (next < jar.size() && jar[next] == ' ') ++next;
        jar.erase(i, next - i);
        continue;
      }
      size_t start = i;
      while (start > 0 && (jar[start - 1] == ' ' || jar[start - 1] == ';')) --start;
      jar.erase(start);
      break;
    }
    if (semi == npos) break;
    i = semi + 1;
  }
}

std::string SanitizeCookieText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c >= 1 && c <= 8) c = '_';
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    if (c == ' ' && !out.empty() && out.back() == ' ') continue;
    out.push_back(c);
  }
  return out;
}

void UpdateCookieJar(std::string& jar, int capacity, std::string_view head) {
  std::string fresh;
  size_t pos = 0;
  while ((pos = FindNoCase(head, "Set-Cookie:", pos)) != npos) {
    pos += 11;
    size_t start = pos;
    while (start < head.size() && (head[start] == ' ' || head[start] == '\t' || head[start] == '='))
      ++start;
    const std::string_view line = LineAt(head, start);

    if (HasZeroMaxAge(line)) {
      RemoveCookie(jar, line.substr(0, line.find('=')));
      continue;
    }
    const size_t attribute = std::min(FindNoCase(line, "Path="), FindNoCase(line, "Domain="));
    const size_t expires = FindNoCase(line, "Expires");
    size_t end;
    if (attribute != npos || expires != npos) {
      if (attribute != npos && expires != npos) {
        size_t eq = line.find('=', expires);
        if (eq != npos) {
          std::string_view date = line.substr(eq + 1);
          date = date.substr(0, date.find(';'));
          if (CookieDateHasPassed(date)) continue;
        }
      }
      end = std::min(attribute, expires);
    } else {
      end = line.find(';');
      if (end == npos) {
        // Neither a semicolon nor a line end: the head stops inside the cookie.
        if (start + line.size() >= head.size()) break;
        end = line.size();
      }
    }
    while (end > 0 && (line[end - 1] == ' ' || line[end - 1] == '\t' || line[end - 1] == ';')) --end;
    if (end == 0) continue;
    fresh += SanitizeCookieText(line.substr(0, end));
    fresh += ';';
  }

  if (!fresh.empty() && static_cast<long>(fresh.size()) < capacity) {
    const std::string old = jar;
    jar = fresh;
    std::string_view rest = old;
    while (!rest.empty()) {
      while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
      const size_t semi = rest.find(';');
      const std::string_view entry = rest.substr(0, semi);
      rest = semi == npos ? std::string_view() : rest.substr(semi + 1);
      if (entry.empty() || JarHasName(jar, EntryName(entry))) continue;
      if (capacity - static_cast<long>(jar.size()) <= 64) break;
      if (static_cast<long>(jar.size() + entry.size() + 1) >= capacity) break;
      jar += entry;
      jar += ';';
    }
  }
  if (!jar.empty() && jar.back() == ';') jar.pop_back();
}

int FollowRedirect(HttpRequest& r) {
  r.redirect = HttpRedirectTarget{};
  const std::string_view head = r.head;
  const size_t at = FindNoCase(head, "Location:");
  if (at == npos) return 0;
  size_t start = at + 9;
  while (start < head.size() && (head[start] == ' ' || head[start] == '\t')) ++start;
  const std::string_view value = LineAt(head, start);

  r.redirect.host = r.host;
  r.redirect.port = r.port;
  r.redirect.tls = r.tls;
  std::string_view rest;
  if (FindNoCase(value.substr(0, 7), "http://") == 0) {
    r.redirect.tls = 0;
    r.redirect.port = 80;
    rest = value.substr(7);
  } else if (FindNoCase(value.substr(0, 8), "https://") == 0) {
    r.redirect.tls = 1;
    r.redirect.port = 443;
    rest = value.substr(8);
  } else {
    r.redirect.path = std::string(value);
    return 1;
  }
  const size_t slash = rest.find('/');
  std::string_view host = rest.substr(0, slash);
  if (host.size() >= 96) {
    r.redirect = HttpRedirectTarget{};
    return 0;
  }
  const size_t colon = host.find(':');
  if (colon != npos) {
    long port = 0;
    for (size_t i = colon + 1; i < host.size() && std::isdigit(static_cast<unsigned char>(host[i])) && port < 100000; ++i)
      port = port * 10 + (host[i] - '0');
    if (port > 80 && port < 65535) r.redirect.port = static_cast<int>(port);
    host = host.substr(0, colon);
  }
  r.redirect.host = std::string(host);
  r.redirect.path = slash == npos ? std::string("/") : std::string(rest.substr(slash));
  return 2;
}
