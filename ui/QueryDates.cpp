#include "ui/QueryDates.h"

#include "common/LanguageTable.h"

namespace {
constexpr int32_t kTextBadFrom = 170011;
constexpr int32_t kTextBadTo = 170012;
constexpr int32_t kTextFromAfterTo = 170013;

std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }
}  // namespace

QueryDateCheck CheckQueryDates(int dateKind, std::u16string_view dateFrom,
                               std::u16string_view dateTo, const CivilDate& today) {
  QueryDateCheck check;
  if (dateKind == 1 || dateKind == 2) {
    check.fromBound = NormalizeDateTimeText(dateFrom);
    check.toBound = NormalizeDateTimeText(dateTo);
    return check;
  }
  const std::u16string from = NormalizeDateInput(dateFrom);
  if (from == kNoDate) check.message += AppLanguage().Text(kTextBadFrom) + u"\r\n";
  check.fromBound = from + Ascii(kDayStartSuffix);
  std::u16string to = NormalizeDateInput(dateTo);
  if (to == kNoDate) check.message += AppLanguage().Text(kTextBadTo) + u"\r\n";
  const std::u16string todayText = FormatDateText(today.year, today.month, today.day);
  if (to > todayText) to = todayText;
  check.toBound = to + Ascii(kDayEndSuffix);
  if (check.fromBound > check.toBound) check.message += AppLanguage().Text(kTextFromAfterTo);
  return check;
}
