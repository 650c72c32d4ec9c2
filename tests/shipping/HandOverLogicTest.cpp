// The check text, the batch number and the statements of the hand-over,
// without a server.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/FieldCheck.h"
#include "server/ServerLink.h"
#include "shipping/HandOverLogic.h"

namespace {

// A check text of lines 0..24 joined by line feeds.
std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t k = 0; k < lines.size(); ++k) text += (k ? "\n" : "") + lines[k];
  return text;
}

std::vector<std::string> Sample() {
  std::vector<std::string> lines = {"OK", "US", "SV1", "1.500", "BR1", "1.500", "90.00", "0.00",
                                    "DHL", "2", "1", "7", "12", "0"};
  lines.resize(25);
  return lines;
}

std::string InBuffer(const std::string& text) {
  std::string buffer(kCheckTextBufferSize, '\0');
  buffer.replace(0, std::min(text.size(), buffer.size() - 1), text.substr(0, buffer.size() - 1));
  return buffer;
}

TEST(HandOverCheckText, LinesWithAndWithoutThePrefixAndTooFewLines) {
  std::vector<std::string> shortLines = Sample();
  shortLines.resize(24);  // 23 line feeds
  std::vector<std::string> oneCharFirst = Sample();
  oneCharFirst[0] = "K";  // the first line feed is looked for two characters in
  struct Case {
    const char* name;
    std::string text;
    bool ok;
    std::string line12;
  } cases[] = {
      {"plain", Lines(Sample()), true, "12"},
      {"V and three characters", "V001" + Lines(Sample()), true, "12"},
      {"23 line feeds", Lines(shortLines), false, ""},
      {"empty", "", false, ""},
      {"first line of one character shifts the lines", Lines(oneCharFirst), false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HandOverCheckText parsed;
    EXPECT_EQ(c.ok, ParseHandOverCheckText(InBuffer(c.text), parsed));
    if (!c.ok) continue;
    EXPECT_EQ("US", parsed.lines[1]);
    EXPECT_EQ("DHL", parsed.lines[8]);
    EXPECT_EQ(c.line12, parsed.lines[12]);
    EXPECT_EQ(12, CheckTextRecordId(parsed));
    EXPECT_EQ(0, parsed.customerId);
  }
}

// The customer marker two bytes after the text's end is read inside the
// buffer only: a text of 1,022 or 1,023 bytes has no room for it.
TEST(HandOverCheckText, CustomerMarkerOnlyInsideTheBuffer) {
  std::string text = Lines(Sample());
  std::string buffer = InBuffer(text);
  buffer.replace(text.size() + 2, 3, "C42");
  HandOverCheckText parsed;
  ASSERT_TRUE(ParseHandOverCheckText(buffer, parsed));
  EXPECT_EQ(42, parsed.customerId);

  for (size_t length : {size_t{1022}, size_t{1023}}) {
    std::vector<std::string> lines = Sample();
    lines[24] = std::string(length - Lines(Sample()).size(), 'x');
    const std::string full = Lines(lines);
    ASSERT_EQ(length, full.size());
    std::string exact(full);
    exact.resize(kCheckTextBufferSize, '\0');
    HandOverCheckText p;
    ASSERT_TRUE(ParseHandOverCheckText(std::string_view(exact.data(), kCheckTextBufferSize), p));
    EXPECT_EQ(0, p.customerId);
    EXPECT_EQ(length - Lines(Sample()).size(), p.lines[24].size());
  }
}

// Line 12 reaches SQL only as a number.
TEST(HandOverCheckText, RecordIdOnlyFromDigits) {
  for (const char* line : {"12);DELETE client_rec;--", "", "-5", "99999999999", "1 2"}) {
    std::vector<std::string> lines = Sample();
    lines[12] = line;
    HandOverCheckText parsed;
    ASSERT_TRUE(ParseHandOverCheckText(InBuffer(Lines(lines)), parsed));
    EXPECT_EQ(0, CheckTextRecordId(parsed)) << line;
  }
}

TEST(HandOverBatch, NumberOfTheDayAndItsId) {
  EXPECT_EQ(u"261211-000-0", MakeHandOverBatchText(2026, 12, 11, 0));
  EXPECT_EQ(u"240305-012-0", MakeHandOverBatchText(2024, 3, 5, 12));
  EXPECT_EQ(u"300101-1234-0", MakeHandOverBatchText(2030, 1, 1, 1234));
  EXPECT_GT(BatchTextToId(MakeHandOverBatchText(2026, 12, 11, 1)), 0);
  EXPECT_NE(BatchTextToId(MakeHandOverBatchText(2026, 12, 11, 1)),
            BatchTextToId(MakeHandOverBatchText(2026, 12, 11, 2)));
}

TEST(HandOverSql, ScannedTextsQuotedAndIdsAsNumbers) {
  HandOverCheckArgs check;
  check.number = "BR1' OR '1'='1";
  check.carrierId = 2;
  check.batchId = 77;
  check.weightKg = 1.5;
  check.weightCheck = -1;
  check.switch25 = '1';
  check.station = "S'Z";
  check.switch64 = true;
  check.numberMode = 0;
  EXPECT_EQ("{?=CALL brantle.dbo.cp_client_rec_send_x_check(?,'BR1'' OR ''1''=''1',2,77,1.500,-1,1,"
            "'S''Z',1,0)}",
            HandOverCheckSql(check));

  HandOverScanArgs scan;
  scan.recordId = 12;
  scan.carrierId = 2;
  scan.carrierName = "O'Neil";
  scan.batchId = 77;
  scan.sale = 90;
  scan.cost = 40.5;
  scan.userName = "a'b";
  scan.weightKg = 2;
  scan.extraFee = 2.5;
  EXPECT_EQ("{?=CALL brantle.dbo.cp_client_rec_send_scan_0(12,2,'O''Neil','',77,0,90.00,'a''b','',"
            "2.000,1)}",
            HandOverScan0Sql(scan));
  SpecialPriceQuery price;
  price.base = 30;
  price.addOn = 5;
  price.customs = 2;
  price.rate = 1.05;
  price.otherCustom = 3;
  EXPECT_EQ("{?=CALL brantle.dbo.cp_client_rec_send_scan_1(12,2,'O''Neil',40.50,'',77,0,90.00,'a''b',"
            "'',2.000,1,30.00,5.00,2.00,0,0,0,2.50,1.0500,3.00)}",
            HandOverScan1Sql(scan, price));
  EXPECT_EQ("{?=CALL brantle.dbo.cp_client_rec_send_cancel(5,77,3)}", SendCancelBatchSql(5, 77, 3));
  EXPECT_EQ("{?=CALL brantle.dbo.cp_client_rec_send_cancel_s(5,'a''b')}", SendCancelOneSql(5, "a'b"));
  EXPECT_NE(std::string::npos, MasterAwbRecordsSql(u"999-1' x").find("cawb='999-1'' x'"));
}

TEST(HandOverSql, RecordQueryClauses) {
  SendRecordQueryConditions c;
  const std::u16string head =
      u"SELECT TOP 1000 a.irid,a.cdes,a.fweights,a.ddate,a.cserviceno,a.cemskind,a.iitem,a.nstate,"
      u"a.cnum,a.cmark FROM brantle.dbo.client_rec a WITH (NOLOCK) INNER JOIN "
      u"brantle.dbo.client_arc b ON(a.icid=b.icid) WHERE a.nstate";
  EXPECT_EQ(head + u"=0 ORDER BY a.irid", SendRecordQuerySql(c));
  c.listFlag = 1;
  c.station = u"SZ";
  c.clientKind = u"VIP";
  c.dateFrom = u"2024.03.01";
  c.dateTo = u"2024.03.05";
  c.destination = u"O'Hare  ";
  c.serviceKind = u"DHL ";
  EXPECT_EQ(head + u">=0 AND b.cstation='SZ' AND b.ckind LIKE 'VIP' AND a.ddate>='2024.03.01 00:00:00.0'"
                   u" AND a.ddate<='2024.03.05 23:59:59.998' AND a.cdes='O''Hare' AND "
                   u"a.cemskind='DHL' ORDER BY a.irid",
            SendRecordQuerySql(c));
}

}  // namespace
