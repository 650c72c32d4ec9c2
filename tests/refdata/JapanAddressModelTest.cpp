// The list and search logic of the Japan address dialog.

#include "refdata/JapanAddressModel.h"

#include <gtest/gtest.h>

TEST(JapanAddressModel, TypedPostcodes) {
  struct Case {
    std::u16string typed;
    int32_t number;
  } cases[] = {
      {u"1000001", 1000001},
      {u"100-0001", 1000001},          // the written form
      {u" 060 0042", 600042},
      {u"１００－０００１", 1000001},  // full-width digits and hyphen
      {u"〒100-0001", 0},              // reading stops at the first other character
      {u"100-0001x", 1000001},
      {u"abc", 0},
      {u"", 0},
      {u"12345678901234567890", 0},    // beyond any postcode
      {u"0000000000000000123", 0},     // only 16 characters are read
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CJapanAddressModel::ParsePostcode(c.typed), c.number)
        << std::string(c.typed.begin(), c.typed.end());
  }
}

TEST(JapanAddressModel, WithoutABookEverythingIsEmpty) {
  CJapanAddressModel model(nullptr);
  EXPECT_TRUE(model.PrefectureRows().empty());
  EXPECT_FALSE(model.SelectPrefecture(0));
  EXPECT_EQ(model.Search(u"1000001"), -1);
  EXPECT_EQ(model.ChosenPostcode(), -1);
  model.ToggleReturnLanguage();
  EXPECT_EQ(model.ReturnLanguage(), 1);
  model.ToggleDisplayLanguage();
  EXPECT_FALSE(model.DisplayJapanese());
}
