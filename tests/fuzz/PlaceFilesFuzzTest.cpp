// Changed, cut and random bytes as the place dictionary and the address
// library; every load either refuses the file or gives tables whose
// searches stay inside what was read.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/TextCodec.h"
#include "refdata/AddressLibrary.h"
#include "refdata/PlaceDictionary.h"
#include "refdata/PlaceSamples.h"
#include "tests/TempFolder.h"
#include "tests/fuzz/FuzzBytes.h"

namespace {

class PlaceFilesFuzz : public testsupport::TempFolderTest {};

// Searches that touch every part of a loaded library.
void SearchLibrary(const CAddressLibrary& library, fuzz::Bytes& rng) {
  std::vector<const AddressEntry*> list;
  for (const std::string& text : {std::string("NEW YORK"), std::string("10001"), std::string("A"),
                                  rng.From("ABN0159 ", 8)}) {
    library.FindByName(text);
    library.FindByNameSubstring(text, list, 1000);
    library.FindByZip(text, list);
  }
  library.FindRegion("US");
  size_t bytes = 0;
  for (const AddressEntry* e : list) bytes += e->Nc().size() + e->Ccd().size() + e->Name().size() + e->zipB.size() + e->zipE.size();
  for (const AddressRegion& r : library.Regions())
    for (int32_t i = r.first; i <= r.last; ++i) bytes += library.Entries()[static_cast<size_t>(i)].Name().size();
  EXPECT_GE(bytes, 0u);
}

TEST_F(PlaceFilesFuzz, AddressLibraryBytes) {
  fuzz::Bytes rng(1408);
  const std::string id = CAddressLibrary::IdentificationText();
  const CAddressLibrary::Key key = CAddressLibrary::KeyOf(id);
  const std::string good = BuildAddressLibraryFile(SampleCities(), id, key);
  CAddressLibrary library;
  int loaded = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string bytes;
    switch (round % 4) {
      case 0: {  // a few bytes changed in place: counts, offsets, indexes, texts
        bytes = good;
        const int edits = 1 + static_cast<int>(rng.Next() % 4);
        for (int e = 0; e < edits; ++e) {
          const size_t at = round % 8 == 0 ? 32 + rng.Next() % 16 : rng.Next() % bytes.size();
          bytes[at] = static_cast<char>(rng.Next() % 3 == 0 ? rng.Next() : rng.Next() % 4);
        }
        break;
      }
      case 1: bytes = good.substr(0, rng.Next() % good.size()); break;  // cut anywhere
      case 2: bytes = rng.Mutate(good); break;
      default: bytes = good.substr(0, 32) + rng.Random(400); break;
    }
    const std::string path = Write("city.dat", bytes).string();
    loaded += library.Load(path, id, key) ? 1 : 0;
    if (!library.IsLoaded()) {
      EXPECT_FALSE(library.LoadError().empty());
    }
    SearchLibrary(library, rng);
  }
  EXPECT_GT(loaded, 0);  // some changes (inside texts) keep the file sound
}

TEST_F(PlaceFilesFuzz, PlaceDictionaryBytes) {
  fuzz::Bytes rng(1409);
  const std::string good = BuildPlaceDictionaryFile(SamplePlaceEntries());
  CPlaceDictionary dict;
  for (int round = 0; round < 3000; ++round) {
    std::string bytes = round % 3 == 0   ? rng.Mutate(good)
                        : round % 3 == 1 ? good.substr(0, rng.Next() % good.size())
                                         : rng.Random(700);
    dict.Load(Write("brantle7_0.dat", bytes).string());
    CPlaceDictionary::Slots found;
    for (const std::string& text : {std::string("CL"), std::string("DOCUMENTS"), GbkFromWide(u"手"),
                                    rng.Random(12)}) {
      dict.Suggest(found, text);
      for (const PlaceEntry* e : found) {
        if (e) {
          EXPECT_LT(e->Code().size() + e->Chinese().size() + e->English().size(), 272u);
        }
      }
      dict.Translate(text);
      dict.TranslateToEnglish(text);
      dict.CodeOfPlace(text);
    }
  }
}

}  // namespace
