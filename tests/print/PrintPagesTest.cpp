// The page print commands and the print dialogs, driven as an operator
// would, against fake print doors that record every job.

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <memory>
#include <mutex>
#include <map>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "print/LabelLayout.h"
#include "print/PagePrintPlan.h"
#include "print/PrintContext.h"
#include "print/PrintDoors.h"
#include "print/PrintFields.h"
#include "print/TemplateModel.h"
#include "ui/PrintConfirmDlg.h"
#include "ui/QuickScanPrintDlg.h"
#include "ui/ViewHost.h"
#include "ui/ViewPage.h"
#include "tests/print/DoorsHost.h"
#include "tests/LanguageFiles.h"
#include "tests/WaitUntil.h"
#include "tests/refdata/RepositoryLanguage.h"

namespace {

std::string Gbk(const char* utf8) {
  return GbkFromWide(QString::fromUtf8(utf8).toStdU16String());
}

// A label template with `across` labels a sheet and, when asked, the piece
// order field.
std::unique_ptr<CTemplateModel> LabelTemplate(int across, bool pieceField) {
  auto model = std::make_unique<CTemplateModel>(Gbk("快件标签"), Gbk("测试标签"));
  std::string text = "横向标签个数=" + std::to_string(across) + "\n<列表定义开始>\n内部单号=A1\n";
  if (pieceField) text += "分单序=B1\n";
  text += "<列表定义结束>\n";
  model->SetText(Gbk(text.c_str()));
  model->SetWorkbook("xls");
  return model;
}

class FakeDoors : public CPrintDoors {
 public:
  FakeDoors() { fields.Build(AppLanguage()); }
  int PrintWaybill(int32_t id, int keep, int own, int copies, std::u16string_view) override {
    std::lock_guard lock(mutex);
    if (failing.count(id)) {
      failure = failing[id];
      return 0;
    }
    failure = 0;
    waybills.push_back(id);
    waybillCopies = copies;
    (void)keep, (void)own;
    threads.insert(std::this_thread::get_id());
    return 1;
  }
  int PrintLabels(std::vector<int32_t>& ids, int, int perSheet, int& piece, int& count, int copies,
                  int serial) override {
    labelCalls.push_back({ids, serial});
    labelCopies = copies;
    if (placeNothing) return placeNothing == 1 ? 0 : 1;
    // Places up to a sheet; with pieces, a record of `pieces` pieces takes
    // one label a piece.
    int k = 0;
    while (!ids.empty() && k < perSheet) {
      labels.push_back(ids.front());
      ++k;
      if (piece >= 1) {
        if (++piece <= pieces) continue;
        piece = 1;
      }
      ids.erase(ids.begin());
    }
    (void)count;
    return 1;
  }
  int PrintProformaInvoice(int32_t id, int keep, int copies, int forced) override {
    invoices.push_back({id, keep, copies, forced});
    return 1;
  }
  CTemplateModel* CurrentTemplate(int slot) override {
    return slot == 0 ? invoiceTemplate.get() : slot == 2 ? labelTemplate.get() : nullptr;
  }
  int ChooseTemplate(int slot) override {
    chosen.push_back(slot);
    return 0;
  }
  CLabelLayout& LabelLayout() override { return layout; }
  void ReloadLabelLayout() override { layout.Load(labelTemplate.get(), fields); }
  void ReloadInvoiceMap() override { mapLoaded = invoiceTemplate != nullptr; }
  int InvoiceMapLoaded() override { return mapLoaded; }
  std::u16string InvoiceFolder() override { return u"/depot/DATA_GDPIC/202612/11"; }
  int32_t FindLocalRecord(std::string_view number, int inner) override {
    lookups.push_back(std::string(number) + (inner ? " inner" : " transfer"));
    return number == "AB1234567" ? 77 : 0;
  }
  void PlayResultSound(int index) override { sounds.push_back(index); }
  int LastPrintFailure() override { return failure; }
  std::map<int32_t, int> failing;
  int failure = 0;

