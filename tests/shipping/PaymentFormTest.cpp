// The payment form without a server: the moves between the lists, the
// amount rules, the foreign-currency amounts, the number list and the
// refusals before anything is sent.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"
#include "shipping/PaymentForm.h"
#include "tests/refdata/RepositoryLanguage.h"

namespace {

using namespace payment;

// Answers the unpaid query with fixed rows and records every call.
class FakeLink : public PaymentLink {
 public:
  std::string Query(std::string_view sql, const std::vector<uint32_t>&) override {
    queries.emplace_back(sql);
    if (sql.find("bpay=0") != std::string_view::npos)
      return R"({"ReturnValue":14,"iTotal":4,"bEnd":true,"List":[)"
             R"({"0":1,"3":10.10,"2":1,"4":"2023-03-05 00:00:00","5":"BR1","6":0},)"
             R"({"0":2,"3":20.20,"2":2,"4":"2024-03-09 00:00:00","5":"BR2","6":1},)"
             R"({"0":3,"3":0,"2":3,"4":"2024-04-01 00:00:00","5":"BR3","6":0},)"
             R"({"0":4,"3":5.05,"2":4,"4":"2024-03-20 00:00:00","5":"BR1","6":0}]})";
    if (sql.find("FROM brantle.dbo.client_fee WHERE ifid=") != std::string_view::npos)
      return loadReply;
    if (sql.find("BR404") != std::string_view::npos) return forceReply;
    return {};
  }
  std::string Execute(std::string_view sql, const std::vector<uint32_t>&) override {
    executed.emplace_back(sql);
    return executeReply;
  }
  std::string loadReply;     // the payment a load finds
  std::string forceReply;    // the answer to the forced look-up of BR404
  std::string executeReply;  // the answer to a save or delete (empty: none came)
  std::u16string LastErrorText() override { return u"server error"; }
  std::vector<std::string> queries, executed;
};

class PaymentFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00"));
    env_.language = &AppLanguage();
    env_.hasRight = [](int, unsigned) { return true; };
    env_.dictionaryOn = [this](int n) { return n == 94 && owedMode_; };
    env_.currencyRate = [this](std::u16string_view code) { return code == u"USD" ? usdRate_ : 1.0; };
    env_.currencyKnown = [](std::u16string_view code) { return code == u"USD" || code == u"CNY"; };
    env_.importNumberList = [this] { return numbers_; };
    env_.userName = u"张三";
    form_ = std::make_unique<CPaymentForm>(link_, env_);
    form_->customerId = 1;
    form_->LoadUnpaidRecords(5000);
    form_->NewPayment();
  }

  FakeLink link_;
  PaymentEnvironment env_;
  bool owedMode_ = false;
  double usdRate_ = 6.5;
  std::vector<std::u16string> numbers_;
  std::unique_ptr<CPaymentForm> form_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
};

TEST_F(PaymentFormTest, MovesKeepTotalsInHundredths) {
  EXPECT_EQ(form_->unpaid.amount, 3535);
  form_->TakeAllUnpaid();
  EXPECT_EQ(form_->payList.Count(), 4);
  EXPECT_EQ(form_->fields.amount, u"35.35");
  EXPECT_EQ(form_->unpaid.amount, 0);
  form_->ReturnSelected({2, 4});
  EXPECT_EQ(form_->fields.amount, u"10.10");
  EXPECT_EQ(form_->unpaid.amount, 2525);
  form_->ReturnAll();
  EXPECT_EQ(form_->unpaid.Count(), 4);
  EXPECT_EQ(form_->fields.amount, u"0.00");
}

TEST_F(PaymentFormTest, OwedModeLeavesTheAmountZero) {
  owedMode_ = true;
  form_->TakeSelectedUnpaid({1, 2});
  EXPECT_EQ(form_->fields.amount, u"0.00");
  EXPECT_EQ(form_->fields.owed, u"30.30");
}

TEST_F(PaymentFormTest, MonthTakesEveryYearAndKeepsOrder) {
  form_->TakeMonth(3);
  std::vector<int32_t> taken;
  for (const RecordRow& r : form_->payList.rows) taken.push_back(r.irid);
  EXPECT_EQ(taken, (std::vector<int32_t>{1, 2, 4}));  // 2023 and 2024
  EXPECT_EQ(form_->unpaid.Count(), 1);
}

TEST_F(PaymentFormTest, NumberListTakesEveryMatchOnceAndCountsNumbers) {
  numbers_ = {u"BR1", u"BR1", u"BR9"};
  form_->TakeNumberList();
  EXPECT_EQ(form_->payList.Count(), 2);  // both rows numbered BR1
  ASSERT_EQ(boxes_.Messages().size(), 1u);
  EXPECT_EQ(boxes_.LastText(), u"共 3 个单号，移入 2 票运单。");
}

