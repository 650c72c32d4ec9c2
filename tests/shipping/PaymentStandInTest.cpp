// Page 9 against the stand-in server: a customer of the sample data with
// its balance, unpaid waybills and payments page by page; payments saved,
// changed and deleted together with the waybills they settle; the date
// window shown to the operator; and a payment whose connection is cut in
// the middle, after which the customer's balance and its waybills still
// agree.  Screenshots of the page and the payment form go to
// <build>/screenshots.

#include <gtest/gtest.h>
#include <signal.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "platform/QtText.h"
#include "server/ServerLink.h"
#include "shipping/PaymentDlg.h"
#include "shipping/PaymentPage.h"
#include "tests/QtTestSupport.h"
#include "tests/WaitUntil.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "tests/server/StandInConfig.h"
#include "tests/server/StandInDatabase.h"
#include "tests/server/StandInLinkSuite.h"
#include "tests/server/StandInServer.h"
#include "ui/ListGrid.h"
#include "ui/ViewHost.h"

namespace {

using testsupport::CountOnDatabase;
using testsupport::ExecOnDatabase;

void Save(QWidget& widget, const QString& name) {
  QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
  const QString path = QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") + name + ".png";
  const QImage image = widget.grab().toImage();
  EXPECT_FALSE(image.isNull());
  EXPECT_TRUE(image.save(path)) << path.toStdString();
}

class TestHost : public CViewHost {
 public:
  QSize ScreenSize() const override { return QSize(1280, 800); }
  CServerLink* ServerLink() override { return link; }
  CServerLink* link = nullptr;
};

std::string Today() {
  std::time_t t = std::time(nullptr);
  std::tm now{};
  localtime_r(&t, &now);
  char text[16];
  std::strftime(text, sizeof text, "%Y.%m.%d", &now);
  return text;
}

std::string DaysFromToday(int days) {
  std::time_t t = std::time(nullptr) + static_cast<std::time_t>(days) * 86400;
  std::tm d{};
  localtime_r(&t, &d);
  char text[16];
  std::strftime(text, sizeof text, "%Y.%m.%d", &d);
  return text;
}

class PaymentStandIn : public testsupport::StandInLinkSuite<PaymentStandIn> {
 public:
  static constexpr const char* kRootName = "brantle-payments";

 protected:
  void SetUp() override {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00"));
    ASSERT_NO_FATAL_FAILURE(OpenLink("00", "PC-PAY"));
    ASSERT_GT(link_.Login(u"admin", u"admin123", 0), 0);
    host_.link = &link_;
  }

  CPaymentPage& OpenPage() {
    page_ = std::make_unique<CPaymentPage>();
    page_->host = &host_;
    page_->index = 9;
    page_->CreatePageWindow(nullptr, QSize(1270, 700));
    page_->OnPageCreated();
    page_->resize(1270, 700);
    page_->show();
    return *page_;
  }

  CPaymentDlg& Dialog() { return *page_->dialog; }
  payment::CPaymentForm& Form() { return page_->dialog->Form(); }

  // The customer's payments of kind 0 agree with the waybills they settle:
  // every settled waybill belongs to an existing payment of its customer,
  // and each payment's receivable equals its waybills' amounts plus nothing
  // else than what the payment says is owed.
  static void ExpectConsistent(const std::string& db) {
    EXPECT_EQ(CountOnDatabase(db, "SELECT COUNT(*) FROM client_rec r WHERE r.ifid>0 AND NOT EXISTS("
                                  "SELECT 1 FROM client_fee f WHERE f.ifid=r.ifid AND f.icid=r.icid)"),
              0);
    EXPECT_EQ(CountOnDatabase(db, "SELECT COUNT(*) FROM client_rec WHERE (ifid>0) <> (bpay=1)"), 0);
    EXPECT_EQ(CountOnDatabase(db, "SELECT COUNT(*) FROM client_fee f WHERE ntype=0 AND NOT EXISTS("
                                  "SELECT 1 FROM client_rec r WHERE r.ifid=f.ifid)"),
              0);
  }

