// The import panels driven with keys and clicks (reset, the captions, the
// keys, the requests to the page), the row removal with a totals row, and
// the record update's file dialog on CSV files: its texts, its colours,
// its checks and what a refused file leaves.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <filesystem>
#include <fstream>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "import/ImportPanel.h"
#include "platform/MessageBox.h"
#include "shipping/FileUpdateDlg.h"
#include "tests/QtTestSupport.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "ui/LinkLabel.h"
#include "ui/ListGrid.h"
#include "ui/ViewPage.h"

namespace {

namespace fs = std::filesystem;

std::u16string W(const char* utf8) { return QString::fromUtf8(utf8).toStdU16String(); }

// Receives the panel's requests.
class RequestPage : public CViewPage {
 public:
  std::vector<quintptr> requests;
  qintptr OnRecordSaved(quintptr wParam, qintptr) override {
    requests.push_back(wParam);
    return 0;
  }
};

class Panels : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00")); }
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
};

TEST_F(Panels, TheTrackPanelResetsPicksPromptsMovesWithKeysAndAsksThePage) {
  RequestPage page;
  CTrackImportDlg panel(&page);
  panel.pageWindow = &page;
  panel.chooseCommonPrompt = [](std::u16string& text) {
    text = u"已签收";
    return true;
  };
  page.resize(400, 700);
  panel.setGeometry(5, 3, 310, 660);
  page.show();
  QApplication::setActiveWindow(&page);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
  EXPECT_EQ(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")), panel.DateEdit()->text());
  EXPECT_EQ(19, panel.DateEdit()->maxLength());
  EXPECT_EQ(254, panel.EventEdit()->maxLength());
  EXPECT_EQ(126, panel.PlaceEdit()->maxLength());
  EXPECT_EQ(u"选择版本:", panel.findChildren<QLabel*>()[0]->text().toStdU16String());

  QTest::mouseClick(panel.VersionButton(1), Qt::LeftButton);
  QTest::mouseClick(panel.NumberKindButton(2), Qt::LeftButton, {}, QPoint(8, 10));
  QTest::mouseClick(panel.PositionButton(2), Qt::LeftButton);
  QTest::mouseClick(panel.EventCaption(), Qt::LeftButton);
  QTest::mouseClick(panel.PlaceCaption(), Qt::LeftButton);
  EXPECT_EQ(u"已签收", panel.EventText());
  EXPECT_EQ(u"已签收", panel.Place());
  QTest::mouseClick(panel.DateCaption(), Qt::LeftButton);
  EXPECT_EQ(QDateTime::currentDateTime().addSecs(-3600).toString(QStringLiteral("yyyy-MM-dd HH:mm")),
            panel.DateEdit()->text());
  EXPECT_EQ(1, panel.Version());
  EXPECT_EQ(2, panel.NumberKind());
  EXPECT_EQ(2, panel.Position());

  // Enter and Down go on, Up goes back, Escape and Page Up do nothing.
  panel.PlaceEdit()->setFocus();
  QTest::keyClick(panel.PlaceEdit(), Qt::Key_Return);
  EXPECT_EQ(panel.EventEdit(), QApplication::focusWidget());
  QTest::keyClick(panel.EventEdit(), Qt::Key_Up);
  EXPECT_EQ(panel.PlaceEdit(), QApplication::focusWidget());
  QTest::keyClick(panel.PlaceEdit(), Qt::Key_Down);
  EXPECT_EQ(panel.EventEdit(), QApplication::focusWidget());
  QTest::keyClick(panel.EventEdit(), Qt::Key_Escape);
  QTest::keyClick(panel.EventEdit(), Qt::Key_PageUp);
  EXPECT_TRUE(panel.isVisible());
  EXPECT_EQ(panel.EventEdit(), QApplication::focusWidget());

  int clicks = 0;
  QObject::connect(panel.ImportButton(), &QPushButton::clicked, [&] { ++clicks; });
  QTest::mouseClick(panel.ImportButton(), Qt::LeftButton);
  QTest::mouseClick(panel.TemplateButton(), Qt::LeftButton);
  EXPECT_EQ(1, clicks);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return page.requests.size() == 2; }, 5 * 1000));
  EXPECT_EQ((std::vector<quintptr>{1, 2}), page.requests);

  panel.Reset();
  EXPECT_EQ(u"", panel.EventText());
  EXPECT_EQ(u"", panel.Place());
  EXPECT_EQ(0, panel.Version());
  EXPECT_EQ(0, panel.NumberKind());
  EXPECT_EQ(0, panel.Position());
}

