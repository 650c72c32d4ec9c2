// The row index against the plain key search: for random and awkward texts
// and every key that could be asked, each indexed read gives exactly what the
// free reader gives.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "common/Json.h"
#include "tests/fuzz/FuzzBytes.h"

namespace {

using fuzz::ExactBlock;

// Keys to ask: fixed ones, and every quoted piece of the text (so that keys
// that occur, twice or nested or as values, are asked as well).
std::vector<std::string> KeysOf(std::string_view text) {
  std::set<std::string> keys = {"", "0", "1", "2", "v", "a", "b", "List", "missing", "a\"2",
                                "C:\\\\", "x y"};
  for (size_t open = text.find('"'); open != std::string_view::npos;
       open = text.find('"', open + 1)) {
    const size_t close = text.find('"', open + 1);
    if (close == std::string_view::npos) break;
    if (close - open <= 70) keys.insert(std::string(text.substr(open + 1, close - open - 1)));
  }
  return {keys.begin(), keys.end()};
}

void ExpectSameReads(std::string_view text) {
  JsonRowIndex index(text);
  for (const std::string& key : KeysOf(text)) {
    SCOPED_TRACE(testing::Message() << "key [" << key << "] in [" << std::string(text) << "]");
    ASSERT_EQ(index.FindKey(key), JsonFindKey(key, text));
    for (size_t n : {0, 3, 63}) {
      ASSERT_EQ(index.GetString(key, n), JsonGetString(key, text, n));
      ASSERT_EQ(index.GetString(key, n, true), JsonGetString(key, text, n, true));
      ASSERT_EQ(index.GetWString(key, n), JsonGetWString(key, text, n));
      // The raw body decodes to what the wide reader gives.
      const std::optional<std::string_view> body = index.GetStringBody(key);
      ASSERT_EQ(body ? JsonDecodeW(*body, n) : std::u16string(), JsonGetWString(key, text, n));
    }
    ASSERT_EQ(index.GetInt(key, -7), JsonGetInt(key, text, -7));
    const double d1 = index.GetDouble(key, -7.5), d2 = JsonGetDouble(key, text, -7.5);
    ASSERT_TRUE(d1 == d2 || (d1 != d1 && d2 != d2)) << d1 << " " << d2;
    ASSERT_EQ(index.GetBool(key, 5), JsonGetBool(key, text, 5));
    ASSERT_EQ(index.GetByte(key, 9), JsonGetByte(key, text, 9));
    ASSERT_EQ(index.GetShort(key, 9), JsonGetShort(key, text, 9));
    std::string a = "x", b = "y";
    ASSERT_EQ(index.GetHex(key, a, 4), JsonGetHex(key, text, b, 4));
    ASSERT_EQ(a, b);
    ASSERT_EQ(index.GetBase64(key, a, 40), JsonGetBase64(key, text, b, 40));
    ASSERT_EQ(a, b);
    std::vector<uint32_t> va{1}, vb{1};
    ASSERT_EQ(index.GetIntArray(key, va, -5, 1000), JsonGetIntArray(key, text, vb, -5, 1000));
    ASSERT_EQ(va, vb);
  }
}

// Texts that pin the search's odd cases: first occurrence, a first
// occurrence without its colon, nested objects, string values equal to keys,
// arrays, escaped quotes and backslashes, "%20" blanks, NULs and open ends.
const char* const kTricky[] = {
    R"({"a":"b","b":5})",
    R"({"0":"2","1":"x","2":77})",
    R"({"0" : "2" , "2" : 77})",
    R"({"0":%20"2","2":%2077})",
    R"({"a":["2","x"],"2":77})",
    R"(["v",{"v":12}])",
    R"({"a":"\"2","2":77})",
    R"({"a":"x\"2\":5","2":77})",
    R"({"a":"C:\\","2":77})",
    R"({"a":"C:\\\\","C:\\\\":3})",
    R"({"x":{"2":3},"2":4})",
    R"({"L":[{"0":"a","2":"b"}],"2":"c"})",
    R"({"x":[["2"],{"2":6}]})",
    R"({"2" 1,"2":2})",
    R"({"2":1,"2":2,"2" :3})",
    R"("2":5)",
    R"({"a":"2")",
    R"({"a":"2,"2":1})",
    R"({"v":"QUJD","h":"0aFF","n":[3,-1,7],"w":"\u4E2D\u6587","b":true,"d":-1e999})",
    R"({"v":null,"w":"","x":" 7x","y":"12","z":99999999999,"t":TRUE,"f":"0"})",
    R"({"v" : [ 1 , 2 ] , "w":"a b","x":"\xE4\xB8\xAD","y":"\x41"})",
    R"({}}}{"v":1]]],"w":[[[{"v":2})",
    R"(:"v":"v":"v":1)",
};

