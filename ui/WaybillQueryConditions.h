#pragma once
// The conditions of the waybill query dialog (CWaybillQueryDlg) without the
// dialog: the condition block the operator fills in, what OK leaves for the
// record filter (the date bounds), and the rules the dialog applies to them
// (defaults, reset, date presets, the check of the dates on OK).  The record
// filter (RecordFilter.h) turns them into SQL.

#include <QDateTime>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/DateTime.h"
#include "ui/QueryDates.h"

// The waybill date columns by date kind: 0 business date, 1 entry time,
// 2 send time.
inline constexpr std::array<std::u16string_view, 3> kWaybillDateColumns = {u"ddate", u"dsysdate",
                                                                           u"dsenddate"};
// The column of a date kind; empty for another kind.
std::u16string WaybillDateColumn(int dateKind);

// The several-items marker of the master air waybill and bag numbers.
inline constexpr std::u16string_view kSeveralItemsMark = u"\u2605";

// Record-state choices: 0-10 one state, 11 any state, 12-14 groups.
inline constexpr int32_t kRecordStateAny = 11;
inline constexpr int kRecordStateCount = 15;

// Everything of the waybill query dialog that the record filter reads, with
// the rest of the dialog's condition block.  The dialog holds it as its
// members; conditions typed for one list show again for the next.
struct WaybillQueryConditions {
  // ---- the condition block ----
  bool typeDocument = true, typeParcel = true, typePak = true;
  // Hidden boxes: the regions stay all set.
  bool regionMainland = true, regionChinese = true, regionForeign = true;
  bool payUnchecked = true, payChecked = true;
  bool payMonthly = true, payCash = true, payCollect = true;
  std::u16string settlement;
  int32_t recordState = kRecordStateAny;
  double freightFrom = 0;
  std::u16string dateFrom;  // as typed, "%Y.%m.%d" by default
  double weightFrom = 0;
  std::u16string department;
  std::u16string destination;
  double freightTo = 0;
  std::u16string dateTo;
  std::u16string kind;
  double weightTo = 0;
  int32_t pieces = 0;  // negative: every count but this one
  std::u16string tags;
  std::u16string waybillNo;
  std::u16string receiver;
  std::u16string receiverPhone;
  std::u16string sender;
  std::u16string customsNo;
  std::u16string transferNo;
  std::u16string reserved;
  std::u16string referenceNo;
  std::u16string customer;    // the box's text; the condition is customerId
  std::u16string awbNumbers;  // a number, or the marker for awbList
  std::u16string bagNumbers;  // a number, or the marker for bagList

  // ---- beside the block ----
  int32_t customerId = 0;  // client id of the picked customer; 0 none
  int32_t dateKind = 0;    // 0..2, see kWaybillDateColumns
  // The range bounds left by OK: complete date-time texts.
  std::u16string dateFromBound;
  std::u16string dateToBound;
  // The list items chosen when several master air waybills or bags were
  // picked; read only while the number text is the marker.
  std::vector<std::u16string> awbList;
  std::vector<std::u16string> bagList;

  // The defaults of a new dialog: dateTo today, dateFrom 30 days before,
  // both "%Y.%m.%d".
  void SetNewDefaults(const CivilDate& today);
  // The reset button: every flag set, any state, the numbers 0, the texts
  // (but the dates) empty, no customer.  Keeps the dates, the date kind and
  // the two lists.
  void Reset();

  // Whether a master air waybill or bag number already pins the records
  // down, so that the dates do not matter (no date message on OK).
  bool NumbersPinRecords() const;
};

// The preset of a click on the date label: the month cycle for the business
// date, the last two hours ("%Y.%m.%d %H:%M:%S") for the other kinds.
void ApplyDatePreset(WaybillQueryConditions& conditions, const QDateTime& now);

// The date check of OK: normalises the typed dates into dateFromBound and
// dateToBound (a last business date after today counts as today) and
// returns the message to show, empty when there is none or when the numbers
// pin the records down.  text(id) gives the language text of an id.
std::u16string CheckQueryDates(WaybillQueryConditions& conditions, const CivilDate& today,
                               const std::function<std::u16string(int32_t)>& text);

// Language ids of the date messages (ui/QueryDates.h) and their caption.
inline constexpr int32_t kTextDateMessageCaption = 170014;
