#include "common/CsvReader.h"
#include "tests/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Records = std::vector<std::vector<std::string>>;

class CsvReaderTest : public testsupport::TempFolderTest {
 protected:
  fs::path Write(const std::string& bytes, const std::string& name = "in.csv") {
    fs::path path = folder_ / name;
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  // Every record of the file, fields as read.
  static Records ReadAll(CCsvReader& csv) {
    Records records;
    int count = -1;
    while (csv.ReadRecord(count)) {
      EXPECT_EQ(count, csv.FieldCount());
      std::vector<std::string> fields;
      for (int i = 0; i < count; ++i) fields.emplace_back(*csv.Field(i));
      EXPECT_EQ(csv.Field(count), std::nullopt);
      records.push_back(std::move(fields));
    }
    EXPECT_FALSE(csv.ReadRecord());
    return records;
  }

  Records Parse(const std::string& bytes, unsigned codePage = 936) {
    CCsvReader csv(codePage);
    EXPECT_TRUE(csv.LoadFile(Write(bytes)));
    return ReadAll(csv);
  }
};

TEST_F(CsvReaderTest, SplitsRecordsAndFields) {
  struct Case {
    const char* name;
    std::string text;
    Records expected;
  } cases[] = {
      {"quoted comma and doubled quote", "a,\"b,c\",\"d\"\"e\"\r\n", {{"a", "b,c", "d\"e"}}},
      {"comma before line break", "a,b,\r\nc", {{"a", "b", ""}, {"c"}}},
      {"comma at end of file", "a,b,", {{"a", "b"}}},
      {"quoted line break", "\"x\r\ny\",z\nw", {{"x\r\ny", "z"}, {"w"}}},
      {"blank lines skipped", "a\r\n\r\n  \t\r\n\nb\n", {{"a"}, {"b"}}},
      {"empty file", "", {{}}},
      {"blank lines only", "\r\n \n\t", {{}}},
      {"leading blanks skipped, trailing kept", " a ,\tb", {{"a ", "b"}}},
      {"quoted last field", "\"a\",\"b\"\r\n\"c\"  \n", {{"a", "b"}, {"c"}}},
      {"blanks after closing quote", "\"a\"  ,b", {{"a", "b"}}},
      {"text after closing quote", "\"ab\"cd,ef", {{"ab", "cd", "ef"}}},
      {"unterminated quote", "\"abc,def\r\nxyz", {{"abc,def\r\nxyz"}}},
      {"empty fields", ",,x", {{"", "", "x"}}},
      {"double-byte characters", "\xB1\xB1\xBE\xA9,\xC9\xCF", {{"\xB1\xB1\xBE\xA9", "\xC9\xCF"}}},
      {"lead byte takes the next byte", "\x81,x,y", {{"\x81,x", "y"}}},
      {"lead byte at the end", "ab\xB1", {{"ab\xB1"}}},
      {"lead byte at the end of a quoted field", "\"ab\xB1", {{"ab\xB1"}}},
      {"NUL ends the text", std::string("a,b\nc\0d\ne", 9), {{"a", "b"}, {"c"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Parse(c.text), c.expected);
  }
}

TEST_F(CsvReaderTest, FieldOutsideTheRecordIsNone) {
  CCsvReader csv(936);
  EXPECT_EQ(csv.Field(0), std::nullopt);
  int count = 7;
  EXPECT_FALSE(csv.ReadRecord(count));  // nothing loaded
  EXPECT_EQ(count, 0);
  ASSERT_TRUE(csv.LoadFile(Write("a,b\n")));
  ASSERT_TRUE(csv.ReadRecord(count));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(csv.Field(1), "b");
  EXPECT_EQ(csv.Field(2), std::nullopt);
  EXPECT_EQ(csv.Field(-1), std::nullopt);
}

TEST_F(CsvReaderTest, LongFieldsAreKeptWhole) {
  const std::string big(10000, 'x');
  const std::string quoted(9000, 'q');
  Records records = Parse(big + ",\"" + quoted + "\"," + big + "\nnext");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0], (std::vector<std::string>{big, quoted, big}));
  EXPECT_EQ(records[1], std::vector<std::string>{"next"});
}

TEST_F(CsvReaderTest, SurplusFieldsOfALineAreDroppedNotCarriedOver) {
  std::string line;
  for (int i = 0; i < 300; ++i) line += std::to_string(i) + (i + 1 < 300 ? "," : "\r\n");
  CCsvReader csv(936);
  ASSERT_TRUE(csv.LoadFile(Write(line + "\"x,\n\",y\n" + line)));
  int count = 0;
  ASSERT_TRUE(csv.ReadRecord(count));
  EXPECT_EQ(count, CCsvReader::kMaxFields);
  EXPECT_EQ(csv.Field(255), "255");
  EXPECT_TRUE(csv.RecordCut());
  ASSERT_TRUE(csv.ReadRecord(count));
  EXPECT_FALSE(csv.RecordCut());
  EXPECT_EQ(count, 2);
  EXPECT_EQ(csv.Field(0), "x,\n");
  ASSERT_TRUE(csv.ReadRecord(count));
  EXPECT_TRUE(csv.RecordCut());
  EXPECT_FALSE(csv.ReadRecord(count));

  std::string exact;
  for (int i = 0; i < 256; ++i) exact += "f" + std::string(i + 1 < 256 ? "," : "\n");
  Records records = Parse(exact + "last");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].size(), 256u);
}

