// The dictionaries, the user environment, the staff list, the waybill
// prompts and the control-code check, each against a fake SQL request that
// records the texts sent and answers with prepared replies.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "refdata/CurrencyTable.h"
#include "refdata/Dictionaries.h"
#include "refdata/RecordPrompts.h"
#include "refdata/UserEnvironment.h"
#include "tests/refdata/RepositoryLanguage.h"

namespace {

using Row = std::vector<std::string>;
using std::chrono::hours;

std::string Gbk(std::u16string_view text) { return GbkFromWide(text); }

// A JSON string as the server writes it: printable ASCII as is, everything
// else (line feeds too) as UTF-16 escapes.
std::string JsonText(std::u16string_view text) {
  std::string out = "\"";
  for (char16_t unit : text) {
    if (unit == u'"' || unit == u'\\') {
      out += '\\';
      out += static_cast<char>(unit);
    } else if (unit >= 0x20 && unit < 0x7F) {
      out += static_cast<char>(unit);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(unit));
      out += escape;
    }
  }
  return out + "\"";
}

// A reply of the SQL request with its rows; columns keyed "0", "1", ...
std::string Reply(const std::vector<std::vector<std::u16string>>& rows) {
  std::string body = "{\"ReturnValue\":0,\"iTotal\":" + std::to_string(rows.size()) + ",\"List\":[";
  for (size_t r = 0; r < rows.size(); ++r) {
    body += r ? ",{" : "{";
    for (size_t c = 0; c < rows[r].size(); ++c)
      body += (c ? "," : "") + ("\"" + std::to_string(c) + "\":") + JsonText(rows[r][c]);
    body += "}";
  }
  return body + "]}";
}

// Answers each query with the reply of the first key its text contains;
// a query no key matches fails.
class FakeSql {
 public:
  void Answer(std::string key, std::string reply) { answers_.emplace_back(std::move(key), std::move(reply)); }
  const std::vector<std::string>& Texts() const { return texts_; }
  SqlRunner Runner() {
    return [this](std::string_view sql, std::span<const uint32_t>, std::string& reply) {
      texts_.emplace_back(sql);
      for (const auto& [key, answer] : answers_) {
        if (sql.find(key) != std::string_view::npos) {
          reply = answer;
          return static_cast<int>(answer.size());
        }
      }
      reply.clear();
      return -1;
    };
  }

 private:
  std::vector<std::pair<std::string, std::string>> answers_;
  std::vector<std::string> texts_;
};

// ---- numbered texts and list columns ----

TEST(Dictionaries, EditPeriodFromTextFive) {
  const struct {
    const char* text;
    std::optional<std::chrono::seconds> period;
  } cases[] = {
      {"50000", hours(24 * 36500)}, {"36500", hours(24 * 36500)}, {"7", hours(24 * 7)},
      {"1", hours(24)},             {"0", std::nullopt},          {"-3", std::nullopt},
      {"abc", std::nullopt},        {"", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.period, EditPeriodFromText(c.text));
  }
}

