#include "common/FieldCheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"

namespace {

namespace fs = std::filesystem;
using platform::RecordingMessageBoxService;
using platform::ScopedMessageBoxService;

// ---- Numbers ----

TEST(RoundScaled, FixedRoundingRules) {
  struct Case {
    double x;
    int n;
    int32_t plain, fine, half;
  } cases[] = {
      {1.2345, 1000, 1234, 1234, 1235},
      {0.005, 1000, 5, 5, 5},
      {0.000004, 1000, 0, 0, 0},
      {-1.0, 1000, -1000, -1000, -1000},  // -1000.1 and -1000.5 truncate toward zero
      {0.00005, 1000, 0, 0, 0},
      {12.34, 100, 1234, 1234, 1234},
      {2.5, 1, 2, 2, 3},
      {-2.5, 1, -2, -2, -3},
      {3e9, 1, 2147483647, 2147483647, 2147483647},
      {-3e9, 1, -2147483647 - 1, -2147483647 - 1, -2147483647 - 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << " x " << c.n);
    EXPECT_EQ(RoundScaled(c.x, c.n), c.plain);
    EXPECT_EQ(RoundScaledFine(c.x, c.n), c.fine);
    EXPECT_EQ(RoundScaledHalf(c.x, c.n), c.half);
  }
  EXPECT_EQ(RoundScaled(0.995, 1), 1);
  EXPECT_EQ(RoundScaledHalf(NAN, 1), 0);
}

TEST(RoundTo2Decimals, RoundsAtTheThousandthsHalfAwayFromZero) {
  struct Case {
    double x, expected;
  } cases[] = {
      {1.006, 1.01}, {-1.006, -1.01}, {0.0001, 0.0}, {1.004, 1.0}, {2.345, 2.35}, {-2.345, -2.35},
  };
  for (const auto& c : cases) {
    double x = c.x;
    EXPECT_NEAR(RoundTo2Decimals(x), c.expected, 1e-12) << c.x;
    EXPECT_NEAR(x, c.expected, 1e-12) << "stored back";
  }
  EXPECT_DOUBLE_EQ(DivideToReal(1234, 1000), 1.234);
  EXPECT_DOUBLE_EQ(DivideToReal64(5000000000LL, 100), 50000000.0);
}

TEST(NumberText, DigitsSignsAndPoints) {
  EXPECT_TRUE(IsSignedNumberText(""));
  EXPECT_TRUE(IsSignedNumberText("+1.5"));
  EXPECT_TRUE(IsSignedNumberText("-.-"));
  EXPECT_FALSE(IsSignedNumberText("1e5"));
  EXPECT_FALSE(IsSignedNumberText("1 5"));
  EXPECT_FALSE(IsSignedNumberText(static_cast<const char*>(nullptr)));
  EXPECT_FALSE(IsNumberText(std::string_view()));
  EXPECT_TRUE(IsNumberText(std::string("007")));
  EXPECT_FALSE(IsNumberText("\xD6\xD0"));
}

// ---- Batch ids ----

TEST(BatchIds, TextAndIdBothWays) {
  struct Case {
    int32_t id;
    const char* text;
  } cases[] = {
      {1221011234, "220101-123-4"},  // year 22 folded into the third digit
      {1201011234, "120101-123-4"},
      {2112310000, "211231-000-0"},  // highest unfolded number
      {1981011234, "590101-123-4"},  // year 59
      {210101123, "021010-112-3"},   // 9 digits
      {12345678, "12345678"},
      {1, "1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(BatchIdToText(c.id), c.text);
    std::u16string wide(c.text, c.text + std::char_traits<char>::length(c.text));
    EXPECT_EQ(BatchTextToId(wide), c.id);
  }
  EXPECT_EQ(BatchIdToText(0), "");
  EXPECT_EQ(BatchIdToText(-5), "");
  EXPECT_EQ(BatchIdToText(2113000000), "");
}

TEST(BatchIds, TextsThatAreNoBatch) {
  EXPECT_EQ(BatchTextToId(u"0000000000000000"), 0);          // 16 characters
  EXPECT_EQ(BatchTextToId(u"220101-123-4    "), 0);          // 16 characters
  EXPECT_EQ(BatchTextToId(u"批次220101-123-4"), 1221011234);  // leading text dropped
  EXPECT_EQ(BatchTextToId(u"00-0"), 0);
  EXPECT_EQ(BatchTextToId(u""), 0);
  EXPECT_EQ(BatchTextToId(u"600101-000-0"), 0);  // beyond year 59
  EXPECT_EQ(BatchTextToId(u"591231-000-0"), 1992310000);
}

// ---- SQL text ----

TEST(SqlText, Quoting) {
  EXPECT_EQ(QuoteSql(u" \tO'Brien's\r\n"), u"O''Brien''s");
  EXPECT_EQ(QuoteSql(u"\u3000x"), u"\u3000x");  // the framework trim keeps U+3000
  EXPECT_EQ(QuoteSqlNarrow("\x07QUJD'x'"), "\x06QUJD''x''");
  EXPECT_EQ(QuoteSqlNarrow("a\x07"), "a\x07");
  EXPECT_EQ(QuoteSqlNarrow(""), "");
  std::string sql = "IN (";
  AppendSqlQuoted(sql, "a'b", false);
  AppendSqlQuoted(sql, "", true);
  AppendSqlQuoted(sql, "c", true) += ")";
  EXPECT_EQ(sql, "IN ('a''b','','c')");
}

TEST(SqlText, LikePatterns) {
  struct Case {
    const char16_t* text;
    int mode;
    const char16_t* expected;
  } cases[] = {
      {u"", 2, u""},          {u"  \t", 0, u""},         {u"  \t", 2, u""},
      {u"50%", 2, u"%50[%]%"}, {u"a_b", 0, u"%a[_]b"},    {u"[x]", 1, u"[[]x]%"},
      {u"O'K", 3, u"O''K"},   {u" ab ", 1, u"ab%"},       {u"%_['", 2, u"%[%][_][[]''%"},
  };
  for (const auto& c : cases) EXPECT_EQ(MakeSqlLikePattern(c.text, c.mode), c.expected) << c.mode;
}

// ---- Amounts in capitals ----

TEST(AmountInCapitals, DigitsUnitsAndZeros) {
  struct Case {
    double amount;
    const char16_t* expected;
  } cases[] = {
      {10.50, u"壹拾圆伍角整"},
      {100.05, u"壹佰圆零伍分"},
      {100000000.00, u"壹亿圆整"},
      {0.50, u"圆伍角整"},
      {0.0, u"圆整"},
      {10000.0, u"壹万圆整"},
      {100010000.0, u"壹亿零壹万圆整"},
      {1234567890.12, u"壹拾贰亿叁仟肆佰伍拾陆万柒仟捌佰玖拾圆壹角贰分"},
      {1001.0, u"壹仟零壹圆整"},
      {9999999999.99, u"玖拾玖亿玖仟玖佰玖拾玖万玖仟玖佰玖拾玖圆玖角玖分"},
      {10000000000.00, u""},  // 13 digits
      {-1.0, u""},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatAmountInCapitals(c.amount), c.expected) << c.amount;
}

// ---- Field checks ----

// Loads a small language table and records the message boxes.
class FieldCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("brantle_fields_" + std::to_string(::getpid()));
    fs::create_directories(folder_);
    std::u16string file = u"\uFEFF..";
    const std::pair<const char*, const char16_t*> entries[] = {
        {"20003", u"Check"},
        {"20012", u"%1 short %2"},
        {"20013", u"%1 long %2"},
        {"20014", u"row%1 [%2] short %3"},
        {"20015", u"row%1 [%2] long %3"},
    };
    for (const auto& [id, text] : entries) {
      file += u"<D> ";
      file += std::u16string(id, id + 5);
      file += u",";
      file += text;
      file += u"[*==*]";
      file += text;
      file += u"</D>\r\n";
    }
    std::string bytes;
    for (char16_t u : file) {
      bytes += static_cast<char>(u & 0xFF);
      bytes += static_cast<char>(u >> 8);
    }
    std::ofstream(folder_ / "TolvaneLan_00.txt", std::ios::binary) << bytes;
    ASSERT_TRUE(AppLanguage().Load(folder_.string() + "/", "00"));
  }
  void TearDown() override { fs::remove_all(folder_); }

