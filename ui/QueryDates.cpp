#include "ui/QueryDates.h"

#include "common/LanguageTable.h"

namespace {
std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }
}  // namespace

QueryDateCheck CheckQueryDates(int dateKind, std::u16string_view dateFrom,
                               std::u16string_view dateTo, const CivilDate& today,
                               const std::function<std::u16string(int32_t)>& textOf) {
  const auto text = [&textOf](int32_t id) { return textOf ? textOf(id) : AppLanguage().Text(id); };
  QueryDateCheck check;
  if (dateKind == 1 || dateKind == 2) {
    check.fromBound = NormalizeDateTimeText(dateFrom);
    check.toBound = NormalizeDateTimeText(dateTo);
    return check;
  }
  const std::u16string from = NormalizeDateInput(dateFrom);
  if (from == kNoDate) check.message += text(kTextFirstDateBad) + u"\r\n";
  check.fromBound = from + Ascii(kDayStartSuffix);
  std::u16string to = NormalizeDateInput(dateTo);
  if (to == kNoDate) check.message += text(kTextLastDateBad) + u"\r\n";
  const std::u16string todayText = FormatDateText(today.year, today.month, today.day);
  if (to > todayText) to = todayText;
  check.toBound = to + Ascii(kDayEndSuffix);
  if (check.fromBound > check.toBound) check.message += text(kTextFirstAfterLast);
  return check;
}