TEST(Dictionaries, SendRecColumns) {
  const struct {
    const char* value;
    std::vector<std::pair<int, int>> shown;  // column, width
  } cases[] = {
      {"3|60,5,", {{3, 60}, {5, 70}}},
      {"3,25,5,", {{3, 40}}},  // 25 is no column: the list ends there
      {"3|60,5", {{3, 60}}},   // no comma after 5: not read
      {"0|90,21,", {{0, 90}, {21, 150}}},
      {"-1,4,", {}},
      {"", {{2, 140}, {3, 40}, {4, 40}, {5, 70}, {6, 150}, {7, 100}, {8, 100}, {9, 40}, {10, 110}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    std::array<ListColumnSetting, ReferenceDictionaries::kSendRecColumns> columns;
    ResetSendRecColumns(columns);
    ApplySendRecColumns(columns, c.value);
    for (int column = 0; column < ReferenceDictionaries::kSendRecColumns; ++column) {
      int width = DefaultSendRecWidth(column);
      bool shown = false;
      for (auto [number, w] : c.shown)
        if (number == column) shown = true, width = w;
      EXPECT_EQ(shown ? 1 : 0, columns[column].shown) << column;
      EXPECT_EQ(width, columns[column].width) << column;
    }
  }
}

TEST(Dictionaries, MoneyRowsSetTheRates) {
  CCurrencyTable currencies;
  const double usdRate = currencies.Find("USD")->rate;
  EXPECT_TRUE(ApplyMoneyRow(currencies, "d_money_USD", "7.05"));
  EXPECT_DOUBLE_EQ(7.05, currencies.Find("USD")->defaultRate);
  EXPECT_DOUBLE_EQ(usdRate, currencies.Find("USD")->rate);
  EXPECT_TRUE(ApplyMoneyRow(currencies, "d_money_USD", "7.10\n7.20"));
  EXPECT_DOUBLE_EQ(7.10, currencies.Find("USD")->defaultRate);
  EXPECT_DOUBLE_EQ(7.20, currencies.Find("USD")->rate);
  // Codes are compared byte for byte.
  EXPECT_FALSE(ApplyMoneyRow(currencies, "d_money_usd", "1\n1"));
  EXPECT_FALSE(ApplyMoneyRow(currencies, "d_money_XXY", "1\n1"));
}

class DictionaryLoad : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(language_, "01")); }
  bool Load() {
    return LoadDictionaries(sql_.Runner(), dictionaries_, {currencies_, language_, defaultCurrency_, editPeriod_});
  }
  void AnswerTexts(const std::vector<std::vector<std::u16string>>& rows) {
    sql_.Answer("LEN(dcname)<=3", Reply(rows));
  }

  FakeSql sql_;
  CLanguageTable language_;
  CCurrencyTable currencies_;
  ReferenceDictionaries dictionaries_;
  std::u16string defaultCurrency_;
  std::chrono::seconds editPeriod_ = hours(24 * 60);
};

TEST_F(DictionaryLoad, NumberedTextsAndTheEditPeriod) {
  const struct {
    const char16_t* five;
    std::chrono::seconds period;
  } cases[] = {{u"50000", hours(24 * 36500)}, {u"0", hours(24 * 60)}, {u"days", hours(24 * 60)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8FromWide(c.five));
    sql_ = FakeSql();
    editPeriod_ = hours(24 * 60);
    AnswerTexts({{u"5", c.five}, {u"72", u"1"}, {u"139", u"last"}, {u"140", u"out"}, {u"0", u"zero"},
                 {u"x1", u"name"}, {u"4", u"http://www.example.com"}});
    ASSERT_TRUE(Load());
    EXPECT_EQ(c.period, editPeriod_);
    EXPECT_EQ(Gbk(c.five), dictionaries_.Text(5));
    EXPECT_TRUE(dictionaries_.IsOn(72));
    EXPECT_EQ("last", dictionaries_.Text(139));
    EXPECT_EQ("http://www.example.com", dictionaries_.Text(4));
    EXPECT_EQ("", dictionaries_.Text(140));
    EXPECT_EQ("", dictionaries_.Text(0));
  }
}

TEST_F(DictionaryLoad, AFailedFirstQueryLoadsNothing) {
  dictionaries_.sendRecColumns[4] = {1, 33};
  dictionaries_.texts[7] = "old";
  sql_.Answer("d_sendrec", Reply({{u"1,"}}));
  const double rate = currencies_.Find("USD")->rate;
  sql_.Answer("d_money_", Reply({{u"d_money_USD", u"1\n2"}}));
  EXPECT_FALSE(Load());
  EXPECT_EQ(1u, sql_.Texts().size());
  EXPECT_EQ("", dictionaries_.Text(7));
  EXPECT_EQ(1, dictionaries_.sendRecColumns[4].shown);
  EXPECT_EQ(33, dictionaries_.sendRecColumns[4].width);
  EXPECT_DOUBLE_EQ(rate, currencies_.Find("USD")->rate);
  EXPECT_TRUE(defaultCurrency_.empty());
}