// The moves of many rows keep the order the one-row moves gave: chosen rows
// in the order chosen below the list; a month and a number list above it,
// the rows taken last standing first.
TEST_F(PaymentFormTest, ManyRowMovesKeepTheirOrder) {
  auto ids = [](const RecordList& list) {
    std::vector<int32_t> out;
    for (const RecordRow& r : list.rows) out.push_back(r.irid);
    return out;
  };
  form_->TakeSelectedUnpaid({4, 1, 99, 4});
  EXPECT_EQ(ids(form_->payList), (std::vector<int32_t>{4, 1}));
  EXPECT_EQ(ids(form_->unpaid), (std::vector<int32_t>{2, 3}));
  EXPECT_EQ(form_->payList.amount, 1515);
  EXPECT_EQ(form_->unpaid.amount, 2020);
  form_->ReturnSelected({1});
  EXPECT_EQ(ids(form_->unpaid), (std::vector<int32_t>{2, 3, 1}));
  form_->TakeMonth(3);  // 2 (2024-03) and 1 (2023-03) above 4
  EXPECT_EQ(ids(form_->payList), (std::vector<int32_t>{2, 1, 4}));
  form_->ReturnAll();
  EXPECT_EQ(ids(form_->unpaid), (std::vector<int32_t>{3, 2, 1, 4}));
  EXPECT_EQ(form_->unpaid.amount, 3535);
  numbers_ = {u"BR2", u"BR1", u"BR2"};
  form_->TakeNumberList();
  EXPECT_EQ(ids(form_->payList), (std::vector<int32_t>{4, 1, 2}));
  EXPECT_EQ(ids(form_->unpaid), (std::vector<int32_t>{3}));
  EXPECT_EQ(boxes_.LastText(), u"共 3 个单号，移入 3 票运单。");
  form_->TakeAllUnpaid();
  EXPECT_EQ(ids(form_->payList), (std::vector<int32_t>{4, 1, 2, 3}));
  EXPECT_EQ(form_->fields.amount, u"35.35");
}

// The forced look-up of a waybill: no answer is a failure, an answer
// without the waybill is "nothing found".
TEST_F(PaymentFormTest, ForcedLookupTellsAFailureFromNothingFound) {
  form_->fields.lookup = u"BR404";
  EXPECT_EQ(form_->ForceQuery(0), 0);
  ASSERT_EQ(boxes_.Messages().size(), 1u);
  EXPECT_EQ(boxes_.LastText(), AppLanguage().TextWithString(630001, AppLanguage().Text(630005)));
  link_.forceReply = R"({"ReturnValue":1,"iTotal":0})";
  EXPECT_EQ(form_->ForceQuery(0), 0);
  EXPECT_EQ(boxes_.LastText(), AppLanguage().Text(20005));
}

TEST_F(PaymentFormTest, LookupIsUpperCasedAndLockedListsRefuse) {
  form_->fields.lookup = u"  br2 ";
  EXPECT_EQ(form_->TakeRecordByNumber(0), 1);
  EXPECT_EQ(form_->payList.Count(), 1);
  form_->locked = true;
  form_->TakeUnpaidRow(1);
  EXPECT_EQ(form_->payList.Count(), 1);
  EXPECT_EQ(boxes_.LastText(), AppLanguage().Text(21004));
}

TEST_F(PaymentFormTest, ForeignCurrencyAmounts) {
  form_->SetCurrency(u"USD");
  EXPECT_TRUE(form_->foreignVisible);
  form_->fields.foreign = u"100";
  form_->OnForeignAmountChanged();
  EXPECT_EQ(form_->fields.amount, u"650.00");
  form_->fields.amount = u"1300";
  form_->OnAmountChanged(true);
  EXPECT_EQ(form_->fields.foreign, u"200.00");
  form_->SetCurrency(u"CNY");
  EXPECT_FALSE(form_->foreignVisible);
  EXPECT_EQ(form_->rate, 1.0);
}

TEST_F(PaymentFormTest, ZeroAmountRecordAsksAndNoStopsTheSave) {
  form_->TakeUnpaidRow(3);  // amount 0
  boxes_.QueueAnswer(platform::kIdNo);
  EXPECT_EQ(form_->SavePayment(), 0);
  EXPECT_EQ(boxes_.LastText(), AppLanguage().Text(330040));
  EXPECT_TRUE(link_.executed.empty());
}

