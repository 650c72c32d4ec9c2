#pragma once
// What the full waybill form does with the reference data it offers,
// without a widget: a chosen destination into the receiver block, a
// directory entry into a party block, a world city's postcode rule, the
// remote-area report, the date cycle and the goods summary.

#include <string>
#include <string_view>
#include <vector>

#include "entry/FullFormSave.h"

struct DirectoryRecord;

// A destination entry taken into the form: its class byte goes to the
// destination-class combo; outside CN, HK, MO and TW a classed entry puts
// its English name into the receiver country and empties province and city;
// otherwise the country becomes 中国 and the first province of the list that
// begins the Chinese name splits it into province and city.
void ApplyDestinationEntry(FullFormValues& values, int classByte, std::string_view countryCode,
                           std::u16string_view englishName, std::u16string_view chineseName,
                           const std::vector<std::u16string>& provinces);

// The ten fields and the identity card of the sender (side 1) or receiver
// (side 0) block from a directory entry.
void FillPartyFromDirectory(FullFormValues& values, const DirectoryRecord& entry, int side);

// The receiver postcode after a world city was chosen: an empty one becomes
// the entry's first; a typed one stays for a range, or when it is longer
// than the single postcode and begins with it (letters without case).
std::u16string WorldCityPostcode(std::u16string_view typed, std::u16string_view first,
                                 std::u16string_view last);

// The remote-area report: the clipboard part (count, at most 40 entry
// lines) and the whole message (with the closing sentence).
struct RemoteAreaRow {
  std::u16string cells[3];
  std::u16string entry;
};
void BuildRemoteAreaReport(int count, const std::vector<RemoteAreaRow>& rows,
                           std::u16string& clipboard, std::u16string& message);

// The next date of the 日期 label: today -> yesterday -> the day before ->
// today (anything else -> today).
std::u16string CycleBusinessDate(std::u16string_view current, std::u16string_view today,
                                 std::u16string_view yesterday, std::u16string_view dayBefore);

// The goods summary into the form (nothing for no lines).
void SummariseGoodsLines(const std::vector<GoodsLine>& goods, FullFormValues& values);
