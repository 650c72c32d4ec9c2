// The single-waybill view against the stand-in server: the look-up by each
// number and match mode, the documents of a sample waybill compared with
// golden files in the full and in the restricted view, page 8 driven as an
// operator drives it, and the tracking editor opened from the view.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "server/ServerLink.h"
#include "shipping/RecordViewDlg.h"
#include "shipping/RecordViewPage.h"
#include "shipping/TrackingEditorDlg.h"
#include "tests/QtTestSupport.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "tests/server/StandInLinkSuite.h"
#include "ui/ViewHost.h"

namespace {

class ViewHost : public CViewHost {
 public:
  QSize ScreenSize() const override { return QSize(1024, 768); }
  CServerLink* ServerLink() override { return link; }
  void OpenUrl(const QString& address) override { opened.push_back(address.toStdString()); }
  CServerLink* link = nullptr;
  std::vector<std::string> opened;
};

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void SaveScreenshot(QWidget& widget, const char* name) {
  QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
  EXPECT_TRUE(widget.grab().save(QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") + name +
                                 ".png"));
}

// Compares a document with its golden file.  Golden files are written by
// hand from what the page must show and checked before they are committed;
// nothing rewrites them from the code's output.  A differing document is
// left beside the build, to be read against the golden file.
void ExpectGolden(const std::u16string& html, const char* name) {
  const std::string actual = Utf8FromWide(html);
  const std::filesystem::path golden =
      std::filesystem::path(BRANTLE_SOURCE_DIR "/tests/shipping/golden") / (std::string(name) + ".html");
  const std::string expected = ReadFile(golden);
  if (expected != actual) {
    std::ofstream(std::string(BRANTLE_BINARY_DIR "/") + name + ".actual.html", std::ios::binary)
        << actual;
  }
  EXPECT_EQ(expected, actual) << name;
}

class RecordViewStandIn : public testsupport::StandInLinkSuite<RecordViewStandIn> {
 public:
  static constexpr const char* kRootName = "brantle-record-view";

 protected:
  void SetUp() override {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00"));
    ASSERT_NO_FATAL_FAILURE(OpenLink("00", "PC-VIEW"));
    host_.link = &link_;
  }

  // The view of a logged-in account, with the look-ups of the sample.
  std::unique_ptr<CRecordViewDlg> MakeView(const char16_t* account, const char16_t* password) {
    EXPECT_GT(link_.Login(account, password, 0), 0);
    RecordViewServices services = MakeRecordViewServices(&host_);
    services.context.kindName = [](std::u16string_view code) {
      return code == u"DHL" ? std::u16string(u"DHL 快件") : std::u16string();
    };
    services.context.supplierName = [](int32_t isid) {
      return isid == 1 ? std::u16string(u"环球快运") : std::u16string();
    };
    auto view = std::make_unique<CRecordViewDlg>(std::move(services));
    view->resize(774, 648);
    view->LayoutFor(QSize(1024, 768));
    return view;
  }

  // Page 8 built as the view builds it, and shown.
  void OpenPage(CRecordViewPage& page) {
    page.host = &host_;
    page.CreatePageWindow(nullptr, QSize(1019, 688));
    page.OnPageCreated();
    page.resize(1019, 688);
    page.show();
  }

  void Type(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->clear();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
  }