TEST_F(DictionaryLoad, ListsSuppliersAndCurrencies) {
  AnswerTexts({{u"5", u"7"}});
  sql_.Answer("d_sendrec", Reply({{u"3|60,5,"}}));
  sql_.Answer("FROM brantle.dbo.sp_arc  WHERE nstate=0",
              Reply({{u"2", u"DHL深圳", u"0", u"中国银行", u"6217", u"2", u"S002", u"1"},
                     {u"0", u"无编号", u"0", u"", u"", u"0", u"", u"0"},
                     {u"1", u"环球快运", u"0", u"招商银行", u"6225", u"1", u"S001", u"0"}}));
  sql_.Answer("'d_account'", Reply({{u"现金"}, {u""}, {u"月结"}}));
  sql_.Answer("'d_ctrlcode'", Reply({{u"EXP 出口管制"}}));
  sql_.Answer("d_money_", Reply({{u"d_money_USD", u"7.10\n7.20"}, {u"d_money_JPY", u"0.048"}, {u"", u"9"}}));
  ASSERT_TRUE(Load());

  EXPECT_EQ(u"CNY", defaultCurrency_);
  EXPECT_EQ(hours(24 * 7), editPeriod_);
  EXPECT_EQ(1, dictionaries_.sendRecColumns[3].shown);
  EXPECT_EQ(60, dictionaries_.sendRecColumns[3].width);
  EXPECT_EQ(0, dictionaries_.sendRecColumns[2].shown);

  ASSERT_EQ(2u, dictionaries_.suppliers.size());
  const SupplierEntry& dhl = dictionaries_.suppliers[0];
  EXPECT_EQ(2, dhl.isid);
  EXPECT_EQ(u"DHL深圳", dhl.name);
  EXPECT_EQ(Gbk(u"中国银行"), dhl.cbank);
  EXPECT_EQ("S002", dhl.caccount);
  EXPECT_EQ(2, dhl.nbatch);
  EXPECT_EQ((std::vector<int32_t>{2, 1}), dictionaries_.supplierIds);
  EXPECT_EQ((std::vector<int32_t>{2}), dictionaries_.carrierIds);
  EXPECT_EQ((std::vector<std::u16string>{u"DHL深圳"}), dictionaries_.carrierNames);
  EXPECT_EQ(nullptr, dictionaries_.FindSupplier(0));
  ASSERT_NE(nullptr, dictionaries_.FindSupplier(1));
  EXPECT_EQ("S001", dictionaries_.FindSupplier(1)->caccount);

  EXPECT_EQ((std::vector<std::u16string>{u"现金", u"月结"}), dictionaries_.accounts);
  EXPECT_EQ((std::vector<std::u16string>{u"EXP 出口管制"}), dictionaries_.controlCodes);

  EXPECT_DOUBLE_EQ(7.20, currencies_.Find("USD")->rate);
  EXPECT_DOUBLE_EQ(0.048, currencies_.Find("JPY")->defaultRate);
  // English names from the language texts; the list follows the table.
  ASSERT_EQ(currencies_.Count(), dictionaries_.currencyChoices.size());
  EXPECT_EQ(u"CNY - " + currencies_.At(0).name, dictionaries_.currencyChoices[0]);
  EXPECT_EQ(u"US Dollar", currencies_.Find("USD")->name);
  bool usd = false;
  for (const auto& item : dictionaries_.currencyChoices) usd = usd || item == u"USD - US Dollar";
  EXPECT_TRUE(usd);
}

TEST_F(DictionaryLoad, LaterFailuresEmptyOnlyTheirOwnLists) {
  AnswerTexts({{u"1", u"ZIZ"}});
  defaultCurrency_ = u"HKD";
  ASSERT_TRUE(Load());
  EXPECT_EQ(u"HKD", defaultCurrency_);
  EXPECT_EQ("ZIZ", dictionaries_.Text(1));
  EXPECT_TRUE(dictionaries_.suppliers.empty());
  EXPECT_TRUE(dictionaries_.accounts.empty());
  // No d_sendrec value: columns 2 to 10.
  EXPECT_EQ(1, dictionaries_.sendRecColumns[2].shown);
  EXPECT_EQ(0, dictionaries_.sendRecColumns[11].shown);
  EXPECT_EQ(currencies_.Count(), dictionaries_.currencyChoices.size());
}

// ---- user environment ----