  // A stand-in of its own on `folder`, paused for a long time in
  // cp_client_fee_add_0 at `at` ("write": inside its transaction after the
  // first row it writes; "commit": after the commit, before the reply).  The
  // form saves a payment of waybills 27 and 30 of customer 1 and the
  // stand-in is killed as soon as it says it has paused.  Returns what the
  // save returned; `fees` and `title` receive the count of payments and the
  // customer's title with its balance before the save.
  int SaveAndKillAt(const std::filesystem::path& folder, const std::string& at, int64_t& fees,
                    std::u16string& title) {
    StandInServer paused(BRANTLE_BINARY_DIR "/localserver/brantle-server", folder,
                         {"--proc-pause-ms", "60000", "--proc-pause-for", "cp_client_fee_add_0",
                          "--proc-pause-at", at});
    EXPECT_TRUE(paused.Ready()) << paused.Log();
    if (!paused.Ready()) return -1;
    UseLinkTo(paused.Port());
    OpenPage();
    EXPECT_EQ(Dialog().LoadCustomer(1), 1);
    fees = CountOnDatabase(paused.Database(), "SELECT COUNT(*) FROM client_fee");
    title = Form().customerTitle;
    for (int32_t irid : {27, 30}) Form().TakeUnpaidRow(irid);
    const std::string marker = "pausing in cp_client_fee_add_0 after its " +
                               std::string(at == "commit" ? "commit" : "first write");
    const pid_t pid = paused.Pid();
    std::atomic<bool> killed{false};
    std::thread killer([&] {
      killed = testsupport::WaitUntil(
                   [&] { return StandInServer::ReadLog(folder).find(marker) != std::string::npos; },
                   testsupport::kWaitLimit) &&
               ::kill(pid, SIGKILL) == 0;
    });
    const int saved = Dialog().SavePayment();
    killer.join();
    EXPECT_TRUE(killed) << paused.Log();
    return saved;
  }

  // A link of its own (program folder under the suite's root) to the
  // stand-in on `port`, logged in as admin; the page opened next uses it.
  // With `samePage` the open page stays and its link is pointed at the new
  // stand-in, as after the operator's own reconnection.
  void UseLinkTo(int port, bool samePage = false) {
    const std::filesystem::path program = root_ / "cut-program";
    std::filesystem::create_directories(program);
    testsupport::WriteStandInConfig(program, port, "00", "PC-CUT");
    if (!samePage || !ownLink_) {
      page_.reset();
      ownLink_ = std::make_unique<CServerLink>();
    }
    ASSERT_EQ(1, ownLink_->Init(program.string() + "/"));
    ASSERT_GT(ownLink_->Login(u"admin", u"admin123", 0), 0);
    host_.link = ownLink_.get();
  }