  std::mutex mutex;
  std::vector<int32_t> waybills;
  int waybillCopies = 0;
  std::set<std::thread::id> threads;
  struct LabelCall {
    std::vector<int32_t> ids;
    int serial;
  };
  std::vector<LabelCall> labelCalls;
  std::vector<int32_t> labels;
  int labelCopies = 0;
  int pieces = 1;
  int placeNothing = 0;  // 1 fails, 2 succeeds without placing
  struct Invoice {
    int32_t id;
    int keep, copies, forced;
  };
  std::vector<Invoice> invoices;
  std::vector<int> chosen;
  std::vector<std::string> lookups;
  std::vector<int> sounds;
  std::unique_ptr<CTemplateModel> invoiceTemplate =
      std::make_unique<CTemplateModel>(Gbk("形式发票"), Gbk("默认形式发票"));
  std::unique_ptr<CTemplateModel> labelTemplate = LabelTemplate(1, false);
  CLabelLayout layout;
  CPrintFieldDictionary fields;
  int mapLoaded = 1;
};

// A page like the waybill page: its progress override calls the base first.
class ProgressPage : public CViewPage {
 public:
  qintptr OnPrintProgress(quintptr w, qintptr l) override {
    CViewPage::OnPrintProgress(w, l);
    progress.push_back(static_cast<int32_t>(w));
    return 0;
  }
  std::vector<int32_t> progress;
};

struct PageFixture : ::testing::Test {
  FakeDoors doors;
  DoorsHost host{&doors};
  platform::RecordingMessageBoxService boxes;
  platform::ScopedMessageBoxService scoped{&boxes};
  std::unique_ptr<ProgressPage> page = std::make_unique<ProgressPage>();
  std::vector<std::pair<int, std::u16string>> confirms;
  int confirmCopies = 3;

  void SetUp() override {
    ASSERT_TRUE(testsupport::LoadRepositoryLanguageOnce("printpages"));
    page->host = &host;
    page->CreatePageWindow(nullptr, QSize(600, 400));
    page->grid->EnableRowData(true);
    page->grid->InsertColumn(0, 120, u"No.", 0);
    page->printPause = [](int) {};
    page->confirmPrint = [this](int kind, const std::u16string& message, int& copies) {
      confirms.push_back({kind, message});
      copies = confirmCopies;
      return confirmCopies > 0;
    };
  }
  void AddRows(int n, bool select = true) {
    for (int i = 0; i < n; ++i) {
      int row = page->grid->InsertRow(page->grid->RowCount(), u"BR");
      page->grid->SetRowId(row, 1000 + row);
      if (select) page->grid->SetRowSelected(row, true, false);
    }
  }
};

TEST_F(PageFixture, OneWaybillPrintsAtOnceWithoutQuestions) {
  AddRows(3, false);
  page->grid->SetRowSelected(1, true, false);
  page->OnPrintWaybill();
  EXPECT_EQ(doors.waybills, std::vector<int32_t>{1001});
  EXPECT_EQ(doors.waybillCopies, 1);
  EXPECT_TRUE(confirms.empty());
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(page->printBusy, 0);
}

TEST_F(PageFixture, SeveralWaybillsPrintOnAWorkerReportingEachRecord) {
  AddRows(3);
  boxes.QueueAnswer(platform::kIdYes);
  page->OnPrintWaybill();
  EXPECT_EQ(page->printBusy, 1);
  ASSERT_EQ(confirms.size(), 1u);
  EXPECT_EQ(confirms[0].first, 2);
  // A second print while the first runs is refused without a message.
  page->OnPrintWaybill();
  EXPECT_EQ(boxes.Count(), 1u);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return page->printBusy == 0; }, testsupport::kWaitLimit,
                                     [] { QApplication::processEvents(); }));
  EXPECT_EQ(page->progress, (std::vector<int32_t>{1000, 1001, 1002, 0}));
  EXPECT_EQ(doors.waybills, (std::vector<int32_t>{1000, 1001, 1002}));
  EXPECT_EQ(doors.waybillCopies, 3);
  EXPECT_EQ(doors.threads.count(std::this_thread::get_id()), 0u) << "printed on the window thread";
}

