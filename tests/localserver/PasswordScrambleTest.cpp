#include <gtest/gtest.h>

#include <random>
#include <set>

#include "localserver/PasswordScramble.h"

using namespace localserver;

TEST(PasswordScramble, TablesArePermutationsKeepingZero) {
  for (int k = 0; k < 9; ++k) {
    std::set<int> seen(ScrambleTable(k).begin(), ScrambleTable(k).end());
    EXPECT_EQ(seen.size(), 256u);
    EXPECT_EQ(ScrambleTable(k)[0], 0);
  }
  std::set<std::vector<int>> choices;
  for (int v = 0; v < 210; ++v) {
    int t[3];
    PickScrambleTables(static_cast<uint8_t>(v), t);
    choices.insert({t[0], t[1], t[2]});
  }
  EXPECT_EQ(choices.size(), 210u);
  int a[3], b[3];
  PickScrambleTables(211, a);
  PickScrambleTables(1, b);
  EXPECT_EQ(std::vector<int>(a, a + 3), std::vector<int>(b, b + 3));
  PickScrambleTables(0, a);
  EXPECT_EQ(std::vector<int>(a, a + 3), (std::vector<int>{0, 1, 2}));
}

TEST(PasswordScramble, BothFormsComeBack) {
  std::mt19937 rng(7);
  for (int round = 0; round < 2000; ++round) {
    std::string pw(1 + rng() % 30, '\0');
    for (auto& c : pw) c = static_cast<char>(1 + rng() % 255);
    std::string back;
    ASSERT_TRUE(UnscramblePasswordChars(ScramblePasswordChars(pw), back));
    ASSERT_EQ(back, pw);
    std::string hex = ScramblePasswordHex(pw, 0x0B, rng());
    ASSERT_EQ(hex.size(), 128u);
    ASSERT_TRUE(RecoverPasswordFromHex(hex, 0x0B, back));
    ASSERT_EQ(back, pw);
  }
  std::string out;
  EXPECT_FALSE(RecoverPasswordFromHex("00", 0x0B, out));
  EXPECT_FALSE(RecoverPasswordFromHex(std::string(128, '0'), 0x0B, out));  // length 0
}
