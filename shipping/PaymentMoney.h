#pragma once
// Money of the payments page in whole hundredths.  Amounts come to the page
// as two-decimal cell texts or server doubles; every total, difference and
// statement amount is kept as a count of hundredths so that adding many
// small amounts never drifts the way binary doubles do (ten thousand times
// 0.10 is exactly 1,000.00 here).

#include <cstdint>
#include <string>
#include <string_view>

namespace payment {

using Cents = int64_t;

// The nearest hundredth, half away from zero at the thousandths digit (the
// rounding of RoundTo2Decimals).
Cents CentsOf(double value);
// Truncated toward zero after adding a tenth of a cent (the take-all rule).
Cents CentsTruncatedOf(double value);
// A decimal text ("12.5", "-0.02", " 1,000.00 " without the comma) read
// digit by digit; a third decimal rounds half away from zero.  False (out 0)
// for a text that is no number.
bool ParseCents(std::u16string_view text, Cents& out);
// ParseCents, 0 when unreadable.
Cents CentsOfText(std::u16string_view text);
// "%.2f" of the amount: "-0.02", "1000.00".
std::u16string CentsText(Cents cents);
std::string CentsAscii(Cents cents);
inline double CentsValue(Cents cents) { return static_cast<double>(cents) / 100.0; }

}  // namespace payment
