// The built-in currency list and its look-ups.

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/TextCodec.h"
#include "refdata/CurrencyTable.h"

namespace {

const char* const kOrder =
    "CNY USD EUR JPY GBP KRW TWD HKD SGD BRL RUB INR ZAR ARS AUD BDT CAD CHF ETB IDR MXN NGN "
    "PHP PKR SAR TRY VND AED AFA ALL AMD AOA AZN BGN BHD BIF BND BOB BSD BTN BWP BYR CDF CLP "
    "COP CRC CUP CVE DJF DKK DOP DZD ECS EGP ERN FJD GEL GHS GMD GNF GTQ GYD HNL HRK HTG HUF "
    "ILS IQD IRR ISK JMD JOD KES KGS KHR KMF KPW KWD KZT LAK LBP LKR LRD LSL LYD MAD MDL MGA "
    "MKD MMK MNT MOP MRO MUR MVR MWK MYR MZN NAD NIO NOK NPR NZD OMR PAB PEN PGK PLZ PYG QAR "
    "RSD RWF SDG SEK SLL SOS SRD SVC SYP SZL THB TJS TMT TND TZS UAH UGX UYU UZS VEF XAF YER "
    "ZMW ZWL";

TEST(CurrencyTableTest, BuiltInListInOrderWithRatesAndNames) {
  CCurrencyTable table;
  std::istringstream codes(kOrder);
  std::vector<std::string> expected;
  for (std::string code; codes >> code;) expected.push_back(code);
  ASSERT_EQ(expected.size(), 134u);
  ASSERT_EQ(table.Count(), 134u);

  std::set<std::string> seen;
  for (size_t i = 0; i < table.Count(); ++i) {
    const CurrencyEntry& e = table.At(i);
    EXPECT_EQ(e.isoCode, expected[i]) << i;
    EXPECT_TRUE(seen.insert(e.isoCode).second) << e.isoCode;
    // The first 27 carry a rate, the rest none; rate in use = default rate.
    EXPECT_EQ(e.defaultRate > 0, i < 27) << e.isoCode;
    EXPECT_EQ(e.rate, e.defaultRate) << e.isoCode;
    EXPECT_EQ(e.customsCode.size(), 3u) << e.isoCode;
    // Every name is a GBK text of at most 31 bytes that converts back whole.
    EXPECT_FALSE(e.nameGbk.empty()) << e.isoCode;
    EXPECT_LE(e.nameGbk.size(), 31u) << e.isoCode;
    EXPECT_EQ(e.name, WideFromGbk(e.nameGbk));
    EXPECT_EQ(e.nameGbk.find('?'), std::string::npos) << e.isoCode;
    EXPECT_EQ(GbkFromWide(e.name), e.nameGbk);
  }

  struct Case { const char* code; const char* customs; const char16_t* name; double rate; };
  const std::vector<Case> cases = {
      {"CNY", "142", u"人民币元", 1.0},       {"USD", "502", u"美元", 6.87622},
      {"JPY", "116", u"日元", 0.0612845},     {"BDT", "000", u"孟加拉国塔卡", 0.086058},
      {"IDR", "000", u"印度尼西亚卢比", 0.000516007},
      {"VND", "141", u"越南盾", 0.000303521}, {"ALL", "313", u"阿尔巴尼亚列克", 0},
      {"MOP", "121", u"澳门元", 0},           {"NZD", "609", u"新西兰元", 0},
      {"THB", "136", u"泰国铢", 0},           {"NOK", "000", nullptr, 0},
  };
  for (const Case& c : cases) {
    const CurrencyEntry* e = table.Find(c.code);
    ASSERT_NE(e, nullptr) << c.code;
    EXPECT_EQ(e->customsCode, c.customs) << c.code;
    if (c.name) {
      EXPECT_EQ(e->name, c.name) << c.code;
    }
    EXPECT_EQ(e->defaultRate, c.rate) << c.code;
  }
  // Only those eleven of the unrated entries have a customs code.
  int unratedWithCustoms = 0;
  for (size_t i = 27; i < table.Count(); ++i)
    unratedWithCustoms += table.At(i).customsCode != "000";
  EXPECT_EQ(unratedWithCustoms, 11);
}

TEST(CurrencyTableTest, LookUpsCompareCodesExactly) {
  CCurrencyTable table;
  struct Case { const char* code; bool found; double rate; };
  const std::vector<Case> cases = {
      {"CNY", true, 1.0}, {"cny", false, 1.0}, {"NOK", true, 0.0},  // unrated: rate 0
      {"XYZ", false, 1.0}, {"", false, 1.0},  {"CNYX", false, 1.0}, {"CN", false, 1.0},
      {"EUR", true, 7.31959},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(table.Find(c.code) != nullptr, c.found) << c.code;
    EXPECT_EQ(table.RateOf(c.code), c.rate) << c.code;
  }
}

TEST(CurrencyTableTest, AddKeepsItsOwnRateAndCutsLongTexts) {
  CCurrencyTable table;
  table.Add("XTS", "999", "test", 2.0, 3.5);
  const CurrencyEntry* e = table.Find("XTS");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->defaultRate, 2.0);
  EXPECT_EQ(e->rate, 3.5);

  // 16 double-byte characters (32 bytes) keep 15 of them; codes keep 3 bytes.
  const std::string longName = GbkFromWide(u"一二三四五六七八九十一二三四五六");
  table.Add("ABCD", "12345", longName, 0, 0);
  const CurrencyEntry& last = table.At(table.Count() - 1);
  EXPECT_EQ(last.isoCode, "ABC");
  EXPECT_EQ(last.customsCode, "123");
  EXPECT_EQ(last.name, u"一二三四五六七八九十一二三四五");

  // The first equal code answers; a later duplicate is not reached.
  table.Add("CNY", "142", "dup", 9.0, 0);
  EXPECT_EQ(table.RateOf("CNY"), 1.0);
  // A rate found can be replaced (from the server's dictionary).
  table.Find("NOK")->rate = 0.65;
  EXPECT_EQ(table.RateOf("NOK"), 0.65);
}

}  // namespace
