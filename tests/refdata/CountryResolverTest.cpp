// The country table and the resolver of imported receiver countries.

#include "refdata/CountryResolver.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "common/TextCodec.h"

namespace {

std::string G(const char8_t* utf8) {
  std::string text(reinterpret_cast<const char*>(utf8));
  GbkFromUtf8InPlace(text, false, false);
  return text;
}

// The alpha-2 code of the row a text resolves to, "-" for none.
std::string Resolved(const std::string& text, bool loose, std::string_view excluded) {
  const CountryRecord* row = ResolveCountry(text, loose, excluded);
  return row ? row->alpha2 : "-";
}

TEST(CountryTable, RowsInTheirFixedOrder) {
  const std::string order =
      "AF AO AL DZ AD AI AG AR AM AU AT AZ BS BH BD BB BY BE BZ BJ BM BO BT BA BW BR BN BG BF MM "
      "BI CM CA KY CF TD CL CN CO CG CK CR HR CU CY CZ DK DJ DM DO EC EG SV GQ ER EE ET FO FJ FI "
      "FR GF GA GM GE DE GH GI GB GR GL GD GU GP GT GG GN GW GY HT HN HK HU IS ID IN IR IQ IE IM "
      "IL IT CI JM JP JO KH KZ KE KI KP KR KW KG LA LV LB LS LR LY LI LT LU MO MK MG MW MY MV ML "
      "MT MH MQ MR MU YT MX FM MD MC MN ME MS MA MZ NA NR NP NL AN NC NZ NI NG NE NU NF MP NO OM "
      "PK PW PS PA PG PY PE PH PL PF PT PR QA RE RO RU RW SH KN LC PM VC WS SM ST SA SN RS SC SL "
      "SG SK SI SB SO ZA GS ES LK SD SR SJ SZ SE CH SY TW TJ TZ TH TL TG TK TO TT TN TR TM TC TV "
      "UG UA AE US UY UZ VU VA VE VN VG VI WF EH YE ZW CD ZM AW BW TP PF FK KG KM MH MS SP JE CV "
      "AS XS SS XK CW IC";
  std::istringstream codes(order);
  const std::vector<CountryRecord>& table = CountryTable();
  ASSERT_EQ(table.size(), 246u);
  std::string code;
  for (size_t i = 0; codes >> code; ++i) {
    ASSERT_LT(i, table.size());
    EXPECT_EQ(table[i].alpha2, code) << "row " << i;
  }
  for (const CountryRecord& row : table) {
    EXPECT_EQ(row.alpha3.size(), 3u) << row.alpha2;
    EXPECT_EQ(row.numeric.size(), 3u) << row.alpha2;
    EXPECT_EQ(row.customs.size(), 3u) << row.alpha2;
    EXPECT_FALSE(row.chinese.empty()) << row.alpha2;
    EXPECT_FALSE(row.english.empty()) << row.alpha2;
  }
}

TEST(CountryTable, RowsThatDepartFromTheStandards) {
  struct Case {
    const char* alpha3;
    const char* alpha2;
    const char* numeric;
    const char* customs;
    int phone;
    int offset;
    const char8_t* chinese;
    const char* english;
  };
  const Case cases[] = {
      {"CHN", "CN", "156", "142", 86, 800, u8"中国", "China"},
      {"HKG", "HK", "156", "110", 852, 800, u8"香港", "Hong Kong"},
      {"TWN", "TW", "158", "143", 886, 800, u8"台湾", "Taiwan"},
      {"USA", "US", "581", "502", 1, -500, u8"美国", "United States"},
      {"GBR", "GB", "826", "303", 44, 0, u8"英国", "United Kingdom"},
      {"MDL", "MM", "104", "106", 95, 670, u8"缅甸", "Myanmar"},
      {"MKD", "MK", "807", "354", 99999, 100, u8"马其顿", "Macedonia"},
      {"ZWE", "ZW", "716", "254", 243, 100, u8"津巴布韦", "Zimbabwe"},
      {"AWX", "AW", "533", "403", 297, -400, u8"阿鲁巴", "Aruba"},
      {"BWX", "BW", "072", "000", 267, 200, u8"博茨瓦那", "Botswana"},
      {"TPX", "TP", "000", "000", 99999, -1000, u8"大溪地", "Tahiti"},
      {"FKX", "FK", "238", "000", 500, -300, u8"福克兰群岛", "Falkland Islands"},
      {"KGX", "KG", "417", "000", 996, 500, u8"吉尔吉斯斯坦", "Kyrgyzstan"},
      {"KMX", "KM", "174", "212", 269, 300, u8"科摩罗", "Comoros"},
      {"MHX", "MH", "584", "000", 692, 1200, u8"马绍尔群岛", "Marshall Islands"},
      {"MSX", "MS", "000", "000", 99999, 0, u8"蒙特塞拉岛", "Montserrado"},
      {"SPX", "SP", "000", "000", 167, 900, u8"塞班岛", "Saipan"},
      {"JEX", "JE", "832", "000", 44, 0, u8"泽西岛", "Jersey"},
      {"SOL", "XS", "706", "243", 252, 300, u8"索马里兰", "Somaliland"},
      {"SSD", "SS", "000", "000", 211, 300, u8"南苏丹", "South Sudan"},
      {"KOS", "XK", "000", "000", 383, 100, u8"科索沃", "Kosovo"},
      {"CUW", "CW", "000", "000", 599, -400, u8"库拉索", "Curacao"},
      {"XAX", "IC", "207", "000", 34, -100, u8"加那利群岛", "Canary Islands"},
  };
  for (const Case& c : cases) {
    const CountryRecord* row = FindCountryByCode3(c.alpha3);
    ASSERT_NE(row, nullptr) << c.alpha3;
    EXPECT_EQ(row->alpha2, c.alpha2);
    EXPECT_EQ(row->numeric, c.numeric) << c.alpha3;
    EXPECT_EQ(row->customs, c.customs) << c.alpha3;
    EXPECT_EQ(row->phone, c.phone) << c.alpha3;
    EXPECT_EQ(row->offset, c.offset) << c.alpha3;
    EXPECT_EQ(row->chinese, G(c.chinese)) << c.alpha3;
    EXPECT_EQ(row->english, c.english);
  }
}

TEST(CountryTable, CodeSearchesGiveTheFirstOfTwinRows) {
  const std::vector<CountryRecord>& table = CountryTable();
  for (const char* code : {"BW", "KG", "MH", "MS", "PF"}) {
    const CountryRecord* row = FindCountryByCode(code);
    ASSERT_NE(row, nullptr) << code;
    EXPECT_LT(row - table.data(), 200) << code;  // the row of the main list, not the twin
  }
  EXPECT_EQ(FindCountryByCode3("PYF")->chinese, G(u8"法属波利尼西亚"));
  EXPECT_EQ(FindCountryByCode("uk")->alpha2, "GB");
  EXPECT_EQ(FindCountryByCode("us")->alpha3, "USA");
  EXPECT_EQ(FindCountryByCode("USA"), nullptr);
  EXPECT_EQ(FindCountryByCode(""), nullptr);
  EXPECT_EQ(FindCountryByCode3("US"), nullptr);
  EXPECT_EQ(FindCountryByCode3("jpn")->alpha2, "JP");
}

TEST(CountryResolver, ResolvesTheTextsOfImportedWaybills) {
  struct Case {
    std::string text;
    bool loose;
    const char* excluded;
    const char* expected;
  };
  const Case cases[] = {
      // Codes: two bytes alpha-2, three bytes alpha-3 and nothing else.
      {"uk", false, "", "GB"},
      {"usa", false, "", "US"},
      {"jp", false, "CN", "JP"},
      {"ABC", true, "", "-"},      // no alpha-3 code, even loosely
      {"Chi", true, "", "-"},
      {"", true, "", "-"},
      {std::string(256, 'a'), true, "", "-"},
      // Chinese addresses.
      {G(u8"内蒙古呼和浩特"), true, "CN", "-"},
      {G(u8"内蒙古呼和浩特"), true, "", "CN"},
      {G(u8"广东省深圳市"), false, "", "CN"},
      {G(u8"中国香港"), false, "", "CN"},
      {G(u8"广东省深圳市"), false, "CN", "-"},
      // Fixed names.
      {G(u8"白俄罗斯共和国"), false, "", "BY"},
      {G(u8"印尼雅加达"), false, "", "ID"},
      {G(u8"俄罗斯莫斯科"), false, "", "RU"},
      {"VATICAN CITY STATE", false, "", "VA"},
      {G(u8"扎伊尔"), false, "", "ZW"},
      {G(u8"马尔维纳斯群岛"), false, "", "FK"},
      {G(u8"博茨瓦那"), false, "", "BW"},
      {G(u8"孟加拉"), false, "", "BD"},
      {G(u8"北马其顿"), false, "", "MK"},
      {"Burma", false, "", "MM"},
      {"BURMA", false, "", "MM"},
      {"burma", false, "", "MM"},
      {G(u8"索马里兰哈尔格萨"), false, "", "XS"},
      {"Hargeisa, SOMALILAND", false, "", "XS"},
      // Countries named at the end of an address.
      {"North America", false, "", "US"},
      {"New York, United States", false, "", "US"},
      {G(u8"美国纽约"), false, "", "US"},
      {"New England", false, "", "GB"},
      {"Great Britain", false, "", "GB"},
      {"London, england", false, "", "GB"},
      {"Berlin DEUTSCHLAND", false, "", "DE"},
      {G(u8"澳洲悉尼"), false, "", "AU"},
      {"Sydney Australia", false, "", "AU"},
      // Only the tail counts: an early "America" in a long line does not.
      {"Latin America Avenue 12, Lima, Peru", true, "", "PE"},
      // Names of the table, "Is." and "Is" read as Islands / Island.
      {"Cayman Is.", false, "", "KY"},
      {"Cayman Islands", false, "", "KY"},
      {"cayman islands", false, "", "KY"},
      {"Norfolk Is", false, "", "NF"},
      {"Faroe Is., Torshavn", false, "", "FO"},
      {G(u8"日本"), false, "", "JP"},
      {G(u8"日本东京都"), false, "", "JP"},  // prefix
      {"Japan Tokyo", false, "", "JP"},
      {G(u8"中国"), false, "CN", "CN"},     // an exact name is never excluded
      {"China Beijing", false, "CN", "-"},  // a prefix is
      // Loose matching, only when asked for and beyond three bytes.
      {"Tokyo, Japan", false, "", "-"},
      {"Tokyo, Japan", true, "", "JP"},
      {"Zealan", true, "", "NZ"},
      {G(u8"尼日利"), true, "", "NG"},
      {"Hong Kong SAR", true, "", "HK"},
      {"Xanadu", true, "", "-"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Resolved(c.text, c.loose, c.excluded), c.expected)
        << c.text;
  }
}

TEST(CountryResolver, NormalisingKeepsWordsAndCutsLongTexts) {
  EXPECT_EQ(NormalizeCountryText("Cayman Is."), "Cayman Islands");
  EXPECT_EQ(NormalizeCountryText("Cayman Islands"), "Cayman Islands");
  EXPECT_EQ(NormalizeCountryText("Virgin Is (US)"), "Virgin Island (US)");
  EXPECT_EQ(NormalizeCountryText("Isle of Man"), "Isle of Man");  // no blank before it
  EXPECT_EQ(NormalizeCountryText("Paris Island"), "Paris Island");
  EXPECT_EQ(NormalizeCountryText("england"), G(u8"英国"));

  // Thirty abbreviations grow the text past 255 bytes: it is cut, and the
  // double-byte character that straddles the limit is left out whole.
  std::string longText = G(u8"岛");
  for (int i = 0; i < 30; ++i) longText += " Is.";
  longText += "  ";
  for (int i = 0; i < 20; ++i) longText += G(u8"岛");
  ASSERT_LT(longText.size(), 256u);
  std::string cut = NormalizeCountryText(longText);
  EXPECT_EQ(cut.size(), 254u);
  EXPECT_EQ(cut.substr(cut.size() - 2), G(u8"岛"));
  EXPECT_EQ(ResolveCountry(longText, true), nullptr);
}

}  // namespace
