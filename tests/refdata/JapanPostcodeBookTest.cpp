// The Japan postcode book on small data files written by the test.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/TextCodec.h"
#include "refdata/JapanPostcodeBook.h"
#include "tests/refdata/JapanPostcodeData.h"
#include "tests/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using japantest::DataFile;

class JapanPostcodeBookTest : public testsupport::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    data_ = Sample();
  }

  // Two prefectures, three cities, four postcodes.
  static DataFile Sample() {
    DataFile d;
    d.Add(d.prefectures, 0, 0, -1, u"北海道", u"HOKKAIDO");
    d.Add(d.prefectures, 2, 0, -1, u"東京都", u"TOKYO-TO");
    d.Add(d.cities, 0, 0, 0, u"札幌市中央区", u"SAPPORO-SHI CHUO-KU");
    d.Add(d.cities, 0, 0, 2, u"函館市", u"HAKODATE-SHI");
    d.Add(d.cities, 1, 0, 3, u"千代田区", u"CHIYODA-KU");
    d.Add(d.postcodes, 0, 0, 600000, u"以下に掲載がない場合", u"IKANIKEISAIGANAIBAAI");
    d.Add(d.postcodes, 0, 0, 600042, u"大通西（１～１９丁目）", u"ODORINISHI(1-19-CHOME)");
    d.Add(d.postcodes, 0, 1, 400000, u"以下に掲載がない場合", u"IKANIKEISAIGANAIBAAI");
    d.Add(d.postcodes, 1, 2, 1000001, u"千代田", u"CHIYODA");
    return d;
  }

  std::string Folder() const { return folder_.string() + "/"; }
  void Write(const std::string& bytes) {
    std::ofstream out(folder_ / "addr_jp.dat", std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  int Load(CJapanPostcodeBook& book) {
    Write(data_.Bytes());
    return book.Load(Folder());
  }

  DataFile data_;
};

TEST_F(JapanPostcodeBookTest, FindsPostcodesAndFormatsBothLanguages) {
  CJapanPostcodeBook book;
  ASSERT_EQ(Load(book), 1);
  EXPECT_EQ(book.Prefectures().size(), 2u);
  EXPECT_EQ(book.Cities().size(), 3u);
  EXPECT_EQ(book.Postcodes().size(), 4u);

  EXPECT_EQ(book.FindPostcode(600042), 1);
  EXPECT_EQ(book.FindPostcode(1000001), 3);
  EXPECT_EQ(book.FindPostcode(1234567), -1);
  EXPECT_EQ(book.FindPostcode(-1), -1);  // never an entry that was not loaded

  std::u16string address, postcode, country, prefecture, city;
  ASSERT_EQ(book.FormatAddress(address, postcode, country, prefecture, city, 0, true), 1);
  EXPECT_EQ(postcode, u"0600000");
  EXPECT_EQ(address, u"北海道\r\n札幌市中央区\r\n以下に掲載がない場合");
  EXPECT_EQ(country, u"日本");
  EXPECT_EQ(prefecture, u"北海道");
  EXPECT_EQ(city, u"札幌市中央区");

  ASSERT_EQ(book.FormatAddress(address, postcode, country, prefecture, city, 1, false), 1);
  EXPECT_EQ(postcode, u"0600042");
  // Blanks for "-" in the prefecture and city lines; the town keeps its "-".
  EXPECT_EQ(address, u"HOKKAIDO\r\nSAPPORO SHI CHUO KU\r\nODORINISHI(1-19-CHOME)");
  EXPECT_EQ(country, u"Japan");
  EXPECT_EQ(prefecture, u"HOKKAIDO");
  EXPECT_EQ(city, u"SAPPORO SHI CHUO KU");

  ASSERT_EQ(book.FormatAddress(address, postcode, country, prefecture, city, 3, false), 1);
  EXPECT_EQ(postcode, u"1000001");
  EXPECT_EQ(address, u"TOKYO TO\r\nCHIYODA KU\r\nCHIYODA");
  EXPECT_EQ(prefecture, u"TOKYO-TO");
  EXPECT_EQ(city, u"CHIYODA KU");
}

TEST_F(JapanPostcodeBookTest, IndexesOutsideTheEntriesLeaveTheOutputs) {
  CJapanPostcodeBook book;
  ASSERT_EQ(Load(book), 1);
  for (int index : {-1, 4, CJapanPostcodeBook::kMaxPostcodes}) {
    std::u16string a = u"a", p = u"p", c = u"c", pr = u"pr", ci = u"ci";
    EXPECT_EQ(book.FormatAddress(a, p, c, pr, ci, index, true), 0) << index;
    EXPECT_EQ(a + p + c + pr + ci, u"apcprci") << index;
  }
}

TEST_F(JapanPostcodeBookTest, LongNamesAreCutToThirtyCharacters) {
  const std::u16string longCity = u"ABCDEFGHIJ-KLMNOPQRST-UVWXYZ0123-456";
  data_.cities[0].romanised = data_.AddRomanised(longCity);
  CJapanPostcodeBook book;
  ASSERT_EQ(Load(book), 1);
  std::u16string address, postcode, country, prefecture, city;
  ASSERT_EQ(book.FormatAddress(address, postcode, country, prefecture, city, 0, false), 1);
  EXPECT_EQ(city, u"ABCDEFGHIJ KLMNOPQRST UVWXYZ01");
  EXPECT_NE(address.find(u"UVWXYZ0123 456"), std::u16string::npos);
}

TEST_F(JapanPostcodeBookTest, DamagedFilesAreRefusedWhole) {
  struct Case {
    const char* what;
    std::function<void(DataFile&)> damage;
    std::function<std::string(std::string)> cut;  // applied to the file bytes
  };
  auto none = [](std::string b) { return b; };
  const std::vector<Case> cases = {
      {"48 prefectures", [](DataFile& d) { d.prefectureCount = 48; }, none},
      {"no prefectures", [](DataFile& d) { d.prefectureCount = 0; }, none},
      {"1,957 cities", [](DataFile& d) { d.cityCount = 1957; }, none},
      {"124,331 postcodes", [](DataFile& d) { d.postcodeCount = 124331; }, none},
      {"negative postcode count", [](DataFile& d) { d.postcodeCount = -3; }, none},
      {"romanised pool one byte short", [](DataFile&) {},
       [](std::string b) { return b.substr(0, b.size() - 1); }},
      {"pools missing", [](DataFile&) {},
       [](std::string b) { return b.substr(0, b.size() - CJapanPostcodeBook::kRomanisedPoolSize -
                                                   CJapanPostcodeBook::kJapanesePoolSize); }},
      {"text offset past the pool", [](DataFile& d) { d.postcodes[2].japanese = 1140000; }, none},
      {"negative text offset", [](DataFile& d) { d.cities[1].romanised = -4; }, none},
      {"text without its end", [](DataFile& d) {
         d.romanisedPool.resize(CJapanPostcodeBook::kRomanisedPoolSize - 3, '\0');
         d.romanisedPool += "XYZ";  // the pool ends inside a text
         d.postcodes[0].romanised = static_cast<int32_t>(d.romanisedPool.size() - 3);
       }, none},
      {"postcode of a missing city", [](DataFile& d) { d.postcodes[3].second = 3; }, none},
      {"postcode of a missing prefecture", [](DataFile& d) { d.postcodes[3].first = 2; }, none},
      {"city of a missing prefecture", [](DataFile& d) { d.cities[2].first = 9; }, none},
      {"city's first postcode missing", [](DataFile& d) { d.cities[2].number = 4; }, none},
      {"prefecture's first city missing", [](DataFile& d) { d.prefectures[1].first = 3; }, none},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DataFile d = Sample();
    c.damage(d);
    Write(c.cut(d.Bytes()));
    CJapanPostcodeBook book;
    EXPECT_EQ(book.Load(Folder()), 0);
    EXPECT_TRUE(book.Postcodes().empty());
    EXPECT_EQ(book.FindPostcode(600000), -1);
    std::u16string a, p, co, pr, ci;
    EXPECT_EQ(book.FormatAddress(a, p, co, pr, ci, 0, true), 0);
  }

  CJapanPostcodeBook missing;
  EXPECT_EQ(missing.Load(Folder() + "nowhere/"), 0);
}

TEST_F(JapanPostcodeBookTest, ReloadAfterAFailureStartsClean) {
  CJapanPostcodeBook book;
  ASSERT_EQ(Load(book), 1);
  data_.prefectureCount = 48;
  EXPECT_EQ(Load(book), 0);
  EXPECT_EQ(book.FindPostcode(600000), -1);
  data_ = Sample();
  EXPECT_EQ(Load(book), 1);
  EXPECT_EQ(book.FindPostcode(600000), 0);
}

}  // namespace
