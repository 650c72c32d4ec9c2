// Dialog 161 as the operator uses it: double-click a template's row, pick a
// printer, confirm; and the menu command with a private CUPS scheduler
// (needs root with CAP_SYS_ADMIN, as the office print tests).
#include "ui/PrinterAssignDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "platform/MessageBox.h"
#include "print/TemplatePrinterList.h"
#include "tests/PrivateCups.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "tests/QtTestSupport.h"
#include "tests/TempFolder.h"
#include "ui/ListGrid.h"
#include "ui/ListPickDlg.h"

namespace fs = std::filesystem;

namespace {

// Runs `drive` on the modal dialog of that type once it is open.  It polls
// instead of waiting, so that the code opening the dialog may itself be
// inside a wait (platform::WaitForWork) when the timer fires.
template <typename Dialog>
void WhenOpen(std::function<void(Dialog&)> drive) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, drive] {
    auto* dialog = dynamic_cast<Dialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    timer->stop();
    timer->deleteLater();
    drive(*dialog);
  });
  timer->start();
}

void DoubleClickRow(CListGrid& grid, int row) {
  const QRect cell = grid.visualRect(grid.model()->index(row, 0));
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
}

// Picks the printer of that line in the pick dialog once it opens.
void PickWhenOpen(int line, bool ok = true) {
  WhenOpen<CListPickDlg>([line, ok](CListPickDlg& pick) {
    pick.ListBox()->setCurrentRow(line);
    QTest::mouseClick(ok ? pick.OkButton() : pick.CancelButton(), Qt::LeftButton);
  });
}

void SaveScreenshot(QWidget& widget, const char* name) {
  QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
  EXPECT_TRUE(widget.grab().toImage().save(QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") +
                                           QLatin1String(name)));
}

const std::vector<std::u16string> kPrinters = {u"BrantlePdf", u"BrantleLabel", u"Office laser 3F"};

std::vector<PrinterAssignRow> Rows() {
  return {{-1, u"渠道面单", u"ABC", u""},
          {-2, u"快件标签", u"A6", u"BrantlePdf"},
          {-3, u"形式发票", u"EU", u""}};
}

}  // namespace

TEST(PrinterAssignDlg, DoubleClickPicksAPrinterAndOkKeepsTheRowsWithOne) {
  CTemplatePrinterList list;
  list.AddOrReplace({3, u"形式发票", u"", u"Old invoice printer"});
  CPrinterAssignDlg dialog(kPrinters, Rows(), list);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  EXPECT_EQ(dialog.windowTitle(), QString::fromUtf16(u"多台打印设备固定打印关联设置(双击列表项设置)"));
  CListGrid& grid = *dialog.List();
  ASSERT_EQ(grid.RowCount(), 3);
  EXPECT_EQ(grid.ColumnCount(), 4);
  EXPECT_EQ(grid.CellText(1, 1), u"BrantlePdf");
  EXPECT_EQ(grid.CellText(1, 3), u"-2");
  EXPECT_EQ(grid.columnWidth(3), 0);  // the kind value stays hidden

  // Row 0 gets the label printer, row 1 changes to the office laser.
  PickWhenOpen(1);
  DoubleClickRow(grid, 0);
  EXPECT_EQ(grid.CellText(0, 1), u"BrantleLabel");
  PickWhenOpen(2);
  DoubleClickRow(grid, 1);
  EXPECT_EQ(grid.CellText(1, 1), u"Office laser 3F");
  // A pick cancelled changes nothing.
  PickWhenOpen(0, false);
  DoubleClickRow(grid, 1);
  EXPECT_EQ(grid.CellText(1, 1), u"Office laser 3F");
  SaveScreenshot(dialog, "printer_assign_dialog.png");

  QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  // Row 2 has no printer: the invoices lose their association.
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(*list.GetAt(0), (TemplatePrinterRecord{-1, u"渠道面单", u"ABC", u"BrantleLabel"}));
  EXPECT_EQ(*list.GetAt(1), (TemplatePrinterRecord{-2, u"快件标签", u"A6", u"Office laser 3F"}));
}

TEST(PrinterAssignDlg, CancelAndADoubleClickOutsideTheRowsChangeNothing) {
  CTemplatePrinterList list;
  list.AddOrReplace({-2, u"快件标签", u"A6", u"BrantlePdf"});
  CPrinterAssignDlg dialog(kPrinters, Rows(), list);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  CListGrid& grid = *dialog.List();
  grid.clearSelection();
  const QPoint below(20, grid.viewport()->height() - 5);
  QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, below);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  PickWhenOpen(1);
  DoubleClickRow(grid, 0);
  EXPECT_EQ(grid.CellText(0, 1), u"BrantleLabel");
  QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.GetAt(0)->printerName, u"BrantlePdf");
}

class PrinterAssignCommand : public testsupport::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    fs::permissions(folder_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec);
    programFolder_ = folder_ / "program";
    fs::create_directories(programFolder_ / "DATA_MODEL");
    for (const char* name : {"TAB_ABC.xls", "TAB_ABC.txt", "lbl_a6.xls", "lbl_a6.txt"}) {
      std::ofstream(programFolder_ / "DATA_MODEL" / name) << "x";
    }
  }
  void TearDown() override {
    cups_.Stop();
    TempFolderTest::TearDown();
  }
  std::string Program() const { return programFolder_.string() + "/"; }

  fs::path programFolder_;
  testsupport::PrivateCups cups_;
  platform::RecordingMessageBoxService boxes_;
};

