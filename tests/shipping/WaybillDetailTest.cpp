// The detail documents of the single-waybill view built from rows made
// here: hostile record texts shown as text, the rows that depend on the
// access flag, the rights and the values, and the money units.

#include <gtest/gtest.h>

#include <QTextDocument>

#include <string>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "shipping/WaybillDetail.h"
#include "tests/refdata/RepositoryLanguage.h"

namespace {

class WaybillDetail : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00"));
    row_.Set("irid", u"77");
    row_.Set("ddate", u"2024-03-06 10:05:00");
    row_.Set("cemskind", u"DHL");
    row_.Set("cemskindc", u"DHL");
    row_.Set("cdes", u"日本");
    row_.Set("npos", u"255");
    full_.xRight.fill(0xFF);
    full_.xRighte.fill(0);
  }
  std::string Left(const WaybillDetailContext& c) {
    return Utf8FromWide(BuildWaybillDetailLeft(row_, c));
  }
  std::string Right(const WaybillDetailContext& c) {
    return Utf8FromWide(BuildWaybillDetailRight(row_, c));
  }
  static std::string Plain(const std::string& html) {
    QTextDocument document;
    document.setHtml(QString::fromStdString(html));
    return document.toPlainText().toStdString();
  }
  static std::string Label(int id) { return Utf8FromWide(AppLanguage().Text(id)); }

  WaybillDetailRow row_;
  WaybillDetailContext full_;
};

// Receiver, memo, tracking place and spare fields holding markup, quotes,
// ampersands and a script address: every one is shown as text, and only
// the https address becomes a link, escaped for its attribute.
TEST_F(WaybillDetail, RecordTextsAreShownAsText) {
  row_.Set("creceiver", u"<script>alert('r')</script>");
  row_.Set("cmemo", u"a & b \"q\" 'x' <script>alert(1)</script>");
  row_.Set("npos", u"10");
  row_.Set("cdate", u"2024-03-07 08:00");
  row_.Set("cplace", u"<img src=x onerror=alert(2)>");
  row_.Set("cinfo", u"</font><b>info</b> & more");
  row_.Set("cby1", u"\"><b>bold</b>");
  row_.Set("cby4", u"javascript:alert(3)");
  row_.Set("cby5", u"https://x.example/?a=1&b='2'\"><script>");
  row_.Set("cmark", u"<i>");
  row_.Set("cdes", u"Tokyo & <Osaka>");
  const std::string left = Left(full_);
  const std::string right = Right(full_);
  for (const std::string& html : {left, right}) {
    EXPECT_EQ(std::string::npos, html.find("<script")) << html;
    EXPECT_EQ(std::string::npos, html.find("<img")) << html;
    EXPECT_EQ(std::string::npos, html.find("<b>bold")) << html;
    EXPECT_EQ(std::string::npos, html.find("<b>info")) << html;
    EXPECT_EQ(std::string::npos, html.find("<i>")) << html;
    EXPECT_EQ(std::string::npos, html.find("javascript:alert(3)'")) << html;
  }
  EXPECT_EQ(std::string::npos, left.find("href='javascript")) << left;
  EXPECT_NE(std::string::npos,
            left.find("href='https://x.example/?a=1&amp;b=&#39;2&#39;&quot;&gt;&lt;script&gt;'"))
      << left;
  const std::string shownLeft = Plain(left);
  const std::string shownRight = Plain(right);
  EXPECT_NE(std::string::npos, shownLeft.find("<script>alert('r')</script>")) << shownLeft;
  EXPECT_NE(std::string::npos, shownLeft.find("\"><b>bold</b>")) << shownLeft;
  EXPECT_NE(std::string::npos, shownLeft.find("javascript:alert(3)")) << shownLeft;
  EXPECT_NE(std::string::npos, shownLeft.find("Tokyo & <Osaka>")) << shownLeft;
  EXPECT_NE(std::string::npos, shownRight.find("<img src=x onerror=alert(2)>")) << shownRight;
  EXPECT_NE(std::string::npos, shownRight.find("</font><b>info</b> & more")) << shownRight;
  EXPECT_NE(std::string::npos, shownRight.find("\"q\" 'x' <script>alert(1)</script>")) << shownRight;
}

TEST(WaybillDetailText, WebAddressesAndDates) {
  EXPECT_TRUE(IsWebAddress(u"http://a"));
  EXPECT_TRUE(IsWebAddress(u"HTTPS://a"));
  EXPECT_FALSE(IsWebAddress(u"httpx://a"));
  EXPECT_FALSE(IsWebAddress(u"http"));
  EXPECT_FALSE(IsWebAddress(u" javascript:http://a"));
  EXPECT_TRUE(IsDateSet(u"2024-01-01"));
  EXPECT_FALSE(IsDateSet(u"1900-01-01 00:00:00"));
  EXPECT_FALSE(IsDateSet(u""));
  EXPECT_EQ(u"&lt;a href=&quot;x&quot;&gt;&amp;&#39;", EscapeHtml(u"<a href=\"x\">&'"));
}

