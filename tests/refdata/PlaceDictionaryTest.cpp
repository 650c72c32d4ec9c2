#include "refdata/PlaceDictionary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/TextCodec.h"
#include "refdata/PlaceSamples.h"
#include "tests/TempFolder.h"

namespace {

std::string Gbk(std::u16string_view text) { return GbkFromWide(text); }

class PlaceDictionaryTest : public testsupport::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    entries_ = SamplePlaceEntries();
    ASSERT_TRUE(dict_.Load(Write("places.dat", BuildPlaceDictionaryFile(entries_)).string()));
  }
  // The codes in the slots ("" for an empty slot).
  std::vector<std::string> Codes(const CPlaceDictionary::Slots& found) const {
    std::vector<std::string> codes;
    for (const PlaceEntry* e : found) codes.emplace_back(e ? e->Code() : "");
    return codes;
  }

  std::vector<PlaceEntry> entries_;
  CPlaceDictionary dict_;
};

TEST_F(PlaceDictionaryTest, TranslatesWholeTextFirstThenEachPart) {
  struct Case {
    const char* text;
    std::u16string expected;
  } cases[] = {
      {"SHOES,HATS", u"鞋,帽子"},
      {"SHOES HATS", u"鞋 帽子"},
      {"SHOES, HATS", u"鞋,帽子"},            // the blank after the comma is skipped
      {"shoes", u"鞋"},                        // case ignored
      {"T-SHIRT (COTTON)", u"T恤"},            // the bracketed tail is dropped
      {"NEW YORK", u"纽约"},                   // the whole text wins over its words
      {"NEW BOOKS", u"新 书籍"},
      {"SHOES, PINEAPPLE", u"鞋,PINEAPPLE"},   // unknown words stay as written
      {"SHOES,", u"鞋"},                       // an empty last part is dropped
      {"", u""},
  };
  for (const Case& c : cases) EXPECT_EQ(WideFromGbk(dict_.Translate(c.text)), c.expected) << c.text;

  EXPECT_EQ(dict_.TranslateToEnglish(Gbk(u"鞋,帽子")), "SHOES,HATS");
  EXPECT_EQ(dict_.TranslateToEnglish(Gbk(u"纽约")), "NEW YORK");
}

TEST_F(PlaceDictionaryTest, BracketIsKeptOnceTheVariantIsNotZero) {
  dict_.variant = 1;
  EXPECT_EQ(WideFromGbk(dict_.Translate("T-SHIRT (COTTON)")), u"T恤 (COTTON)");
  EXPECT_EQ(WideFromGbk(dict_.Translate("T-SHIRT")), u"T恤");
}

TEST_F(PlaceDictionaryTest, SuggestChoosesTheIndexByTheTypedText) {
  CPlaceDictionary::Slots found;
  // Two ASCII characters: codes, the hit and the three entries after it.
  dict_.Suggest(found, "cl");
  EXPECT_EQ(Codes(found), (std::vector<std::string>{"CL01", "CL02", "CL03", "CL04"}));
  // One entry matches the prefix: the next three of the index still fill in.
  dict_.Suggest(found, "FD01");
  EXPECT_EQ(Codes(found), (std::vector<std::string>{"FD01", "FD02", "FD03", "HM01"}));
  // Eight characters: English names.
  dict_.Suggest(found, "DOCUMENT");
  EXPECT_EQ(Codes(found)[0], "DC01");
  // A Chinese character: Chinese names (手机, 手机壳, 手套, 手表 begin with 手).
  dict_.Suggest(found, Gbk(u"手机"));
  EXPECT_EQ(Codes(found)[0], "EL01");
  EXPECT_EQ(Codes(found)[1], "EL02");
  // No prefix hit: names containing the text, in file order.
  dict_.Suggest(found, Gbk(u"子"));
  EXPECT_EQ(Codes(found), (std::vector<std::string>{"CL03", "CL05", "HM02", ""}));
  dict_.Suggest(found, "ALLETXX");  // 7 bytes: codes; no hit, no English name holds it
  EXPECT_EQ(Codes(found), (std::vector<std::string>{"", "", "", ""}));
  dict_.Suggest(found, "PHONE CA");  // 8 bytes: English names, prefix miss, substring hit
  EXPECT_EQ(Codes(found)[0], "EL02");
  dict_.Suggest(found, "");
  EXPECT_EQ(Codes(found), (std::vector<std::string>{"", "", "", ""}));
}

TEST_F(PlaceDictionaryTest, CodeOfPlaceByChineseThenEnglishName) {
  EXPECT_EQ(dict_.CodeOfPlace(Gbk(u"茶叶")), std::optional<std::string>("FD01"));
  EXPECT_EQ(dict_.CodeOfPlace("umbrella"), std::optional<std::string>("HM03"));
  EXPECT_EQ(dict_.CodeOfPlace("UMBRELLAS"), std::nullopt);
  EXPECT_EQ(dict_.CodeOfPlace(""), std::nullopt);
}

TEST_F(PlaceDictionaryTest, FileEdges) {
  const std::string good = BuildPlaceDictionaryFile(entries_);
  CPlaceDictionary d;
  // A trailing part of a record is ignored.
  EXPECT_TRUE(d.Load(Write("partial.dat", good + std::string(100, 'x')).string()));
  EXPECT_EQ(d.Entries().size(), entries_.size());
  EXPECT_TRUE(d.LoadError().empty());

  // Refused files keep what the dictionary held and say why.
  std::string noEnd = good;
  noEnd.replace(CPlaceDictionary::kHeaderSize + 4, 16, std::string(16, 'A'));  // code without NUL
  EXPECT_FALSE(d.Load(Write("noend.dat", noEnd).string()));
  EXPECT_NE(d.LoadError().find("record 1"), std::string::npos);
  EXPECT_FALSE(d.Load(Write("short.dat", "PLA").string()));
  EXPECT_FALSE(d.LoadError().empty());
  EXPECT_EQ(d.Entries().size(), entries_.size());

  // A missing file: false, no error text, the entries kept.
  EXPECT_FALSE(d.Load((folder_ / "none.dat").string()));
  EXPECT_TRUE(d.LoadError().empty());
  EXPECT_EQ(d.Entries().size(), entries_.size());

  // Init reports success and reads DATA_SYS/brantle7_<variant>.dat.
  CPlaceDictionary fresh;
  EXPECT_TRUE(fresh.Init(folder_.string() + "/"));
  EXPECT_TRUE(fresh.Entries().empty());
  EXPECT_EQ(fresh.Translate("SHOES (X)"), "SHOES");  // unchanged apart from the bracket rule
  ASSERT_TRUE(WriteSamplePlaceFiles(folder_.string() + "/"));
  EXPECT_TRUE(fresh.Init(folder_.string() + "/"));
  EXPECT_EQ(fresh.Entries().size(), entries_.size());
}

}  // namespace
