#include "common/Json.h"
#include "common/TextCodec.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

// GBK bytes of the characters used below.
const std::string kGbkZhong = "\xD6\xD0";  // U+4E2D
const std::string kGbkWen = "\xCE\xC4";    // U+6587
const std::string kGbkA = "\xB0\xA1";      // U+554A
const std::string kGbkEAcute = "\xA8\xA6"; // U+00E9

// ---- Finding values ----

TEST(JsonReaders, FirstOccurrenceOfTheQuotedKeyWins) {
  // The first quoted b is the value of a: the key b is found after it.
  const std::string text = R"({"a":"b","b":5})";
  EXPECT_EQ(JsonGetInt("b", text, -7), 5);
  EXPECT_EQ(JsonFindKey("b", text), text.find("\"b\":"));
  EXPECT_EQ(JsonGetInt("a", text, -7), 0);  // a text that is no number reads 0
}

TEST(JsonReaders, StringValuesNeverHideAKey) {
  struct Case {
    const char* text;
    const char* key;
    const char* expected;
  } cases[] = {
      // A customer named "2" before column 2.
      {R"({"0":"2","1":"x","2":77})", "2", "77"},
      {R"({"0" : "2" , "2" : 77})", "2", "77"},
      {R"({"0":%20"2","2":77})", "2", "77"},
      {R"({"a":["2","x"],"2":77})", "2", "77"},      // strings of an array
      {R"(["v",{"v":12}])", "v", "12"},
      {R"({"a":"\"2","2":77})", "2", "77"},          // a value ending in an escaped quote
      {R"({"a":"x\"2\":5","2":77})", "2", "77"},    // a value holding the quoted key
      {R"({"a":"C:\\","2":77})", "2", "77"},        // a value ending in an escaped backslash
      {R"({"a":"{\"2\":1}","2":77})", "2", "77"},
      // Keys of nested objects are keys: the first one wins.
      {R"({"x":{"2":3},"2":4})", "2", "3"},
      {R"({"L":[{"0":"a","2":"b"}],"2":"c"})", "2", "b"},
      {R"({"x":[["2"],{"2":6}]})", "2", "6"},
      // The first key not followed by a colon still ends the search.
      {R"({"2" 1,"2":2})", "2", ""},
      {R"("2":5)", "2", "5"},                          // no braces at all
      {R"({"a":"2")", "2", ""},                        // only the value
      {R"({"a":"2,"2":1})", "2", ""},                  // a string left open at the end
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(JsonGetString(c.key, c.text, 20), c.expected);
  }
  // Every reader goes through the same search.
  const std::string row =
      R"({"0":"v","1":"h","2":"a","3":"w","v":"QUJD","h":"0aFF","a":[3,7],"w":"\u4E2D"})";
  std::string bytes;
  EXPECT_EQ(JsonGetBase64("v", row, bytes, 40), 3);
  EXPECT_EQ(bytes, "ABC");
  EXPECT_EQ(JsonGetHex("h", row, bytes, 4), 2u);
  std::vector<uint32_t> values;
  EXPECT_EQ(JsonGetIntArray("a", row, values, 0, 10), 2);
  EXPECT_EQ(JsonFindKey("a", row), row.find("\"a\":"));
  EXPECT_EQ(JsonGetWString("w", row, 5), u"\u4E2D");
}

