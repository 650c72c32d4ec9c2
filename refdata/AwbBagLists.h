#pragma once
// The small services the bagging and master air waybill screens and the
// query dialogs share: the shipping details of a master air waybill, the
// weight text of exports, and the recent master air waybill and bag lists
// offered in choice boxes, with the parsers that take their items apart.
//
// Items of the recent lists:
//   master air waybill  <state mark><number><<destination>>   e.g. "◎999-12345675<LAX>"
//   bag                 <number><<state text>>ID:<id>          e.g. "B2024030001<装袋中>ID:1"
// The state mark is U+3000 (ideographic space) for state 0, "◎" for 1,
// "√" for 2; other states show the blank as well, so every item carries
// exactly one mark.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CServerLink;
class CLanguageTable;

// The shipping details of one master air waybill.
struct AwbPackInfo {
  static constexpr size_t kNumberMax = 31;  // bytes

  std::string number;  // GBK, given by the caller
  std::u16string cfrom;
  std::u16string cdes;
  std::u16string ctransnote;
  std::u16string cbroker;
  std::u16string cagent;
  std::u16string cphone;
  std::u16string creceiver;
  std::u16string csname;
  std::u16string csaddr;
  std::u16string csphone;
  std::u16string cspostcode;
  std::u16string cmemo;
  std::u16string cothercharge;
};

// Fills the texts from the server's row of the number: -2 when the number
// is empty, 0 when the reply has no list, 1 otherwise (the texts are then
// empty when the server had no row).
int LoadAwbPackInfo(CServerLink& link, AwbPackInfo& info);

// Kilograms as "%.3f", or with `pounds` as pounds "%.2f" (a ten-thousandth
// added before rounding either way).
std::u16string FormatWeight(double kilograms, bool pounds);

// Appends the items of the n newest master air waybills (by entry date) or
// bags (by id) to the list; the list's size, or 0 when the server returned
// no row (nothing appended).
int ListRecentAwbs(CServerLink& link, std::vector<std::u16string>& list, unsigned n);
int ListRecentBags(CServerLink& link, const CLanguageTable& language,
                   std::vector<std::u16string>& list, unsigned n);

// The number of an item of the recent lists; a text that is not an item
// (no "<" or no ">") comes back unchanged.
std::u16string AwbFromListItem(std::u16string_view item);
std::u16string BagNoFromListItem(std::u16string_view item);
// The bag id after the first ">ID:", or 0 when the item has none.
int BagIdFromListItem(std::u16string_view item);

// The state mark of a master air waybill item.
char16_t AwbStateMark(int state);