// A record that cannot be loaded is skipped; a workbook that cannot be made
// ends the run.  Either way one message names the records not printed.
TEST_F(PageFixture, WaybillWorkerSkipsMissingRecordsAndStopsWithoutAWorkbook) {
  struct Case {
    int failure;
    std::vector<int32_t> printed;
    const char16_t* named;
  } cases[] = {{kRecordMissing, {1000, 1002, 1003}, u"1001"},
               {kNoWorkbook, {1000}, u"1001, 1002, 1003"}};
  for (const Case& c : cases) {
    doors.waybills.clear();
    doors.failing = {{1001, c.failure}};
    page->progress.clear();
    page->grid->DeleteAllRows();
    AddRows(4);
    boxes.Clear();
    boxes.QueueAnswer(platform::kIdYes);
    page->OnPrintWaybill();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return page->printBusy == 0 && boxes.Count() == 2; },
                                       testsupport::kWaitLimit,
                                       [] { QApplication::processEvents(); }));
    EXPECT_EQ(doors.waybills, c.printed);
    EXPECT_NE(boxes.LastText().find(c.named), std::u16string::npos)
        << QString::fromStdU16String(boxes.LastText()).toStdString();
    EXPECT_EQ(page->progress.back(), 0);
    EXPECT_EQ(page->progress.size(), c.printed.size() + 1) << "progress only for printed records";
  }
}

TEST_F(PageFixture, NoAndCancelClearTheBusyFlag) {
  AddRows(2);
  boxes.QueueAnswer(platform::kIdNo);
  page->OnPrintWaybill();
  EXPECT_EQ(page->printBusy, 0);
  boxes.QueueAnswer(platform::kIdYes);
  confirmCopies = 0;  // cancelled
  page->OnPrintWaybill();
  EXPECT_EQ(page->printBusy, 0);
  EXPECT_TRUE(doors.waybills.empty());
  // Nothing selected: the message and the flag cleared.
  page->grid->SetRowSelected(0, false, false);
  page->grid->SetRowSelected(1, false, false);
  page->OnPrintWaybill();
  EXPECT_EQ(page->printBusy, 0);
}

TEST_F(PageFixture, LabelSheetsCountInTheQuestion) {
  EXPECT_EQ(LabelSheetCount(2001, 8), 251);
  EXPECT_EQ(LabelSheetCount(16, 8), 2);
  EXPECT_EQ(LabelSheetCount(1, 8), 1);
  doors.labelTemplate = LabelTemplate(2, false);
  AddRows(5);
  boxes.QueueAnswer(platform::kIdYes);
  page->OnPrintLabel();
  ASSERT_GE(boxes.Count(), 1u);
  EXPECT_EQ(doors.labels, (std::vector<int32_t>{1000, 1001, 1002, 1003, 1004}));
  ASSERT_EQ(doors.labelCalls.size(), 3u);
  EXPECT_EQ(doors.labelCalls[0].serial, 0);
  EXPECT_EQ(doors.labelCalls[1].serial, -1);
  EXPECT_EQ(doors.labelCopies, 3);
  EXPECT_EQ(page->printBusy, 0);
}

TEST_F(PageFixture, PieceLabelsCallTheJobUntilTheBatchIsEmpty) {
  doors.labelTemplate = LabelTemplate(1, true);
  doors.pieces = 3;
  AddRows(2);
  boxes.QueueAnswer(platform::kIdYes);
  page->OnPrintLabel();
  EXPECT_EQ(doors.labels, (std::vector<int32_t>{1000, 1000, 1000, 1001, 1001, 1001}));
  EXPECT_EQ(boxes.Count(), 1u);
}

