// Money of the payments page in whole hundredths.

#include <gtest/gtest.h>

#include <string>

#include "shipping/PaymentMoney.h"

namespace {

using payment::Cents;

TEST(PaymentMoney, TenThousandPaymentsOfTenCentsMakeOneThousand) {
  Cents total = 0;
  double drifting = 0;
  for (int k = 0; k < 10000; ++k) {
    total += payment::CentsOfText(u"0.10");
    drifting += 0.10;
  }
  EXPECT_EQ(payment::CentsText(total), u"1000.00");
  // The same sum in binary doubles is off (why the page keeps hundredths).
  EXPECT_NE(drifting, 1000.0);
}

TEST(PaymentMoney, TextsAndDoubles) {
  struct Case {
    const char16_t* text;
    bool ok;
    Cents cents;
  } cases[] = {
      {u"12.5", true, 1250},      {u"-0.02", true, -2},     {u" 7 ", true, 700},
      {u"1.005", true, 101},      {u"1.004", true, 100},    {u".5", true, 50},
      {u"", false, 0},            {u"12a", false, 0},       {u"1.2.3", false, 0},
      {u"-", false, 0},           {u"+3.10", true, 310},
  };
  for (const Case& c : cases) {
    Cents out = -1;
    EXPECT_EQ(payment::ParseCents(c.text, out), c.ok) << std::string(c.text, c.text + 0);
    EXPECT_EQ(out, c.cents);
  }
  EXPECT_EQ(payment::CentsOf(0.1 + 0.2), 30);
  EXPECT_EQ(payment::CentsOf(1.005), 101);  // half away from zero at the thousandths
  EXPECT_EQ(payment::CentsOf(-1.005), -101);
  EXPECT_EQ(payment::CentsTruncatedOf(2.999), 300);  // + a tenth of a cent, then cut
  EXPECT_EQ(payment::CentsTruncatedOf(2.998), 299);
  EXPECT_EQ(payment::CentsText(-2), u"-0.02");
  EXPECT_EQ(payment::CentsText(0), u"0.00");
  EXPECT_EQ(payment::CentsText(123456789), u"1234567.89");
}

}  // namespace
