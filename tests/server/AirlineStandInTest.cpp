// The airline table loaded from the local stand-in's sample data.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "refdata/AirlineTable.h"
#include "server/ServerLink.h"
#include "tests/server/StandInServer.h"

namespace fs = std::filesystem;

TEST(AirlineStandIn, LoadsAirlinesAirportsFlightsAndPrices) {
  fs::path root = fs::temp_directory_path() / ("brantle-airline-" + std::to_string(::getpid()));
  fs::remove_all(root);
  {
    StandInServer server(BRANTLE_BINARY_DIR "/localserver/brantle-server", root / "server");
    ASSERT_TRUE(server.Ready()) << server.Log();
    platform::RecordingMessageBoxService boxes;
    platform::ScopedMessageBoxService scope(&boxes);
    fs::path folder = root / "client";
    fs::create_directories(folder);
    std::ofstream(folder / "ZizTolvane.ini", std::ios::binary)
        << GbkFromWide(u"<配置开始>") << "\r\nHOST=127.0.0.1\r\nAPI=/brantle/api\r\nLAN=01\r\n"
        << "WCID=PC-AIR\r\nPORT=" << server.Port() << "\r\n"
        << GbkFromWide(u"<配置结束>") << "\r\n";
    CServerLink link;
    ASSERT_EQ(1, link.Init(folder.string() + "/"));
    ASSERT_GT(link.Login(u"admin", u"admin123", 0), 0);

    CAirlineTable table(LinkSqlRunner(link));
    EXPECT_EQ(7, table.LoadAirlines());
    ASSERT_EQ(7u, table.Airlines().size());
    EXPECT_EQ("999", table.Airlines()[0]->cprefix);
    EXPECT_GE(table.LoadAirports(), 10);
    EXPECT_EQ(6, table.LoadFlights());
    const FlightEntry* mu = table.FindFlight("MU583");
    ASSERT_NE(nullptr, mu);
    EXPECT_EQ(1320, mu->wdepart);
    EXPECT_EQ(1, mu->wholeKilograms);
    EXPECT_EQ(GbkFromWide(u"东航"), table.AirlineNameOfFlight(mu->iaid));
    EXPECT_TRUE(table.CheckFlightPort("PVG", "MU583", true));

    // Documents from 2,000 g: bands of 500 g at 15.00; 2,345 g weighs 2,000 g whole.
    FlightPriceQuery q;
    q.cftno = "MU583";
    q.weight = 2345;
    q.itemType = 0;
    EXPECT_EQ(18000, table.QueryFlightPrice(q));  // with the document fee
    EXPECT_DOUBLE_EQ(150.0, q.freight) << "raised to the minimum fee";
    EXPECT_DOUBLE_EQ(30.0, q.documentFee);
  }
  fs::remove_all(root);
}