  // The one box shown, as "caption|text"; empty when none was shown.
  std::string Shown() {
    auto shown = boxes_.Messages();
    if (shown.empty()) return {};
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].flags, platform::kMbOk | platform::kMbIconError);
    std::u16string both = shown[0].caption + u"|" + shown[0].text;
    boxes_.Clear();
    return std::string(both.begin(), both.end());
  }

  fs::path folder_;
  RecordingMessageBoxService boxes_;
  ScopedMessageBoxService scope_{&boxes_};
};

TEST_F(FieldCheckTest, LimitsAndMessages) {
  struct Case {
    std::u16string text;
    int minimum, maximum;
    bool ok;
    std::string dest, box;
  } cases[] = {
      {u"  abc\t", 1, 3, true, "abc", ""},
      {u" \t\r\n", 1, 10, false, "keep", "Check|Name short 1"},
      {u"", 0, 10, true, "", ""},
      {u"abcd", 0, 3, false, "keep", "Check|Name long 3"},
      {u"\u4E2D\u6587", 0, 4, true, "\xD6\xD0\xCE\xC4", ""},
      {u"\u4E2D\u6587", 0, 3, false, "keep", "Check|Name long 3"},
      {u"\u4E2D", 3, 9, false, "keep", "Check|Name short 3"},
  };
  for (const auto& c : cases) {
    std::u16string text = c.text;
    std::string dest = "keep";
    EXPECT_EQ(CheckFieldLength(text, dest, c.minimum, c.maximum, u"Name", true), c.ok);
    EXPECT_EQ(dest, c.dest);
    EXPECT_EQ(Shown(), c.box);
  }
}

