#include "refdata/AddressLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "refdata/PlaceSamples.h"
#include "tests/TempFolder.h"

namespace {

std::vector<std::string> Names(const std::vector<const AddressEntry*>& list) {
  std::vector<std::string> names;
  for (const AddressEntry* e : list) names.emplace_back(e->Name());
  return names;
}

class AddressLibraryTest : public testsupport::TempFolderTest {
 protected:
  // A library of the cities, keyed for this program.
  bool LoadCities(const std::vector<CitySource>& cities) {
    bytes_ = BuildAddressLibraryFile(cities, id_, CAddressLibrary::KeyOf(id_));
    return library_.Load(Write("city.dat", bytes_).string(), id_, CAddressLibrary::KeyOf(id_));
  }
  bool LoadBytes(const std::string& bytes) {
    return library_.Load(Write("city.dat", bytes).string(), id_, CAddressLibrary::KeyOf(id_));
  }

  const std::string id_ = CAddressLibrary::IdentificationText();
  std::string bytes_;
  CAddressLibrary library_;
};

TEST_F(AddressLibraryTest, SampleLibraryRoundTripsAndIsSearched) {
  ASSERT_TRUE(LoadCities(SampleCities()));
  EXPECT_TRUE(library_.IsLoaded());
  EXPECT_TRUE(library_.LoadError().empty());
  ASSERT_NE(library_.FindRegion("US"), nullptr);
  const AddressRegion& us = *library_.FindRegion("US");
  EXPECT_EQ(library_.Entries()[static_cast<size_t>(us.first)].Nc(), "US");
  EXPECT_EQ(library_.Entries()[static_cast<size_t>(us.last)].Nc(), "US");
  EXPECT_EQ(library_.FindRegion("U"), nullptr);  // exact only

  const AddressEntry* york = library_.FindByName("new york");
  ASSERT_NE(york, nullptr);
  EXPECT_EQ(york->Name(), "NEW YORK");
  EXPECT_EQ(york->Ccd(), "NY");
  EXPECT_EQ(york->zipB, "10001");
  EXPECT_EQ(library_.FindByName("NEW YOR"), nullptr);  // whole names only

  std::vector<const AddressEntry*> list;
  EXPECT_EQ(library_.FindByNameSubstring("SAN", list, 5), 4u);  // name order
  EXPECT_EQ(Names(list), (std::vector<std::string>{"BUSAN", "SAN DIEGO", "SAN FRANCISCO", "SAN JOSE"}));
  list.clear();
  EXPECT_EQ(library_.FindByNameSubstring("A", list, 2), 2u);  // n at most
  list.clear();
  EXPECT_EQ(library_.FindByNameSubstring("san", list, 5), 0u);  // case counts
}

TEST_F(AddressLibraryTest, PostcodeSearchTakesEveryRangeOfTheSameLength) {
  ASSERT_TRUE(LoadCities({
      {"AA", "X", "ONE", "1000", "1999"},
      {"AA", "X", "TWO", "1500", "1600"},   // inside ONE's range
      {"AA", "Y", "THREE", "1550", "1550"}, // equal to the postcode
      {"AA", "Y", "FOUR", "2000", "2999"},  // above
      {"BB", "Z", "FIVE", "100", "999"},    // another length
      {"BB", "Z", "SIX", "15500", "15599"}, // another length
      {"BB", "Z", "SEVEN", "1400", "1549"}, // ends below
  }));
  std::vector<const AddressEntry*> hits;
  library_.FindByZip("1550", hits);
  std::vector<std::string> names = Names(hits);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"ONE", "THREE", "TWO"}));

  hits.clear();
  EXPECT_EQ(library_.FindByZip("0999", hits), 0u);  // below every range
  EXPECT_EQ(library_.FindByZip("155", hits), 1u);   // only FIVE has three digits
  EXPECT_EQ(hits[0]->Name(), "FIVE");
}

