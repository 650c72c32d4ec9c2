#include "ui/WaybillQueryConditions.h"

#include <QDate>


namespace {

std::u16string DateText(const QDate& date) {
  return FormatDateText(date.year(), date.month(), date.day());
}

std::u16string DateTimeText(const QDateTime& at) {
  const QDate d = at.date();
  const QTime t = at.time();
  return FormatDateTimeText(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
}

}  // namespace

std::u16string WaybillDateColumn(int dateKind) {
  if (dateKind < 0 || dateKind >= static_cast<int>(kWaybillDateColumns.size())) return {};
  return std::u16string(kWaybillDateColumns[static_cast<size_t>(dateKind)]);
}

void WaybillQueryConditions::SetNewDefaults(const CivilDate& today) {
  const QDate date(today.year, today.month, today.day);
  dateTo = DateText(date);
  dateFrom = DateText(date.addDays(-30));
}

void WaybillQueryConditions::Reset() {
  typeDocument = typeParcel = typePak = true;
  regionMainland = regionChinese = regionForeign = true;
  payUnchecked = payChecked = true;
  payMonthly = payCash = payCollect = true;
  recordState = kRecordStateAny;
  freightFrom = freightTo = weightFrom = weightTo = 0;
  pieces = 0;
  for (std::u16string* text :
       {&settlement, &department, &destination, &kind, &tags, &waybillNo, &receiver,
        &receiverPhone, &sender, &customsNo, &transferNo, &reserved, &referenceNo, &awbNumbers,
        &bagNumbers, &customer}) {
    text->clear();
  }
  customerId = 0;
}

bool WaybillQueryConditions::NumbersPinRecords() const {
  return (awbNumbers == kSeveralItemsMark && awbList.size() > 1) || awbNumbers.size() >= 10 ||
         (bagNumbers == kSeveralItemsMark && bagList.size() > 1) || bagNumbers.size() >= 6;
}

void ApplyDatePreset(WaybillQueryConditions& conditions, const QDateTime& now) {
  if (conditions.dateKind == 0) {
    const QDate today = now.date();
    CycleMonthRange(conditions.dateFrom, conditions.dateTo,
                    CivilDate{today.year(), today.month(), today.day()});
    return;
  }
  conditions.dateTo = DateTimeText(now);
  conditions.dateFrom = DateTimeText(now.addSecs(-2 * 3600));
}

std::u16string CheckQueryDates(WaybillQueryConditions& conditions, const CivilDate& today,
                               const std::function<std::u16string(int32_t)>& text) {
  QueryDateCheck check =
      CheckQueryDates(conditions.dateKind, conditions.dateFrom, conditions.dateTo, today, text);
  conditions.dateFromBound = std::move(check.fromBound);
  conditions.dateToBound = std::move(check.toBound);
  if (conditions.NumbersPinRecords()) return {};
  return check.message;
}
