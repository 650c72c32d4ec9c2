// The stand-in's text helpers on the reply path: JSON strings written in
// runs, texts cut to a number of GBK bytes, and the server's text collation.

#include <gtest/gtest.h>

#include <string>

#include "localserver/Database.h"
#include "localserver/Wire.h"

namespace localserver {
namespace {

TEST(JsonOutText, PlainRunsAndEscapesInOneString) {
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"", R"("")"},
      {"BN80000001 United States", R"("BN80000001 United States")"},
      // Quote, backslash, slash, control bytes and DEL are escaped; plain
      // runs around them stay as they are.
      {"a/b\"c\\d\x01" "e\x7F" "f", R"("a\u002Fb\u0022c\u005Cd\u0001e\u007Ff")"},
      {"\x1F" "x", R"("\u001Fx")"},
      // Characters beyond ASCII as UTF-16 units, four-byte ones as a pair.
      {"收件人12", R"("\u6536\u4EF6\u4EBA12")"},
      {"x\xF0\x9F\x98\x80y", R"("x\uD83D\uDE00y")"},
      // A malformed sequence becomes U+FFFD, the run goes on after it.
      {"ab\xE4\xB8" "cd", R"("ab\uFFFD\uFFFDcd")"},
  };
  for (const auto& c : cases) {
    std::string out = "[";
    JsonOut::AppendString(out, c.in);
    EXPECT_EQ(out, "[" + c.out) << c.in;
  }
}

TEST(GbkCut, TextsAreCutToWholeCharactersOfGbkBytes) {
  const struct {
    std::string in;
    size_t bytes;
    std::string out;
  } cases[] = {
      {"BR16000001", 31, "BR16000001"},
      {"BR16000001", 10, "BR16000001"},
      {"BR16000001", 4, "BR16"},
      {"", 0, ""},
      // Three Chinese characters: nine UTF-8 bytes, six GBK bytes.
      {"收件人", 6, "收件人"},
      {"收件人", 5, "收件"},
      {"收件人", 9, "收件人"},
      {"a收件人", 4, "a收"},
      // A character without a GBK code counts as one byte ('?').
      {"\xF0\x9F\x98\x80" "ab", 3, "\xF0\x9F\x98\x80" "ab"},
  };
  for (const auto& c : cases) EXPECT_EQ(CutToGbkBytes(c.in, c.bytes), c.out) << c.in << " " << c.bytes;
}

TEST(TsqlCollation, AsciiCaseAndTrailingBlanksIgnoredOtherBytesAsTheyAre) {
  Database db(":memory:");
  const struct {
    const char* a;
    const char* b;
    int sign;
  } cases[] = {
      {"BR16000001", "br16000001", 0}, {"abc  ", "ABC", 0},     {"abc", "abd", -1},
      {"Abd", "abc", 1},               {"ab", "abc", -1},       {"[x", "Zx", -1},
      {"收件人", "收件人 ", 0},         {"收件人", "收件", 1},     {"É", "é", -1},
      {"a_", "A_", 0},                 {"@", "`", -1},
  };
  for (const auto& c : cases) {
    const std::string sql = std::string("SELECT CASE WHEN '") + c.a + "' < '" + c.b +
                            "' COLLATE TSQL THEN -1 WHEN '" + c.a + "' = '" + c.b +
                            "' COLLATE TSQL THEN 0 ELSE 1 END";
    EXPECT_EQ(db.Scalar(sql).AsInt(), c.sign) << c.a << " / " << c.b;
  }
}

}  // namespace
}  // namespace localserver