TEST(JsonReaders, IntegerReadersAndTheirDefaults) {
  struct Case {
    const char* text;
    int32_t expected;
  } cases[] = {
      {R"({"v":"12"})", 12},
      {R"({"v":12})", 12},
      {R"({"v" : 12 , "w":1})", 12},
      {R"({"v"%20:%2012})", 12},
      {R"({"v":-34})", -34},
      {R"({"v":null})", -1},
      {R"({"v":""})", -1},
      {R"({"w":12})", -1},
      {R"({"v" 12})", -1},                  // no colon
      {R"({"v" 1,"v":12})", -1},            // first occurrence not followed by a colon
      {R"({"v":"12)", -1},                  // unterminated string
      {R"({"v":)", -1},
      {R"({"v":99999999999})", 2147483647},  // held to the 32-bit range
      {R"({"v":-99999999999})", -2147483647 - 1},
      {R"({"v":abc})", 0},                   // a value that reads as no number
      {R"({"v":" 7x"})", 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(JsonGetInt("v", c.text, -1), c.expected);
  }
}

TEST(JsonReaders, SmallIntegersKeepTheirRange) {
  EXPECT_EQ(JsonGetByte("v", R"({"v":255})", 9), 255);
  EXPECT_EQ(JsonGetByte("v", R"({"v":256})", 9), 9);
  EXPECT_EQ(JsonGetByte("v", R"({"v":-1})", 9), 9);
  EXPECT_EQ(JsonGetByte("v", R"({"v":null})", 9), 9);
  EXPECT_EQ(JsonGetShort("v", R"({"v":-32768})", 9), -32768);
  EXPECT_EQ(JsonGetShort("v", R"({"v":32768})", 9), 9);
  EXPECT_EQ(JsonGetShort("v", R"({"x":1})", 9), 9);
}

TEST(JsonReaders, DoubleAndBool) {
  EXPECT_DOUBLE_EQ(JsonGetDouble("v", R"({"v":"12.5"})", -1), 12.5);
  EXPECT_DOUBLE_EQ(JsonGetDouble("v", R"({"v":-0.25,"w":1})", -1), -0.25);
  EXPECT_DOUBLE_EQ(JsonGetDouble("v", R"({"v":+3})", -1), 3);
  EXPECT_DOUBLE_EQ(JsonGetDouble("v", R"({"v":null})", -1), -1);
  EXPECT_DOUBLE_EQ(JsonGetDouble("v", R"({"v":1e999})", -1), -1);  // out of range
  EXPECT_DOUBLE_EQ(JsonGetDouble("v", R"({"v":-1e999})", -1), -1);
  // Too small to hold: zero, not the default.
  EXPECT_DOUBLE_EQ(JsonGetDouble("v", R"({"v":1e-400})", -1), 0);
  EXPECT_DOUBLE_EQ(JsonGetDouble("v", R"({"v":"-2.5e-999"})", -1), 0);

  struct Case {
    const char* text;
    int expected;
  } cases[] = {
      {R"({"b":true})", 1},   {R"({"b":TRUE})", 1}, {R"({"b":"t"})", 1},
      {R"({"b":1})", 1},      {R"({"b":false})", 0}, {R"({"b":"0"})", 0},
      {R"({"b":F})", 0},      {R"({"b":null})", 5},  {R"({"x":true})", 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(JsonGetBool("b", c.text, 5), c.expected);
  }
}

TEST(JsonReaders, BareValueIsCutAtItsRoom) {
  std::string digits(70, '1');
  std::string text = "{\"v\":" + digits + "}";
  EXPECT_EQ(JsonGetString("v", text, 63), std::string(63, '1'));
  EXPECT_EQ(JsonGetString("v", R"({"v":true,"w":1})", 63), "true");
  EXPECT_EQ(JsonGetString("v", R"({"v":12.5]})", 63), "12.5");
  EXPECT_EQ(JsonGetString("v", R"({"v":null})", 63), "");
}

// ---- String decoding ----

TEST(JsonReaders, StringBodiesDecode) {
  struct Case {
    std::string body;
    std::string expected;
  } cases[] = {
      {"plain", "plain"},
      {R"(\u4E2D\u6587)", kGbkZhong + kGbkWen},
      {R"(a\bb)", "a b"},
      {R"(\a\f)", "  "},
      {R"(\"\/\\\'\n\r\t)", "\"/\\'\n\r\t"},
      {R"(\x41\x5C)", "A\\"},
      {R"(\x00)", R"(\x00)"},            // a NUL escape stays as it stands
      {R"(\xZZ)", R"(\xZZ)"},
      {R"(\q)", R"(\q)"},
      {R"(\u0041\u002F)", "A/"},
      {R"(\u004)", R"(\u004)"},          // too short
      {R"(\u00G1)", R"(\u00G1)"},        // not hex
      {R"(\u0000)", R"(\u0000)"},
      {"\xE4\xB8\xAD\xE6\x96\x87", kGbkZhong + kGbkWen},  // UTF-8
      {"x\xE0\xB8\x81", "x?"},                            // no GBK code
      {kGbkZhong, kGbkZhong},                            // GBK already
      {kGbkZhong + kGbkWen + kGbkA + R"(\u00E9)", kGbkZhong + kGbkWen + kGbkA + kGbkEAcute},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    EXPECT_EQ(JsonGetString("k", "{\"k\":\"" + c.body + "\"}", 200), c.expected);
  }
}

// Bodies of ASCII and "\u" escapes of units from 128 on read as those units
// converted to GBK ("?" for a unit without a code), cut without splitting a
// character, whichever units they hold.
TEST(JsonReaders, EscapedUnitBodiesReadAsTheirUnitsInGbk) {
  const std::string pieces[] = {"a", " ", "Zz", "\\u4E2D", "\\u6587", "\\u00E9", "\\u0080",
                                "\\uD83D", "\\uDE00", "\\u20AC", "\\u0E01", "\\uFFFF",
                                "\\u4e2d", "\\u00B7"};
  std::mt19937 rng(104);
  for (int i = 0; i < 3000; ++i) {
    std::string body;
    std::u16string units;
    const int count = 1 + static_cast<int>(rng() % 8);
    for (int k = 0; k < count; ++k) {
      const std::string& piece = pieces[rng() % std::size(pieces)];
      body += piece;
      if (piece[0] == '\\')
        units += static_cast<char16_t>(std::stoi(piece.substr(2), nullptr, 16));
      else
        units.append(piece.begin(), piece.end());
    }
    const std::string gbk = GbkFromWide(units);
    for (size_t n : {size_t{0}, size_t{1}, size_t{5}, size_t{200}}) {
      std::string expected = gbk;
      if (expected.size() > n) {
        size_t end = 0;
        while (end < expected.size()) {
          const size_t len = static_cast<unsigned char>(expected[end]) >= 0x80 ? 2 : 1;
          if (end + len > n) break;
          end += len;
        }
        expected.resize(end);
      }
      ASSERT_EQ(JsonDecodeNarrow(body, n, false), expected) << body << " " << n;
    }
  }
}

TEST(JsonReaders, StringValueShapes) {
  EXPECT_EQ(JsonGetString("k", R"({"k":""})", 10), "");
  EXPECT_EQ(JsonGetString("k", R"({"k":"a\"b"})", 10), "a\"b");
  EXPECT_EQ(JsonGetString("k", R"({"k":"abc)", 10), "");
  EXPECT_EQ(JsonGetString("k", R"({"k":")", 10), "");
  EXPECT_EQ(JsonGetString("k", R"({"k" "x"})", 10), "");
  // A NUL ends the text.
  EXPECT_EQ(JsonGetString("k", "{\"j\":1}\0{\"k\":\"x\"}"s, 10), "");
}

TEST(JsonReaders, StringIsCutWithoutSplittingACharacter) {
  const std::string text = "{\"k\":\"\\u4E2D\\u6587\"}";
  EXPECT_EQ(JsonGetString("k", text, 4), kGbkZhong + kGbkWen);
  EXPECT_EQ(JsonGetString("k", text, 3), kGbkZhong);
  EXPECT_EQ(JsonGetString("k", text, 1), "");
  EXPECT_EQ(JsonGetString("k", "{\"k\":\"\xE4\xB8\xAD\xE6\x96\x87\"}", 3), kGbkZhong);
}

TEST(JsonReaders, FieldModeUsesTheNarrowFieldEncoding) {
  // U+0E01 has no GBK code: a reference when it fits, else "?B?", else empty.
  const std::string text = "{\"k\":\"\\u0E01\"}";
  EXPECT_EQ(JsonGetString("k", text, 20, true), "&#3585;");
  EXPECT_EQ(JsonGetString("k", text, 20, false), "?");
  EXPECT_EQ(JsonGetString("k", text, 4, true), "");
  const std::string utf8 = "{\"k\":\"\xE0\xB8\x81\xE0\xB8\x81\"}";
  EXPECT_EQ(JsonGetString("k", utf8, 14, true), "&#3585;&#3585;");
  EXPECT_EQ(JsonGetString("k", utf8, 11, true), "?B?AQ4BDg==");
}

TEST(JsonReaders, LongStringsAreDecodedWhole) {
  // Long bodies (a template text) keep no escapes and no raw UTF-8.
  std::string body(70000, 'a');
  body += "\\u0022\\u4E2D";
  std::string text = "{\"cText\":\"" + body + "\"}";
  std::string value = JsonGetString("cText", text, 200000);
  EXPECT_EQ(value, std::string(70000, 'a') + "\"" + kGbkZhong);
  std::string utf8Body(5000, 'b');
  utf8Body += "\xE4\xB8\xAD";
  EXPECT_EQ(JsonGetString("t", "{\"t\":\"" + utf8Body + "\"}", 3000), std::string(3000, 'b'));
  EXPECT_EQ(JsonGetString("t", "{\"t\":\"" + utf8Body + "\"}", 9000),
            std::string(5000, 'b') + kGbkZhong);
}

TEST(JsonReaders, WideStrings) {
  EXPECT_EQ(JsonGetWString("u", R"({"u":"\u00E9\u4E2Dx"})", 10), u"\u00E9\u4E2Dx");
  EXPECT_EQ(JsonGetWString("u", R"({"u":"a\x2Fb"})", 10), u"a/b");
  EXPECT_EQ(JsonGetWString("u", "{\"u\":\"\xE4\xB8\xAD\"}", 10), u"\u4E2D");
  EXPECT_EQ(JsonGetWString("u", R"({"u":"\u12"})", 10), u"\\u12");
  EXPECT_EQ(JsonGetWString("u", R"({"u":"\u0000"})", 10), u"\\u0000");
  EXPECT_EQ(JsonGetWString("u", R"({"u":"abcdef"})", 3), u"abc");
  EXPECT_EQ(JsonGetWString("u", R"({"u":"\uD83D\uDE00"})", 1), u"");  // no half pair
  EXPECT_EQ(JsonGetWString("u", R"({"u":12})", 10), u"");
  EXPECT_EQ(JsonGetWString("u", R"({"u":""})", 10), u"");
  EXPECT_EQ(JsonGetWString("u", R"({"u":"abc)", 10), u"");
}

// ---- Hex, Base64, arrays ----

TEST(JsonReaders, Hex) {
  std::string out = "old";
  EXPECT_EQ(JsonGetHex("h", R"({"h":"0aFF"})", out, 16), 2u);
  EXPECT_EQ(out, "\x0A\xFF"s);
  EXPECT_EQ(JsonGetHex("h", R"({"h":"0aF"})", out, 16), 0u);
  EXPECT_EQ(out, "");
  EXPECT_EQ(JsonGetHex("h", R"({"h":"0g"})", out, 16), 0u);
  EXPECT_EQ(JsonGetHex("h", R"({"h":0A})", out, 16), 0u);
  EXPECT_EQ(JsonGetHex("h", R"({"h":"0AFF)", out, 16), 0u);
  // More pairs than the room: refused, nothing written beyond it.
  EXPECT_EQ(JsonGetHex("h", R"({"h":"0102030405"})", out, 4), 0u);
  EXPECT_EQ(JsonGetHex("h", R"({"h":"01020304"})", out, 4), 4u);
}

TEST(JsonReaders, Base64) {
  std::string out;
  EXPECT_EQ(JsonGetBase64("b", R"({"b":"QUJD"})", out, 100), 3);
  EXPECT_EQ(out, "ABC");
  EXPECT_EQ(JsonGetBase64("b", R"({"b":" w=="})", out, 100), 1);  // blank stands for "+"
  EXPECT_EQ(out, "\xFB");
  EXPECT_EQ(JsonGetBase64("b", R"({"b":"QUJ"})", out, 100), 0);
  EXPECT_EQ(JsonGetBase64("b", R"({"b":"QUJD"})", out, 4), 0);  // not shorter than the room
  EXPECT_EQ(JsonGetBase64("b", R"({"b":"QUJD"})", out, 5), 3);
  EXPECT_EQ(JsonGetBase64("b", R"({"b":"QU*D"})", out, 100), -1);
  EXPECT_EQ(JsonGetBase64("b", R"({"b":null})", out, 100), 0);
}

TEST(JsonReaders, IntArray) {
  std::vector<uint32_t> values{99};
  EXPECT_EQ(JsonGetIntArray("a", R"({"a":[3,-1,7]})", values, 1, 2100000000), 3);
  EXPECT_EQ(values, (std::vector<uint32_t>{99, 3, 7}));
  values.clear();
  EXPECT_EQ(JsonGetIntArray("a", R"({"x":"a","a" : [ 5 , 6 ]})", values, 0, 10), 2);
  EXPECT_EQ(JsonGetIntArray("a", R"({"a":[]})", values, 0, 10), 2);
  // The "[" must stand within the key's length + 10 characters.
  EXPECT_EQ(JsonGetIntArray("a", R"({"a":        [1]})", values, 0, 10), -1);
  EXPECT_EQ(JsonGetIntArray("a", R"({"a":       [1]})", values, 0, 10), 3);
  EXPECT_EQ(JsonGetIntArray("a", R"({"a":[1,2)", values, 0, 10), -1);
  EXPECT_EQ(JsonGetIntArray("b", R"({"a":[1]})", values, 0, 10), -1);
}

// ---- Objects of a list ----

TEST(JsonLists, ObjectStartAndEndSkipStrings) {
  const std::string text = R"({"List":[{"0":"{x}","1":{"y":"}"}},{"0":"b"}],"n":1})";
  size_t list = text.find("List");
  size_t start = JsonObjectStart(text, list);  // inside the key name
  EXPECT_EQ(start, text.find("{\"0\""));
  size_t end = JsonObjectEnd(text, start);
  EXPECT_EQ(text.substr(start, end - start + 1), R"({"0":"{x}","1":{"y":"}"}})");
  EXPECT_EQ(JsonObjectStart(R"("{" "a")", 0), kJsonNone);
  EXPECT_EQ(JsonObjectStart(R"("{ )", 0), kJsonNone);
  EXPECT_EQ(JsonObjectEnd(R"({"a":{})", 0), kJsonNone);
  EXPECT_EQ(JsonObjectEnd(R"({"a":"})", 0), kJsonNone);
}

TEST(JsonLists, ObjectStartDoesNotStopAtTheListEnd) {
  const std::string text = R"({"A":[{"v":1}],"B":[{"v":2}]})";
  size_t pos = text.find("}") + 1;
  size_t next = JsonObjectStart(text, pos);
  ASSERT_NE(next, kJsonNone);
  EXPECT_EQ(JsonGetInt("v", text.substr(next), 0), 2);
}

TEST(JsonLists, ListBodyEndsAtItsBracket) {
  const std::string reply =
      R"({"ReturnValue":1,"GoodsList":[{"0":"a]","n":1},{"0":"b","n":2,"s":{"n":9}}],)"
      R"("WeightList":[{"0":"c","n":3}],"bEnd":1})";
  std::vector<std::pair<std::string, int>> rows;
  std::string_view list = JsonListBody(reply, "GoodsList");
  size_t pos = 0;
  std::string_view object;
  while (JsonNextObject(list, pos, object))
    rows.emplace_back(JsonGetString("0", object, 10), JsonGetInt("n", object, -1));
  EXPECT_EQ(rows, (std::vector<std::pair<std::string, int>>{{"a]", 1}, {"b", 2}}));

  list = JsonListBody(reply, "WeightList");
  pos = 0;
  ASSERT_TRUE(JsonNextObject(list, pos, object));
  EXPECT_EQ(JsonGetInt("n", object, -1), 3);
  EXPECT_FALSE(JsonNextObject(list, pos, object));
  EXPECT_TRUE(JsonListBody(reply, "Missing").empty());
  EXPECT_EQ(JsonGetInt("bEnd", reply, 0), 1);
}

// ---- Writers ----

TEST(JsonWriters, NumbersHexBase64Arrays) {
  struct Case {
    std::string written, expected;
  };
  auto put = [](auto f) {
    std::string out;
    f(out);
    return out;
  };
  const uint32_t three[] = {1, 20, 4294967295u};
  Case cases[] = {
      {put([](std::string& o) { JsonPutInt(o, "n", -5, true); }), R"("n":-5,)"},
      {put([](std::string& o) { JsonPutInt(o, "n", 7, false, true); }), R"("n":"7")"},
      {put([](std::string& o) { JsonPutUInt(o, "u", 4294967295u, false); }), R"("u":4294967295)"},
      {put([](std::string& o) { JsonPutDouble(o, "d", 1.5, 3, false); }), R"("d":1.500)"},
      {put([](std::string& o) { JsonPutDouble(o, "d", 1.5, 3, false, false, true); }), R"("d":1.5)"},
      {put([](std::string& o) { JsonPutDouble(o, "d", 2, 3, false, false, true); }), R"("d":2.0)"},
      {put([](std::string& o) { JsonPutDouble(o, "d", 1.5, 7, false); }), R"("d":1.500000)"},
      {put([](std::string& o) { JsonPutDouble(o, "d", 0.125, 2, true, true); }), R"("d":"0.12",)"},
      {put([](std::string& o) { JsonPutDouble(o, "d", 10, 1, false, false, true); }), R"("d":10.0)"},
      {put([](std::string& o) { JsonPutDouble(o, "d", 0.0 / 0.0, 2, false); }), R"("d":null)"},
      {put([](std::string& o) { JsonPutHex(o, "h", "\x0A\xFF"s, false); }), R"("h":"0AFF")"},
      {put([](std::string& o) { JsonPutBase64(o, "b", "ABC", true); }), R"("b":"QUJD",)"},
      {put([](std::string& o) { JsonPutBase64(o, "b", "\xFB", false); }), R"("b":"+w==")"},
      {put([&](std::string& o) { JsonPutUIntArray(o, "a", three, false); }), R"("a":[1,20,4294967295])"},
      {put([](std::string& o) { JsonPutUIntArray(o, "a", {}, true); }), R"("a":[],)"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.written, c.expected);
}

// The number is the standard fixed conversion (the exact binary value
// rounded, ties to even) for every magnitude, sign and count of decimals.
TEST(JsonWriters, DoubleIsTheStandardFixedConversion) {
  auto reference = [](double value, int decimals, bool trim) {
    const int precision = decimals >= 1 && decimals <= 6 ? decimals : 6;
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, precision);
    std::string number(buf, res.ptr);
    if (trim) {
      const size_t point = number.find('.');
      while (number.size() > point + 2 && number.back() == '0') number.pop_back();
    }
    return "\"d\":" + number;
  };
  std::vector<double> values = {0.0, -0.0, 0.125, 0.375, 2.5, 0.0005, 0.0015, 1e-7, -1e-7,
                                4.9e-324, 2.2250738585072014e-308, 0.5e-6, 1.5e-6, 2.5e-6,
                                9.9999995, 999999.9999995, 9007199254740991.0,
                                9007199254740993.0, 18446744073709.55, 18446744073710.5,
                                1e15, 1e300, -123.4565, 1.005, 2.675};
  std::mt19937_64 rng(120);
  for (int i = 0; i < 20000; ++i) {
    const uint64_t r = rng();
    switch (i % 4) {
      case 0: {  // any bit pattern
        double v;
        std::memcpy(&v, &r, sizeof v);
        if (std::isfinite(v)) values.push_back(v);
        break;
      }
      case 1:  // exact ties: halves of the last digit
        values.push_back(static_cast<double>(static_cast<int64_t>(r % 2000001) - 1000000) /
                         static_cast<double>(uint64_t{1} << (r >> 59)));
        break;
      case 2:  // amounts as they are keyed
        values.push_back(static_cast<double>(static_cast<int64_t>(r % 20000001) - 10000000) /
                         1000.0);
        break;
      default:  // wide range of magnitudes
        values.push_back(std::ldexp(static_cast<double>(r >> 11), static_cast<int>(r % 140) - 120));
    }
  }
  for (double v : values) {
    for (int decimals : {0, 1, 2, 3, 4, 5, 6, 7}) {
      for (bool trim : {false, true}) {
        std::string out;
        JsonPutDouble(out, "d", v, decimals, false, false, trim);
        ASSERT_EQ(out, reference(v, decimals, trim)) << v << " " << decimals;
      }
    }
  }
}

TEST(JsonWriters, NarrowStrings) {
  struct Case {
    std::optional<std::string> text;
    bool drop;
    std::string expected;
  } cases[] = {
      {std::nullopt, false, R"("s":null)"},
      {"", false, R"("s":"")"},
      {"Letters", false, R"("s":"Letters")"},
      {"a\"b", false, R"("s":"a\u0022b")"},
      {"l1\nl2", false, R"("s":"l1\u000Al2")"},
      {"\"\\/\b\f\n\r\t", false, R"("s":"\u0022\u005C\u002F\u0008\u000C\u000A\u000D\u0009")"},
      {"a\r\nb\tc", true, R"("s":"a b\u0009c")"},
      {kGbkZhong + kGbkWen, false, "\"s\":\"\xE4\xB8\xAD\xE6\x96\x87\""},
      {"a&amp;b/", false, R"("s":"a&b\u002F")"},             // entity decoded
      {"&#3585;x", false, "\"s\":\"\xE0\xB8\x81x\""},      // reference decoded
      {"?B?AQ4=", false, "\"s\":\"\xE0\xB8\x81\""},        // "?B?" field form
      {"x004E", false, "\"s\":\"\xE4\xB8\x80\""},          // "x" + hex form
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    std::string out;
    if (c.text)
      JsonPutString(out, "s", std::string_view(*c.text), false, 936, c.drop);
    else
      JsonPutString(out, "s", std::nullopt, false);
    EXPECT_EQ(out, c.expected);
  }
  std::string out;
  EXPECT_EQ(JsonPutString(out, "s", "x", false, 12345), R"("s":"")");  // unknown code page
}

TEST(JsonWriters, WideStrings) {
  struct Case {
    std::optional<std::u16string> text;
    std::string expected;
  } cases[] = {
      {std::nullopt, R"("w":null)"},
      {u"\u00E9", R"("w":"\u00E9")"},
      {u"\u4E2Dab", R"("w":"\u4E2Dab")"},
      {u"\"/\n", R"("w":"\u0022\u002F\u000A")"},
      {u"\uFFFF\u007F", "\"w\":\"\\uFFFF\x7F\""},
      {std::u16string(u"a\0b", 3), R"("w":"a")"},
  };
  for (const auto& c : cases) {
    std::string out;
    if (c.text)
      JsonPutWString(out, "w", std::u16string_view(*c.text), false);
    else
      JsonPutWString(out, "w", std::nullopt, false);
    EXPECT_EQ(out, c.expected);
  }
}

TEST(JsonWriters, RequestIsValidJsonAndReadsBack) {
  const std::string awkward = "\"\\/\b\f\n\r\t" + kGbkZhong + "end";
  std::string req = "{";
  JsonPutString(req, "RequestName", "sSqlQuery", true);
  JsonPutWString(req, "cUserAc", u"\u00E9\u4E2D\"x", true);
  JsonPutInt(req, "iRand", -42, true);
  JsonPutDouble(req, "fWeight", 12.25, 3, true, false, true);
  JsonPutString(req, "cText", std::string_view(awkward), true);
  JsonPutString(req, "cNone", std::nullopt, true);
  JsonPutHex(req, "xKey", "\x01\xAB"s, true);
  const uint32_t ids[] = {5, 6};
  JsonPutUIntArray(req, "ids", ids, false);
  req += "}";

  nlohmann::json parsed = nlohmann::json::parse(req);
  EXPECT_EQ(parsed["RequestName"], "sSqlQuery");
  EXPECT_EQ(parsed["cUserAc"], "\xC3\xA9\xE4\xB8\xAD\"x");
  EXPECT_EQ(parsed["iRand"], -42);
  EXPECT_EQ(parsed["fWeight"], 12.25);
  EXPECT_EQ(parsed["cText"], "\"\\/\b\f\n\r\t\xE4\xB8\xAD" "end");
  EXPECT_TRUE(parsed["cNone"].is_null());
  EXPECT_EQ(parsed["ids"], nlohmann::json::array({5, 6}));

  EXPECT_EQ(JsonGetString("cText", req, 100), awkward);
  EXPECT_EQ(JsonGetWString("cUserAc", req, 100), u"\u00E9\u4E2D\"x");
  EXPECT_EQ(JsonGetInt("iRand", req, 0), -42);
  EXPECT_DOUBLE_EQ(JsonGetDouble("fWeight", req, 0), 12.25);
  std::string key;
  EXPECT_EQ(JsonGetHex("xKey", req, key, 16), 2u);
  EXPECT_EQ(key, "\x01\xAB"s);
  std::vector<uint32_t> back;
  EXPECT_EQ(JsonGetIntArray("ids", req, back, 0, 100), 2);
  EXPECT_EQ(JsonGetString("cNone", req, 10), "");
}

TEST(JsonSmallParts, EscapesAndScans) {
  EXPECT_EQ(GetJsonEscape('"'), "\\u0022");
  EXPECT_EQ(GetJsonEscape('\t'), "\\u0009");
  EXPECT_EQ(GetJsonEscape('a'), "");
  EXPECT_TRUE(HasJsonSpecial("a/b"));
  EXPECT_FALSE(HasJsonSpecial("ab' c"));
  EXPECT_EQ(JsonUnescapeSpecial("\\x5C"), 0x5C);
  EXPECT_EQ(JsonUnescapeSpecial("\\x5"), 0);
  EXPECT_EQ(JsonUnescapeSpecial("\\xg0"), 0);
  EXPECT_EQ(JsonSkipBlanks(" \t%20%20\r\nx", 0), 10u);
  EXPECT_EQ(JsonSkipBlanks("%2x", 0), 0u);
  EXPECT_EQ(FindJsonStringEnd(R"(ab\"c"d)", 0), 5u);
  EXPECT_EQ(FindJsonStringEnd(R"("x)", 0), 0u);
  EXPECT_EQ(FindJsonStringEnd(R"(ab\")", 0), kJsonNone);
  EXPECT_EQ(FindNumberStart("ab-3", 0), 2u);
  EXPECT_EQ(FindNumberStart("abc", 0), kJsonNone);
}

}  // namespace