// The label loop ends when the job places nothing, and names what is left.
TEST_F(PageFixture, LabelLoopEndsWhenTheJobPlacesNothing) {
  for (int mode : {1, 2}) {
    doors.placeNothing = mode;
    doors.labelCalls.clear();
    boxes.Clear();
    page->grid->DeleteAllRows();
    AddRows(3);
    boxes.QueueAnswer(platform::kIdYes);
    page->OnPrintLabel();
    EXPECT_EQ(doors.labelCalls.size(), 1u) << mode;
    EXPECT_NE(boxes.LastText().find(u"1000"), std::u16string::npos) << mode;
    EXPECT_EQ(page->printBusy, 0);
  }
}

// 17 labels at 8 a sheet: the job gets 8, 8 and 1 ids, serial 0 on the
// first call only.  A job that leaves a record of its first sheet behind
// and then places nothing ends the run; the records left come back.
TEST(LabelBatchesTest, SheetsOfEightAndAJobThatStops) {
  std::vector<int32_t> ids;
  for (int i = 1; i <= 17; ++i) ids.push_back(i);
  FakeDoors doors;
  std::vector<int32_t> left = RunLabelBatches(doors, ids, 8, false, 1, nullptr);
  EXPECT_TRUE(left.empty());
  ASSERT_EQ(doors.labelCalls.size(), 3u);
  std::vector<size_t> sizes;
  std::vector<int> serials;
  for (const auto& call : doors.labelCalls) {
    sizes.push_back(call.ids.size());
    serials.push_back(call.serial);
  }
  EXPECT_EQ(sizes, (std::vector<size_t>{8, 8, 1}));
  EXPECT_EQ(serials, (std::vector<int>{0, -1, -1}));

  struct StuckDoors : FakeDoors {
    int calls = 0;
    int PrintLabels(std::vector<int32_t>& batch, int, int, int&, int&, int, int) override {
      if (++calls > 1) return 0;
      batch.erase(batch.begin(), batch.begin() + 7);  // one record left behind
      return 1;
    }
  } stuck;
  left = RunLabelBatches(stuck, ids, 8, true, 1, nullptr);
  EXPECT_EQ(stuck.calls, 2);
  EXPECT_EQ(left.size(), 10u);
  EXPECT_EQ(left.front(), 8);
}

TEST_F(PageFixture, InvoicesToFilesNameTheirRealFolder) {
  AddRows(3);
  boxes.QueueAnswer(platform::kIdYes);
  page->OnPrintInvoice(1);
  ASSERT_EQ(doors.invoices.size(), 3u);
  for (auto& invoice : doors.invoices) {
    EXPECT_EQ(invoice.keep, 1);
    EXPECT_EQ(invoice.copies, 1);
    EXPECT_EQ(invoice.forced, 0);
  }
  EXPECT_NE(boxes.LastText().find(u"/depot/DATA_GDPIC/202612/11"), std::u16string::npos);
  EXPECT_EQ(boxes.Count(), 2u);  // the question and the result
}

TEST_F(PageFixture, InvoicesToThePrinterTakeTheConfirmedCopies) {
  AddRows(2);
  confirmCopies = 104;
  page->OnPrintInvoice(0);
  ASSERT_EQ(confirms.size(), 1u);
  EXPECT_EQ(confirms[0].first, 0);
  ASSERT_EQ(doors.invoices.size(), 2u);
  EXPECT_EQ(doors.invoices[1].copies, 104);
  EXPECT_EQ(doors.invoices[1].keep, 0);
  // No invoice template and none chosen: nothing printed.
  doors.invoiceTemplate.reset();
  doors.invoices.clear();
  page->OnPrintInvoice(0);
  EXPECT_EQ(doors.chosen, std::vector<int>{0});
  EXPECT_TRUE(doors.invoices.empty());
  EXPECT_EQ(page->printBusy, 0);
}