  ViewHost host_;
};

// The sample waybill with the most rows filled, as the administrator (no
// station: the full view) sees it, found by its inner number.
TEST_F(RecordViewStandIn, FullViewMatchesGolden) {
  auto view = MakeView(u"admin", u"admin123");
  Type(view->numberBoxes[0], QStringLiteral(" br10000005 "));
  ASSERT_EQ(5, view->irid) << Utf8FromWide(boxes_.LastText());
  EXPECT_EQ(1, view->access);
  EXPECT_EQ(QStringLiteral("BR10000005"), view->numberBoxes[0]->text());
  EXPECT_EQ(QStringLiteral("SV50000005"), view->numberBoxes[1]->text());
  EXPECT_EQ(3, view->icid);
  ExpectGolden(WaybillDetailPage(view->leftHtml), "RecordView_BR10000005_left");
  ExpectGolden(WaybillDetailPage(view->rightHtml), "RecordView_BR10000005_right");
  // The latest tracking line is the one at the highest position.
  EXPECT_NE(std::u16string::npos, view->rightHtml.find(u"东京<br>已签收"));
  EXPECT_TRUE(view->restrictionNote->text().isEmpty());
  view->show();
  SaveScreenshot(*view, "RecordViewFull");
}

// An operator of another station (zhang, station SZ, looking at a waybill
// of a GZ customer) sees only what the restricted view allows.
TEST_F(RecordViewStandIn, OtherStationGetsRestrictedView) {
  auto view = MakeView(u"zhang", u"zhang123");
  Type(view->numberBoxes[0], QStringLiteral("BR10000005"));
  ASSERT_EQ(5, view->irid) << Utf8FromWide(boxes_.LastText());
  EXPECT_EQ(0, view->access);
  ExpectGolden(WaybillDetailPage(view->leftHtml), "RecordView_BR10000005_restricted_left");
  ExpectGolden(WaybillDetailPage(view->rightHtml), "RecordView_BR10000005_restricted_right");
  for (const char16_t* hidden : {u"田中太郎", u"Amy", u"电子产品", u"请小心轻放", u"环球快运",
                                 u"track.example.com", u"T5000005"}) {
    EXPECT_EQ(std::u16string::npos, (view->leftHtml + view->rightHtml).find(hidden))
        << Utf8FromWide(hidden);
  }
  EXPECT_FALSE(view->restrictionNote->text().isEmpty());
  // A waybill of the operator's own station comes in full.
  Type(view->numberBoxes[0], QStringLiteral("BR10000006"));
  ASSERT_EQ(6, view->irid);
  EXPECT_EQ(1, view->access);
}

// Each number box and match mode; nothing found keeps the view.
TEST_F(RecordViewStandIn, LookUpByEachNumberAndMode) {
  auto view = MakeView(u"admin", u"admin123");
  view->matchMode->setCurrentIndex(0);  // ends with
  Type(view->numberBoxes[1], QStringLiteral("0000007"));
  EXPECT_EQ(7, view->irid);
  EXPECT_EQ(QStringLiteral("BR10000007"), view->numberBoxes[0]->text());

  view->matchMode->setCurrentIndex(3);  // equals: "_" is no wildcard
  boxes_.Clear();
  Type(view->numberBoxes[0], QStringLiteral("BR1000000_"));
  EXPECT_EQ(7, view->irid);
  EXPECT_EQ(AppLanguage().Text(20005), boxes_.LastText());
  Type(view->numberBoxes[0], QStringLiteral("BR10000009"));
  EXPECT_EQ(9, view->irid);
  view->matchMode->setCurrentIndex(2);  // contains
  Type(view->numberBoxes[1], QStringLiteral("5000001"));
  EXPECT_EQ(QStringLiteral("SV5000001"), view->numberBoxes[1]->text().left(9));
  view->matchMode->setCurrentIndex(1);  // starts with
  Type(view->numberBoxes[0], QStringLiteral("BR1000000"));
  EXPECT_EQ(QStringLiteral("BR1000000"), view->numberBoxes[0]->text().left(9));
  view->matchMode->setCurrentIndex(3);
  Type(view->numberBoxes[0], QStringLiteral("BR10000007"));
  EXPECT_EQ(7, view->irid);

  // Reference and customs look-ups keep the typed text when nothing is found.
  boxes_.Clear();
  Type(view->numberBoxes[2], QStringLiteral("nothing%"));
  EXPECT_EQ(QStringLiteral("nothing%"), view->numberBoxes[2]->text());
  EXPECT_EQ(1u, boxes_.Count());
  EXPECT_EQ(7, view->irid);

  // An empty box does nothing.
  boxes_.Clear();
  Type(view->numberBoxes[3], QStringLiteral("   "));
  EXPECT_EQ(0u, boxes_.Count());

  // By id, and a waybill without tracking lines shows no tracking row.
  EXPECT_EQ(1, view->ShowRecord(kViewById, 8));
  EXPECT_EQ(std::u16string::npos, view->rightHtml.find(AppLanguage().Text(290126)));
}

// Characters outside GBK, kept by the client as "&#N;" references in its
// narrow fields, show on page 8 as the characters themselves in the
// receiver, the sender and the goods tables, and markup characters beside
// them are escaped once.
TEST_F(RecordViewStandIn, TextsOutsideGbkShowAsCharacters) {
  ASSERT_GT(link_.Login(u"admin", u"admin123", 0), 0);
  struct Field {
    const char* column;
    const char16_t* text;
  };
  const Field fields[] = {
      {"creceiver", u"Łukasz Żółć 김민수"}, {"cunitname", u"Zakład Łódź"},
      {"caddr", u"ul. Świętokrzyska 5 & 7"}, {"cremail", u""}, {"cpostcode", u"30-001"},
      {"ccountry", u"Polska"}, {"cprovince", u"Małopolska"}, {"ccity", u"Kraków"},
      {"csender", u"Nguyễn Đức"}, {"cdepart", u""}, {"csunitname", u"Công ty Đông Á"},
      {"csaddr", u""}, {"csphone", u"+84 28 3822"}, {"csmsnumber", u""}, {"csidcard", u""},
      {"csemail", u""}, {"cspostcode", u""}, {"cscountry", u"Việt Nam"}, {"csprovince", u""},
      {"cscity", u"Hồ Chí Minh"}, {"cgoods", u"Bánh đậu xanh \"Hà Nội\""}, {"cpacking", u""},
      {"ctransnote", u""}};
  std::string sql = "UPDATE brantle.dbo.client_rec SET iquantity=3,iprice=250,idvalue=1250,iivalue=0";
  // The texts as the client's forms keep them in the narrow fields.
  for (const Field& f : fields)
    sql += std::string(",") + f.column + "='" + FieldTextFromWide(f.text, 254) + "'";
  sql += " WHERE irid=11";
  std::string reply;
  ASSERT_GT(link_.SqlExecute(sql, {}, &reply), 0) << sql;
  ASSERT_NE(std::string::npos, FieldTextFromWide(u"Łukasz Żółć 김민수", 254).find("&#321;"));

  CRecordViewPage page;
  OpenPage(page);
  Type(page.view->numberBoxes[0], QStringLiteral("BR10000011"));
  ASSERT_EQ(11, page.view->irid) << Utf8FromWide(boxes_.LastText());
  ASSERT_EQ(1, page.view->access);
  const std::u16string& left = page.view->leftHtml;
  const size_t tables = left.find(u"<table width=100%><tr bgcolor=#e0e0ff");
  ASSERT_NE(std::u16string::npos, tables);
  ExpectGolden(left.substr(tables), "RecordView_BR10000011_outside_gbk_tables");
  EXPECT_TRUE(page.view->leftPane->toPlainText().contains(QStringLiteral("Łukasz Żółć 김민수")));
  testsupport::WaitUntil([] { return false; }, 50);
  SaveScreenshot(page, "RecordViewOutsideGbk");
}

// Page 8 as the operator uses it: the record list on the left, a number
// typed and Enter, the documents shown, the tracking editor opened by its
// link; screenshots of both windows.
TEST_F(RecordViewStandIn, PageEightDrivenByTheOperator) {
  ASSERT_GT(link_.Login(u"admin", u"admin123", 0), 0);
  CRecordViewPage page;
  OpenPage(page);
  ASSERT_NE(nullptr, page.view);
  ASSERT_NE(nullptr, page.quickList);
  EXPECT_TRUE(page.view->isVisible());
  EXPECT_EQ(QRect(230, 3, 774, 648), page.view->geometry());
  Type(page.view->numberBoxes[0], QStringLiteral("BR10000005"));
  ASSERT_EQ(5, page.view->irid) << Utf8FromWide(boxes_.LastText());
  EXPECT_TRUE(page.view->leftPane->toPlainText().contains(QStringLiteral("BR10000005")) ||
              page.view->leftPane->toPlainText().contains(QStringLiteral("日本")));
  // A row opened in the list shows that record; id 0 does nothing.
  page.OnQuickListOpen(0, 0);
  EXPECT_EQ(5, page.view->irid);
  page.OnQuickListOpen(6, 0);
  EXPECT_EQ(6, page.view->irid);
  Type(page.view->numberBoxes[0], QStringLiteral("BR10000005"));
  testsupport::WaitUntil([] { return false; }, 50);
  SaveScreenshot(page, "RecordViewPage8");

  // The https spare field opens in the desktop's browser.
  emit page.view->leftPane->anchorClicked(QUrl(QStringLiteral("https://track.example.com/BR10000005")));
  emit page.view->leftPane->anchorClicked(QUrl(QStringLiteral("javascript:alert(1)")));
  ASSERT_EQ(1u, host_.opened.size());

  QTest::mouseClick(page.view->trackingLink, Qt::LeftButton);
  CTrackEditDlg* editor = page.view->trackEditor;
  ASSERT_TRUE(editor->isVisible());
  EXPECT_EQ(3, editor->lineList->topLevelItemCount());
  EXPECT_EQ(QStringLiteral("15"), editor->positionBox->text());
  EXPECT_EQ(QStringLiteral("航班 CA983"), editor->headerBox->toPlainText());
  EXPECT_TRUE(editor->windowTitle().contains(QStringLiteral("日本[DHL]")));
  testsupport::WaitUntil([] { return false; }, 50);
  SaveScreenshot(*editor, "TrackingEditor");
  editor->close();
  EXPECT_FALSE(editor->isVisible());
}

}  // namespace
