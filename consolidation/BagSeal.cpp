#include "consolidation/BagSeal.h"

#include <cstdio>

#include "common/TextCodec.h"
#include "common/WideText.h"

namespace bagseal {

std::u16string ScanNumber(std::u16string_view typed) {
  std::u16string number(typed);
  TrimW(number);
  for (char16_t& c : number)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return number;
}

bool Sealable(int state, bool onAwb, bool ownBag, int shareMode, bool supervisionRight) {
  return bagging::BagAccessOf(state, onAwb, ownBag, shareMode, supervisionRight).editable;
}

bool UnsealOffered(int state, bool onAwb, bool supervisionRight) {
  return supervisionRight && !onAwb && state == 1;
}

std::string SealBagSql(int32_t bagId, std::u16string_view account, double weight, int32_t length,
                       int32_t width, int32_t height) {
  char tail[160];
  std::snprintf(tail, sizeof tail, "',%.3f,%d,%d,%d,%u)}", weight, length, width, height,
                bagging::BagVolume(length, width, height));
  return "{?=CALL brantle.dbo.cp_client_rec_xbag_pack(" + std::to_string(bagId) + ",'" +
         NarrowFieldFromWide(account, 30, true) + tail;
}

std::string UnsealBagSql(int32_t bagId, std::u16string_view account) {
  return "{?=CALL brantle.dbo.cp_client_rec_xbag_pack_d(" + std::to_string(bagId) + ",'" +
         NarrowFieldFromWide(account, 30, true) + "')}";
}

std::string SealPickedBagSql(int32_t bagId, std::u16string_view account) {
  return "{?=CALL brantle.dbo.cp_client_rec_xbag_pack_s(" + std::to_string(bagId) + ",'" +
         NarrowFieldFromWide(account, 30, true) + "')}";
}

int SealCodeText(int32_t code) {
  switch (code) {
    case -2: return 360062;
    case -3: return 400020;
    case -4: return 400021;
    case -5: return 400022;
    case -6: return 400023;
    default: return 0;
  }
}

int UnsealCodeText(int32_t code) {
  switch (code) {
    case -2: return 360062;
    case -3: return 400025;
    case -4: return 400026;
    default: return 0;
  }
}

std::u16string AuditTime(std::u16string_view time) {
  if (time.size() >= 4 && time.substr(0, 4) > std::u16string_view(u"2000")) return std::u16string(time);
  return {};
}

}  // namespace bagseal
