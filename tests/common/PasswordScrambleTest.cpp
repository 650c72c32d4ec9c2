#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/PasswordScramble.h"

namespace {

// Position of byte b in a table (what the server's recovery looks up).
uint8_t Inverse(const ScrambleTable& t, uint8_t b) {
  for (int i = 0; i < 256; ++i)
    if (t[i] == b) return static_cast<uint8_t>(i);
  ADD_FAILURE() << "byte missing from table";
  return 0;
}

uint8_t HexByte(const std::string& hex, size_t i) {
  return static_cast<uint8_t>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
}

// Recovers the password from the character form as the server does.
std::string RecoverChars(std::string form) {
  size_t len = form.size();
  if (len == 0) return form;
  if (len == 1) {
    form[0] = static_cast<char>(PasswordSingleCharTable()[static_cast<uint8_t>(form[0])]);
    return form;
  }
  size_t middle = len / 2;
  uint8_t m = static_cast<uint8_t>(form[middle]);
  if (m == 127)
    m = 1;
  else if (m >= 1 && m < 127)
    ++m;
  form[middle] = static_cast<char>(m);
  auto picked = PickScrambleTables(m);
  int counter = static_cast<int>(len % 3);
  for (size_t i = 0; i < len; ++i) {
    if (i == middle) continue;
    form[i] = static_cast<char>(
        PasswordScrambleTable(picked[counter])[static_cast<uint8_t>(form[i])]);
    counter = (counter + 1) % 3;
  }
  return form;
}

TEST(PasswordScrambleTables, ArePermutationsKeepingZero) {
  std::vector<const ScrambleTable*> tables = {&PasswordSingleCharTable(), &PasswordFinalTable()};
  for (int n = 1; n <= 7; ++n) tables.push_back(&PasswordScrambleTable(n));
  for (const ScrambleTable* t : tables) {
    std::set<uint8_t> seen(t->begin(), t->end());
    EXPECT_EQ(seen.size(), 256u);
    EXPECT_EQ((*t)[0], 0);
  }
}

TEST(PickScrambleTables, GivesEveryOrderedTripleOnce) {
  std::set<std::array<int, 3>> seen;
  for (int v = 0; v < 210; ++v) {
    auto t = PickScrambleTables(static_cast<uint8_t>(v));
    EXPECT_NE(t[0], t[1]);
    EXPECT_NE(t[1], t[2]);
    EXPECT_NE(t[0], t[2]);
    for (int x : t) EXPECT_TRUE(x >= 1 && x <= 7);
    seen.insert(t);
  }
  EXPECT_EQ(seen.size(), 210u);
  EXPECT_EQ(PickScrambleTables(211), PickScrambleTables(1));
  EXPECT_EQ(PickScrambleTables(255), PickScrambleTables(45));
  EXPECT_EQ(PickScrambleTables(0), (std::array<int, 3>{1, 2, 3}));
  EXPECT_EQ(PickScrambleTables(1), (std::array<int, 3>{1, 3, 2}));
  EXPECT_EQ(PickScrambleTables(4 * 6), (std::array<int, 3>{1, 2, 7}));
  EXPECT_EQ(PickScrambleTables(5 * 6 + 5), (std::array<int, 3>{4, 3, 1}));
  EXPECT_EQ(PickScrambleTables(34 * 6 + 3), (std::array<int, 3>{6, 7, 5}));
}

TEST(ScramblePasswordChars, RoundTripsAndNeverMakesNul) {
  // One byte goes through the single-character table only.
  std::string one = "a";
  ScramblePasswordChars(one);
  EXPECT_EQ(static_cast<uint8_t>(one[0]), Inverse(PasswordSingleCharTable(), 'a'));

  std::string middle = "ab" "\x01" "cd";
  std::string scrambledMiddle = middle;
  ScramblePasswordChars(scrambledMiddle);
  EXPECT_EQ(scrambledMiddle[2], 127);  // middle byte 1 becomes 127

  for (std::string pw : {std::string("ab"), std::string("abc"), std::string("Secret#2024"),
                         std::string("\xD6\xD0\xCE\xC4pw9"), std::string(30, '\x7F'),
                         std::string("x\x80\xFFy")}) {
    std::string form = pw;
    ScramblePasswordChars(form);
    EXPECT_EQ(form.size(), pw.size());
    EXPECT_EQ(form.find('\0'), std::string::npos) << pw;
    EXPECT_EQ(RecoverChars(form), pw);
  }
  std::string empty;
  EXPECT_EQ(ScramblePasswordChars(empty), "");
}

TEST(ScramblePasswordHex, LayoutAndRecovery) {
  const std::string pws[] = {"", "a", "ab", "Secret#2024", std::string(31, 'q'),
                             std::string(32, 'z')};
  for (const std::string& pw : pws) {
    std::string hex = ScramblePasswordHex(pw, kPasswordChangeXor);
    ASSERT_EQ(hex.size(), 128u) << pw;
    EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_EQ(HexByte(hex, 0), pw.size());
    const size_t start = pw.size() % 2 ? 2 : 1;
    std::set<size_t> passwordPositions;
    std::string recovered;
    for (size_t k = 0; k < pw.size(); ++k) {
      passwordPositions.insert(start + 2 * k);
      recovered.push_back(static_cast<char>(
          Inverse(PasswordFinalTable(), HexByte(hex, start + 2 * k)) ^ kPasswordChangeXor));
    }
    EXPECT_EQ(recovered, pw);
    // The filler bytes are 1 to 254 before the final table.
    for (size_t i = 1; i < 64; ++i) {
      if (passwordPositions.count(i)) continue;
      uint8_t raw = Inverse(PasswordFinalTable(), HexByte(hex, i));
      EXPECT_TRUE(raw >= 1 && raw <= 254);
    }
  }
  // The filler is random: two runs differ, the password positions do not.
  EXPECT_NE(ScramblePasswordHex("Secret#2024", 0x0B), ScramblePasswordHex("Secret#2024", 0x0B));
  // Longer passwords would not fit the block: refused.
  EXPECT_EQ(ScramblePasswordHex(std::string(33, 'a'), 0x0B), "");
}

TEST(IsStrongPassword, NeedsLengthAndThreeKinds) {
  struct Case {
    const char* text;
    bool strong;
  } cases[] = {
      {"abc123", false},    // letters and digits only
      {"abc12!", true},
      {"a1!b2", false},     // five bytes
      {"!!!!!!", false},
      {"abcdef1\xD6\xD0", true},  // a Chinese character counts as "neither"
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsStrongPassword(c.text), c.strong) << c.text;
}

}  // namespace
