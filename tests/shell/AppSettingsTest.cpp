#include "shell/AppSettings.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "common/TextCodec.h"

TEST(AppSettings, Defaults) {
  AppSettings s;
  s.SetDefaults(CivilDate{2024, 6, 15});
  EXPECT_EQ(s.loginRequired, 1);
  EXPECT_EQ(s.loginRefreshChecked, 0);
  EXPECT_EQ(s.loginRefreshLocked, 0);
  EXPECT_EQ(s.postcodeZonesEnabled, 1);
  EXPECT_EQ(s.checkDestination + s.checkGoodsName + s.checkUnitPrice, 0);
  EXPECT_FALSE(s.companyWebAddress.empty());
  EXPECT_EQ(s.defaultDivisorLetter, 'W');
  EXPECT_EQ(s.defaultCurrency, u"USD");
  EXPECT_EQ(s.defaultOriginCountry, u"CN");
  EXPECT_EQ(s.printConfirmSettings, (std::array<int32_t, 3>{1, 1, 2}));
  EXPECT_EQ(s.waybillRendererFlag, 1);
  EXPECT_EQ(s.labelRendererFlag, 1);
  EXPECT_EQ(s.invoiceToFile, 1);
  EXPECT_EQ(s.marketplaceOrderImport, 0);
  EXPECT_EQ(s.waybillImportFlags, (std::array<int32_t, 2>{1, 1}));
  EXPECT_EQ(s.fullFormInitFlag, 1);
  EXPECT_EQ(s.fullFormInitClearFlag, 0);
  EXPECT_EQ(s.fullFormConstructFlag, 1);
  EXPECT_EQ(s.fullFormSaveFlags, (std::array<int32_t, 2>{0, 0}));
  EXPECT_EQ(s.scanPrintFlag, 1);
  EXPECT_EQ(s.quickEntryFlag, 0);
  EXPECT_EQ(s.recordQueryFlag, 0);
  EXPECT_EQ(s.scanStationFlag, 1);

  // The default letter follows the override when one is set.
  s.divisorLetterOverride = 'E';
  s.SetDefaults(CivilDate{2024, 6, 15});
  EXPECT_EQ(s.defaultDivisorLetter, 'E');
  s.divisorLetterOverride = 0;
  s.SetDefaults(CivilDate{2024, 6, 15});
  EXPECT_EQ(s.defaultDivisorLetter, 'W');

  // Later start-up steps may have changed settings; SetDefaults resets them
  // and clears the desktop folder.
  s.desktopPath = u"/home/x/Desktop";
  s.loginRequired = 0;
  s.SetDefaults(CivilDate{2024, 6, 15});
  EXPECT_TRUE(s.desktopPath.empty());
  EXPECT_EQ(s.loginRequired, 1);
}

TEST(AppSettings, BusinessDatesCountBackAcrossMonthsAndYears) {
  struct Case {
    CivilDate today;
    std::array<std::u16string, 3> dates;
  };
  const Case cases[] = {
      {{2024, 3, 1}, {u"2024.03.01", u"2024.02.29", u"2024.02.28"}},
      {{2023, 3, 1}, {u"2023.03.01", u"2023.02.28", u"2023.02.27"}},
      {{2025, 1, 2}, {u"2025.01.02", u"2025.01.01", u"2024.12.31"}},
      {{2025, 1, 1}, {u"2025.01.01", u"2024.12.31", u"2024.12.30"}},
      {{2024, 5, 1}, {u"2024.05.01", u"2024.04.30", u"2024.04.29"}},
  };
  for (const Case& c : cases) {
    AppSettings s;
    s.SetDefaults(c.today);
    EXPECT_EQ(s.businessDates, c.dates) << c.today.year << "-" << c.today.month;
  }
  // Without a given day the dates count back from today.
  AppSettings s;
  s.SetDefaults();
  CivilDate today = LocalToday();
  EXPECT_EQ(s.businessDates[0], FormatDateText(today.year, today.month, today.day));
}

TEST(AppSettings, NameTablesAreZeroPaddedFixedWidth) {
  AppSettings s;
  // Dirty the tables first: every entry must be zeroed before it is filled.
  for (auto& e : s.provinces) e.fill('x');
  for (auto& e : s.countries) e.fill('x');
  for (auto& e : s.payModes) e.fill(u'x');
  s.SetDefaults(CivilDate{2024, 6, 15});

  EXPECT_EQ(AppSettings::EntryText(s.payModes[0]), u"月结");
  EXPECT_EQ(AppSettings::EntryText(s.payModes[2]), u"到付");
  EXPECT_EQ(AppSettings::EntryText(s.packageKinds[2]), u"防水袋");
  EXPECT_EQ(s.payModes[1][2], 0);
  EXPECT_EQ(s.payModes[1][7], 0);

  // "内蒙古" fills 6 of its 8 bytes, "印度尼西亚" 10 of its 12.
  const auto& inner = s.provinces[16];
  EXPECT_EQ(WideFromGbk(AppSettings::EntryText(inner)), u"内蒙古");
  EXPECT_EQ(AppSettings::EntryText(inner).size(), 6u);
  EXPECT_EQ(inner[6], 0);
  EXPECT_EQ(inner[7], 0);
  const auto& indonesia = s.countries[2];
  EXPECT_EQ(WideFromGbk(AppSettings::EntryText(indonesia)), u"印度尼西亚");
  EXPECT_EQ(AppSettings::EntryText(indonesia).size(), 10u);
  EXPECT_EQ(indonesia[10], 0);
  EXPECT_EQ(indonesia[11], 0);

  EXPECT_EQ(WideFromGbk(AppSettings::EntryText(s.provinces[0])), u"安徽");
  EXPECT_EQ(WideFromGbk(AppSettings::EntryText(s.provinces[33])), u"澳门");
  EXPECT_EQ(WideFromGbk(AppSettings::EntryText(s.countries[0])), u"日本");
  EXPECT_EQ(WideFromGbk(AppSettings::EntryText(s.countries[41])), u"南非");
  // Every entry is non-empty and ends in zero bytes only.
  for (const auto& e : s.provinces) {
    auto text = AppSettings::EntryText(e);
    ASSERT_FALSE(text.empty());
    EXPECT_TRUE(std::all_of(e.begin() + text.size(), e.end(), [](char c) { return c == 0; }));
  }
  for (const auto& e : s.countries) {
    auto text = AppSettings::EntryText(e);
    ASSERT_FALSE(text.empty());
    EXPECT_TRUE(std::all_of(e.begin() + text.size(), e.end(), [](char c) { return c == 0; }));
  }
}
