// Pickup dispatch without its windows: date limit, timer, list statements,
// information text, the dispatch call and the notices' fields texts.
#include <gtest/gtest.h>

#include <string>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "shipping/PickupDispatch.h"

namespace {
std::string G(std::u16string_view text) { return GbkFromWide(text); }
}  // namespace

TEST(PickupDispatch, DateLimitAndRefreshInterval) {
  EXPECT_EQ(pickup::DateLimit(2024, 3, 2, 3), "2024.2.28");
  EXPECT_EQ(pickup::DateLimit(2024, 1, 1, 1), "2023.12.31");
  EXPECT_EQ(pickup::RefreshMilliseconds(3), 10000);
  EXPECT_EQ(pickup::RefreshMilliseconds(5), 10000);
  EXPECT_EQ(pickup::RefreshMilliseconds(6), 6000);
}

TEST(PickupDispatch, ListStatements) {
  const std::string unassigned = pickup::UnassignedSql(200, "2024.2.28", "S'Z");
  EXPECT_NE(unassigned.find("SELECT TOP 200 a.iid,a.ddate,"), std::string::npos);
  EXPECT_NE(unassigned.find("WHERE a.irid=0 AND a.ddate>='2024.2.28' AND (a.ctaker='' OR a.ctaker IS "
                            "NULL) AND b.cstation='S''Z' ORDER BY a.ddate"),
            std::string::npos);
  const std::string mine = pickup::AssignedSql(50, "2024.2.28", "", std::string_view("O'Brien"));
  EXPECT_NE(mine.find("a.ddate>='2024.2.28' AND (a.ctaker='O''Brien' OR a.cplan='O''Brien') ORDER BY "
                      "a.dplan DESC"),
            std::string::npos);
  EXPECT_NE(pickup::AssignedSql(50, "2024.2.28", "", std::nullopt)
                .find("'2024.2.28' AND a.ctaker<>'' ORDER BY a.dplan DESC"),
            std::string::npos);
}

TEST(PickupDispatch, InformationTextShowsOnlyTimesThatAreSet) {
  pickup::PickupOrder o;
  o.goods = u"文件";
  o.quantity = 2;
  o.weight = 1.5;
  o.takeTime = u"1900-01-01 00:00:00";
  o.planTime = u"2024-03-01 09:30:00";
  o.planner = u"admin";
  const CLanguageTable& l = AppLanguage();
  EXPECT_EQ(pickup::InformationText(o, l), u"文件:2\r\n" + l.Text(30004) + u":1.500\r\n" + l.Text(520032) +
                                               u":2024-03-01 09:30:00[admin]");
  o.takeTime = u"2024-03-01 10:00:00";
  o.taker = u"李四";
  EXPECT_NE(pickup::InformationText(o, l).find(u":2024-03-01 10:00:00【李四】"), std::u16string::npos);
}

TEST(PickupDispatch, DispatchCallAndFields) {
  EXPECT_EQ(pickup::MarshalSql(7, u"李'四", G(u"管理员"), u"r", u"O'Brien", u"addr", u"123"),
            "{?=CALL brantle.dbo.cp_rec_pre_input_set_marshal(7,'" + G(u"李''四") + "','" + G(u"管理员") +
                "','r','O''Brien','addr','123')}");
  // Texts cut to their byte widths on whole characters.
  const std::string call = pickup::MarshalSql(1, std::u16string(20, u'张'), "u", u"", u"", u"", u"");
  EXPECT_NE(call.find("(1,'" + G(std::u16string(15, u'张')) + "','u'"), std::string::npos);
  EXPECT_EQ(pickup::NoticeTime(1, 9, 8, 5), "1-9 08:05");
  pickup::PickupOrder o;
  o.number = u"PR1";
  o.sender = u"A|B";
  o.remark = std::u16string(300, u'备');
  o.taker = u"李四";
  o.customer = u"C\r\nD";
  const std::string f = pickup::DispatchFields(o, "admin", "1-9 08:05");
  EXPECT_EQ(f, "PR1|AB||||||admin|1-9 08:05|" + G(std::u16string(250, u'备')) + "|" + G(u"李四") + "||CD|");
  EXPECT_EQ(pickup::NoticeFields("1-9 08:05", u"desc", u"ok", u"C002", u"名"),
            "1-9 08:05|desc|ok|C002|" + G(u"名") + "|");
}
