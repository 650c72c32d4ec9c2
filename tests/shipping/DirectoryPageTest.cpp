// The sender and receiver directory: the checked save of the record form,
// edits by id across a growing store, the import read by headings with its
// report of refused rows, and the page driven by keys and clicks.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "refdata/DirectoryTable.h"
#include "shell/BrantleClientApp.h"
#include "shipping/DirectoryForm.h"
#include "shipping/DirectoryPage.h"
#include "shipping/DirectoryRecordDlg.h"
#include "tests/QtTestSupport.h"
#include "ui/ViewHost.h"
#include "tests/TempFolder.h"
#include "tests/refdata/RepositoryLanguage.h"

namespace {

DirectoryTexts Texts(std::u16string code, std::u16string name, std::u16string phone,
                     std::u16string address) {
  DirectoryTexts t;
  t[kDirCode] = std::move(code);
  t[kDirName] = std::move(name);
  t[kDirPhone] = std::move(phone);
  t[kDirAddress] = std::move(address);
  t[kDirCity] = u"深圳";
  return t;
}

class DirectoryTest : public testsupport::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00"));
    ASSERT_EQ(0, index_.Load(folder_ / "rsdata.dat"));
  }
  void TearDown() override {
    table_.Close();
    TempFolderTest::TearDown();
  }

  int32_t Save(int32_t id, DirectoryTexts t) {
    DirectoryRecord saved{};
    return CDirectoryEditor(index_).Save(id, t, saved) ? saved.id : 0;
  }
  std::string CodeOf(int32_t id) {
    auto* r = static_cast<DirectoryRecord*>(table_.FindById(id));
    return r ? std::string(r->code) : std::string("<none>");
  }

  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CDirectoryTable table_;
  CDirectoryIndex index_{table_};
};

TEST_F(DirectoryTest, SaveMakesCodesAndRefusesAnotherEntrysNameOrPhone) {
  // An empty code comes from the name's initials; a typed one is lower-cased.
  const int32_t zhang = Save(-1, Texts(u"", u"张三", u"13800000001", u"深圳市南山区"));
  ASSERT_GT(zhang, 0);
  EXPECT_EQ("zs", CodeOf(zhang));
  const int32_t li = Save(-1, Texts(u"LS01", u"李四", u"13800000002", u"广州市天河区"));
  ASSERT_GT(li, 0);
  EXPECT_EQ("ls01", CodeOf(li));

  // Saved again under its own name, phone and code.
  EXPECT_EQ(zhang, Save(zhang, Texts(u"zs", u"张三", u"13800000001", u"深圳市福田区")));

  struct Case {
    DirectoryTexts texts;
    const char16_t* message;
  } cases[] = {
      {Texts(u"", u"李四", u"139", u"北京市朝阳区"), u"相同姓名的记录已经存在。"},
      {Texts(u"", u"王五", u"13800000002", u"北京市朝阳区"), u"相同电话号码的记录已经存在。"},
      {Texts(u"ZS", u"王五", u"", u"北京市朝阳区"), u"编码重复，不能保存。"},
      {Texts(u"", u"王五", u"", u"abcd"), nullptr},  // an address of 4 bytes
  };
  for (auto& c : cases) {
    boxes_.Clear();
    EXPECT_EQ(0, Save(-1, c.texts));
    ASSERT_EQ(1u, boxes_.Count());
    if (c.message) EXPECT_EQ(c.message, boxes_.LastText());
  }
  EXPECT_EQ(2, table_.GetCount());
}

// Every edit names its entry by id: growing the store (which maps it anew)
// between the load and the save changes the entry that was loaded.
TEST_F(DirectoryTest, EditAfterTheStoreGrewChangesTheRightEntry) {
  const int32_t first = Save(-1, Texts(u"", u"Anna", u"1001", u"Street 1"));
  const int32_t second = Save(-1, Texts(u"", u"Bert", u"1002", u"Street 2"));
  for (int k = 0; k < 300; ++k)
    ASSERT_GT(Save(-1, Texts(u"", u"Name" + WideFromGbk(std::to_string(k)),
                             u"2" + WideFromGbk(std::to_string(k)), u"Street x")),
              0);
  DirectoryTexts edited = Texts(u"", u"Bert", u"1002", u"Changed street");
  ASSERT_EQ(second, Save(second, edited));
  auto* b = static_cast<DirectoryRecord*>(table_.FindById(second));
  ASSERT_NE(nullptr, b);
  EXPECT_STREQ("Changed street", b->address);
  auto* a = static_cast<DirectoryRecord*>(table_.FindById(first));
  ASSERT_NE(nullptr, a);
  EXPECT_STREQ("Street 1", a->address);
  // The indexes follow: the phone finds the edited entry.
  EXPECT_EQ(second, index_.FindByPhone("1002")->id);
}