TEST(JsonRowIndexFuzz, TrickyTextsReadAsTheKeySearchReadsThem) {
  for (const char* text : kTricky) ExpectSameReads(ExactBlock(text).View());
  // A NUL ends the text for both.
  const std::string withNul("{\"a\":1}\0{\"b\":2}", 15);
  ExpectSameReads(ExactBlock(withNul).View());
}

TEST(JsonRowIndexFuzz, WideRowsUseTheTableAndStillFindTheFirstKey) {
  // More keys than a row is searched straight through, with repeats, keys
  // sharing long heads and values naming keys.
  for (int width : {10, 47, 48, 49, 200}) {
    std::string text = "{";
    for (int k = 0; k < width; ++k) {
      const std::string key = k % 3 ? "cGoodsName" + std::to_string(k) : std::to_string(k % 17);
      text += "\"" + key + "\":" + (k % 4 ? std::to_string(k) : "\"" + std::to_string(k + 1) + "\"");
      text += ",";
    }
    text += "\"end\":1}";
    ExpectSameReads(ExactBlock(text).View());
  }
}

TEST(JsonRowIndexFuzz, RandomAndMutatedTextsReadAsTheKeySearchReadsThem) {
  fuzz::Bytes gen(1204);
  const std::string_view alphabet = "{}[]\":,\\ 0123abvx%2u\xE4\xB8\xAD";
  for (int i = 0; i < fuzz::kRounds / 10; ++i) {
    std::string input;
    switch (i % 3) {
      case 0: input = gen.From(alphabet, 80); break;
      case 1: input = gen.Mutate(kTricky[gen.Next() % std::size(kTricky)]); break;
      default: input = gen.Random(60);
    }
    ExpectSameReads(ExactBlock(input).View());
    if (HasFailure()) return;
  }
}

// Walking a list with ResetNext gives the objects JsonNextObject gives, each
// indexed as Reset indexes it.
void ExpectSameWalk(std::string_view list) {
  size_t pos = 0, walked = 0;
  std::string_view object;
  JsonRowIndex index;
  while (JsonNextObject(list, pos, object)) {
    SCOPED_TRACE(testing::Message() << "object [" << std::string(object) << "] of [" << std::string(list) << "]");
    ASSERT_TRUE(index.ResetNext(list, walked));
    ASSERT_EQ(walked, pos);
    ASSERT_EQ(index.Text(), object);
    JsonRowIndex plain(object);
    for (const std::string& key : KeysOf(object)) {
      ASSERT_EQ(index.FindKey(key), plain.FindKey(key)) << key;
      ASSERT_EQ(index.GetString(key, 63), plain.GetString(key, 63)) << key;
      ASSERT_EQ(index.GetInt(key, -7), plain.GetInt(key, -7)) << key;
    }
  }
  const size_t before = walked;
  ASSERT_FALSE(index.ResetNext(list, walked)) << std::string(list);
  ASSERT_EQ(walked, before);
}

TEST(JsonRowIndexFuzz, ResetNextWalksAListAsJsonNextObject) {
  for (const char* text : kTricky) ExpectSameWalk(ExactBlock(text).View());
  const char* const lists[] = {
      R"({"0":1,"1":"a"},{"0":2,"1":"b\"}"},{"0":3})",
      R"({"a":"x\\"},{"b":"\\\""}, {"c":[1,{"d":2}],"e":{"f":"}"}})",
      R"(  {"a":1} , [ {"b":2} ] {"c":"open)",
      R"({"a":{"b":{"c":1}}},{"a":%20"2" ,"a":3})",
  };
  for (const char* text : lists) ExpectSameWalk(ExactBlock(text).View());
  const std::string withNul("{\"a\":\"x\0y\"},{\"b\":1}", 19);
  ExpectSameWalk(ExactBlock(withNul).View());
  fuzz::Bytes gen(2207);
  const std::string alphabet("{}[]\":,\\ 01ab%2\0", 16);
  for (int i = 0; i < fuzz::kRounds / 10; ++i) {
    const std::string input = i % 2 ? gen.From(alphabet, 90) : gen.Mutate(lists[gen.Next() % std::size(lists)]);
    ExpectSameWalk(ExactBlock(input).View());
    if (HasFailure()) return;
  }
}

