// The master air waybill form's rules without a window: the flags, amount
// locks and state label over the operator's rights, the save call's
// arguments (quoting, amounts without the right, the first airport, the
// stored parcel sums), the new-number check, the freight conditions, the
// flight look-up's dates and the pane row.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/TextCodec.h"
#include "consolidation/AwbEditor.h"
#include "refdata/AirlineTable.h"
#include "refdata/BagDefaults.h"

namespace {

using awb::AwbHeader;
using awb::AwbRights;

// The arguments of a "{?=CALL name(...)}" text as sent: quoted ones without
// their quotes (doubled quotes kept doubled), numbers as written.
std::vector<std::string> CallArguments(const std::string& sql) {
  std::vector<std::string> args;
  size_t i = sql.find('(') + 1;
  const size_t end = sql.rfind(')');
  while (i < end) {
    std::string arg;
    if (sql[i] == '\'') {
      ++i;
      while (i < end) {
        if (sql[i] == '\'' && sql[i + 1] == '\'') {
          arg += "''";
          i += 2;
        } else if (sql[i] == '\'') {
          ++i;
          break;
        } else {
          arg += sql[i++];
        }
      }
    } else {
      while (i < end && sql[i] != ',') arg += sql[i++];
    }
    args.push_back(arg);
    if (i < end && sql[i] == ',') ++i;
  }
  return args;
}

AwbHeader SampleHeader() {
  AwbHeader h;
  h.cairline = u"航线七二";
  h.cfrom = u"PVG";
  h.cdes = u"LAX";
  h.weight = u"45.000";
  h.amounts = {u"300.00", u"120.50", u"80.25", u"10.00", u"5.00"};
  h.cmemo = u"O'Brien's memo";
  h.detd = u"2024.05.06 23:10";
  h.ipcs = 3;
  h.iweight = 47000;
  return h;
}

TEST(AwbEditorRules, FlagsAmountLocksAndStateLabelOverTheAccounts) {
  struct Case {
    const char* account;
    AwbRights rights;
    int32_t state;
    std::array<int32_t, 5> marks;
    bool editable, bagsOpen, deletable;
    std::array<bool, 5> amounts;
    int32_t label;
    uint32_t rgb;
  };
  const AwbRights admin{true, true, true}, edit{true, false, false}, file{false, true, false},
      plain{false, false, false};
  const Case cases[] = {
      {"admin, state 0", admin, 0, {0, 0, 0, 0, 0}, true, true, true, {true, true, true, true, true}, 410001, 0xFF0000},
      {"admin, state 1", admin, 1, {0, 0, 0, 0, 0}, true, false, false, {true, true, true, true, true}, 410001, 0xFF0000},
      {"awb72edit, state 2", edit, 2, {0, 0, 0, 0, 0}, true, false, false, {true, true, true, true, true}, 410002, 0xFF0000},
      {"awb72edit, freight marked", edit, 0, {1, 0, 0, 0, 0}, true, true, false, {false, true, true, true, true}, 410002, 0xFF0000},
      // icustout locks the declaration amount, icustin the clearance amount.
      {"awb72edit, icustout", edit, 0, {0, 1, 0, 0, 0}, true, true, false, {true, false, true, true, true}, 410002, 0xFF0000},
      {"awb72edit, icustin", edit, 0, {0, 0, 1, 0, 0}, true, true, false, {true, true, false, true, true}, 410002, 0xFF0000},
      {"awb72file, state 0", file, 0, {0, 0, 0, 0, 0}, true, true, true, {false, false, false, false, false}, 410002, 0xFF0000},
      {"zhang, state 1", plain, 1, {0, 0, 0, 0, 0}, false, false, false, {false, false, false, false, false}, 410003, 0x0000FF},
      {"zhang, state 0 marked", plain, 0, {0, 0, 0, 0, 1}, true, true, false, {false, false, false, false, false}, 410002, 0xFF0000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.account);
    const awb::AwbFlags f = awb::LoadedFlags(c.state, c.marks, c.rights);
    EXPECT_EQ(f.editable, c.editable);
    EXPECT_EQ(f.bagsOpen, c.bagsOpen);
    EXPECT_EQ(f.deletable, c.deletable);
    const std::array<bool, 5> enabled = awb::AmountsEnabled(c.marks, c.rights);
    EXPECT_EQ(enabled, c.amounts);
    const awb::StateLabel label = awb::LoadedStateLabel(c.state, c.rights);
    EXPECT_EQ(label.textId, c.label);
    EXPECT_EQ(label.rgb, c.rgb);
  }
}

TEST(AwbEditorRules, SaveCallQuotesEveryTextTheAirlineToo) {
  AwbHeader h = SampleHeader();
  h.cairline = u"O'Air";
  awb::SaveInput in;
  in.isNew = false;
  in.number = u"720-7200'005";
  in.userName = u"admin";
  in.station = u"SZ";
  in.awbEdit = true;
  in.parcelRows = 3;
  in.chargeableGrams = 47000;
  const std::string sql = awb::SaveSql(h, in);
  ASSERT_EQ(sql.rfind("{?=CALL brantle.dbo.cp_client_rec_x_pack_set(", 0), 0u);
  const std::vector<std::string> a = CallArguments(sql);
  ASSERT_EQ(a.size(), 68u);
  EXPECT_EQ(a[0], "0");
  EXPECT_EQ(a[1], "720-7200''005");
  EXPECT_EQ(a[2], "O''Air");
  EXPECT_EQ(a[12], "O''Brien''s memo");
  EXPECT_EQ(a[5], "3");
  EXPECT_EQ(a[6], "47000");
  EXPECT_EQ(a[7], "45000");
  EXPECT_EQ(a[8], "300.00");
  // Declaration (fcustin) before clearance (fcustout).
  EXPECT_EQ(a[26], "120.50");
  EXPECT_EQ(a[27], "80.25");
  EXPECT_EQ(a[28], "10.00");
  EXPECT_EQ(a[29], "5.00");
  EXPECT_EQ(a[30], GbkFromWide(u"2024.05.06"));
  EXPECT_EQ(a[38], "0");
  EXPECT_EQ(a[39], "KGM");
  EXPECT_EQ(a[40], "SZ");
  EXPECT_EQ(a[19], "PVG/LAX");
}

TEST(AwbEditorRules, AmountsAreSentOnlyWithTheAwbEditRight) {
  awb::SaveInput in;
  in.number = u"720-1";
  in.awbEdit = false;
  const std::vector<std::string> a = CallArguments(awb::SaveSql(SampleHeader(), in));
  for (int i : {8, 26, 27, 28, 29}) EXPECT_EQ(a[static_cast<size_t>(i)], "0.00") << i;
}

TEST(AwbEditorRules, FirstAirportFallsBackOnlyForTwoThreeLetterCodes) {
  EXPECT_EQ(awb::AirportToSend(u"", u"PVG", u"LAX"), u"PVG/LAX");
  EXPECT_EQ(awb::AirportToSend(u" ", u" PVG ", u"LAX"), u"PVG/LAX");
  EXPECT_EQ(awb::AirportToSend(u"", u"PVGX", u"LAX"), u"");
  EXPECT_EQ(awb::AirportToSend(u"", u"PVG", u"LA"), u"");
  EXPECT_EQ(awb::AirportToSend(u"HKG", u"PVG", u"LAX"), u"HKG");
}

TEST(AwbEditorRules, NewNumberCheck) {
  EXPECT_EQ(awb::CheckNewNumber(u""), 410085);
  EXPECT_EQ(awb::CheckNewNumber(u"  "), 410085);
  for (const char16_t* bad : {u"1'2", u"1\"2", u"1&2", u"1<2", u"1>2"}) EXPECT_EQ(awb::CheckNewNumber(bad), 410086);
  EXPECT_EQ(awb::CheckNewNumber(u"72000099"), 0);
}

TEST(AwbEditorRules, FreightFromThePriceOnlyUnderItsFiveConditions) {
  EXPECT_TRUE(awb::FreightFromPriceApplies(0, true, true, 0.001, 0.0));
  EXPECT_FALSE(awb::FreightFromPriceApplies(1, true, true, 45, 0));
  EXPECT_FALSE(awb::FreightFromPriceApplies(0, false, true, 45, 0));
  EXPECT_FALSE(awb::FreightFromPriceApplies(0, true, false, 45, 0));
  EXPECT_FALSE(awb::FreightFromPriceApplies(0, true, true, 0.0009, 0));
  EXPECT_FALSE(awb::FreightFromPriceApplies(0, true, true, 45, 0.01));
  EXPECT_TRUE(awb::FreightFromPriceApplies(-1, true, true, 45, 0.009));
}

TEST(AwbEditorRules, AirportChecksOfSwitch14) {
  // Ports of flight QS720: departure PVG, arrival LAX.
  const awb::FlightPortCheck check = [](std::string_view port, std::string_view, bool departure) {
    return departure ? port == "PVG" || port == "LAX" : port == "LAX" || port == "PVG";
  };
  EXPECT_EQ(awb::CheckAirports(u"PEK", u"LAX", u"QS720", check), 410087);
  EXPECT_EQ(awb::CheckAirports(u"PVG", u"NRT", u"QS720", check), 410088);
  EXPECT_EQ(awb::CheckAirports(u"PVG", u"PVG", u"QS720", check), 410089);
  EXPECT_EQ(awb::CheckAirports(u"PVG", u"LAX", u"QS720", check), 0);
}

TEST(AwbEditorRules, LoadTextAndPrefix) {
  EXPECT_EQ(awb::NumberOfLoadText(u"◎720-72000002<LAX>[2024-05-07]七二代理乙"), u"720-72000002");
  EXPECT_EQ(awb::NumberOfLoadText(u"\u3000720-7200'005<LAX>"), u"720-7200'005");
  EXPECT_EQ(awb::NumberOfLoadText(u"720-72000001"), u"720-72000001");
  std::u16string prefix, rest;
  awb::SplitPrefix(u"720-7200-51", prefix, rest);
  EXPECT_EQ(prefix, u"720-");
  EXPECT_EQ(rest, u"7200-51");
  awb::SplitPrefix(u"72000099", prefix, rest);
  EXPECT_EQ(prefix, u"");
  EXPECT_EQ(rest, u"72000099");
}

TEST(AwbEditorRules, PaneRowAndAmountSum) {
  EXPECT_EQ(awb::PaneRowText(0, u"720-1", u"LAX", u"2024.05.06 12:30", u"代理"),
            u"\u3000720-1<LAX>[2024.05.06]代理");
  EXPECT_EQ(awb::PaneRowText(1, u"720-1", u"LAX", u"", u"代理"), u"◎720-1<LAX>代理");
  EXPECT_EQ(awb::PaneRowText(2, u"720-1", u"LAX", u"1900-01-01 00:00", u""), u"√720-1<LAX>");
  EXPECT_EQ(awb::AmountSumText({u"1.5", u"abc", u"", u"2.25", u"-0.5"}), u"Σ3.25");
}

TEST(AwbEditorRules, FlightLookUpDatesShipperAndSuppliers) {
  FlightEntry f;
  f.cftno = "QS720";
  f.cportb = "PVG";
  f.cporte = "LAX";
  f.cfrom = "PVG";
  f.cdes = "LAX";
  f.wdepart = 2310;
  f.warrive = 130;
  f.csname = GbkFromWide(u"七二货运");
  f.csaddr = "addr";
  f.csphone = "021";
  f.cspostcode = "201207";
  f.isid[0] = 1;
  f.isid[1] = 2;
  AwbHeader h;
  h.suppliers[0] = 9;  // a transport supplier already picked stays
  const std::array<bool, 5> filled = awb::ApplyFlight(f, h, u"2024.05.06", u"2024.05.07");
  EXPECT_EQ(h.cairport, u"PVG/LAX");
  EXPECT_EQ(h.detd, u"2024.05.06 23:10");
  EXPECT_EQ(h.dfdate, u"2024.05.06 23:10");
  EXPECT_EQ(h.deta, u"2024.05.07 01:30");
  EXPECT_EQ(h.csname, u"七二货运");
  EXPECT_EQ(h.suppliers[0], 9);
  EXPECT_EQ(h.suppliers[1], 2);
  EXPECT_EQ(filled, (std::array<bool, 5>{false, true, false, false, false}));

  // A shipper name alone keeps all four shipper fields; the caption takes all four.
  AwbHeader named;
  named.csname = u"Mine";
  named.detd = u"x";
  named.deta = u"y";
  named.dfdate = u"z";
  awb::ApplyFlight(f, named, u"2024.05.06", u"2024.05.07");
  EXPECT_EQ(named.csname, u"Mine");
  EXPECT_EQ(named.csaddr, u"");
  EXPECT_EQ(named.detd, u"x");
  awb::ApplyFlightShipper(f, named);
  EXPECT_EQ(named.csname, u"七二货运");
  EXPECT_EQ(named.cspostcode, u"201207");

  // Times beyond 2359 are not taken.
  f.warrive = 2400;
  AwbHeader late;
  awb::ApplyFlight(f, late, u"2024.05.06", u"2024.05.07");
  EXPECT_EQ(late.detd, u"2024.05.06 23:10");
  EXPECT_EQ(late.deta, u"");
}

// The save sends the stored parcel count and chargeable weight until the
// parcel list is read, never zeros over them; switch 25 sends 0 and 0.
TEST(AwbEditorRules, SaveKeepsStoredParcelSumsUntilTheParcelListIsRead) {
  std::vector<std::string> sent;
  awb::EditorServices s;
  s.execute = [&](std::string_view sql, std::span<const uint32_t>, std::string& reply) {
    sent.emplace_back(sql);
    reply = R"({"ReturnValue":1,"List":[{"0":"0"}]})";
    return static_cast<int>(reply.size());
  };
  s.query = [](std::string_view, std::span<const uint32_t>, std::string& reply) {
    reply = R"({"ReturnValue":1,"iTotal":1,"List":[{"0":"x","4":"3","5":"47000","12":"0"}]})";
    return static_cast<int>(reply.size());
  };
  BagDefaults defaults{};
  s.defaults = &defaults;
  awb::CAwbEditor editor(s);
  ASSERT_TRUE(editor.Load(u"720-72000001"));
  ASSERT_EQ(editor.Save(), 1);
  ASSERT_EQ(sent.size(), 1u);
  std::vector<std::string> a = CallArguments(sent[0]);
  EXPECT_EQ(a[5], "3");
  EXPECT_EQ(a[6], "47000");
  defaults.switch25 = 1;
  ASSERT_TRUE(editor.Load(u"720-72000001"));
  ASSERT_EQ(editor.Save(), 1);
  a = CallArguments(sent[1]);
  EXPECT_EQ(a[5], "0");
  EXPECT_EQ(a[6], "0");
}

// A new number holding ' " & < or > is refused with 410086 and nothing goes out.
TEST(AwbEditorRules, RefusedNewNumberSendsNothing) {
  int sends = 0;
  std::vector<std::u16string> shown;
  awb::EditorServices s;
  s.execute = [&](std::string_view, std::span<const uint32_t>, std::string&) { return ++sends, 0; };
  s.showMessage = [&](const std::u16string& t) { shown.push_back(t); };
  s.text = [](int32_t id) {
    const std::string n = std::to_string(id);
    return std::u16string(n.begin(), n.end());
  };
  awb::CAwbEditor editor(s);
  editor.Clear();
  for (const char16_t* bad : {u"7'1", u"7\"1", u"7&1", u"7<1", u"7>1"}) {
    editor.numberEdit = bad;
    EXPECT_EQ(editor.Save(), 0);
  }
  EXPECT_EQ(sends, 0);
  EXPECT_EQ(shown, std::vector<std::u16string>(5, u"410086"));
}

}  // namespace
