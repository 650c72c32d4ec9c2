// The page print commands against the real print jobs, the office suite and
// a private CUPS scheduler: a print that reaches no queue is a failure the
// operator is told of, naming the document and why, in the operator's
// language.  The page's waybill, label and invoice commands run with no
// queue at all and with a queue that refuses jobs; with a queue that takes
// them the same commands print.  The scheduler needs root with
// CAP_SYS_ADMIN, as the other print tests.

#include <QApplication>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"
#include "tests/PrivateCups.h"
#include "tests/WaitUntil.h"
#include "tests/print/DoorsHost.h"
#include "tests/print/RendererCase.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "ui/ViewHost.h"
#include "ui/ViewPage.h"

using namespace printcase;

namespace {

class CupsEnvironment : public ::testing::Environment {
 public:
  static testsupport::PrivateCups& Cups() {
    static testsupport::PrivateCups cups;
    return cups;
  }
  void SetUp() override {
    ASSERT_EQ(Cups().Start(Root() / "cups", {"BrantleOpen", "BrantleShut"}), "");
    // The second queue takes no job and is stopped.
    int status = 0;
    std::string out = testsupport::RunCommand("cupsreject BrantleShut && cupsdisable BrantleShut", &status);
    ASSERT_EQ(status, 0) << out;
  }
  void TearDown() override {
    office::ShutdownOfficeSuite();
    Cups().Stop();
  }
};

// The suite starts on first use, after the scheduler, so it sees its queues.
::testing::Environment* const kOffice =
    ::testing::AddGlobalTestEnvironment(new OfficeEnvironment);
::testing::Environment* const kCups = ::testing::AddGlobalTestEnvironment(new CupsEnvironment);

class PagePrintQueue : public ::testing::Test {
 protected:
  void SetUp() override {
    out_ = TestFolder();
    world_ = std::make_unique<CaseWorld>(kGolden / "waybill/blocks_and_lines", out_, "渠道面单");
    world_->context.keepAllIn.clear();
    world_->context.selectPrinter = [this](int, std::u16string_view) { return queue_; };
    invoice_.SetText(Gbk("运单号=B2\r\n"));
    invoice_.SetWorkbook(world_->model->Workbook());
    map_.Load(&invoice_);
    ASSERT_EQ(layout_.Load(world_->model.get(), world_->fields), 1);
    doors_ = std::make_unique<JobDoors>(*world_, layout_, map_);
    host_ = std::make_unique<DoorsHost>(doors_.get());
    page_.host = host_.get();
    page_.CreatePageWindow(nullptr, QSize(600, 400));
    page_.grid->EnableRowData(true);
    page_.grid->InsertColumn(0, 120, u"No.", 0);
    page_.grid->SetRowId(page_.grid->InsertRow(0, u"BR12000001"), 101);
    page_.grid->SetRowSelected(0, true, false);
    page_.printPause = [](int) {};
    page_.confirmPrint = [this](int, const std::u16string& message, int& copies) {
      confirmed_.push_back(message);
      copies = 1;
      return true;
    };
  }
  void TearDown() override { ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00")); }

  // What the operator was told by the jobs (the renderers' messages).
  std::vector<std::string> JobMessages() {
    std::vector<std::string> messages;
    for (const std::string& line : world_->log)
      if (line.rfind("MSG\t", 0) == 0) messages.push_back(line.substr(4));
    world_->log.clear();
    return messages;
  }

  // Runs the page's three print commands, one after the other.
  void RunCommands() {
    page_.OnPrintWaybill();
    boxes_.QueueAnswer(platform::kIdYes);  // the label question
    page_.OnPrintLabel();
    page_.OnPrintInvoice(0);
    EXPECT_EQ(page_.printBusy, 0);
  }

  fs::path out_;
  std::u16string queue_;
  std::unique_ptr<CaseWorld> world_;
  CTemplateModel invoice_{Gbk("形式发票"), Gbk("invoice")};
  CInvoiceCellMap map_;
  CLabelLayout layout_;
  std::unique_ptr<JobDoors> doors_;
  std::unique_ptr<DoorsHost> host_;
  CViewPage page_;
  std::vector<std::u16string> confirmed_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scoped_{&boxes_};
};

TEST_F(PagePrintQueue, NoQueueAndARefusingQueueAreReportedInEnglish) {
  ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "01"));
  const std::vector<std::string> noQueue = {
      "The waybill BR12000001 was not printed: there is no print queue.",
      "The labels of waybill BR12000001 were not printed: there is no print queue.",
      "The proforma invoice of waybill BR12000001 was not printed: there is no print queue.",
  };
  queue_.clear();
  RunCommands();
  EXPECT_EQ(JobMessages(), noQueue);
  // The label loop names what it left unprinted.
  EXPECT_EQ(boxes_.LastText(), u"These waybills were not printed: 101");
  EXPECT_EQ(confirmed_.back(), u"Only one waybill is selected.");

  queue_ = u"BrantleShut";
  RunCommands();
  EXPECT_EQ(JobMessages(),
            (std::vector<std::string>{
                "The waybill BR12000001 was not printed: the print queue BrantleShut refused the job.",
                "The labels of waybill BR12000001 were not printed: the print queue BrantleShut "
                "refused the job.",
                "The proforma invoice of waybill BR12000001 was not printed: the print queue "
                "BrantleShut refused the job.",
            }));
}

TEST_F(PagePrintQueue, ChineseOperatorAndAQueueThatPrints) {
  ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00"));
  queue_.clear();
  page_.OnPrintWaybill();
  EXPECT_EQ(JobMessages(), std::vector<std::string>{"运单BR12000001没有打印：没有打印队列。"});

  // A queue that takes jobs: every command prints and nobody is told.
  const auto pdfs = [] {
    size_t n = 0;
    for (auto& e : fs::directory_iterator(CupsEnvironment::Cups().PdfFolder()))
      n += e.path().extension() == ".pdf" ? 1 : 0;
    return n;
  };
  const size_t before = pdfs();
  queue_ = u"BrantleOpen";
  size_t boxesBefore = boxes_.Count();
  RunCommands();
  EXPECT_EQ(JobMessages(), std::vector<std::string>{});
  EXPECT_EQ(boxes_.Count(), boxesBefore + 1) << "only the label question";
  EXPECT_EQ(confirmed_.back(), u"仅选中一票。");
  EXPECT_TRUE(testsupport::WaitUntil([&] { return pdfs() >= before + 3; }, testsupport::kWaitLimit))
      << CupsEnvironment::Cups().ErrorLog();
}

}  // namespace
