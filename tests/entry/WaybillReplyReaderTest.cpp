// Page 1's list rows read from a reply: every cell as the plain readers give
// it (the value read as GBK text of at most 1024 bytes, widened and cut to
// the column's length; the numbers as snprintf writes them), whatever form
// the value takes: plain ASCII, UTF-8, escapes, a character GBK lacks, a
// bare number, null, an empty or an unclosed string; a value repeated from
// the row before reads the same again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "entry/FullFormPageRows.h"

namespace {

// Grid column, reply key and longest text of some text columns.
struct TextColumn {
  int column;
  int key;
  size_t chars;
};
constexpr TextColumn kTextColumns[] = {{1, 59, 63}, {4, 6, 30}, {9, 60, 15}, {17, 28, 255}};

std::u16string Plain(int key, const std::string& object, size_t chars) {
  std::u16string text = WideFromGbk(JsonGetString(std::to_string(key), object, 1024));
  if (text.size() > chars) text.resize(chars);
  return text;
}

std::u16string Fixed(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return WideFromGbk(text);
}

std::u16string Named(int base, int n) {
  return n >= 0 && n < 3 ? AppLanguage().Text(base + n) : std::u16string(u"未知");
}

TEST(WaybillReplyReader, ReadsEveryCellAsThePlainReaders) {
  const std::string values[] = {
      "\"BR17000001\"",
      "\"12345678901234567890123456789012345678901234567890\"",  // longer than 15 and 30
      "\"\xE4\xB8\x8A\xE6\xB5\xB7\"",                              // UTF-8
      "\"a\\u0022b\\u4E2D\\x41\"",                                 // escapes
      "\"x\xF0\x9F\x98\x80y\"",                                    // a character GBK lacks
      "\"30x20x10C\"",                                             // a class letter to drop
      "42",
      "null",
      "\"\"",
      "\"open",
  };
  const std::string numbers[] = {
      "\"0\":1,\"2\":2.5,\"3\":-0.005,\"7\":3,\"9\":2,\"10\":77,\"31\":0,\"32\":12345,\"48\":-5",
      "\"0\":-1,\"2\":1e300,\"3\":\"7.25\",\"7\":\"x\",\"9\":5,\"10\":\"12\",\"31\":4,\"48\":99",
  };
  // Each value twice in a row: the second row reads it as the first did.
  std::vector<std::string> twice;
  for (const std::string& value : values) twice.insert(twice.end(), 2, value);
  WaybillReplyReader reader;
  for (const std::string& head : numbers) {
    for (const std::string& value : twice) {
      std::string object = "{" + head;
      for (const TextColumn& t : kTextColumns) object += ",\"" + std::to_string(t.key) + "\":" + value;
      object += "}";
      SCOPED_TRACE(object);
      int32_t id = -99;
      const std::vector<QString> cells = reader.Cells(object, id);
      ASSERT_EQ(cells.size(), static_cast<size_t>(kWaybillListColumns));
      EXPECT_EQ(id, JsonGetInt("10", object, 0));
      EXPECT_EQ(id, WaybillRowId(object));
      EXPECT_TRUE(cells[0].isEmpty());
      for (const TextColumn& t : kTextColumns) {
        std::u16string expected = Plain(t.key, object, t.chars);
        if (t.column == 9) expected = DimensionsShown(expected);
        EXPECT_EQ(cells[static_cast<size_t>(t.column)].toStdU16String(), expected) << t.column;
      }
      EXPECT_TRUE(cells[2].isNull()) << "a missing value is a cell never set";
      EXPECT_EQ(cells[6].toStdU16String(), Named(20090, JsonGetInt("0", object, -1)));
      EXPECT_EQ(cells[7].toStdU16String(), WideFromGbk(std::to_string(JsonGetInt("7", object, 0))));
      EXPECT_EQ(cells[8].toStdU16String(), Fixed("%.3f", JsonGetDouble("2", object, 0)));
      EXPECT_EQ(cells[10].toStdU16String(), Fixed("%.2f", JsonGetDouble("3", object, 0)));
      EXPECT_EQ(cells[13].toStdU16String(), Named(20060, JsonGetInt("9", object, -1)));
      EXPECT_EQ(cells[25].toStdU16String(),
                WideFromGbk(std::to_string(std::max(JsonGetInt("31", object, 0), 1))));
      EXPECT_EQ(cells[26].toStdU16String(), Fixed("%.2f", JsonGetInt("32", object, 0) / 100.0));
      EXPECT_EQ(cells[27].toStdU16String(), Fixed("%.2f", JsonGetInt("48", object, 0) / 100.0));
      // The one-row form gives the same texts.
      const WaybillListRow row = WaybillRowFromReply(object);
      for (int c = 0; c < kWaybillListColumns; ++c)
        EXPECT_EQ(row[static_cast<size_t>(c)], cells[static_cast<size_t>(c)].toStdU16String()) << c;
    }
  }
}

TEST(WaybillReplyReader, ReadsAListAsObjectByObject) {
  const std::string a = R"({"0":1,"10":7,"1":"BR1","5":"\u4E0A\u6D77","6":"30x20x10C"})";
  const std::string b = R"({"0":2,"10":8,"1":"BR2","5":"[x]","6":"{"})";
  const std::string c = R"({"0":0,"10":9,"1":"BR\"3","5":null,"6":[1,[2]]})";
  // Replies of every shape: the list read through the reader gives the rows
  // JsonListBody and JsonNextObject give, with the same cells.
  const std::string replies[] = {
      R"({"iTotal":3,"List":[)" + a + "," + b + "," + c + "]}",
      R"({"iTotal":3,"List":[ )" + a + " ,\r\n " + b + ",," + c + " ] ,\"bEnd\":1}",
      R"({"iTotal":2,"List":[)" + a + "," + b + R"(],"Other":[)" + c + "]}",
      R"({"iTotal":1,"List":[)" + a + "]",                  // never closed
      R"({"iTotal":2,"List":[)" + a + ",\"x\"," + b + "]}",  // a string between rows
      R"({"iTotal":1,"List":[]})",
      R"({"iTotal":1,"List":)" + a + "}",                    // no list, one object
      R"({"iTotal":1})",
      "",
  };
  for (const std::string& reply : replies) {
    SCOPED_TRACE(reply);
    std::vector<std::vector<QString>> expected;
    std::vector<int32_t> expectedIds;
    WaybillReplyReader byObject;
    const std::string_view list = JsonListBody(reply, "List");
    size_t pos = 0;
    std::string_view object;
    while (JsonNextObject(list, pos, object)) {
      int32_t id = 0;
      expected.push_back(byObject.Cells(object, id));
      expectedIds.push_back(id);
    }
    WaybillReplyReader byList;
    JsonListReader reader(reply, "List");
    std::vector<QString> cells;
    int32_t id = 0;
    size_t n = 0;
    while (byList.Next(reader, cells, id)) {
      ASSERT_LT(n, expected.size());
      EXPECT_EQ(cells, expected[n]) << n;
      EXPECT_EQ(id, expectedIds[n]) << n;
      ++n;
    }
    EXPECT_EQ(n, expected.size());
  }
}

}  // namespace