// Reading a list with JsonListReader gives the objects ResetNext gives over
// JsonListBody, the same text (where it stands in the reply) each indexed
// alike.
void ExpectSameListRead(std::string_view text) {
  const std::string_view list = JsonListBody(text, "List");
  JsonListReader reader(text, "List");
  JsonRowIndex general, read;
  size_t pos = 0;
  for (;;) {
    const bool more = general.ResetNext(list, pos);
    SCOPED_TRACE(testing::Message() << "list of [" << std::string(text) << "] at " << pos);
    ASSERT_EQ(reader.Next(read), more);
    if (!more) break;
    ASSERT_EQ(read.Text().data(), general.Text().data());
    ASSERT_EQ(read.Text(), general.Text());
    for (const std::string& key : KeysOf(general.Text())) {
      ASSERT_EQ(read.FindKey(key), general.FindKey(key)) << key;
      ASSERT_EQ(read.GetString(key, 63), general.GetString(key, 63)) << key;
    }
  }
  // Past the end it stays at the end.
  ASSERT_FALSE(reader.Next(read));
}

TEST(JsonRowIndexFuzz, ListReaderReadsAListAsJsonListBodyAndResetNext) {
  const char* const replies[] = {
      R"({"ReturnValue":1,"iTotal":3,"bEnd":true,"List":[{"0":1,"1":"a"},{"0":2,"1":"b]"},{"0":3}]})",
      R"({"List":[]})",
      R"({"List": [ {"a":1} , {"b":[1,[2]]},{"c":"x\"}, {"d":"\""} ]  ,"List2":[{"e":5}]})",
      R"({"List":%20[{"a":1}],"x":[{"b":2}]})",
      R"({"List":[{"a":1]},{"b":2}],"z":[{"c":3}]})",
      R"({"List":[{"a":[1}],{"b":2}]})",
      R"({"List":[{"a":1},"s",{"b":2}],"t":{"c":3}})",
      R"({"List":[{"a":1},[{"b":2}],{"c":3}]})",
      R"({"List":[{"a":1}{"b":2}]})",
      R"({"List":[{":":1},{"b":2}],"c":{"d":3}})",
      R"({"List":[{}]":{"x":1}})",
      R"({"List":[{"a":"open)",
      R"({"List":[{"a":1},{"b":2})",
      R"({"List":{"a":1},{"b":2}})",
      R"({"List":5,"x":{"a":1}})",
      R"({"Other":[{"a":1}]})",
      R"("List":[{"a":1}],{"b":2})",
  };
  for (const char* text : replies) ExpectSameListRead(ExactBlock(text).View());
  const std::string withNul("{\"List\":[{\"a\":1},{\"b\":\"x\0\"},{\"c\":3}]}", 37);
  ExpectSameListRead(ExactBlock(withNul).View());
  fuzz::Bytes gen(3301);
  const std::string alphabet("{}[]\":,\\ 01ab%2\0", 17);
  for (int i = 0; i < fuzz::kRounds / 10; ++i) {
    std::string input;
    switch (i % 3) {
      case 0: input = "{\"List\":[" + gen.From(alphabet, 90); break;
      case 1: input = gen.Mutate(replies[gen.Next() % std::size(replies)]); break;
      default: input = "{\"List\":" + gen.Mutate(replies[gen.Next() % std::size(replies)]);
    }
    ExpectSameListRead(ExactBlock(input).View());
    if (HasFailure()) return;
  }
}

TEST(JsonRowIndexFuzz, ResetReusesTheIndexForTheNextRow) {
  const std::string reply =
      R"({"List":[{"0":"a","1":2,"2":"x"},{"1":5,"0":"b"},{"2":"1","0":"c","1":7},{}]})";
  std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view object;
  JsonRowIndex index;
  std::vector<std::string> read;
  while (JsonNextObject(list, pos, object)) {
    index.Reset(object);
    read.push_back(index.GetString("0", 10) + "/" + std::to_string(index.GetInt("1", -1)) + "/" +
                   index.GetString("2", 10));
    ExpectSameReads(object);
  }
  EXPECT_EQ(read, (std::vector<std::string>{"a/2/x", "b/5/", "c/7/1", "/-1/"}));
}

}  // namespace
