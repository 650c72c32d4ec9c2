#pragma once
// What the bag and parcel lists of the master air waybill form need of the
// application: the result sounds, the number lists, the clipboard and the
// weights of dimensions (app/AwbPageServices.cpp sets them over the
// application object).  Empty hooks do nothing (no sound, no list, no
// volumetric weight).  `query` and `execute`, when set, replace the form's
// own requests for the bag and parcel work (tests put a failing reply in
// between).

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "consolidation/AwbParcels.h"

namespace awb {

struct BagLoadingServices {
  // PlayResultSound: 0 success, 1 failure.
  std::function<void(int index)> playResultSound;
  // ImportNumberList into `numbers` with the number kind: the count, or a
  // negative value when nothing was read.
  std::function<int(std::vector<std::u16string>& numbers, int numberKind)> importNumberList;
  std::function<int(const std::u16string& text)> copyToClipboard;
  DimensionRules dimensions;
  std::function<int(std::string_view sql, std::span<const uint32_t> types, std::string& reply)> query;
  std::function<int(std::string_view sql, std::span<const uint32_t> types, std::string& reply)> execute;
};

}  // namespace awb