TEST(PagePrintTest, APageWithoutApplicationDoesNothing) {
  CViewPage page;
  page.CreatePageWindow(nullptr, QSize(300, 200));
  page.grid->EnableRowData(true);
  page.grid->InsertColumn(0, 60, u"No.", 0);
  page.grid->SetRowId(page.grid->InsertRow(0, u"x"), 5);
  page.grid->SetRowSelected(0, true, false);
  page.OnPrintWaybill();
  page.OnPrintLabel();
  page.OnPrintInvoice(0);
  EXPECT_EQ(page.printBusy, 0);
  // The final progress message clears the flag.
  page.printBusy = 1;
  page.OnPrintProgress(0, 0);
  EXPECT_EQ(page.printBusy, 0);
}

void SaveShot(QWidget& w, const char* name) {
  QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
  EXPECT_TRUE(w.grab().save(QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") + name));
}

TEST(PrintConfirmDlgTest, CopiesAndForce) {
  EXPECT_EQ(CPrintConfirmDlg::CopiesFrom(0, 1), 1);
  EXPECT_EQ(CPrintConfirmDlg::CopiesFrom(12, 0), 9);
  EXPECT_EQ(CPrintConfirmDlg::CopiesFrom(3, 1), 103);
  EXPECT_EQ(CPrintConfirmDlg::CopiesFrom(3, 0), 3);
  CPrintConfirmDlg dlg(1);
  dlg.message = u"共选中 12 票。";
  dlg.InitDialog();
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("标签打印确认"));
  EXPECT_TRUE(dlg.ForceBox()->isChecked());
  dlg.show();
  QTest::keyClick(dlg.CopiesEdit(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(dlg.CopiesEdit(), "4");
  SaveShot(dlg, "print_confirm_dialog.png");
  QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(dlg.GetCopies(), 104);
  CPrintConfirmDlg invoice(0);
  invoice.InitDialog();
  EXPECT_EQ(invoice.copies, 2);
  EXPECT_FALSE(invoice.ForceBox()->isChecked());
}

// In English the confirmation shows English from the language data; in
// Chinese it keeps its fixed captions.  The one-waybill note of the page's
// invoice command follows the same rule.
TEST(PrintConfirmDlgTest, EnglishOnScreenAndTheChineseCaptionsKept) {
  ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "01"));
  auto labels = [](QDialog& dialog) {
    QStringList texts;
    for (QLabel* label : dialog.findChildren<QLabel*>())
      if (!label->text().isEmpty()) texts << label->text();
    return texts;
  };
  {
    const QString titles[] = {QStringLiteral("Confirm proforma invoice print"),
                              QStringLiteral("Confirm label print"),
                              QStringLiteral("Confirm waybill print")};
    for (int kind = 0; kind < 3; ++kind) {
      CPrintConfirmDlg dialog(kind);
      dialog.InitDialog();
      EXPECT_EQ(dialog.windowTitle(), titles[kind]);
    }
    CPrintConfirmDlg dlg(2);
    dlg.message = u"3 waybills selected.";
    dlg.InitDialog();
    EXPECT_EQ(labels(dlg), (QStringList{QStringLiteral("Copies:"), QStringLiteral("copies (1 to 9)"),
                                        QStringLiteral("3 waybills selected.")}));
    EXPECT_EQ(dlg.ForceBox()->text(), QStringLiteral("Print exactly the copies above"));
    EXPECT_EQ(dlg.OkButton()->text(), QStringLiteral("&Send to printer"));
    EXPECT_EQ(dlg.CancelButton()->text(), QStringLiteral("&Cancel"));
    dlg.show();
    QTest::keyClick(dlg.CopiesEdit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(dlg.CopiesEdit(), "2");
    QTest::keyClick(dlg.ForceBox(), Qt::Key_Space);
    SaveShot(dlg, "print_confirm_dialog_en.png");
    QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.GetCopies(), 2);
  }
  ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00"));
  CPrintConfirmDlg chinese(0);
  chinese.InitDialog();
  EXPECT_EQ(chinese.windowTitle(), QStringLiteral("形式发票打印确认"));
  EXPECT_EQ(labels(chinese), (QStringList{QStringLiteral("打印份数:"), QStringLiteral("份(有效值:1-9)")}));
  EXPECT_EQ(chinese.ForceBox()->text(), QStringLiteral("强制打印上面所设份数"));
  EXPECT_EQ(chinese.OkButton()->text(), QStringLiteral("确认打印 &S"));
  EXPECT_EQ(chinese.CancelButton()->text(), QStringLiteral("放弃退出 &C"));
}

TEST_F(PageFixture, OneInvoiceIsNotedInTheOperatorsLanguage) {
  AddRows(1);
  ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "01"));
  page->OnPrintInvoice(0);
  ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00"));
  page->OnPrintInvoice(0);
  ASSERT_EQ(confirms.size(), 2u);
  EXPECT_EQ(confirms[0].second, u"Only one waybill is selected.");
  EXPECT_EQ(confirms[1].second, u"仅选中一票。");
  EXPECT_EQ(doors.invoices.size(), 2u);
}