std::string Lines(std::initializer_list<const char*> lines) {
  std::string value;
  for (const char* line : lines) value += (value.empty() ? "" : "\n") + std::string(line);
  return value;
}

TEST(UserEnvironment, Defaults) {
  UserEnvironment env;
  EXPECT_EQ(1, env.Line(1));
  EXPECT_EQ(0, env.Line(2));
  EXPECT_EQ(1, env.Line(3));
  EXPECT_EQ(1, env.Line(4));
  EXPECT_EQ(1, env.Line(6));
  EXPECT_EQ(4, env.Line(22));
  EXPECT_EQ(15, env.lockMinutes);
  EXPECT_EQ(900000u, env.lockMilliseconds);
}

TEST(UserEnvironment, LockMinutesAreKeptWithinRange) {
  const struct {
    const char* line12;
    int32_t minutes;
  } cases[] = {{"0", 15}, {"-4", 15}, {"1", 1}, {"7", 7}, {"999", 999}, {"1000", 999}, {"1500", 999}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line12);
    UserEnvironment env;
    EXPECT_TRUE(ApplyUserEnvironment(env, Lines({"1", "1", "1", "1", "1", "1", "1", "1", "1", "1", "1", c.line12})));
    EXPECT_EQ(c.minutes, env.lockMinutes);
    EXPECT_EQ(static_cast<uint32_t>(c.minutes) * 60000u, env.lockMilliseconds);
  }
}

TEST(UserEnvironment, LinesByKind) {
  UserEnvironment env;
  std::string value = Lines({"0", "1", "12", "-3", "8x", "0", "44", "10", "2"});
  for (int line = 10; line <= 22; ++line) value += line == 12 ? "\n5" : line == 22 ? "\n1" : "\n1";
  value += "\n01";  // line 23: a flag only when it begins with "1"
  EXPECT_TRUE(ApplyUserEnvironment(env, value));
  EXPECT_EQ(0, env.Line(1));
  EXPECT_EQ(1, env.Line(2));
  EXPECT_EQ(12, env.Line(3));
  EXPECT_EQ(-3, env.Line(4));
  EXPECT_EQ(8, env.Line(5));
  EXPECT_EQ(0, env.Line(6));
  EXPECT_EQ(44, env.Line(7));
  EXPECT_EQ(1, env.Line(8));
  EXPECT_EQ(0, env.Line(9));
  EXPECT_EQ(5, env.lockMinutes);
  EXPECT_EQ(5, env.Line(22));
  EXPECT_EQ(0, env.Line(23));
  EXPECT_EQ(0, env.Line(24));
}

TEST(UserEnvironment, AShortValueKeepsWhatItRead) {
  UserEnvironment env;
  EXPECT_FALSE(ApplyUserEnvironment(env, Lines({"0", "1", "5", "6"})));
  EXPECT_EQ(0, env.Line(1));
  EXPECT_EQ(5, env.Line(3));
  EXPECT_EQ(6, env.Line(4));
  EXPECT_EQ(1, env.Line(6));
  EXPECT_EQ(15, env.lockMinutes);
  EXPECT_TRUE(ApplyUserEnvironment(env, Lines({"0", "1", "5", "6", "0"})));
}

TEST(UserEnvironment, LoadQuotesTheAccountAndKeepsDefaultsOnFailure) {
  FakeSql sql;
  sql.Answer("caccount='o''neil'", Reply({{u"1\n1\n1\n1\n1\n1\n1\n1\n1\n1\n1\n30"}}));
  UserEnvironment env;
  EXPECT_TRUE(LoadUserEnvironment(sql.Runner(), "o'neil", env));
  ASSERT_EQ(1u, sql.Texts().size());
  EXPECT_EQ("SELECT cvalue FROM brantle.dbo.man_set WHERE cname='ps_envi' AND caccount='o''neil'",
            sql.Texts()[0]);
  EXPECT_EQ(30, env.lockMinutes);

  // No row, an empty value, a failed request: defaults and false.
  FakeSql none;
  none.Answer("'nobody'", Reply({}));
  none.Answer("'blank'", Reply({{u""}}));
  for (const char* account : {"nobody", "blank", "failed"}) {
    SCOPED_TRACE(account);
    EXPECT_FALSE(LoadUserEnvironment(none.Runner(), account, env));
    EXPECT_EQ(15, env.lockMinutes);
    EXPECT_EQ(900000u, env.lockMilliseconds);
  }
}