class MapSheet : public DirectorySheet {
 public:
  std::map<std::pair<int, int>, std::u16string> cells;
  std::u16string Cell(int row, int column) override {
    auto it = cells.find({row, column});
    return it == cells.end() ? std::u16string() : it->second;
  }
  void Row(int row, std::initializer_list<std::u16string> values) {
    int c = 1;
    for (const auto& v : values) cells[{row, c++}] = v;
  }
};

TEST_F(DirectoryTest, ImportReadsByHeadingsAndReportsRefusedRows) {
  Save(-1, Texts(u"", u"已有", u"555", u"Old street"));
  MapSheet sheet;
  // Headings in another order, one beyond the thirteenth column ignored.
  sheet.Row(1, {u"地址", u" 电话 ", u"姓名", u"备注", u"编码", u"", u"", u"", u"", u"", u"", u"",
                u"", u"国家"});
  sheet.Row(2, {u"A", u"1", u"甲", u"memo 1", u""});           // address of 1 byte accepted
  sheet.Row(3, {u"Road 3", u"3", u"已有", u"", u""});          // name already stored: skipped
  sheet.Row(5, {u"Road 5", u"5", u"乙", u"", u"BIGCODE"});     // row 4 empty: skipped
  sheet.Row(6, {u"Road 6", u"6", u"丙", u"", u"toolongcode12"});  // code of 13: refused
  sheet.Row(7, {u"Road 7", u"", u"丁", u"", u""});             // no phone: skipped
  sheet.Row(8, {u"Road 8", u"8", u"戊", u"", u""});
  sheet.cells[{8, 14}] = u"Nowhere";
  // Rows 9 .. 11 empty: the import ends at row 11; row 12 is not read.
  sheet.Row(12, {u"Road 12", u"12", u"己", u"", u""});
  std::vector<int32_t> added;
  const DirectoryImportResult r =
      ImportDirectorySheet(index_, sheet, [&](const DirectoryRecord& d) { added.push_back(d.id); });
  ASSERT_TRUE(r.headingsFound);
  EXPECT_EQ(3, r.written);
  EXPECT_EQ(1, r.refused);
  EXPECT_EQ(2, r.skipped);
  EXPECT_EQ(3u, added.size());
  EXPECT_NE(std::u16string::npos, r.report.find(u"编码")) << Utf8FromWide(r.report);
  const DirectoryRecord* yi = index_.FindByName(GbkFromWide(u"乙"));
  ASSERT_NE(nullptr, yi);
  EXPECT_STREQ("bigcode", yi->code);
  const DirectoryRecord* jia = index_.FindByName(GbkFromWide(u"甲"));
  ASSERT_NE(nullptr, jia);
  EXPECT_STREQ("memo 1", jia->memo);
  EXPECT_STREQ("A", jia->address);
  EXPECT_EQ(nullptr, index_.FindByName(GbkFromWide(u"己")));
  EXPECT_STREQ("", index_.FindByName(GbkFromWide(u"戊"))->country);

  const std::u16string summary = DirectoryImportSummary(r);
  EXPECT_EQ(0u, summary.find(u"本次导入共成功写入3条名录。"));

  MapSheet missing;
  missing.Row(1, {u"姓名", u"电话"});
  EXPECT_FALSE(ImportDirectorySheet(index_, missing, nullptr).headingsFound);
}

// ---- the page ----

class TestPage : public CDirectoryPage {
 public:
  using CDirectoryPage::CDirectoryPage;
};

class ScreenHost : public CViewHost {
 public:
  QSize ScreenSize() const override { return QSize(1280, 720); }
};

class DirectoryPageTest : public DirectoryTest {
 protected:
  void Build(const std::string& language) {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), language));
    page_ = std::make_unique<TestPage>();
    page_->SetDirectory(&index_);
    page_->index = 4;
    page_->host = &host_;
    page_->CreatePageWindow(nullptr, QSize(1280, 720));
    page_->OnPageCreated();
    page_->show();
  }
  void Type(int field, const QString& text) {
    QWidget* box = page_->Form()->Box(field);
    box->setFocus();
    // Typed character by character, as an input method hands them over.
    for (QChar c : text) {
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(box, &press);
    }
  }
  void Shot(const QString& name) {
    QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
    EXPECT_TRUE(page_->grab().toImage().save(QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") +
                                             name + ".png"));
  }
  ScreenHost host_;
  std::unique_ptr<TestPage> page_;
};

