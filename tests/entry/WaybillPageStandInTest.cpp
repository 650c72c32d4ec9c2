// Page 1 with its full form against the stand-in server: the list query,
// a row opened in the form, a change saved from the keyboard and followed
// by the grid, print progress marks, the delete; screenshots in both
// languages.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <memory>
#include <string>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "entry/FullFormPageRows.h"
#include "entry/WaybillForm.h"
#include "entry/WaybillPage.h"
#include "tests/QtTestSupport.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "tests/server/StandInLinkSuite.h"
#include "ui/RecordFilter.h"
#include "ui/ViewHost.h"
#include "ui/ViewPage.h"

namespace {

class ScreenHost : public CViewHost {
 public:
  QSize ScreenSize() const override { return QSize(1600, 900); }
};

std::u16string AllWaybillsSql() {
  std::u16string sql = WaybillListDateHead();
  const std::u16string parts[] = {u"1000", WaybillListSelect(), u"ddate", u"2000-01-01 00:00:00",
                                  u"2030-12-31 23:59:59"};
  for (const auto& part : parts) {
    const size_t at = sql.find(u'%');
    sql.replace(at, 2, part);
  }
  return sql + u" ORDER BY a.irid";
}

class WaybillPageStandIn : public testsupport::StandInLinkSuite<WaybillPageStandIn> {
 public:
  static constexpr const char* kRootName = "brantle-waybill-page";

 protected:
  void Build(const std::string& language) {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), language));
    ASSERT_NO_FATAL_FAILURE(OpenLink(language, "PC-PAGE1"));
    ASSERT_GT(link_.Login(u"admin", u"admin123", 0), 0);
    page_ = std::make_unique<CWaybillPage>();
    page_->index = 1;
    page_->host = &host_;
    page_->SetLink(&link_);
    page_->CreatePageWindow(nullptr, QSize(1600, 900));
    page_->OnPageCreated();
    page_->show();
  }
  int RowOf(std::u16string_view number) {
    for (int r = 0; r < page_->grid->RowCount(); ++r)
      if (page_->grid->CellText(r, 4) == number) return r;
    return -1;
  }
  void Type(QWidget* box, const QString& text) {
    box->setFocus();
    for (QChar c : text) {
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(box, &press);
    }
  }
  void Shot(QWidget* widget, const QString& name) {
    QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
    EXPECT_TRUE(widget->grab().toImage().save(QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") +
                                              name + ".png"));
  }

  ScreenHost host_;
  std::unique_ptr<CWaybillPage> page_;
};