// A restricted record keeps the identity, route and settlement rows and
// loses the weights, money, spare fields, tables, memos and supplier mark.
TEST_F(WaybillDetail, RestrictedViewLeavesOutFullViewRows) {
  row_.Set("cemskindc", u"EMS");
  row_.Set("ctno", u"T-1");
  row_.Set("fweight", u"2.5");
  row_.Set("cby1", u"spare");
  row_.Set("creceiver", u"Receiver");
  row_.Set("csender", u"Sender");
  row_.Set("cgoods", u"Shoes");
  row_.Set("cset", u"月结");
  row_.Set("cmemo", u"memo text");
  row_.Set("cextra", u"extra text");
  row_.Set("isid", u"1");
  row_.Set("ibatch", u"0");
  row_.Set("dreturn", u"2024-04-01 00:00:00");
  row_.Set("fweightre", u"1.5");
  full_.supplierName = [](int32_t) { return std::u16string(u"环球快运"); };
  WaybillDetailContext restricted = full_;
  restricted.fullView = false;
  struct Case {
    const char* text;
    bool inFull;
    bool inRestricted;
  };
  const Case cases[] = {
      {"月结", true, true},           {"日本", true, true},
      {"T-1", true, false},           {"EMS", true, false},
      {"2.500", true, false},         {"spare", true, false},
      {"Receiver", true, false},      {"Sender", true, false},
      {"Shoes", true, false},         {"memo text", true, false},
      {"extra text", true, false},    {"环球快运", true, false},
      {"1.500", true, false},         {"2024-04-01", true, true},
  };
  const std::string fullHtml = Left(full_) + Right(full_);
  const std::string restrictedHtml = Left(restricted) + Right(restricted);
  for (const Case& c : cases) {
    EXPECT_EQ(c.inFull, fullHtml.find(c.text) != std::string::npos) << c.text;
    EXPECT_EQ(c.inRestricted, restrictedHtml.find(c.text) != std::string::npos) << c.text;
  }
}

// The volume note starts above 998; fee marks follow only other pay ways;
// a settlement without a date ends with its "not confirmed" text.
TEST_F(WaybillDetail, ValueThresholds) {
  row_.Set("icubic", u"998");
  const std::string volume = "<font color=red>" + Label(30057);
  EXPECT_EQ(std::string::npos, Left(full_).find(volume));
  row_.Set("icubic", u"999");
  EXPECT_NE(std::string::npos, Left(full_).find(volume + ":0.001</font>"));

  const std::string notPaid = "◆<font color=red>" + Label(290106);
  row_.Set("npayway", u"2");
  row_.Set("ifsid", u"4");
  EXPECT_EQ(std::string::npos, Left(full_).find(notPaid));
  EXPECT_NE(std::string::npos, Left(full_).find(Label(290111) + "[id=4]"));
  row_.Set("npayway", u"0");
  EXPECT_NE(std::string::npos, Left(full_).find(notPaid));

  EXPECT_EQ(std::string::npos, Left(full_).find(Label(30119)));
  row_.Set("cset", u"S1");
  row_.Set("dsetdate", u"1900-01-01 00:00:00");
  EXPECT_NE(std::string::npos, Left(full_).find("【S1" + Label(290120) + "</td></tr>"));
  row_.Set("dsetdate", u"2024-03-20 09:00:00");
  EXPECT_NE(std::string::npos, Left(full_).find("【S1】 2024-03-20" + Label(290119)));
}

// iprice, idvalue and iivalue are hundredths; the documents show units.
TEST_F(WaybillDetail, HundredthsShownAsUnits) {
  row_.Set("cgoods", u"Shoes");
  row_.Set("iquantity", u"3");
  row_.Set("iprice", u"1250");
  row_.Set("idvalue", u"5000");
  row_.Set("iivalue", u"99");
  const std::string left = Left(full_);
  EXPECT_NE(std::string::npos, left.find(Label(30028) + ":</td><td>12.50</td>")) << left;
  EXPECT_NE(std::string::npos, left.find(Label(290134) + ":</td><td>37.50</td>")) << left;
  EXPECT_NE(std::string::npos, left.find(Label(30031) + ":</td><td>50.00</td>")) << left;
  EXPECT_NE(std::string::npos, left.find(Label(30032) + ":</td><td>0.99</td>")) << left;
}

// The money row without the two money rights shows only the sale price.
TEST_F(WaybillDetail, MoneyRowFollowsRights) {
  row_.Set("famount", u"105");
  row_.Set("fsprice", u"95");
  WaybillDetailContext none = full_;
  none.xRight.fill(0);
  EXPECT_NE(std::string::npos, Left(none).find(Label(30084) + ":</td><td>95.00 <font"));
  EXPECT_EQ(std::string::npos, Left(none).find("105.00"));
  EXPECT_NE(std::string::npos, Left(full_).find("105.00 ＜" + Label(30084) + ":95.00＞ "));
}

TEST(WaybillDetailPage, FragmentBecomesTheBody) {
  const std::u16string page = WaybillDetailPage(u"<table></table>");
  EXPECT_NE(std::u16string::npos, page.find(u"rightmargin=1>\r\n<table></table>\r\n</BODY>"));
  EXPECT_EQ(0u, WaybillDetailPageTemplate().find(u"<HTML>\r\n<HEAD>"));
}

}  // namespace