TEST_F(FieldCheckTest, ReferencesFlagAgainstFolding) {
  struct Case {
    std::u16string text;
    bool references;
    std::string dest;
  } cases[] = {
      {u"\u00E9", true, "\xA8\xA6"},  // GBK pair
      {u"\u0E01", true, "&#3585;"},   // decimal reference, 7 bytes
      {u"\u00E9", false, "e"},        // folded
      {u"\u0E01", false, "?"},        // no GBK code
  };
  for (const auto& c : cases) {
    std::u16string text = c.text;
    std::string dest;
    EXPECT_TRUE(CheckFieldLength(text, dest, 0, 7, u"F", c.references));
    EXPECT_EQ(dest, c.dest);
    text = c.text;
    EXPECT_TRUE(CheckTextLength(text, dest, 0, 7, u"F", c.references));
    EXPECT_EQ(dest, c.dest);
  }
  std::u16string thai = u"\u0E01";
  std::string dest = "keep";
  EXPECT_FALSE(CheckFieldLength(thai, dest, 0, 6, u"F", true));
  EXPECT_EQ(Shown(), "Check|F long 6");
}

TEST_F(FieldCheckTest, ReferencesFormBeyondItsRoomIsRefusedNotCut) {
  std::u16string text(1025, u'a');
  std::string dest = "keep";
  EXPECT_FALSE(CheckFieldLength(text, dest, 0, 5000, u"Memo", true));
  EXPECT_EQ(dest, "keep");
  EXPECT_EQ(Shown(), "Check|Memo long 5000");
  text.assign(1024, u'a');
  EXPECT_TRUE(CheckFieldLength(text, dest, 0, 5000, u"Memo", true));
  EXPECT_EQ(dest.size(), 1024u);
}