TEST_F(CsvReaderTest, ConvertsUnicodeFilesToGbk) {
  // "Café,北京" followed by a line break; 北京 is B1 B1 BE A9 in GBK.
  const Records expected = {{"Cafe", "\xB1\xB1\xBE\xA9"}, {"x"}};
  const std::u16string wide = u"Café,北京\r\nx";
  std::string le = "\xFF\xFE", be = "\xFE\xFF";
  for (char16_t u : wide) {
    le += static_cast<char>(u & 0xFF);
    le += static_cast<char>(u >> 8);
    be += static_cast<char>(u >> 8);
    be += static_cast<char>(u & 0xFF);
  }
  EXPECT_EQ(Parse("\xEF\xBB\xBF" "Caf\xC3\xA9,\xE5\x8C\x97\xE4\xBA\xAC\r\nx"), expected);
  // UTF-16 keeps the accent when GBK has it (é is A8 A6 in GBK).
  const Records wideExpected = {{"Caf\xA8\xA6", "\xB1\xB1\xBE\xA9"}, {"x"}};
  EXPECT_EQ(Parse(le), wideExpected);
  EXPECT_EQ(Parse(be), wideExpected);
  // A character GBK cannot write becomes "?".
  EXPECT_EQ(Parse(std::string("\xFF\xFE\x00\xD8,\x00x\x00", 8)), (Records{{"?", "x"}}));
  // An odd last byte and a UTF-16 file of the mark only.
  EXPECT_EQ(Parse(std::string("\xFF\xFE" "a\x00" "b", 5)), (Records{{"ab"}}));
  EXPECT_EQ(Parse("\xFF\xFE"), (Records{{}}));
}

TEST_F(CsvReaderTest, GuessesLatin1ForWesternTextDeclaredGb18030) {
  const std::string western =
      "name,city\r\nJos\xE9 Mart\xEDnez,M\xE1laga\r\nAnna Schmidt,Berlin\r\n";
  const std::string chinese = "\xB1\xB1\xBE\xA9,\xC9\xCF\xBA\xA3\r\n";
  struct Case {
    const char* name;
    std::string text;
    unsigned given;
    unsigned expected;
  } cases[] = {
      {"western text", western, 54936, 28591},
      {"chinese text", chinese, 54936, 54936},
      {"pure ascii", "a,b\r\n", 54936, 54936},
      {"other code page untouched", western, 936, 936},
      {"lone bytes too dense", "\xE9" "a\xE9" "b", 54936, 54936},
      {"one lone byte in seven", "\xE9" "abcdef", 54936, 28591},
      {"high byte at the very end", "abcdefgh\xE9", 54936, 54936},
      // 1 pair + 2 lone in 24 bytes: within one eighth
      {"mixed within an eighth", "\xB1\xB1 x\xE9y\xE9zabcdefghijklmnop", 54936, 28591},
      // 2 pairs + 1 lone: more pairs than lone bytes
      {"more pairs than lone bytes", "\xB1\xB1\xB1\xB1\xE9" "abcdefghijklmnopqrstuvwxyz", 54936, 54936},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CCsvReader csv(c.given);
    ASSERT_TRUE(csv.LoadFile(Write(c.text)));
    EXPECT_EQ(csv.CodePage(), c.expected);
  }
}

TEST_F(CsvReaderTest, LoadErrors) {
  CCsvReader csv(54936);
  EXPECT_FALSE(csv.LoadFile(folder_ / "missing.csv"));
  EXPECT_EQ(csv.ErrorText(), u"文件打开错误。");
  EXPECT_FALSE(csv.ReadRecord());

  EXPECT_FALSE(csv.LoadFile(folder_));
  EXPECT_EQ(csv.ErrorText(), u"文件打开错误。");

  fs::path big = Write("");
  fs::resize_file(big, CCsvReader::kMaxFileBytes + 1);
  EXPECT_FALSE(csv.LoadFile(big));
  EXPECT_EQ(csv.ErrorText(), u"文件太大，超过20000000 字节。");
  EXPECT_FALSE(csv.ReadRecord());

  // At the limit the file loads (its text ends at the first NUL).
  fs::resize_file(big, CCsvReader::kMaxFileBytes);
  EXPECT_TRUE(csv.LoadFile(big));
  EXPECT_TRUE(csv.ReadRecord());
  EXPECT_EQ(csv.FieldCount(), 0);
  EXPECT_FALSE(csv.ReadRecord());
}

TEST_F(CsvReaderTest, SecondLoadStartsAfresh) {
  CCsvReader csv(936);
  ASSERT_TRUE(csv.LoadFile(Write("a,b\nc\n", "one.csv")));
  ASSERT_TRUE(csv.ReadRecord());
  ASSERT_TRUE(csv.LoadFile(Write("x\n", "two.csv")));
  EXPECT_EQ(ReadAll(csv), (Records{{"x"}}));
}

}  // namespace
