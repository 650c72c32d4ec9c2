#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "common/Json.h"
#include "tests/fuzz/FuzzBytes.h"

namespace {

using fuzz::ExactBlock;

const char* const kKeys[] = {"a", "List", "ReturnValue", "cName", "v", "0", "x", ""};

// Every reader on one text; results are checked against their limits.
void ReadEverything(std::string_view text, uint32_t pick) {
  const char* key = kKeys[pick % std::size(kKeys)];
  size_t n = pick % 70;
  std::string narrow = JsonGetString(key, text, n, pick & 1);
  ASSERT_LE(narrow.size(), n);
  std::u16string wide = JsonGetWString(key, text, n);
  ASSERT_LE(wide.size(), n);
  JsonGetInt(key, text, 1);
  JsonGetDouble(key, text, 1.0);
  JsonGetBool(key, text, 2);
  JsonGetByte(key, text, 3);
  JsonGetShort(key, text, 4);
  std::string bytes;
  size_t hex = JsonGetHex(key, text, bytes, 16);
  ASSERT_LE(hex, 16u);
  ASSERT_EQ(bytes.size(), hex);
  int b64 = JsonGetBase64(key, text, bytes, 40);
  ASSERT_LT(b64, 40);
  std::vector<uint32_t> values;
  int count = JsonGetIntArray(key, text, values, -5, 1000);
  ASSERT_TRUE(count == -1 || count == static_cast<int>(values.size()));
  size_t found = JsonFindKey(key, text);
  ASSERT_TRUE(found == kJsonNone || found < text.size());

  std::string_view list = JsonListBody(text, key);
  size_t pos = 0;
  std::string_view object;
  int guard = 0;
  while (JsonNextObject(list, pos, object) && ++guard < 10000) {
    ASSERT_GE(object.data(), list.data());
    ASSERT_LE(object.data() + object.size(), list.data() + list.size());
    ASSERT_EQ(object.front(), '{');
    ASSERT_EQ(object.back(), '}');
    JsonGetString("0", object, 20, true);
    JsonGetInt("1", object, 0);
  }
  for (size_t p : {size_t{0}, text.size() / 2, text.size()}) {
    size_t start = JsonObjectStart(text, p);
    ASSERT_TRUE(start == kJsonNone || (start < text.size() && text[start] == '{'));
    size_t end = JsonObjectEnd(text, start == kJsonNone ? p : start);
    ASSERT_TRUE(end == kJsonNone || (end < text.size() && text[end] == '}'));
  }
  JsonDecodeNarrow(text, n, pick & 2);
  ASSERT_LE(JsonDecodeW(text, n).size(), n);
  JsonSkipBlanks(text, pick % (text.size() + 1));
  FindJsonStringEnd(text, pick % (text.size() + 1));
  FindNumberStart(text, pick % (text.size() + 1));
  JsonUnescapeSpecial(text);
  JsonEscapeNarrow(text);
}

const std::string kReplies[] = {
    R"({"ReturnValue":1,"List":[{"0":"a\u0022b","1":12,"2":"12.5"},{"0":"\u4E2D","1":-3,"2":null}],"bEnd":1})",
    R"({"v":"0aFF","x":"QUJD","a":[3,-1,7],"cName":"\xE4\xB8\xAD\u00e9\\x41\n","0":true})",
    R"({"List" : [ {"0":"{","1":"}"} , {"0":{"a":[1,{"b":"]"}]}} ],"GoodsList":[{"0":"z"}]})",
    "{\"a\":\"\\u12\\x\\u00\",\"v\":\"\\xZZ\\u004\",\"cName\":\"\xD6\xD0\xCE\xC4\\u00E9\"}",
};

TEST(JsonFuzz, RandomBytesIntoEveryReader) {
  fuzz::Bytes gen(104);
  const std::string_view alphabet = "{}[]\":,\\ux0123456789aAfFn %20-.\xE4\xB8\xAD";
  for (int i = 0; i < fuzz::kRounds; ++i) {
    std::string input = i % 2 ? gen.Random(96) : gen.From(alphabet, 96);
    ExactBlock block(input);
    ReadEverything(block.View(), gen.Next());
  }
}

TEST(JsonFuzz, MutatedRepliesIntoEveryReader) {
  fuzz::Bytes gen(1104);
  for (int i = 0; i < fuzz::kRounds; ++i) {
    std::string input = gen.Mutate(kReplies[i % std::size(kReplies)]);
    if (i % 3 == 0) input = gen.Mutate(input);
    ExactBlock block(input);
    ReadEverything(block.View(), gen.Next());
  }
}

// Rows as a server writing standard JSON sends them, whose values are often
// the names of the row's own keys or hold quotes and brackets: every key
// reads its own value.
TEST(JsonFuzz, EveryKeyOfAStandardRowReadsItsOwnValue) {
  fuzz::Bytes gen(3104);
  const char* const values[] = {"0", "1", "2", "3", "4", "List", "a\"2", "2\"", "\"2\":", "{", "}",
                                "[", "]", ":", ",", "x y", "a\\b", ""};
  for (int i = 0; i < fuzz::kRounds / 4; ++i) {
    nlohmann::ordered_json row = nlohmann::ordered_json::object();
    std::vector<std::string> expected;
    const int keys = 1 + static_cast<int>(gen.Next() % 5);
    for (int k = 0; k < keys; ++k) {
      std::string value = values[gen.Next() % std::size(values)];
      const std::string key = std::to_string(k);
      switch (gen.Next() % 4) {
        case 0:  // the value beside a nested array of key names
          row["n" + key] = nlohmann::ordered_json::array({value, key, "0"});
          break;
        case 1:  // the value beside a nested object whose keys are not this row's
          row["o" + key] = {{"s" + key, value}};
          break;
        default:
          break;
      }
      row[key] = value;
      expected.push_back(value);
    }
    const std::string text = row.dump();
    for (int k = 0; k < keys; ++k) {
      ASSERT_EQ(JsonGetString(std::to_string(k), text, 40), expected[k]) << text;
    }
    std::string list = R"({"ReturnValue":1,"List":[)" + text + "," + text + "]}";
    ASSERT_EQ(JsonGetInt("ReturnValue", list, 0), 1) << list;
  }
}

TEST(JsonFuzz, RandomTextsThroughTheWriters) {
  fuzz::Bytes gen(2104);
  for (int i = 0; i < fuzz::kRounds / 4; ++i) {
    std::string narrow = gen.Random(48);
    std::u16string wide = gen.Wide(24);
    std::string out;
    JsonPutString(out, "s", std::string_view(narrow), true, 936, i & 1);
    JsonPutWString(out, "w", std::u16string_view(wide), true, i & 2);
    JsonPutHex(out, "h", narrow, true);
    JsonPutBase64(out, "b", narrow, true);
    JsonPutDouble(out, "d", static_cast<double>(gen.Next()) / 7.0, static_cast<int>(i % 9), false,
                  i & 1, i & 2);
    ASSERT_LE(JsonGetString("s", out, 50).size(), 50u);
    // A UTF-16 text reads back as written (up to a NUL unit).
    if (!(i & 2)) {
      std::u16string wback = JsonGetWString("w", out, 500);
      ASSERT_EQ(wback, wide.substr(0, wide.find(u'\0')));
    }
  }
}

}  // namespace