TEST_F(AddressLibraryTest, DamagedFilesAreRefusedWithAReason) {
  ASSERT_TRUE(LoadCities(SampleCities()));
  const std::string good = bytes_;
  const size_t regions = static_cast<size_t>(library_.Regions().size());
  const size_t entries = library_.Entries().size();
  const size_t entryTable = CAddressLibrary::kHeaderSize + regions * CAddressLibrary::kRegionSize;
  int32_t textSize;
  std::memcpy(&textSize, good.data() + 44, 4);
  const size_t indexes = entryTable + entries * CAddressLibrary::kEntrySize + static_cast<size_t>(textSize);

  auto withInt = [&](size_t at, int32_t value) {
    std::string bytes = good;
    std::memcpy(bytes.data() + at, &value, 4);
    return bytes;
  };
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"truncated", good.substr(0, good.size() - 1)},
      {"longer", good + "x"},
      {"header only", good.substr(0, CAddressLibrary::kHeaderSize)},
      {"empty", ""},
      {"foreign identification", "X" + good.substr(1)},
      {"huge entry count", withInt(40, 0x7FFFFFFF)},
      {"negative region count", withInt(32, -1)},
      {"distinct names above entries", withInt(36, static_cast<int32_t>(entries + 1))},
      {"region past the entries", withInt(CAddressLibrary::kHeaderSize + 12, static_cast<int32_t>(entries))},
      {"text offset past the block", withInt(entryTable + 16, textSize)},
      {"text offset near the end", withInt(entryTable + 16, textSize - 3)},
      {"index not on an entry", withInt(indexes + 4, 7)},
      {"index past the entries", withInt(indexes + entries * 4, static_cast<int32_t>(entries * 20))},
      {"name index out of order", withInt(indexes + entries * 8, static_cast<int32_t>((entries - 1) * 20))},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(LoadBytes(c.bytes)) << c.what;
    EXPECT_FALSE(library_.IsLoaded()) << c.what;
    EXPECT_FALSE(library_.LoadError().empty()) << c.what;
    std::vector<const AddressEntry*> hits;
    EXPECT_EQ(library_.FindByZip("10001", hits), 0u);
    EXPECT_EQ(library_.FindByName("NEW YORK"), nullptr);
    EXPECT_EQ(library_.FindRegion("US"), nullptr);
  }

  // A text without its terminating NUL inside the block: unscramble, cut the
  // last NUL, scramble again.
  std::string noEnd = good;
  const CAddressLibrary::Key key = CAddressLibrary::KeyOf(id_);
  const size_t last = entryTable + entries * CAddressLibrary::kEntrySize + static_cast<size_t>(textSize) - 1;
  const size_t position = static_cast<size_t>(textSize) - 1;
  noEnd[last] = static_cast<char>('Q' ^ key[position % 16]);
  EXPECT_FALSE(LoadBytes(noEnd));

  // A library keyed differently reads as damaged texts or refuses; one with
  // another identification never loads.
  const std::string other = CAddressLibrary::IdentificationText("1999");
  EXPECT_FALSE(library_.Load(Write("other.dat", BuildAddressLibraryFile(SampleCities(), other,
                                                                          CAddressLibrary::KeyOf(other)))
                                 .string(),
                             id_, CAddressLibrary::KeyOf(id_)));
}

// The substring search gives what a walk through the name index gives: the
// first n names containing the text, in name order, each entry once.
TEST_F(AddressLibraryTest, SubstringSearchMatchesAWalkOfTheNameIndex) {
  ASSERT_TRUE(LoadCities(GeneratedCities(3000, 11)));
  for (const std::string& text : {std::string("A"), std::string("AB"), std::string(" "),
                                  std::string("QZ"), std::string(""), std::string("XYZXYZ"),
                                  std::string(1, '\0'), std::string(library_.Entries()[1234].Name())}) {
    for (size_t n : {size_t{1}, size_t{5}, size_t{1000}, size_t{100000}}) {
      std::vector<const AddressEntry*> expected, found;
      for (int32_t number : library_.NameIndex()) {
        if (expected.size() >= n) break;
        const AddressEntry& e = library_.Entries()[static_cast<size_t>(number)];
        if (e.Name().find(text) != std::string_view::npos) expected.push_back(&e);
      }
      if (text.find('\0') != std::string::npos) expected.clear();
      library_.FindByNameSubstring(text, found, n);
      EXPECT_EQ(found, expected) << "'" << text << "' " << n;
    }
  }
}

TEST_F(AddressLibraryTest, LoadFromFolderReadsCityDatWhenThere) {
  CAddressLibrary library;
  EXPECT_FALSE(library.LoadFromFolder(folder_.string() + "/"));
  EXPECT_TRUE(library.LoadError().empty());  // no file is no fault
  ASSERT_TRUE(WriteSamplePlaceFiles(folder_.string() + "/"));
  EXPECT_TRUE(library.LoadFromFolder(folder_.string() + "/"));
  EXPECT_EQ(library.Entries().size(), SampleCities().size());
}

}  // namespace