  TestHost host_;
  std::unique_ptr<CPaymentPage> page_;
  std::unique_ptr<CServerLink> ownLink_;
};

std::vector<std::u16string> Column(CListGrid* grid, int column) {
  std::vector<std::u16string> cells;
  for (int row = 0; row < grid->RowCount(); ++row) cells.push_back(grid->CellText(row, column));
  return cells;
}

TEST_F(PaymentStandIn, PageShowsBalanceUnpaidWaybillsAndPaymentsPageByPage) {
  CPaymentPage& page = OpenPage();
  ASSERT_NE(page.dialog, nullptr);
  const std::u16string name = u"深圳华南贸易有限公司";
  platform::SendPrivateMessage(&page, kWmQuickListOpen, 1, reinterpret_cast<qintptr>(&name));
  payment::CPaymentForm& form = Form();
  EXPECT_EQ(form.customerId, 1);
  // Receivable 121 (payment 3) + the customer's twelve unpaid waybills, 1452.
  EXPECT_EQ(form.customerTitle, u"№C001 [" + FillArgsW(AppLanguage().Text(330042), {u"1573.00"}) + u"]");
  EXPECT_NE(form.customerSummary.find(u"深圳市福田区深南大道1号"), std::u16string::npos);
  // Twelve unpaid waybills of customer 1 (BR10000021 is settled by payment 3).
  EXPECT_EQ(Dialog().unpaidGrid->RowCount(), 12);
  EXPECT_EQ(Dialog().unpaidGrid->CellText(0, 1), u"BR10000003");
  EXPECT_EQ(Dialog().unpaidGrid->CellText(0, 3), u"103.00");
  EXPECT_EQ(form.unpaid.amount, 100 * 12 * 100 + (3 + 6 + 9 + 12 + 15 + 18 + 24 + 27 + 30 + 33 + 36 + 39) * 100);
  // Twelve payments: ten on the first page, newest first; the page turn
  // shows the other two, then cycles back.
  EXPECT_EQ(Dialog().paymentGrid->RowCount(), 10);
  EXPECT_EQ(Dialog().paymentGrid->CellText(0, 0), u"2024-04-22");
  EXPECT_TRUE(Dialog().pageButton->isEnabled());
  page.quickList->LoadCustomers(1);  // the recent customers on the left
  EXPECT_TRUE(testsupport::WaitUntil([&] { return page.quickList->grid->RowCount() > 0; }));
  Save(page, "payment_page");
  QTest::mouseClick(Dialog().pageButton, Qt::LeftButton);
  EXPECT_EQ(Dialog().paymentGrid->RowCount(), 2);
  EXPECT_EQ(Column(Dialog().paymentGrid, 0), (std::vector<std::u16string>{u"2024-04-02", u"2024-03-25"}));
  EXPECT_EQ(Dialog().paymentGrid->CellText(1, 2), u"121.00");
  EXPECT_EQ(Dialog().paymentGrid->CellText(0, 2), u"");  // a payment without waybills owes nothing
  QTest::mouseClick(Dialog().pageButton, Qt::LeftButton);
  EXPECT_EQ(Dialog().paymentGrid->RowCount(), 10);
  // A typed page number above the page count shows the last page.
  Dialog().pageBoxEdit->setText(QStringLiteral("9"));
  QTest::mouseClick(Dialog().pageButton, Qt::LeftButton);
  EXPECT_EQ(form.pageShown, 2);
}

// The summary box of every sample customer agrees with the unpaid
// waybills the form lists (monthly and cash) and with the collect waybills
// on the server, before and after a payment settles two of them.
TEST_F(PaymentStandIn, SummaryAgreesWithTheUnpaidWaybills) {
  OpenPage();
  const std::string db = server_->Database();
  const CLanguageTable& language = AppLanguage();
  auto expectAgreement = [&](int32_t customer) {
    SCOPED_TRACE(customer);
    ASSERT_EQ(Dialog().LoadCustomer(customer), 1);
    const payment::CPaymentForm& form = Form();
    for (int way = 0; way < 3; ++way) {
      payment::Cents amount = 0;
      int count = 0;
      if (way < 2) {
        for (const payment::RecordRow& row : form.unpaid.rows) {
          if (row.cells[6] != language.PayWayText(way)) continue;
          amount += row.amount;
          ++count;
        }
      } else {
        const std::string collect = " FROM client_rec WHERE icid=" + std::to_string(customer) +
                                    " AND bpay=0 AND ifid=0 AND npayway=2";
        amount = CountOnDatabase(db, "SELECT CAST(round(coalesce(sum(famount),0)*100) AS INTEGER)" + collect);
        count = static_cast<int>(CountOnDatabase(db, "SELECT COUNT(*)" + collect));
      }
      const std::u16string line = FillArgsW(
          language.Text(330045 + way), {payment::CentsText(amount), QString::number(count).toStdU16String()});
      EXPECT_NE(form.customerSummary.find(line), std::u16string::npos)
          << Utf8FromWide(line) << " in " << Utf8FromWide(form.customerSummary);
    }
  };
  for (int32_t customer : {1, 2, 3, 4}) expectAgreement(customer);
  // Two cash waybills of customer 2, which the other cases leave alone.
  ASSERT_EQ(Dialog().LoadCustomer(2), 1);
  const int unpaidBefore = Form().unpaid.Count();
  ASSERT_GT(unpaidBefore, 2);
  for (int32_t irid : {37, 40}) Form().TakeUnpaidRow(irid);
  ASSERT_EQ(Form().payList.Count(), 2);
  ASSERT_EQ(Dialog().SavePayment(), 1) << Utf8FromWide(boxes_.LastText());
  ASSERT_EQ(Dialog().LoadCustomer(2), 1);
  EXPECT_EQ(Form().unpaid.Count(), unpaidBefore - 2);
  expectAgreement(2);
  Save(Dialog(), "payment_summary");
}

TEST_F(PaymentStandIn, PaymentSavedChangedAndDeletedWithItsWaybills) {
  OpenPage();
  ASSERT_EQ(Dialog().LoadCustomer(1), 1);
  payment::CPaymentForm& form = Form();
  const std::string db = server_->Database();
  // The operator scans two numbers (one in lower case) into the look-up box.
  for (const char* number : {"br10000006", "BR10000009"}) {
    Dialog().lookupEdit->setFocus();
    Dialog().lookupEdit->setText(QString::fromLatin1(number));
    QTest::keyClick(Dialog().lookupEdit, Qt::Key_Return);
  }
  EXPECT_EQ(Dialog().payListGrid->RowCount(), 2);
  EXPECT_EQ(Dialog().unpaidGrid->RowCount(), 10);
  EXPECT_EQ(Dialog().amountEdit->text(), QStringLiteral("215.00"));  // 106 + 109
  Dialog().invoiceEdit->setText(QStringLiteral("FP-O'Neil"));
  Dialog().memoEdit->setPlainText(QStringLiteral("两票 'quoted'"));
  Save(Dialog(), "payment_entry");
  QTest::keyClick(Dialog().invoiceEdit, Qt::Key_S, Qt::ControlModifier);
  ASSERT_TRUE(boxes_.Messages().empty()) << Utf8FromWide(boxes_.LastText());
  const int64_t ifid = CountOnDatabase(db, "SELECT MAX(ifid) FROM client_fee WHERE icid=1");
  EXPECT_EQ(CountOnDatabase(db, "SELECT COUNT(*) FROM client_rec WHERE ifid=" + std::to_string(ifid) +
                                    " AND bpay=1 AND irid IN(6,9)"),
            2);
  EXPECT_EQ(CountOnDatabase(db, "SELECT CAST(ffeer*100 AS INTEGER) FROM client_fee WHERE ifid=" +
                                    std::to_string(ifid)),
            21500);
  EXPECT_EQ(CountOnDatabase(db, "SELECT COUNT(*) FROM client_fee WHERE cinvoice='FP-O''Neil' COLLATE BINARY "
                                    "AND cmemo='两票 ''quoted''' COLLATE BINARY"),
            1);
  // The reload left a new payment; the receivable moved from the unpaid
  // waybills to the payment, so the balance stays.
  EXPECT_EQ(form.ifid, 0);
  EXPECT_EQ(form.unpaid.Count(), 10);
  EXPECT_NE(form.customerTitle.find(u"1573.00"), std::u16string::npos);
  ExpectConsistent(db);

  // Loaded again (double-click on its row), one waybill goes back and
  // another comes in; the change replaces the settled set.
  ASSERT_EQ(Dialog().paymentGrid->GetRowId(0), ifid);
  ASSERT_EQ(form.LoadPayment(static_cast<int32_t>(ifid), false), 1);
  EXPECT_TRUE(form.editable);  // today's payment, admin
  EXPECT_EQ(Dialog().payListGrid->RowCount(), 2);
  form.ReturnPaymentRow(6);
  form.TakeUnpaidRow(12);
  EXPECT_EQ(form.fields.amount, u"221.00");  // 109 + 112
  ASSERT_EQ(Dialog().SavePayment(), 1) << Utf8FromWide(boxes_.LastText());
  EXPECT_EQ(CountOnDatabase(db, "SELECT COUNT(*) FROM client_rec WHERE ifid=" + std::to_string(ifid) +
                                    " AND irid IN(9,12)"),
            2);
  EXPECT_EQ(CountOnDatabase(db, "SELECT ifid FROM client_rec WHERE irid=6"), 0);
  ExpectConsistent(db);

  // Deleted with the Delete key after the question: the waybills are free.
  ASSERT_EQ(form.LoadPayment(static_cast<int32_t>(ifid), false), 1);
  boxes_.QueueAnswer(platform::kIdYes);
  QTest::keyClick(Dialog().invoiceEdit, Qt::Key_Delete);
  EXPECT_EQ(CountOnDatabase(db, "SELECT COUNT(*) FROM client_fee WHERE ifid=" + std::to_string(ifid)), 0);
  EXPECT_EQ(CountOnDatabase(db, "SELECT COUNT(*) FROM client_rec WHERE irid IN(9,12) AND ifid=0 AND bpay=0"), 2);
  EXPECT_EQ(form.unpaid.Count(), 12);
  ExpectConsistent(db);
}

TEST_F(PaymentStandIn, KeysOfTheForm) {
  CPaymentPage& page = OpenPage();
  ASSERT_EQ(Dialog().LoadCustomer(1), 1);
  payment::CPaymentForm& form = Form();
  // Escape never closes the form; Enter moves on like Tab.
  Dialog().invoiceEdit->setFocus();
  QTest::keyClick(Dialog().invoiceEdit, Qt::Key_Escape);
  EXPECT_TRUE(Dialog().isVisible());
  QTest::keyClick(Dialog().invoiceEdit, Qt::Key_Return);
  EXPECT_FALSE(Dialog().invoiceEdit->hasFocus());
  // Enter in the memo stays a line break.
  Dialog().memoEdit->setFocus();
  QTest::keyClicks(Dialog().memoEdit, QStringLiteral("a"));
  QTest::keyClick(Dialog().memoEdit, Qt::Key_Return);
  QTest::keyClicks(Dialog().memoEdit, QStringLiteral("b"));
  EXPECT_EQ(Dialog().memoEdit->toPlainText(), QStringLiteral("a\nb"));
  // Ctrl+D starts a new payment even from an edit box: taken waybills go back.
  form.TakeUnpaidRow(3);
  Dialog().invoiceEdit->setText(QStringLiteral("X-1"));
  QTest::keyClick(Dialog().invoiceEdit, Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(form.payList.Count(), 0);
  EXPECT_EQ(form.unpaid.Count(), 12);
  EXPECT_TRUE(Dialog().invoiceEdit->text().isEmpty());
  // The page's commands follow the form: a new payment may be saved, not deleted.
  EXPECT_TRUE(page.saveEnabled);
  EXPECT_FALSE(page.deleteEnabled);
  // An old payment (2024) loads read-only: dark red title, no save or delete.
  ASSERT_EQ(form.LoadPayment(101, false), 1);
  EXPECT_FALSE(form.editable);
  EXPECT_EQ(form.titleColor, payment::TitleColor::DarkRed);
  Save(Dialog(), "payment_loaded_read_only");
  EXPECT_FALSE(page.deleteEnabled);
  // Ctrl+G on a read-only payment asks nothing and deletes nothing.
  QTest::keyClick(Dialog().invoiceEdit, Qt::Key_G, Qt::ControlModifier);
  EXPECT_TRUE(boxes_.Messages().empty());
  EXPECT_EQ(CountOnDatabase(server_->Database(), "SELECT COUNT(*) FROM client_fee WHERE ifid=101"), 1);
}

TEST_F(PaymentStandIn, ForceQueryFindsWaybillsOfOtherCustomers) {
  OpenPage();
  ASSERT_EQ(Dialog().LoadCustomer(1), 1);
  payment::CPaymentForm& form = Form();
  // A settled waybill of customer 2: its customer, then its payment, with
  // the payment row and the waybill marked.
  Dialog().lookupEdit->setText(QStringLiteral("BR10000007"));
  QTest::mouseClick(Dialog().forceLink, Qt::LeftButton);
  EXPECT_EQ(form.customerId, 2);
  EXPECT_EQ(form.ifid, 4);
  EXPECT_EQ(form.markedPayment, 4);
  EXPECT_EQ(form.markedRecord, 7);
  EXPECT_EQ(form.fields.owed, u"35.00");  // 235 receivable, 200 paid
  EXPECT_EQ(Dialog().payListGrid->RowCount(), 2);
  // An unpaid waybill of customer 1 from there: customer 1 with the waybill
  // taken into a new payment.
  Dialog().lookupEdit->setText(QStringLiteral("BR10000033"));
  QTest::mouseClick(Dialog().forceLink, Qt::LeftButton);
  EXPECT_EQ(form.customerId, 1);
  EXPECT_EQ(form.ifid, 0);
  ASSERT_EQ(form.payList.Count(), 1);
  EXPECT_EQ(form.payList.rows[0].irid, 33);
  // A collect waybill cannot be settled here.
  Dialog().lookupEdit->setText(QStringLiteral("BR10000002"));
  QTest::mouseClick(Dialog().forceLink, Qt::LeftButton);
  EXPECT_EQ(boxes_.LastText(), AppLanguage().Text(330055));
  Dialog().lookupEdit->setText(QStringLiteral("NO-SUCH"));
  QTest::mouseClick(Dialog().forceLink, Qt::LeftButton);
  EXPECT_EQ(boxes_.LastText(), AppLanguage().Text(20005));
}

TEST_F(PaymentStandIn, PaymentWithoutWaybillsNeedsAnAmount) {
  OpenPage();
  ASSERT_EQ(Dialog().LoadCustomer(2), 1);
  const std::string db = server_->Database();
  const int64_t before = CountOnDatabase(db, "SELECT COUNT(*) FROM client_fee WHERE icid=2");
  Dialog().amountEdit->setText(QStringLiteral("0"));
  EXPECT_EQ(Dialog().SavePayment(), 0);
  EXPECT_NE(boxes_.LastText().find(AppLanguage().Text(330060)), std::u16string::npos);
  Dialog().amountEdit->setText(QStringLiteral("100"));
  Dialog().payWayBox->setCurrentIndex(2);
  ASSERT_EQ(Dialog().SavePayment(), 1) << Utf8FromWide(boxes_.LastText());
  EXPECT_EQ(CountOnDatabase(db, "SELECT COUNT(*) FROM client_fee WHERE icid=2 AND ntype=1 AND "
                                    "ffee=100 AND npayway=2"),
            1);
  EXPECT_EQ(CountOnDatabase(db, "SELECT COUNT(*) FROM client_fee WHERE icid=2"), before + 1);
}

TEST_F(PaymentStandIn, MovedDateIsShownBeforeItIsStored) {
  OpenPage();
  ASSERT_EQ(Dialog().LoadCustomer(4), 1);
  const std::string db = server_->Database();
  Dialog().amountEdit->setText(QStringLiteral("50"));
  const std::string typed = DaysFromToday(-100);
  Dialog().dateEdit->setText(QString::fromStdString(typed));
  // Declined: nothing is stored and the form keeps what was typed.
  boxes_.QueueAnswer(platform::kIdNo);
  EXPECT_EQ(Dialog().SavePayment(), 0);
  const std::u16string shown = boxes_.LastText();
  EXPECT_NE(shown.find(WideFromGbk(typed)), std::u16string::npos);
  EXPECT_NE(shown.find(WideFromGbk(Today())), std::u16string::npos);
  EXPECT_EQ(CountOnDatabase(db, "SELECT COUNT(*) FROM client_fee WHERE icid=4"), 0);
  EXPECT_EQ(Dialog().dateEdit->text().toStdString(), typed);
  // Accepted: stored with today's date.
  boxes_.QueueAnswer(platform::kIdYes);
  ASSERT_EQ(Dialog().SavePayment(), 1);
  std::string today = Today();
  for (char& c : today)
    if (c == '.') c = '-';
  EXPECT_EQ(CountOnDatabase(db, "SELECT COUNT(*) FROM client_fee WHERE icid=4 AND dpdate LIKE '" + today + "%'"), 1);
}

TEST_F(PaymentStandIn, FailureInsideThePaymentLeavesNothingHalfDone) {
  OpenPage();
  ASSERT_EQ(Dialog().LoadCustomer(1), 1);
  payment::CPaymentForm& form = Form();
  const std::string db = server_->Database();
  // The third waybill's update fails on the server, after the payment row
  // and the first two waybills were written inside the call.
  ASSERT_TRUE(ExecOnDatabase(db, "CREATE TRIGGER cut_payment BEFORE UPDATE OF ifid ON client_rec "
                                 "WHEN NEW.irid=24 AND NEW.ifid>0 BEGIN SELECT RAISE(ABORT,'cut'); END;"));
  const int64_t fees = CountOnDatabase(db, "SELECT COUNT(*) FROM client_fee");
  for (int32_t irid : {15, 18, 24}) form.TakeUnpaidRow(irid);
  EXPECT_EQ(Dialog().SavePayment(), 0);
  EXPECT_FALSE(boxes_.Messages().empty());
  EXPECT_EQ(CountOnDatabase(db, "SELECT COUNT(*) FROM client_fee"), fees);
  EXPECT_EQ(CountOnDatabase(db, "SELECT COUNT(*) FROM client_rec WHERE irid IN(15,18,24) AND ifid=0 AND bpay=0"), 3);
  // The form still holds the payment as the operator made it.
  EXPECT_EQ(form.payList.Count(), 3);
  EXPECT_EQ(form.fields.amount, u"357.00");
  ExpectConsistent(db);
  ASSERT_TRUE(ExecOnDatabase(db, "DROP TRIGGER cut_payment;"));
  ASSERT_EQ(Dialog().SavePayment(), 1) << Utf8FromWide(boxes_.LastText());
  ExpectConsistent(db);
}

// A stand-in of its own that holds the payment call, so that the test can
// cut the connection while the call is on its way; a new stand-in on the
// same database then shows the customer as it was.
TEST_F(PaymentStandIn, ConnectionCutDuringAPaymentLeavesBalanceAndWaybillsAgreeing) {
  const std::filesystem::path folder = root_ / "cut-server";
  auto slow = std::make_unique<StandInServer>(BRANTLE_BINARY_DIR "/localserver/brantle-server", folder,
                                              std::vector<std::string>{"--reply-delay-ms", "3000",
                                                                       "--reply-delay-for", "sSqlExe"});
  ASSERT_TRUE(slow->Ready()) << slow->Log();
  const std::filesystem::path program = root_ / "cut-program";
  std::filesystem::create_directories(program);
  testsupport::WriteStandInConfig(program, slow->Port(), "00", "PC-CUT");
  CServerLink link;
  ASSERT_EQ(1, link.Init(program.string() + "/"));
  ASSERT_GT(link.Login(u"admin", u"admin123", 0), 0);
  host_.link = &link;
  OpenPage();
  ASSERT_EQ(Dialog().LoadCustomer(1), 1);
  payment::CPaymentForm& form = Form();
  const std::u16string balanceBefore = form.customerTitle;
  for (int32_t irid : {27, 30}) form.TakeUnpaidRow(irid);
  const pid_t pid = slow->Pid();
  QTimer::singleShot(500, [pid] { ::kill(pid, SIGKILL); });
  EXPECT_EQ(Dialog().SavePayment(), 0);
  EXPECT_FALSE(boxes_.Messages().empty());
  EXPECT_EQ(form.payList.Count(), 2);  // nothing lost on the form
  slow->Stop();
  const std::string db = slow->Database();
  ExpectConsistent(db);
  EXPECT_EQ(CountOnDatabase(db, "SELECT COUNT(*) FROM client_rec WHERE irid IN(27,30) AND ifid=0"), 2);

  // Back on a new stand-in over the same database: the same balance.
  slow.reset();
  StandInServer again(BRANTLE_BINARY_DIR "/localserver/brantle-server", folder);
  ASSERT_TRUE(again.Ready()) << again.Log();
  testsupport::WriteStandInConfig(program, again.Port(), "00", "PC-CUT");
  CServerLink link2;
  ASSERT_EQ(1, link2.Init(program.string() + "/"));
  ASSERT_GT(link2.Login(u"admin", u"admin123", 0), 0);
  host_.link = &link2;
  OpenPage();
  ASSERT_EQ(Dialog().LoadCustomer(1), 1);
  EXPECT_EQ(Form().customerTitle, balanceBefore);
  EXPECT_EQ(Form().unpaid.Count(), 12);
  ExpectConsistent(again.Database());
}

// The stand-in dies inside the payment's transaction, after the payment
// row is written and before the waybills are marked: nothing of the
// payment survives, the operator is told the server did not answer and
// keeps the form, and a new stand-in on the same database shows the
// customer as before.
TEST_F(PaymentStandIn, ServerKilledInsideThePaymentLeavesNoHalfPayment) {
  const std::filesystem::path folder = root_ / "killed-in-transaction";
  const std::string db = (folder / "brantle.db").string();
  int64_t feesBefore = 0;
  std::u16string balanceBefore;
  EXPECT_EQ(SaveAndKillAt(folder, "write", feesBefore, balanceBefore), 0);
  ASSERT_EQ(boxes_.Messages().size(), 1u);
  EXPECT_EQ(boxes_.LastText().rfind(AppLanguage().Text(21601), 0), 0u) << Utf8FromWide(boxes_.LastText());
  EXPECT_EQ(Form().payList.Count(), 2);  // the form still holds the payment
  EXPECT_EQ(Form().fields.amount, u"257.00");  // 127 + 130

  // Wholly absent: no payment row, no waybill marked.
  EXPECT_EQ(CountOnDatabase(db, "SELECT COUNT(*) FROM client_fee"), feesBefore);
  EXPECT_EQ(CountOnDatabase(db, "SELECT COUNT(*) FROM client_rec WHERE irid IN(27,30) AND ifid=0 AND bpay=0"), 2);
  ExpectConsistent(db);

  StandInServer again(BRANTLE_BINARY_DIR "/localserver/brantle-server", folder);
  ASSERT_TRUE(again.Ready()) << again.Log();
  UseLinkTo(again.Port());
  OpenPage();
  ASSERT_EQ(Dialog().LoadCustomer(1), 1);
  EXPECT_EQ(Form().customerTitle, balanceBefore);
  EXPECT_EQ(Form().unpaid.Count(), 12);
  ExpectConsistent(again.Database());
}

// The stand-in dies after the payment is committed and before it answers.
// The payment is stored whole; the client, without an answer, says neither
// that it was saved nor that it was not, and keeps the form.  A reload on a new stand-in shows the
// stored payment, and saving the kept form again cannot settle the same
// waybills twice.
TEST_F(PaymentStandIn, ServerKilledAfterTheCommitKeepsTheWholePayment) {
  const std::filesystem::path folder = root_ / "killed-after-commit";
  const std::string db = (folder / "brantle.db").string();
  int64_t feesBefore = 0;
  std::u16string balanceBefore;
  EXPECT_EQ(SaveAndKillAt(folder, "commit", feesBefore, balanceBefore), 0);
  ASSERT_EQ(boxes_.Messages().size(), 1u);
  EXPECT_EQ(boxes_.LastText().rfind(AppLanguage().Text(21601), 0), 0u) << Utf8FromWide(boxes_.LastText());
  EXPECT_EQ(Form().payList.Count(), 2);
  EXPECT_EQ(Form().ifid, 0);

  // Wholly there: one new payment of 257.00 settling both waybills.
  EXPECT_EQ(CountOnDatabase(db, "SELECT COUNT(*) FROM client_fee"), feesBefore + 1);
  const int64_t ifid = CountOnDatabase(db, "SELECT MAX(ifid) FROM client_fee WHERE icid=1");
  EXPECT_EQ(CountOnDatabase(db, "SELECT CAST(ffeer*100 AS INTEGER) FROM client_fee WHERE ifid=" +
                                    std::to_string(ifid)),
            25700);
  EXPECT_EQ(CountOnDatabase(db, "SELECT COUNT(*) FROM client_rec WHERE irid IN(27,30) AND bpay=1 AND ifid=" +
                                    std::to_string(ifid)),
            2);
  ExpectConsistent(db);

  // On a new stand-in, the operator saves the kept form again: refused,
  // the waybills are settled already; still one payment.
  StandInServer again(BRANTLE_BINARY_DIR "/localserver/brantle-server", folder);
  ASSERT_TRUE(again.Ready()) << again.Log();
  UseLinkTo(again.Port(), true);
  EXPECT_EQ(Dialog().SavePayment(), 0);
  EXPECT_NE(boxes_.LastText().find(AppLanguage().Text(330062)), std::u16string::npos)
      << Utf8FromWide(boxes_.LastText());
  EXPECT_EQ(CountOnDatabase(db, "SELECT COUNT(*) FROM client_fee"), feesBefore + 1);

  // A reload shows the stored payment; its receivable left the unpaid
  // totals, so the balance is the same.
  OpenPage();
  ASSERT_EQ(Dialog().LoadCustomer(1), 1);
  EXPECT_EQ(Form().customerTitle, balanceBefore);
  EXPECT_EQ(Form().unpaid.Count(), 10);
  ASSERT_GT(Dialog().paymentGrid->RowCount(), 0);
  EXPECT_EQ(Dialog().paymentGrid->GetRowId(0), ifid);
  ExpectConsistent(again.Database());
}

}  // namespace