TEST_F(PrinterAssignCommand, FewerThanTwoPrintersSaySoAndTwoRunTheDialogAndSave) {
  platform::ScopedMessageBoxService scoped(&boxes_);
  CTemplatePrinterList list;
  setenv("CUPS_SERVER", (folder_ / "nobody.sock").c_str(), 1);
  RunPrinterAssignment(nullptr, Program(), list);
  ASSERT_EQ(boxes_.Count(), 1u);
  EXPECT_EQ(boxes_.LastText(), u"没有检测到打印机安装。\r\n请至少安装两台打印机后\r\n再启动关联设置。");

  ASSERT_EQ(cups_.Start(folder_ / "cups", {"BrantlePdf"}), "");
  RunPrinterAssignment(nullptr, Program(), list);
  ASSERT_EQ(boxes_.Count(), 2u);
  EXPECT_EQ(boxes_.LastText(), u"系统只安装了一台打印机。\r\n请至少安装两台打印机后\r\n再启动关联设置。");
  EXPECT_FALSE(fs::exists(programFolder_ / kPrinterFileName));

  ASSERT_EQ(cups_.AddQueue("BrantleLabel"), "");
  WhenOpen<CPrinterAssignDlg>([](CPrinterAssignDlg& dialog) {
    ASSERT_EQ(dialog.List()->RowCount(), 2);
    EXPECT_EQ(dialog.List()->CellText(0, 2), u"ABC");
    EXPECT_EQ(dialog.List()->CellText(1, 2), u"A6");
    std::vector<std::u16string> offered = dialog.printerNames;
    std::sort(offered.begin(), offered.end());
    EXPECT_EQ(offered, (std::vector<std::u16string>{u"BrantleLabel", u"BrantlePdf"}));
    const int label = dialog.printerNames[0] == u"BrantleLabel" ? 0 : 1;
    PickWhenOpen(label);
    DoubleClickRow(*dialog.List(), 1);
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
  });
  RunPrinterAssignment(nullptr, Program(), list);
  ASSERT_EQ(boxes_.Count(), 3u);
  EXPECT_EQ(boxes_.LastText(), u"设置完成。");
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(*list.GetAt(0), (TemplatePrinterRecord{-2, u"快件标签", u"A6", u"BrantleLabel"}));
  std::ifstream in(programFolder_ / kPrinterFileName, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()),
            EncodePrinterFile(list));
  // The job of a label goes to its queue; the default queue stays.
  EXPECT_EQ(JobPrinter(list, 2, u"A6"), u"BrantleLabel");
  EXPECT_EQ(testsupport::PrivateCups::DefaultQueue(), "BrantlePdf");

  // A file that cannot be written: the operator is told, nothing half written.
  fs::remove(programFolder_ / kPrinterFileName);
  fs::create_directories(programFolder_ / kPrinterFileName);
  WhenOpen<CPrinterAssignDlg>(
      [](CPrinterAssignDlg& dialog) { QTest::mouseClick(dialog.OkButton(), Qt::LeftButton); });
  RunPrinterAssignment(nullptr, Program(), list);
  ASSERT_EQ(boxes_.Count(), 4u);
  EXPECT_EQ(boxes_.LastText(), u"设置文件打开错误，未完成。");
  EXPECT_TRUE(fs::is_directory(programFolder_ / kPrinterFileName));
}

// The association messages in English come from the language data; in
// Chinese they are the fixed texts.
TEST_F(PrinterAssignCommand, MessagesInTheOperatorsLanguage) {
  platform::ScopedMessageBoxService scoped(&boxes_);
  ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "01"));
  CTemplatePrinterList list;
  setenv("CUPS_SERVER", (folder_ / "nobody.sock").c_str(), 1);
  RunPrinterAssignment(nullptr, Program(), list);
  EXPECT_EQ(boxes_.LastText(),
            u"No printer is installed.\r\nInstall at least two printers\r\nbefore setting up the "
            u"associations.");
  ASSERT_EQ(cups_.Start(folder_ / "cups", {"BrantlePdf"}), "");
  RunPrinterAssignment(nullptr, Program(), list);
  EXPECT_EQ(boxes_.LastText(),
            u"Only one printer is installed.\r\nInstall at least two printers\r\nbefore setting "
            u"up the associations.");
  ASSERT_EQ(cups_.AddQueue("BrantleLabel"), "");
  WhenOpen<CPrinterAssignDlg>(
      [](CPrinterAssignDlg& dialog) { QTest::mouseClick(dialog.OkButton(), Qt::LeftButton); });
  RunPrinterAssignment(nullptr, Program(), list);
  EXPECT_EQ(boxes_.LastText(), u"The associations are saved.");

  ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00"));
  WhenOpen<CPrinterAssignDlg>(
      [](CPrinterAssignDlg& dialog) { QTest::mouseClick(dialog.OkButton(), Qt::LeftButton); });
  RunPrinterAssignment(nullptr, Program(), list);
  EXPECT_EQ(boxes_.LastText(), u"设置完成。");
  EXPECT_EQ(boxes_.Count(), 4u);
}