// ---- staff ----

TEST(Staff, QueryByStationAndGrade) {
  const std::string head =
      "SELECT mcaccount,mcname,mcpost,mcdepartment,mvright,mcmode,mccomway,mcsmphone,mcstation,"
      "mcheadship,cmsn FROM brantle.dbo.man_main ";
  const struct {
    const char* station;
    int32_t grade;
    std::string where;
  } cases[] = {
      {"", 255, ""},
      {"", 5, ""},
      {"SZ", 10, "WHERE mcstation='SZ' "},
      {"SZ", 127, "WHERE mcstation='SZ' "},
      {"SZ", 128, "WHERE mcstation IN('SZ','') "},
      {"S'Z", 200, "WHERE mcstation IN('S''Z','') "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.station) + " " + std::to_string(c.grade));
    EXPECT_EQ(head + c.where + "ORDER BY mcmode,mcname", StaffQuery(c.station, c.grade));
  }
}

TEST(Staff, RowsBecomeEntries) {
  FakeSql sql;
  sql.Answer("man_main", Reply({{u"zhang", u"张三", u"操作员", u"深圳站", u"FF", u"A", u"QQ 1", u"138", u"SZ",
                                 u"组长", u"zhang_qq"},
                                {u"", u"无账号", u"", u"", u"", u"A", u"", u"", u"", u"", u""},
                                {u"li", u"李四", u"", u"", u"", u"", u"", u"", u"SZ", u"", u""}}));
  std::vector<StaffEntry> staff(3);
  ASSERT_TRUE(LoadStaff(sql.Runner(), "SZ", 10, staff));
  ASSERT_EQ(2u, staff.size());
  EXPECT_EQ("zhang", staff[0].mcaccount);
  EXPECT_EQ(Gbk(u"张三"), staff[0].mcname);
  EXPECT_EQ(Gbk(u"组长"), staff[0].mcheadship);
  EXPECT_EQ("zhang_qq", staff[0].cmsn);
  EXPECT_EQ('A', staff[0].mode);
  EXPECT_EQ(0, staff[0].notModeA);
  EXPECT_EQ(0, staff[1].mode);
  EXPECT_EQ(1, staff[1].notModeA);

  FakeSql failed;
  EXPECT_FALSE(LoadStaff(failed.Runner(), "", 255, staff));
  EXPECT_TRUE(staff.empty());
}

// ---- prompts and the code check ----

class RecordChecks : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(language_, "01")); }
  RecordPromptServices Services() {
    runner_ = sql_.Runner();
    return {runner_, language_, boxes_};
  }

  FakeSql sql_;
  SqlRunner runner_;
  CLanguageTable language_;
  platform::RecordingMessageBoxService boxes_;
};

TEST_F(RecordChecks, ShortNumbersAndNoRightAskNothing) {
  sql_.Answer("client_rec_prompt", Reply({{u"m", u"memo", u"zhang", u"2024-03-05 12:00:00"}}));
  EXPECT_EQ(0, ShowRecordPrompts(Services(), true, u"BR1", kPromptSend, 0, true));
  EXPECT_EQ(0, ShowRecordPrompts(Services(), false, u"BR10000002", kPromptSend, 0, true));
  EXPECT_TRUE(sql_.Texts().empty());
  EXPECT_EQ(0u, boxes_.Count());
  EXPECT_EQ(1, ShowRecordPrompts(Services(), true, u"BR10", kPromptSend, 0, false));
}