TEST(QuickScanPrintDlgTest, ScansPrintWhatIsTicked) {
  FakeDoors doors;
  doors.layout.Load(doors.labelTemplate.get(), doors.fields);
  CQuickScanPrintDlg dlg(&doors);
  dlg.show();
  dlg.ScanEdit()->setFocus();
  EXPECT_TRUE(dlg.LabelBox()->isChecked());
  QTest::keyClicks(dlg.ScanEdit(), "  ab1234567 ");
  QTest::keyClick(dlg.ScanEdit(), Qt::Key_Return);
  EXPECT_EQ(doors.lookups, std::vector<std::string>{"AB1234567 inner"});
  EXPECT_EQ(doors.waybills, std::vector<int32_t>{77});
  ASSERT_EQ(doors.invoices.size(), 1u);
  EXPECT_EQ(doors.invoices[0].copies, 1);
  EXPECT_EQ(doors.labels, std::vector<int32_t>{77});
  EXPECT_TRUE(dlg.ScanEdit()->text().isEmpty());
  // A number not found: failure sound, red box, nothing printed.
  QTest::keyClicks(dlg.ScanEdit(), "XX9");
  QTest::keyClick(dlg.ScanEdit(), Qt::Key_Return);
  EXPECT_EQ(doors.sounds, std::vector<int>{1});
  EXPECT_EQ(dlg.lastScanOk, 0);
  EXPECT_EQ(doors.waybills.size(), 1u);
  SaveShot(dlg, "quick_scan_print_dialog.png");
  // Transfer numbers of five characters find nothing; Escape keeps it open.
  dlg.ToggleNumberKind();
  EXPECT_EQ(dlg.KindLabel()->text(), QStringLiteral("转单:"));
  dlg.ScanEdit()->clear();
  QTest::keyClicks(dlg.ScanEdit(), "12345");
  QTest::keyClick(dlg.ScanEdit(), Qt::Key_Return);
  EXPECT_EQ(doors.sounds.size(), 2u);
  EXPECT_EQ(doors.lookups.size(), 2u);
  QTest::keyClick(&dlg, Qt::Key_Escape);
  EXPECT_TRUE(dlg.isVisible());
}

TEST(QuickScanPrintDlgTest, WithoutInvoiceTemplateOrOneLabelLayout) {
  FakeDoors doors;
  doors.invoiceTemplate.reset();
  doors.labelTemplate = LabelTemplate(2, false);
  doors.layout.Load(doors.labelTemplate.get(), doors.fields);
  CQuickScanPrintDlg dlg(&doors);
  EXPECT_EQ(dlg.invoiceCopies, 0);
  EXPECT_FALSE(dlg.CopiesEdit()->isEnabled());
  EXPECT_EQ(dlg.labelAvailable, 0);
  EXPECT_FALSE(dlg.LabelBox()->isEnabled());
}

}  // namespace
