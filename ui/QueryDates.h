#pragma once
// The date range of a waybill query dialog checked on OK, without a window:
// business dates (kind 0) are read as dates, a last date after today counts
// as today, and the bounds are the first day from " 0:0:0.0" to the last day
// at " 23:59:59.998"; entry and send times (kinds 1 and 2) are read as
// date-times and become the bounds as they are.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "common/DateTime.h"

struct QueryDateCheck {
  std::u16string fromBound;
  std::u16string toBound;
  // What is wrong, one language text a line (texts 170011 first date,
  // 170012 last date, 170013 first after last); empty when nothing is.
  std::u16string message;
};

// Language ids of the date messages.
inline constexpr int32_t kTextFirstDateBad = 170011;
inline constexpr int32_t kTextLastDateBad = 170012;
inline constexpr int32_t kTextFirstAfterLast = 170013;

// text(id) gives the language text of an id (none: the application's table).
QueryDateCheck CheckQueryDates(int dateKind, std::u16string_view dateFrom,
                               std::u16string_view dateTo, const CivilDate& today,
                               const std::function<std::u16string(int32_t)>& text = {});