TEST_F(Panels, TheTransferPanelHasMixedMatchingAndItsOwnCaptions) {
  CTransferNoImportDlg panel;
  EXPECT_EQ(u"匹配转单号*", panel.NumberKindButton(2)->text().toStdU16String());
  EXPECT_EQ(u"参考号匹配", panel.NumberKindButton(1)->text().toStdU16String());
  EXPECT_FALSE(panel.Mixed());
  panel.show();
  QTest::mouseClick(panel.MixedCheck(), Qt::LeftButton, {}, QPoint(8, 10));
  EXPECT_TRUE(panel.Mixed());
  EXPECT_EQ(u"导出标准Excel表头", panel.TemplateButton()->text().toStdU16String());
}

TEST_F(Panels, RowRemovalKeepsATotalsRowAndItsSums) {
  CViewPage page;
  page.CreatePageWindow(nullptr, QSize(800, 600));
  CListGrid& grid = *page.grid;
  grid.InsertColumn(0, 50, u"No", 0);
  grid.InsertColumn(1, 80, u"Amount", 0);
  grid.SetRowNumbers(true);
  grid.SetTotalsRow(true);
  for (int r = 0; r < 3; ++r) {
    grid.InsertRow(r, QString::number(r + 1).toStdU16String());
    grid.SetCellText(r, 1, QString::number(10 * (r + 1)).toStdU16String() + u".00");
  }
  const std::u16string label = CListGridModel::TotalsLabel().toStdU16String();
  grid.InsertRow(3, label);
  grid.SetCellText(3, 1, u"60.00");
  for (int r = 0; r < 4; ++r) grid.SetRowSelected(r, r == 1 || r == 3, false);
  EXPECT_TRUE(page.RemoveRows(1, false, true));
  ASSERT_EQ(3, grid.RowCount());
  EXPECT_EQ(u"30.00", grid.CellText(1, 1));
  EXPECT_EQ(u"40.00", grid.CellText(2, 1));
  EXPECT_EQ(label, grid.CellText(2, 0).substr(0, label.size()));
}

// ---- the record update's file dialog ----

class FileUpdate : public Panels {
 protected:
  void SetUp() override {
    Panels::SetUp();
    folder_ = fs::temp_directory_path() / ("brantle-fileupdate-" + std::to_string(::getpid()));
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }
  std::u16string File(const std::string& name, const char* utf8) {
    std::ofstream(folder_ / name, std::ios::binary) << GbkFromWide(W(utf8));
    return (folder_ / name).u16string();
  }
  fs::path folder_;
};

TEST_F(FileUpdate, TextsColoursAndTheFormatRules) {
  CFileUpdateDlg dialog;
  EXPECT_EQ(u"选择更新文件", dialog.windowTitle().toStdU16String());
  EXPECT_EQ(u"确认！执行导入更新...", dialog.OkButton()->text().toStdU16String());
  EXPECT_EQ(u"取消关闭", dialog.CancelButton()->text().toStdU16String());
  EXPECT_EQ(u"运单号为转单号", dialog.TransferRadio()->text().toStdU16String());
  EXPECT_TRUE(dialog.OverwriteCheck()->isChecked());
  EXPECT_TRUE(dialog.InnerRadio()->isChecked());
  for (QWidget* box : {static_cast<QWidget*>(dialog.PathEdit()), static_cast<QWidget*>(dialog.ResultEdit())}) {
    EXPECT_EQ(QColor(240, 255, 240), box->palette().color(QPalette::Base));
    EXPECT_EQ(QColor(255, 0, 0), box->palette().color(QPalette::Text));
  }
  const std::u16string rules = CFileUpdateDlg::FormatRulesText();
  EXPECT_EQ(0u, rules.find(W("Excel 或 CSV 文件格式规范:\r\n第一行为字段头定义\r\n数据从第二行开始\r\n字段头中需含【运单号】\r\n"
                              "可导入更新字段为：\r\n━━━━━━━━━━━━\r\n参考号\r\n报关号\r\n")));
  EXPECT_NE(std::u16string::npos, rules.find(W("收件地址3\r\n━━━━━━━━━━━━\r\n")));
  // OK is taken with no file, the caller then does nothing.
  dialog.show();
  QTest::mouseClick(dialog.OverwriteCheck(), Qt::LeftButton);
  QTest::mouseClick(dialog.TransferRadio(), Qt::LeftButton);
  QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
  EXPECT_EQ(QDialog::Accepted, dialog.result());
  EXPECT_EQ(0, dialog.overwrite);
  EXPECT_EQ(1, dialog.numberKind);
  EXPECT_TRUE(dialog.fileName.empty());
  EXPECT_EQ(-1, dialog.columnMap[0]);
}