TEST_F(DirectoryPageTest, OperatorAddsEditsAndDeletesEntries) {
  Save(-1, Texts(u"", u"张三", u"13800000001", u"深圳市南山区科技园"));
  Build("00");
  ASSERT_EQ(1, page_->grid->RowCount());

  CDirectoryRecordDlg* form = page_->Form();
  Type(kDirName, QStringLiteral("李四"));
  Type(kDirPhone, QStringLiteral("13900000002"));
  Type(kDirAddress, QStringLiteral("广州市天河区体育西路"));
  Type(kDirCompany, QStringLiteral("天河贸易"));
  QTest::keyClick(form->Box(kDirCompany), Qt::Key_S, Qt::ControlModifier);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return page_->grid->RowCount() == 2; }));
  EXPECT_EQ(u"ls", page_->grid->CellText(1, 1));
  EXPECT_EQ(u"天河贸易", page_->grid->CellText(1, 3));
  EXPECT_EQ(-1, form->EditedId());

  // Enter in the phone box finds the entry and loads it.
  Type(kDirPhone, QStringLiteral("13800000001"));
  QTest::keyClick(form->Box(kDirPhone), Qt::Key_Return);
  const int32_t zhang = page_->grid->GetRowId(0);
  EXPECT_EQ(zhang, form->EditedId());
  EXPECT_EQ(u"张三", form->BoxText(kDirName));
  Shot("directory_page_zh");

  // Enter in the code box finds the entry of that code.
  form->ClearForm();
  Type(kDirCode, QStringLiteral("LS"));
  QTest::keyClick(form->Box(kDirCode), Qt::Key_Return);
  EXPECT_EQ(u"李四", form->BoxText(kDirName));
  form->LoadRecord(zhang);

  // Delete while the form is shown: the form's entry, whatever is selected.
  page_->grid->SetRowSelected(1, true, false);
  boxes_.QueueAnswer(platform::kIdYes);
  page_->OnDelete();
  ASSERT_TRUE(testsupport::WaitUntil([&] { return page_->grid->RowCount() == 1; }));
  EXPECT_EQ(u"李四", page_->grid->CellText(0, 2));
  EXPECT_EQ(u"1", page_->grid->CellText(0, 0));

  // In the list-only layout the selected rows go.
  page_->ShowListMode(1);
  page_->grid->SetRowSelected(0, true, false);
  boxes_.QueueAnswer(platform::kIdYes);
  page_->OnDelete();
  EXPECT_EQ(0, page_->grid->RowCount());
  EXPECT_EQ(0, table_.GetCount());
}

TEST_F(DirectoryPageTest, CopyAllAndPasteAllKeepTheCodeOut) {
  Save(-1, Texts(u"", u"Carl Smith", u"+1 555 0100", u"1 Main Street"));
  Save(-1, Texts(u"", u"Dora Jones", u"+1 555 0101", u"2 Side Street"));
  Build("01");
  page_->OnRowDoubleClick(0);
  page_->OnCopyAll();
  EXPECT_TRUE(page_->pasteReady);
  page_->OnNewRecord();
  page_->Form()->SetBoxText(kDirCode, u"keep");
  page_->OnPasteAll();
  EXPECT_EQ(u"keep", page_->Form()->BoxText(kDirCode));
  EXPECT_EQ(u"Carl Smith", page_->Form()->BoxText(kDirName));
  EXPECT_EQ(u"1 Main Street", page_->Form()->BoxText(kDirAddress));
  page_->OnRowDoubleClick(1);
  Shot("directory_page_en");
}

// The import's file dialog offers the application's Excel filter, the one
// the start-up widens once the office suite reads the newer workbooks.
TEST_F(DirectoryPageTest, TheImportOffersTheApplicationsExcelFilter) {
  struct AppHost : ScreenHost {
    CBrantleClientApp* Application() override { return app; }
    CBrantleClientApp* app = nullptr;
  };
  CBrantleClientApp app;
  app.excelFileFilter = u"Excel file (*.xls,*.xlsx)|*.xls;*.xlsx|";
  AppHost host;
  Build("00");
  QString offered;
  page_->chooseImportFile = [&](const QString& filter) {
    offered = filter;
    return std::u16string();
  };
  page_->OnImportExcel();
  EXPECT_EQ(offered, QStringLiteral("Excel file (*.xls)"));  // without the application
  host.app = &app;
  page_->host = &host;
  page_->OnImportExcel();
  EXPECT_EQ(offered, QStringLiteral("Excel file (*.xls,*.xlsx)"));
  page_->host = &host_;
}

}  // namespace