TEST_F(FieldCheckTest, TrimsDifferByKind) {
  // The framework trim keeps U+3000; TrimW removes it.
  std::u16string text = u"\u3000ab\u3000";
  std::string dest;
  EXPECT_TRUE(CheckFieldLength(text, dest, 0, 10, u"F", true));
  EXPECT_EQ(text, u"\u3000ab\u3000");
  EXPECT_EQ(dest, "\xA1\xA1" "ab\xA1\xA1");
  EXPECT_TRUE(CheckTextLength(text, dest, 0, 10, u"F", true));
  EXPECT_EQ(text, u"ab");
  EXPECT_EQ(dest, "ab");
}

TEST_F(FieldCheckTest, EncodedChecks) {
  std::u16string text = u" \u0E01x ";
  std::string dest;
  EXPECT_TRUE(CheckFieldLengthEncoded(text, dest, 1, 20, u"E"));
  EXPECT_EQ(text, u"\u0E01x");
  EXPECT_EQ(dest, "&#3585;x");
  EXPECT_FALSE(CheckTextLengthEncoded(text, dest, 0, 7, u"E"));
  EXPECT_EQ(Shown(), "Check|E long 7");
}

TEST_F(FieldCheckTest, TextThatFitsNoEncodingIsTooLongNeverEmpty) {
  // 1,500 Hangul syllables: 12,000 bytes as references, 4,000 characters as
  // "?B?" Base64; neither fits the 4,000-byte room.
  std::u16string text(1500, u'\uAC00');
  std::string dest = "keep";
  EXPECT_FALSE(CheckFieldLengthEncoded(text, dest, 0, 100000, u"Memo"));
  EXPECT_EQ(dest, "keep");
  EXPECT_EQ(Shown(), "Check|Memo long 100000");
  text.assign(1500, u'\uAC00');
  EXPECT_FALSE(CheckTextLengthEncoded(text, dest, 0, 100000, u"Memo"));
  EXPECT_EQ(Shown(), "Check|Memo long 100000");
  std::u16string errors;
  text.assign(1500, u'\uAC00');
  EXPECT_FALSE(CheckImportFieldLengthEncoded(text, dest, 0, 100000, u"Memo", errors, 3));
  EXPECT_EQ(errors, u"row   3 [Memo] long 100000");
  EXPECT_EQ(dest, "keep");
  // One unit fewer fits the "?B?" form.
  text.assign(1496, u'\uAC00');
  EXPECT_TRUE(CheckFieldLengthEncoded(text, dest, 0, 4000, u"Memo"));
  EXPECT_EQ(dest.substr(0, 3), "?B?");
}

TEST_F(FieldCheckTest, ImportRowsAppendTheirMessages) {
  std::u16string errors = u"> ";
  std::u16string text = u"  ";
  std::string dest = "keep";
  EXPECT_FALSE(CheckImportFieldLength(text, dest, 2, 8, u"名称", errors, 5));
  EXPECT_EQ(errors, u"> 第    5 行,[名称]短于 2 字符。");
  text = u"\u00E9\u00E9\u00E9";
  EXPECT_FALSE(CheckImportFieldLength(text, dest, 0, 2, u"N", errors, 12345));
  EXPECT_EQ(errors, u"> 第    5 行,[名称]短于 2 字符。第  12345 行,[N]超过 2 字符。");
  EXPECT_EQ(dest, "keep");
  EXPECT_TRUE(CheckImportFieldLength(text, dest, 0, 3, u"N", errors, 1));
  EXPECT_EQ(dest, "eee");

  errors.clear();
  text = u"x";
  EXPECT_FALSE(CheckImportFieldLengthEncoded(text, dest, 2, 9, u"C%3", errors, 42));
  EXPECT_EQ(errors, u"row  42 [C%3] short 2");  // "%3" replaced before the caption
  EXPECT_EQ(Shown(), "");
}

TEST_F(FieldCheckTest, CaptionIsShownAsItStands) {
  std::u16string text = u"abc";
  std::string dest;
  EXPECT_FALSE(CheckFieldLength(text, dest, 0, 1, u"A%2B", false));
  EXPECT_EQ(Shown(), "Check|A%2B long 1");
}

}  // namespace
