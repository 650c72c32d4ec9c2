#include "refdata/AirlineTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "common/TextCodec.h"

namespace {

// Answers each query by the first table name it mentions; counts the calls.
struct FakeServer {
  std::map<std::string, std::string> replies;  // table name -> JSON reply
  std::vector<std::string> sqls;

  SqlRunner Runner() {
    return [this](std::string_view sql, std::span<const uint32_t>, std::string& reply) {
      sqls.emplace_back(sql);
      for (const auto& [table, text] : replies)
        if (std::string_view(sql).find(table) != std::string_view::npos) {
          reply = text;
          return static_cast<int>(text.size());
        }
      return -1;
    };
  }
};

std::string List(const std::string& rows) { return "{\"iTotal\":1,\"List\":[" + rows + "]}"; }

// A flt_main row: id, number, airline id, nkground, fminadd, fminfee, nkgcalc.
std::string FlightRow(int id, const std::string& number, int airline, int round = 0,
                      double minAdd = 0, double minFee = 0, int kgCalc = 0) {
  char text[1024];
  std::snprintf(text, sizeof text,
                "{\"0\":%d,\"1\":\"%s\",\"2\":%d,\"3\":1,\"4\":0,\"5\":1,\"6\":0,\"7\":1,\"8\":0,"
                "\"9\":0,\"10\":0,\"11\":\"PVG\",\"12\":\"\",\"13\":\"LAX\",\"14\":\"SHANGHAI\","
                "\"15\":\"LOS ANGELES\",\"16\":930,\"17\":1815,\"18\":0,\"19\":0,\"20\":0,"
                "\"21\":0,\"22\":0,\"23\":0,\"24\":0,\"25\":0,\"26\":\"\",\"27\":\"\",\"28\":\"\","
                "\"29\":\"\",\"30\":%d,\"31\":%d,\"32\":%g,\"33\":%g}",
                id, number.c_str(), airline, kgCalc, round, minAdd, minFee);
  return text;
}

TEST(AirlineTableTest, BuiltInListUntilServerHasAirlines) {
  FakeServer server;
  server.replies["sys_airline"] = List("");
  CAirlineTable table(server.Runner());
  EXPECT_EQ(0, table.LoadAirlines());
  const auto& list = table.Airlines();
  ASSERT_EQ(50u, list.size());
  EXPECT_EQ("012", list.front()->cprefix);
  EXPECT_EQ(GbkFromWide(u"美西北"), list.front()->cbrief);
  EXPECT_EQ("XXX", list.back()->cprefix);
  int po = 0;
  for (const auto& a : list) po += a->cnum == "PO";
  EXPECT_EQ(2, po);
  EXPECT_EQ("9C", list[43]->cprefix);
  EXPECT_EQ("UPS", list[23]->cnum);

  server.replies["sys_airline"] =
      List("{\"0\":7,\"1\":\"781\",\"2\":\"MU\",\"3\":\"EA\",\"4\":\"x.com\",\"5\":0,\"6\":1,"
           "\"7\":0,\"8\":0,\"9\":0,\"10\":0,\"11\":0,\"12\":\"\"}");
  EXPECT_EQ(0, table.LoadAirlines()) << "loaded once; no reload asked";
  EXPECT_EQ(1, table.LoadAirlines(true));
  ASSERT_EQ(1u, table.Airlines().size());
  EXPECT_EQ("781", table.Airlines()[0]->cprefix);
  EXPECT_EQ("EA", table.AirlineNameOfFlight(7));
  EXPECT_EQ("", table.AirlineNameOfFlight(8));

  // An empty reply keeps the list; a failed query too.
  server.replies["sys_airline"] = List("");
  EXPECT_EQ(1, table.LoadAirlines(true));
  server.replies.clear();
  EXPECT_EQ(0, table.LoadAirlines(true));
  EXPECT_EQ(1u, table.Airlines().size());
}

TEST(AirlineTableTest, SuggestionsPutPrefixesBeforeContainedText) {
  FakeServer server;
  server.replies["flt_main"] = List(FlightRow(1, "AMU12", 1) + "," + FlightRow(2, "mu1001", 1) +
                                    "," + FlightRow(3, "MU1001", 1) + "," + FlightRow(4, "CA981", 1));
  CAirlineTable table(server.Runner());
  ASSERT_EQ(4, table.LoadFlights());
  std::string text = "mu1";
  const FlightEntry* found[4];
  table.FindFlights(found, text, 4);
  EXPECT_EQ("MU1", text);
  ASSERT_NE(nullptr, found[0]);
  EXPECT_EQ("MU1001", found[0]->cftno);
  ASSERT_NE(nullptr, found[1]);
  EXPECT_EQ("AMU12", found[1]->cftno);
  EXPECT_EQ(nullptr, found[2]) << "the stored lower-case number is not found";

  table.FindFlights(found, text, 1);
  EXPECT_EQ("MU1001", found[0]->cftno);

  const FlightEntry* f = table.FindFlight("MU1001");
  ASSERT_NE(nullptr, f);
  EXPECT_EQ(930, f->wdepart);
  EXPECT_EQ(1, f->bweek[0]);
  EXPECT_EQ(0, f->bweek[1]);
}

TEST(AirlineTableTest, AirportCheck) {
  FakeServer server;
  server.replies["flt_main"] = List(FlightRow(3, "MU1001", 1));
  server.replies["sys_airport"] =
      List("{\"0\":\"PEK\",\"1\":\"BJS\",\"2\":\"CHN\",\"3\":\"BEIJING\"}");
  CAirlineTable table(server.Runner());
  table.LoadFlights();
  EXPECT_EQ(1, table.LoadAirports());
  struct Case {
    const char* port;
    const char* number;
    bool departure;
    bool ok;
  } cases[] = {
      {"XYZ", "", true, true},         {"PVG", "MU1001", true, true},
      {"SHANGHAI", "MU1001", true, true}, {"LAX", "MU1001", true, false},
      {"LAX", "MU1001", false, true},   {"PEK", "MU1001", false, true},
      {"PEK", "ZZ1", true, true},       {"pek", "ZZ1", true, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.ok, table.CheckFlightPort(c.port, c.number, c.departure)) << c.port << " " << c.number;
}

TEST(AirlineTableTest, TimesAndWeekdays) {
  EXPECT_EQ("09:30", FormatHhmm(930));
  EXPECT_EQ("12:75", FormatHhmm(1275));
  EXPECT_EQ("", FormatHhmm(2400));
  EXPECT_EQ("", FormatHhmm(-1));
  EXPECT_EQ("00:00", FormatHhmm(0));
  EXPECT_EQ('A', WeekdayLetter(0));
  EXPECT_EQ('G', WeekdayLetter(6));
  EXPECT_EQ('X', WeekdayLetter(7));
  EXPECT_EQ('X', WeekdayLetter(-1));
}

std::string Band(int step, int price, int top, int type, int start) {
  return List("{\"0\":" + std::to_string(step) + ",\"1\":" + std::to_string(price) + ",\"2\":" +
              std::to_string(top) + ",\"3\":" + std::to_string(type) + ",\"4\":" +
              std::to_string(start) + "}");
}

TEST(AirlineTableTest, FlightPrice) {
  struct Case {
    const char* name;
    int round;  // nkground
    double minFee;
    std::string rates;  // faddrate, fadoc, faother
    std::string band;
    int grams;
    double fee1;
    double freight;
    double perKg;
    int total;
    const char* weightInSql;  // the weight the band query asks for
  } cases[] = {
      {"type 1 bands of 500 g", 0, 0, "0,0,0", Band(500, 1000, 0, 1, 0), 1200, 0, 30.00, 25.00,
       3000, "ieweight>=1200"},
      {"whole kilograms round down", 1, 0, "0,0,0", Band(1000, 100, 0, 1, 0), 12345, 0, 12.00,
       1.00, 1200, "ieweight>=12000"},
      {"whole kilograms round up", 1, 0, "0,0,0", Band(1000, 100, 0, 1, 0), 12500, 0, 13.00, 1.00,
       1300, "ieweight>=13000"},
      {"type 3 per kilogram plus top", 0, 0, "0,0,0", Band(0, 1250, 500, 3, 0), 2000, 0, 30.00,
       12.50, 3000, "ieweight>=2000"},
      {"type 0 fixed", 0, 0, "0,0,0", Band(0, 0, 4560, 0, 0), 700, 0, 45.60, 65.14, 4560,
       "ieweight>=700"},
      {"other type from band start", 0, 0, "0,0,0", Band(500, 200, 1000, 2, 1000), 2100, 0, 16.00,
       7.62, 1600, "ieweight>=2100"},
      {"type 1 without a step charges once", 0, 0, "0,0,0", Band(0, 1000, 0, 1, 0), 1200, 0, 10.00,
       8.33, 1000, "ieweight>=1200"},
      {"other type without a step charges once", 0, 0, "0,0,0", Band(-5, 200, 1000, 2, 1000),
       2100, 0, 12.00, 5.71, 1200, "ieweight>=2100"},
      {"minimum fee raises the freight", 0, 50, "0,0,0", Band(500, 1000, 0, 1, 0), 1200, 0, 50.00,
       25.00, 5000, "ieweight>=1200"},
      {"fees and rates add up", 0, 0, "0.1,2.5,1.25", Band(500, 1000, 0, 1, 0), 1200, 0.333,
       30.00, 25.00, 3411, "ieweight>=1200"},
      {"whole amounts", 10, 0, "0,0,0", Band(1000, 1234, 0, 1, 0), 1000, 0, 12.00, 12.34, 1200,
       "ieweight>=1000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeServer server;
    server.replies["flt_main WHERE"] =
        List("{\"0\":" + c.rates.substr(0, c.rates.find(',')) + ",\"1\":" +
             c.rates.substr(c.rates.find(',') + 1, c.rates.rfind(',') - c.rates.find(',') - 1) +
             ",\"2\":" + c.rates.substr(c.rates.rfind(',') + 1) + "}");
    server.replies["flt_price"] = c.band;
    server.replies["flt_main ORDER"] = List(FlightRow(9, "MU1001", 1, c.round, 0, c.minFee));
    CAirlineTable table(server.Runner());
    ASSERT_EQ(1, table.LoadFlights());
    FlightPriceQuery q;
    q.cftno = "MU1001";
    q.weight = c.grams;
    q.itemType = 2;
    q.fee1 = c.fee1;
    EXPECT_EQ(c.total, table.QueryFlightPrice(q));
    EXPECT_NEAR(c.freight, q.freight, 1e-9);
    if (c.perKg != 12.34 || c.round == 0) {
      EXPECT_NEAR(c.perKg, q.pricePerKg, 1e-9);
    }
    ASSERT_FALSE(server.sqls.empty());
    EXPECT_NE(std::string::npos, server.sqls.back().find(c.weightInSql)) << server.sqls.back();
    EXPECT_NE(std::string::npos, server.sqls.back().find("nitemtype=2"));
    EXPECT_EQ(&table.Flights()[0]->cftno, &q.flight->cftno);
  }
}

TEST(AirlineTableTest, PriceFailures) {
  FakeServer server;
  server.replies["flt_main ORDER"] = List(FlightRow(9, "MU1001", 1));
  CAirlineTable table(server.Runner());
  table.LoadFlights();
  FlightPriceQuery q;
  q.weight = 1000;
  q.fee1 = 1;
  q.documentFee = 2;
  EXPECT_EQ(-1, table.QueryFlightPrice(q));
  EXPECT_DOUBLE_EQ(3, q.total);
  q.cftno = "MU1001";
  q.weight = 0;
  EXPECT_EQ(-1, table.QueryFlightPrice(q));
  q.weight = 1000;
  q.cftno = "ZZ9";
  EXPECT_EQ(-2, table.QueryFlightPrice(q));
  q.cftno = "MU1001";
  EXPECT_EQ(0, table.QueryFlightPrice(q)) << "the rates cannot be read";
  server.replies["flt_main WHERE"] = List("{\"0\":0,\"1\":0,\"2\":0}");
  server.replies["flt_price"] = List("");
  EXPECT_EQ(0, table.QueryFlightPrice(q)) << "no price band";
}

}  // namespace