TEST_F(PaymentFormTest, FailedSaveKeepsTheForm) {
  form_->TakeSelectedUnpaid({1, 2});
  form_->fields.invoice = u"FP";
  EXPECT_EQ(form_->SavePayment(), 0);
  ASSERT_EQ(link_.executed.size(), 1u);
  EXPECT_NE(link_.executed[0].find("cp_client_fee_add_0(?,1,30.30,'FP',"), std::string::npos);
  EXPECT_EQ(boxes_.LastText(), AppLanguage().Text(21601) + u"\r\nserver error");
  EXPECT_EQ(form_->payList.Count(), 2);
  EXPECT_EQ(form_->fields.invoice, u"FP");
}

// A server that answered with an error of its own (the call rolled back) is
// named with its reason; only a save without any answer may have stored.
TEST_F(PaymentFormTest, AServerErrorShowsTheServersReason) {
  link_.executeReply = R"({"ReturnValue":-5,"cError":"rolled back: customer 1 is locked"})";
  form_->TakeSelectedUnpaid({1, 2});
  EXPECT_EQ(form_->SavePayment(), 0);
  ASSERT_EQ(boxes_.Messages().size(), 1u);
  EXPECT_EQ(boxes_.LastText(), AppLanguage().Text(22401) + u"rolled back: customer 1 is locked");
  EXPECT_EQ(form_->payList.Count(), 2);
}

// A new payment whose save is refused leaves the form as it was: the moves
// and double clicks go on working without Ctrl+D.
TEST_F(PaymentFormTest, ARefusedNewSaveLeavesTheFormAsItWas) {
  ASSERT_EQ(form_->kind, 0);
  form_->fields.amount = u"0";
  EXPECT_EQ(form_->SavePayment(), 0);  // a payment without waybills needs an amount
  EXPECT_EQ(boxes_.LastText(), AppLanguage().Text(330060) + u"\r\n");
  EXPECT_EQ(form_->kind, 0);
  form_->TakeUnpaidRow(1);
  EXPECT_EQ(form_->payList.Count(), 1);
  // The server refuses one with waybills: the same.
  link_.executeReply = R"({"ReturnValue":2,"iTotal":1,"List":[{"0":-1}]})";
  EXPECT_EQ(form_->SavePayment(), 0);
  EXPECT_EQ(form_->kind, 0);
  form_->TakeUnpaidRow(2);
  EXPECT_EQ(form_->payList.Count(), 2);
}

// A payment in a foreign currency, pasted or loaded, is priced at the
// rate of today, not at the rate it was stored with.
TEST_F(PaymentFormTest, ForeignPaymentsArePricedAtTodaysRateOnPasteAndLoad) {
  form_->SetCurrency(u"USD");
  form_->fields.foreign = u"10.00";
  form_->OnForeignAmountChanged();
  ASSERT_EQ(form_->fields.amount, u"65.00");
  form_->CopyFields();
  form_->NewPayment();
  usdRate_ = 7.0;
  form_->PasteFields();
  EXPECT_EQ(form_->fields.foreign, u"10.00");
  EXPECT_EQ(form_->fields.amount, u"70.00");

  link_.loadReply =
      R"({"ReturnValue":20,"iTotal":1,"bEnd":true,"List":[{"0":9,"1":65.0,"2":"FP","3":)"
      R"("2024-03-09 00:00:00","4":"H","5":"I","6":"","7":"","8":1,"9":65.0,"10":0,"11":"",)"
      R"("12":"","13":"","14":"2024-03-09 10:00:00","15":"USD","16":10.0,"17":1,"18":"",)"
      R"("19":""}]})";
  usdRate_ = 7.25;
  ASSERT_EQ(form_->LoadPayment(9, false), 1);
  EXPECT_EQ(form_->currency, u"USD");
  EXPECT_EQ(form_->fields.foreign, u"10.00");
  EXPECT_EQ(form_->fields.amount, u"72.50");
}

}  // namespace

namespace {

TEST_F(PaymentFormTest, CopyAndPasteBringBackFieldsAndCurrency) {
  form_->SetCurrency(u"USD");
  form_->fields.invoice = u"FP-9";
  form_->fields.amount = u"65.00";
  form_->fields.foreign = u"10.00";
  form_->fields.payWay = 3;
  form_->CopyFields();
  EXPECT_TRUE(form_->copied);
  form_->NewPayment();
  EXPECT_EQ(form_->fields.invoice, u"");
  EXPECT_FALSE(form_->foreignVisible);
  form_->PasteFields();
  EXPECT_EQ(form_->fields.invoice, u"FP-9");
  EXPECT_EQ(form_->fields.amount, u"65.00");
  EXPECT_EQ(form_->fields.payWay, 3);
  EXPECT_EQ(form_->currency, u"USD");
  EXPECT_EQ(form_->rate, 6.5);
  EXPECT_TRUE(form_->foreignVisible);
}

}  // namespace
