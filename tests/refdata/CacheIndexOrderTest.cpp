// The station caches' indexes: ordered as GbkCompareNoCase orders their keys
// (ASCII case ignored, double-byte characters whole), equal keys in record
// order, whatever mix of ASCII and GBK keys they hold.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "common/GbkText.h"
#include "refdata/StationCacheSync.h"

namespace {

struct Entry {
  int32_t id = 0;
  std::string key;
  std::string_view Key() const { return key; }
};

TEST(StationCacheIndex, OrderOfMixedKeysAsTheCaseFreeComparison) {
  std::mt19937 rng(52);
  // ASCII of both cases, blanks, digits, GBK characters (trail bytes in the
  // ASCII letter range too), a lone lead byte at the end.
  const std::vector<std::string> pieces = {"a", "A", "b", "B", "z", "Z", "0", "9", " ", "[", "`",
                                           "\xB1\xB1", "\xBE\xA9", "\x81\x61", "\x81\x41", "_"};
  std::vector<Entry> records;
  for (int32_t id = 1; id <= 3000; ++id) {
    Entry e;
    e.id = id;
    const int n = static_cast<int>(rng() % 6);
    for (int k = 0; k < n; ++k) e.key += pieces[rng() % pieces.size()];
    if (rng() % 50 == 0) e.key += "\x81";
    records.push_back(e);
  }
  std::vector<const Entry*> index;
  stationcache::BuildIndex(index, records, &Entry::Key);

  std::vector<const Entry*> expected;
  for (const Entry& e : records) expected.push_back(&e);
  std::stable_sort(expected.begin(), expected.end(), [](const Entry* a, const Entry* b) {
    return GbkCompareNoCase(a->key, b->key) < 0;
  });
  ASSERT_EQ(index.size(), expected.size());
  for (size_t k = 0; k < index.size(); ++k)
    ASSERT_EQ(index[k]->id, expected[k]->id) << "at " << k << ": " << index[k]->key << " / " << expected[k]->key;
}

}  // namespace
