#include "localserver/RequestOrigin.h"

#include <cctype>
#include <string>

namespace localserver {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (tolower(static_cast<unsigned char>(a[i])) != tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// Decimal digits only, no leading zero, at most `max`.
bool Decimal(std::string_view s, long max, long& value) {
  if (s.empty() || s.size() > 5 || (s.size() > 1 && s[0] == '0')) return false;
  value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return value <= max;
}

bool LoopbackIpv4(std::string_view s) {
  long part = 0;
  for (int k = 0; k < 4; ++k) {
    size_t dot = k < 3 ? s.find('.') : s.size();
    if (dot == std::string_view::npos || !Decimal(s.substr(0, dot), 255, part)) return false;
    if (k == 0 && part != 127) return false;
    s.remove_prefix(k < 3 ? dot + 1 : dot);
  }
  return s.empty();
}

}  // namespace

bool LoopbackHost(std::string_view host, int port) {
  host = Trim(host);
  std::string_view name = host;
  size_t colon = host.rfind(':');
  size_t bracket = host.rfind(']');
  bool withPort = colon != std::string_view::npos &&
                  (bracket == std::string_view::npos || colon > bracket);
  if (withPort) {
    long given = 0;
    if (!Decimal(host.substr(colon + 1), 65535, given) || given != port) return false;
    name = host.substr(0, colon);
  }
  return EqualsNoCase(name, "localhost") || name == "[::1]" || LoopbackIpv4(name);
}

bool JsonContentType(std::string_view type) {
  size_t semicolon = type.find(';');
  return EqualsNoCase(Trim(type.substr(0, semicolon)), "application/json");
}

}  // namespace localserver