TEST_F(FileUpdate, CsvHeadersByPositionTheLastDuplicateAnd113Positions) {
  CFileUpdateDlg dialog;
  // 运单号 fifth, 收件人 twice, 备注 at position 113 (never read), a blank
  // line before the first record, 运单号码 not the key.
  std::string header = "\r\n运单号码, 收件人 ,x,y, 运单号 ,收件人";
  for (int i = 6; i < 112; ++i) header += ",";
  header += ",标签,备注\r\nA,B,C,D,E,F\r\n";
  EXPECT_TRUE(dialog.CheckFile(File("h.Csv", header.c_str())));
  EXPECT_EQ(1, dialog.csv);
  EXPECT_EQ(5, dialog.columnMap[0]);
  EXPECT_EQ(6, dialog.columnMap[23]);
  EXPECT_EQ(113, dialog.columnMap[3]);  // 标签 at position 112
  EXPECT_EQ(-1, dialog.columnMap[57]);  // 备注 at 113: not examined
  EXPECT_EQ(112, dialog.lastCsvHeaderPosition);
  EXPECT_EQ(W("【运单号】在第 5 列\r\n第 113 列〖标签〗\r\n第 6 列〖收件人〗\r\n"),
            CFileUpdateDlg::CheckResultText(dialog.columnMap));
  EXPECT_EQ(QString::fromStdU16String((folder_ / "h.Csv").u16string()), dialog.PathEdit()->text());
  const FieldUpdateChoice c = dialog.Choice();
  EXPECT_TRUE(c.csv);
  EXPECT_EQ(112, c.lastHeaderPosition);
}

TEST_F(FileUpdate, RefusedFilesLeaveTheAcceptedOne) {
  CFileUpdateDlg dialog;
  std::vector<std::u16string> readPaths;
  std::vector<bool> readAsCsv;
  dialog.readHeader = [&](const std::u16string& path, bool csv, std::vector<std::u16string>& headers,
                          std::u16string& error) {
    readPaths.push_back(path);
    readAsCsv.push_back(csv);
    if (csv) return ReadUpdateFileHeader(path, true, headers, error);
    headers = {u"运单号", u"备注"};  // the workbook's row 1
    return true;
  };
  const std::u16string good = File("first.txt", "");  // a .txt file is read as a workbook
  EXPECT_TRUE(dialog.CheckFile(good));
  EXPECT_FALSE(readAsCsv.back());
  EXPECT_EQ(0, dialog.csv);
  const QString result = dialog.ResultEdit()->toPlainText();
  struct Case {
    const char* name;
    const char* text;
    int message;
  } cases[] = {
      {"nokey.csv", "收件人,备注\r\nx,y\r\n", 320011},
      {"onlykey.csv", "运单号\r\nBR1\r\n", 320013},
      {"empty.csv", "", 320010},
      {"blank.csv", "\r\n\r\n\r\n", 320010},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(dialog.CheckFile(File(c.name, c.text))) << c.name;
    EXPECT_TRUE(readAsCsv.back());
    ASSERT_GT(boxes_.Count(), 0u);
    EXPECT_EQ(AppLanguage().Text(c.message), boxes_.LastText()) << c.name;
    EXPECT_EQ(good, dialog.fileName);
    EXPECT_EQ(0, dialog.csv);
    EXPECT_EQ(1, dialog.columnMap[0]);
    EXPECT_EQ(2, dialog.columnMap[57]);
    EXPECT_EQ(0, dialog.lastCsvHeaderPosition);
    EXPECT_EQ(result, dialog.ResultEdit()->toPlainText());
    EXPECT_EQ(QString::fromStdU16String(good), dialog.PathEdit()->text());
  }
  EXPECT_FALSE(dialog.CheckFile((folder_ / "missing.csv").u16string()));
  EXPECT_EQ(good, dialog.fileName);
}

}  // namespace