TEST_F(RecordChecks, PromptQueryByContextAndCustomer) {
  const struct {
    int context;
    const char* condition;
  } cases[] = {{0, " AND bweight=1"}, {1, " AND binput=1"}, {2, " AND bsend=1"}, {3, " AND bquery=1"}, {9, " AND bquery=1"}};
  for (const auto& c : cases) {
    const std::string own = "SELECT cmark,cmemo,cinput,ddate FROM brantle.dbo.client_rec_prompt WHERE cnum='O''B1'" +
                            std::string(c.condition);
    EXPECT_EQ(own, RecordPromptQuery(u" O'B1 ", c.context, 0));
    EXPECT_EQ(own + "UNION SELECT cmark,cmemo,'\n',ddate FROM brantle.dbo.client_rec_promptc WHERE cnum='O''B1'"
                    " AND icid=7" + c.condition,
              RecordPromptQuery(u"O'B1", c.context, 7));
  }
}

TEST_F(RecordChecks, TwoPromptsWithConfirmationAndCancel) {
  sql_.Answer("client_rec_prompt WHERE",
              Reply({{u"加固", u"外箱破损", u"李四", u"2024-03-06 09:15:00"},
                     {u"", u"客户要求改派", u"\n", u"2024-03-06 10:40:00"},
                     {u"third", u"not shown", u"x", u"2024-03-06 11:00:00"}}));
  boxes_.QueueAnswer(platform::kIdCancel);
  EXPECT_EQ(-1, ShowRecordPrompts(Services(), true, u"BR10000002", kPromptSend, 3, true));
  ASSERT_EQ(1u, boxes_.Count());
  auto shown = boxes_.Messages()[0];
  EXPECT_EQ(language_.Text(kTextPromptTitle), shown.caption);
  EXPECT_EQ(platform::kMbOkCancel | platform::kMbIconQuestion, shown.flags);
  const std::u16string rule = u"\r\n━━━━━━━━━━━━━━\r\n";
  const std::u16string expected =
      language_.Text(380001) + u"李四\r\n" + language_.Text(380003) + u"加固\r\n" + language_.Text(380004) +
      u"2024-03-06 09:15:00\r\n" + language_.Text(380005) + rule + u"外箱破损" + rule +
      language_.Text(380001) + language_.Text(380002) + u"\r\n" + language_.Text(380004) +
      u"2024-03-06 10:40:00\r\n" + language_.Text(380005) + rule + u"客户要求改派" + rule;
  EXPECT_EQ(expected, shown.text);

  // Without confirmation: an information box, the number of prompts shown.
  EXPECT_EQ(2, ShowRecordPrompts(Services(), true, u"BR10000002", kPromptSend, 3, false));
  EXPECT_EQ(platform::kMbOk | platform::kMbIconInformation, boxes_.Messages()[1].flags);
  // OK in the confirmation box.
  boxes_.QueueAnswer(platform::kIdOk);
  EXPECT_EQ(2, ShowRecordPrompts(Services(), true, u"BR10000002", kPromptSend, 3, true));
}

TEST_F(RecordChecks, AnotherCustomersPromptShowsItsDate) {
  sql_.Answer("client_rec_prompt WHERE", Reply({}));
  sql_.Answer("SELECT TOP 1", Reply({{u"代收", u"货款到账后再放货", u"2024-03-07 08:00:00", u"3"}}));
  boxes_.QueueAnswer(platform::kIdCancel);
  EXPECT_EQ(-2, ShowRecordPrompts(Services(), true, u"BR10000004", kPromptWeight, 0, true));
  ASSERT_EQ(2u, sql_.Texts().size());
  EXPECT_EQ("SELECT TOP 1 cmark,cmemo,ddate,icid FROM brantle.dbo.client_rec_promptc WHERE cnum='BR10000004'"
            " AND bweight=1",
            sql_.Texts()[1]);
  ASSERT_EQ(1u, boxes_.Count());
  const std::u16string text = boxes_.LastText();
  EXPECT_EQ(0u, text.find(language_.Text(kTextPromptOtherCustomer)));
  EXPECT_NE(std::u16string::npos, text.find(language_.Text(380004) + u"2024-03-07 08:00:00\r\n"));
  EXPECT_NE(std::u16string::npos, text.find(u"货款到账后再放货"));

  // With a customer id the second query is not asked; nothing shown.
  EXPECT_EQ(0, ShowRecordPrompts(Services(), true, u"BR10000004", kPromptWeight, 5, true));
  EXPECT_EQ(3u, sql_.Texts().size());
  // A failed request shows nothing either.
  FakeSql failing;
  runner_ = failing.Runner();
  EXPECT_EQ(0, ShowRecordPrompts({runner_, language_, boxes_}, true, u"BR10000004", kPromptWeight, 0, true));
  EXPECT_EQ(1u, boxes_.Count());
}

