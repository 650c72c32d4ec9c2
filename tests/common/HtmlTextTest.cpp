#include <gtest/gtest.h>

#include <string>

#include "common/HtmlText.h"

namespace {

struct Case {
  std::string in, out;
};

TEST(StripHtml, RemovesMarkupInOrder) {
  const Case plain[] = {
      {"<p>word</p>", " word "},
      {"a < b", "a < b"},                       // "<" before a blank stays
      {"x<b>y</b>z", "x y z"},
      {"<?xml version=\"1.0\"?>a", " a"},
      {"a<b c", "a<b c"},                       // a tag without ">" ends the step
      {"<\xD6\xD0>", "<\xD6\xD0>"},             // "<" before a Chinese character stays
      {"\xD6<b>x</b>", "\xD6 x "},            // a stray lead byte does not hide a tag
      {"a<!-- c -->b", "ab"},
      {"a<!-- c b", "a<!-- c b"},              // unclosed comment stays
      {"a<SCRIPT type=x>if(a<b)x();</script>b", "ab"},
      {"a<script>x", "a x"},                    // unclosed script stays, its tag goes
      {"<br>a<BR>b <br/>c", "a b c"},
      {"&amp;lt;", "<"},                        // "&amp;" first, then "&lt;"
      {"&amp;amp;", "&amp;"},                   // one level only
      {"&quot;x&quot; &gt; &lt;", "\"x\" > <"},
      {"&nbsp;&#160;", "  "},
      {"", ""},
  };
  for (const auto& c : plain) {
    std::string s = c.in;
    EXPECT_EQ(StripHtml(s, false), c.out) << c.in;
  }
  const Case collapsed[] = {
      {"<p>word</p>", "word"},
      {" \t a \r\n b  ", "a b"},
      {"\xA1\xA1" "a\xA1\xA1", "a"},            // ideographic blanks at the ends
      {"a\xA1\xA1" "b", "a\xA1\xA1" "b"},       // ... but not inside
      {"<td>1</td>\n<td>2</td>", "1 2"},
      {"   ", ""},
  };
  for (const auto& c : collapsed) {
    std::string s = c.in;
    EXPECT_EQ(StripHtml(s, true), c.out) << c.in;
  }
}

TEST(HtmlToText, SimplerRemover) {
  const Case cases[] = {
      {"a < b >", "a"},                 // everything from "<" to ">" goes
      {"x&nbsp;y", "x y"},
      {"&nbsp;x", "x"},
      {"a<!--c-->b<br>c", "ab c"},
      {"<script>x</script>", "x"},      // no script removal here
      {"&amp;lt;p&gt;", "<p>"},
      {"a\t\t\r\nb ", "a b"},
      {"a < b", "a < b"},
  };
  for (const auto& c : cases) {
    std::string s = c.in;
    EXPECT_EQ(HtmlToText(s), c.out) << c.in;
  }
}

TEST(GetHtmlTableCell, FindsNthCellAndWalksRows) {
  std::string row = "<tr><td>one</td><TD class=\"c\">two</TD><td>three</td></tr>";
  size_t end = 0;
  EXPECT_EQ(GetHtmlTableCell(row, 0, end, 2, false, false), "two");
  EXPECT_EQ(row.substr(end, 5), "</TD>");
  EXPECT_EQ(GetHtmlTableCell(row, 0, end, 3, false, false), "three");
  EXPECT_EQ(GetHtmlTableCell(row, 0, end, 4, false, false), std::nullopt);

  // Walking cell by cell from the end of the previous one.
  std::vector<std::string> cells;
  size_t pos = 0;
  while (auto cell = GetHtmlTableCell(row, pos, end, 1, true, false)) {
    cells.push_back(*cell);
    pos = end;
  }
  EXPECT_EQ(cells, (std::vector<std::string>{"one", "two", "three"}));

  std::string single = "<td>only</td>";
  EXPECT_EQ(GetHtmlTableCell(single, 0, end, 2, false, false), std::nullopt);
  std::string unclosed = "<td>a";
  EXPECT_EQ(GetHtmlTableCell(unclosed, 0, end, 1, false, false), std::nullopt);
  std::string noGt = "<td";
  EXPECT_EQ(GetHtmlTableCell(noGt, 0, end, 1, false, false), std::nullopt);
}

TEST(GetHtmlTableCell, EscapedEndTagsAndCellsWithoutEnd) {
  size_t end = 0;
  std::string json = "<td><b>x\\/y<\\/b><\\/td>";
  EXPECT_EQ(GetHtmlTableCell(json, 0, end, 1, true, true), "x/y");

  // A cell running into the next "<td ...": it ends there, and the next
  // cell stays findable from the end position.
  std::string page = "<td>a<td class=x>b</td>";
  EXPECT_EQ(GetHtmlTableCell(page, 0, end, 1, false, false), "a");
  EXPECT_EQ(end, 5u);
  EXPECT_EQ(GetHtmlTableCell(page, end, end, 1, false, false), "b");

  // The next "<td>" with ">" right after it is not taken as the end.
  std::string bare = "<td>a<td>b</td>";
  EXPECT_EQ(GetHtmlTableCell(bare, 0, end, 1, true, false), "a b");
}

TEST(UnescapeBackslashes, DecodesKnownEscapesOnly) {
  const Case cases[] = {
      {R"(a\"b\'c\/d\\e)", "a\"b'c/d\\e"},
      {R"(\a\n\r\t)", "\a\n\r\t"},
      {R"(\q\)", "\\q\\"},                     // unknown escape and a final backslash stay
      {"\x95\x5Cn", "\x95\x5Cn"},              // 5C is the trail byte of a character
      {R"(\\n)", "\\n"},
  };
  for (const auto& c : cases) {
    std::string s = c.in;
    EXPECT_EQ(UnescapeBackslashes(s), c.out) << c.in;
  }
}

TEST(XmlGetElementText, StartTagForms) {
  struct XmlCase {
    std::string text;
    size_t minLen, maxLen;
    bool strip;
    bool ok;
    std::string value;
  } cases[] = {
      {"<a>text</a>", 0, 63, false, true, "text"},
      {"<ab>no</ab><a>yes</a>", 0, 63, false, true, "yes"},
      {"<a x=\"1>2\">v</a>", 0, 63, false, true, "v"},
      {"<a x=\"1>2>v</a>", 0, 63, false, false, ""},     // unclosed attribute value
      {"<a/>", 0, 63, false, true, ""},
      {"<a/>", 1, 63, false, false, ""},
      {"<a>x", 0, 63, false, false, ""},                 // no end tag
      {"<b>x</b>", 0, 63, false, false, ""},
      {"<a>\r\n <![CDATA[<b>x</b>]]>\t\n</a>", 0, 63, false, true, "<b>x</b>"},
      {"<a><![CDATA[<b>x</b>]]></a>", 0, 63, true, true, "x"},
      {"<a><![CDATA[abcd]]></a>", 0, 3, false, false, ""},  // CDATA over the maximum
      {"<a><![CDATA[abcd</a>", 0, 63, false, false, ""},   // CDATA not closed
      {"<a>abcd</a>", 0, 3, false, false, ""},
      {"<a> <p>x</p> </a>", 0, 63, true, true, "x"},
  };
  for (const auto& c : cases) {
    std::string dest = "old";
    EXPECT_EQ(XmlGetElementText("a", c.text, dest, c.minLen, c.maxLen, c.strip), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(dest, c.value) << c.text;
    }
  }
  // Too short after stripping: false, but the text is kept.
  std::string dest;
  EXPECT_FALSE(XmlGetElementText("a", "<a><i></i>ab</a>", dest, 3, 63, true));
  EXPECT_EQ(dest, "ab");
  // An end tag beyond the limit does not count.
  EXPECT_FALSE(XmlGetElementText("a", "<a>x</a>", dest, 0, 63, false, 3));
  EXPECT_TRUE(XmlGetElementText("a", "<a>x</a>", dest, 0, 63, false, 4));
}

TEST(TextToHtml, BlanksBreaksAndLongRuns) {
  struct WideCase {
    std::u16string in, out;
  } cases[] = {
      {u"", u""},
      {u"  ", u"&nbsp;&nbsp; "},
      {u"a  b", u"a &nbsp;b "},
      {u"x<y>\r\nz", u"x&lt;y&gt;<br> z "},
      {u"\n a", u" &nbsp;a "},
      {u"中文 字", u"中文 字 "},
  };
  for (const auto& c : cases) EXPECT_EQ(TextToHtml(c.in), c.out);

  std::u16string run(100, u'a');
  EXPECT_EQ(TextToHtml(run), std::u16string(81, u'a') + u" -" + std::u16string(19, u'a') + u" ");

  std::u16string blanks = u"a" + std::u16string(90, u' ');
  std::u16string expected = u"a ";
  for (int i = 0; i < 80; ++i) expected += u"&nbsp;";
  expected += u" ";
  for (int i = 0; i < 9; ++i) expected += u"&nbsp;";
  expected += u" ";
  EXPECT_EQ(TextToHtml(blanks), expected);
}

}  // namespace