TEST_F(WaybillPageStandIn, ListOpenSaveDeleteAndPrintMarks) {
  ASSERT_NO_FATAL_FAILURE(Build("00"));
  // Every sample waybill (40 or more).
  const int listed = page_->RunListQuery(AllWaybillsSql());
  ASSERT_GE(listed, 40) << Utf8FromWide(boxes_.LastText());
  EXPECT_EQ(listed, page_->grid->RowCount());
  const int row = RowOf(u"BR10000024");
  ASSERT_GE(row, 0);
  const int32_t id = page_->grid->GetRowId(row);
  EXPECT_EQ(id, link_.FindWaybillId(0, "BR10000024", false));

  // Opened by a double click: every field in the form.
  page_->OnRowDoubleClick(row);
  CWaybillDlg* form = page_->Form();
  ASSERT_EQ(id, form->State().loadedId) << Utf8FromWide(boxes_.LastText());
  EXPECT_TRUE(page_->saveEnabled);
  EXPECT_TRUE(page_->deleteEnabled);
  EXPECT_EQ(u"BR10000024", static_cast<QLineEdit*>(form->TextBox(kFfNum))->text().toStdU16String());
  EXPECT_EQ(u"BR10000024", form->SearchBox(0)->text().toStdU16String());
  Shot(page_.get(), "waybill_page_zh");
  Shot(form, "waybill_form_zh");

  // The remark typed and saved with Ctrl+S: the row follows.
  auto* memo = static_cast<QPlainTextEdit*>(form->TextBox(kFfMemo));
  memo->clear();
  Type(memo, QStringLiteral("周末派送"));
  QTest::keyClick(memo, Qt::Key_S, Qt::ControlModifier);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return page_->grid->CellText(row, 31) == u"周末派送"; }))
      << Utf8FromWide(boxes_.LastText());
  EXPECT_EQ(0, form->State().loadedId);  // cleared after the save
  EXPECT_FALSE(page_->saveEnabled);

  // Print progress: the row marked, then the end.
  page_->printBusy = 1;
  platform::SendPrivateMessage(page_.get(), kWmPrintProgress, static_cast<quintptr>(id), 0);
  EXPECT_EQ(u"ok", page_->grid->CellText(row, 2));
  platform::SendPrivateMessage(page_.get(), kWmPrintProgress, 0, 0);
  EXPECT_EQ(0, page_->printBusy);

  // Deleted from the form: the row goes, the rows after it renumbered.
  page_->OnRowDoubleClick(row);
  boxes_.QueueAnswer(platform::kIdYes);
  page_->OnDelete();
  ASSERT_TRUE(testsupport::WaitUntil([&] { return page_->grid->RowCount() == listed - 1; }));
  EXPECT_EQ(-1, RowOf(u"BR10000024"));
  EXPECT_EQ(WideFromGbk(std::to_string(row + 1)), page_->grid->CellText(row, 0));

  // A reply without rows keeps the list.
  EXPECT_EQ(-1, page_->RunListQuery(u"SELECT a.irid FROM brantle.dbo.client_rec a WHERE a.irid<0"));
  EXPECT_EQ(listed - 1, page_->grid->RowCount());
  EXPECT_EQ(AppLanguage().Text(20005), boxes_.LastText());
}

TEST_F(WaybillPageStandIn, EnglishFormWithALoadedWaybill) {
  ASSERT_NO_FATAL_FAILURE(Build("01"));
  // (the suite shares one stand-in: the other case may have deleted one)
  ASSERT_GE(page_->RunListQuery(AllWaybillsSql()), 39);
  const int row = RowOf(u"BR10000002");
  ASSERT_GE(row, 0);
  page_->OnRowDoubleClick(row);
  CWaybillDlg* form = page_->Form();
  ASSERT_GT(form->State().loadedId, 0);
  EXPECT_EQ(2u, form->State().pieces.size());
  // Copy-all, clear, paste-all: the values come back, the pieces do not.
  page_->OnCopyAll();
  EXPECT_TRUE(page_->pasteReady);
  const std::u16string receiver = form->Values().texts[kFfReceiver];
  page_->OnNewRecord();
  EXPECT_TRUE(static_cast<QLineEdit*>(form->TextBox(kFfReceiver))->text().isEmpty());
  page_->OnPasteAll();
  form->ReadForm();
  EXPECT_EQ(receiver, form->Values().texts[kFfReceiver]);
  EXPECT_EQ(u"BR10000002", form->Values().texts[kFfNum]);
  EXPECT_TRUE(form->State().pieces.empty());
  // Typed into the number search box: Enter loads it.
  page_->OnNewRecord();
  form->SearchBox(0)->setFocus();
  QTest::keyClicks(form->SearchBox(0), "BR10000005");
  QTest::keyClick(form->SearchBox(0), Qt::Key_Return);
  EXPECT_EQ(link_.FindWaybillId(0, "BR10000005", false), form->State().loadedId);
  EXPECT_EQ(u"BR10000005", form->Values().texts[kFfNum]);

  // A waybill held by a query: the fee is kept as shown, no delete.
  const int held = RowOf(u"BR10000012");
  ASSERT_GE(held, 0);
  page_->OnRowDoubleClick(held);
  EXPECT_GT(form->State().loadedId, 0);
  EXPECT_FALSE(form->NumberEdit(kFfAmount)->isEnabled());
  EXPECT_FALSE(page_->deleteEnabled);
  EXPECT_TRUE(page_->saveEnabled);

  page_->OnRowDoubleClick(row);
  EXPECT_TRUE(form->NumberEdit(kFfAmount)->isEnabled());
  Shot(page_.get(), "waybill_page_en");
  Shot(form, "waybill_form_en");
}

}  // namespace