TEST_F(RecordChecks, ControlCodes) {
  const std::vector<std::u16string> controlCodes = {u"A01 普通", u"EXP 出口管制，暂停收寄", u"DG1 危险品"};
  const struct {
    const char16_t* refused;      // text 90
    const char16_t* alsoRefused;  // text 89
    const char16_t* code;         // the waybill's ccode
    int result;
    const char16_t* rule;
  } cases[] = {
      {u"EXP-出口管制", u"", u"EXP", 0, u"EXP 出口管制，暂停收寄"},
      {u"Z9-9", u"", u"Z9", 0, u"Z9"},  // cut at the dash; no rule line begins with it
      {u"EXP-出口管制", u"DG1危险", u"DG1", 0, u"DG1 危险品"},
      {u"", u"DG1", u"DG1", 0, u"DG1 危险品"},
      {u"EXP", u"DG1", u"A01", 1, nullptr},
      {u"EXP", u"", u"", 1, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8FromWide(c.code));
    sql_ = FakeSql();
    boxes_.Clear();
    sql_.Answer("client_rec WHERE", Reply({{u"6", c.code}}));
    std::vector<int> sounds;
    RecordCodeRules rules{Gbk(c.refused), Gbk(c.alsoRefused), controlCodes};
    EXPECT_EQ(c.result, CheckRecordCode(Services(), rules, [&](int index) { sounds.push_back(index); }, 6,
                                        u"BR10000006", 1));
    ASSERT_EQ(1u, sql_.Texts().size());
    EXPECT_EQ("SELECT irid,ccode FROM brantle.dbo.client_rec WHERE irid=6", sql_.Texts()[0]);
    if (c.result == 0) {
      EXPECT_EQ(std::vector<int>{1}, sounds);
      ASSERT_EQ(1u, boxes_.Count());
      EXPECT_EQ(language_.Text(kTextCodeRefused) + u"\r\n━━━━━━━━\r\n" + c.rule, boxes_.LastText());
      EXPECT_EQ(language_.Text(kTextCodeRefused), boxes_.Messages()[0].caption);
    } else {
      EXPECT_TRUE(sounds.empty());
      EXPECT_EQ(0u, boxes_.Count());
    }
  }
}

TEST_F(RecordChecks, ControlCodeQueryAndFailures) {
  const std::vector<std::u16string> none;
  int sounds = 0;
  auto sound = [&](int) { ++sounds; };
  // No configured code: accepted without a query.
  EXPECT_EQ(1, CheckRecordCode(Services(), {"", "", none}, sound, 6, u"BR1", 1));
  EXPECT_TRUE(sql_.Texts().empty());
  // By number or service number (quoted), and a failed query accepts.
  EXPECT_EQ(1, CheckRecordCode(Services(), {"EXP", "", none}, sound, 0, u" O'1 ", 1));
  EXPECT_EQ(1, CheckRecordCode(Services(), {"EXP", "", none}, sound, 0, u"SV5", 0));
  ASSERT_EQ(2u, sql_.Texts().size());
  EXPECT_EQ("SELECT irid,ccode FROM brantle.dbo.client_rec WHERE cnum='O''1'", sql_.Texts()[0]);
  EXPECT_EQ("SELECT irid,ccode FROM brantle.dbo.client_rec WHERE cserviceno='SV5'", sql_.Texts()[1]);
  EXPECT_EQ(0, sounds);
  EXPECT_EQ(0u, boxes_.Count());
}

TEST(ControlCodeRule, FirstEntryThatBeginsWithTheCode) {
  const std::vector<std::u16string> codes = {u"A01 普通", u"A012 other", u"B02"};
  EXPECT_EQ(u"A01 普通", MatchControlCode(codes, u"A01"));
  EXPECT_EQ(u"B02", MatchControlCode(codes, u"B02"));
  EXPECT_EQ(u"C03", MatchControlCode(codes, u"C03"));
}

}  // namespace
