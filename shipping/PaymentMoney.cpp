#include "shipping/PaymentMoney.h"

#include <cmath>
#include <cstdio>

namespace payment {

Cents CentsOf(double value) {
  if (!std::isfinite(value)) return 0;
  // Round at the thousandths first so that 1.005 typed as text and read as
  // 1.00499999... still goes up, as RoundTo2Decimals does.
  const double mills = std::round(value * 1000.0);
  const double cents = mills / 10.0;
  return static_cast<Cents>(cents >= 0 ? std::floor(cents + 0.5) : -std::floor(-cents + 0.5));
}

Cents CentsTruncatedOf(double value) {
  if (!std::isfinite(value)) return 0;
  return static_cast<Cents>(std::trunc(value * 100.0 + 0.1));
}

bool ParseCents(std::u16string_view text, Cents& out) {
  out = 0;
  size_t i = 0;
  auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; };
  while (i < text.size() && blank(text[i])) ++i;
  size_t end = text.size();
  while (end > i && blank(text[end - 1])) --end;
  bool negative = false;
  if (i < end && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  Cents whole = 0;
  int digits = 0, decimals = 0, third = -1;
  Cents fraction = 0;
  bool point = false;
  for (; i < end; ++i) {
    const char16_t c = text[i];
    if (c == u'.' && !point) {
      point = true;
      continue;
    }
    if (c < u'0' || c > u'9') return false;
    ++digits;
    const int d = c - u'0';
    if (!point) {
      if (whole > 9'000'000'000'000'000LL / 10 / 100) return false;  // out of range
      whole = whole * 10 + d;
    } else if (decimals < 2) {
      fraction = fraction * 10 + d;
      ++decimals;
    } else if (third < 0) {
      third = d;
    }
  }
  if (digits == 0) return false;
  while (decimals < 2) {
    fraction *= 10;
    ++decimals;
  }
  Cents cents = whole * 100 + fraction + (third >= 5 ? 1 : 0);
  out = negative ? -cents : cents;
  return true;
}

Cents CentsOfText(std::u16string_view text) {
  Cents c = 0;
  return ParseCents(text, c) ? c : 0;
}

std::string CentsAscii(Cents cents) {
  const bool negative = cents < 0;
  const unsigned long long magnitude =
      negative ? 0ULL - static_cast<unsigned long long>(cents) : static_cast<unsigned long long>(cents);
  char text[40];
  std::snprintf(text, sizeof text, "%s%llu.%02llu", negative ? "-" : "", magnitude / 100,
                magnitude % 100);
  return text;
}

std::u16string CentsText(Cents cents) {
  const std::string a = CentsAscii(cents);
  return std::u16string(a.begin(), a.end());
}

}  // namespace payment
