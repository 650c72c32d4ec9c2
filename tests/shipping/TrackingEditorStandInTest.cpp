// The tracking editor window against the stand-in server, driven as the
// operator drives it: a new line, a changed line, a deleted line, the
// status and header submitted, the English tracking, and writes the
// server refuses, which are reported with the server's words and never
// with the success message.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <memory>
#include <string>

#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "server/ServerLink.h"
#include "server/ServerLinkSupport.h"
#include "shipping/TrackingEditorDlg.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "tests/server/StandInLinkSuite.h"
#include "ui/LinkLabel.h"

namespace {

class TrackingEditorStandIn : public testsupport::StandInLinkSuite<TrackingEditorStandIn> {
 public:
  static constexpr const char* kRootName = "brantle-tracking-editor";

 protected:
  void SetUp() override {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00"));
    ASSERT_NO_FATAL_FAILURE(OpenLink("00", "PC-TRACK"));
    ASSERT_GT(link_.Login(u"admin", u"admin123", 0), 0);
    dlg_ = std::make_unique<CTrackEditDlg>(MakeServerTrackingLink(link_));
    dlg_->SetRights(true, true);
    dlg_->Editor().now = [](const char* format) {
      return std::u16string(format[2] == 'Y' && format[3] == '-' ? u"2024-03-10 09:30"
                                                                 : u"2024.03.10 09:30:00");
    };
  }

  // A text of the first row through the link ("FROM x" as "FROM brantle.dbo.x").
  std::string Value(std::string sql) {
    for (size_t at = sql.find("FROM "); at != std::string::npos; at = sql.find("FROM ", at + 5))
      sql.insert(at + 5, "brantle.dbo.");
    const uint32_t types[] = {AcsTypeEntry(kSqlCChar, 256)};
    std::string reply;
    if (link_.SqlQuery(sql, types, &reply) <= 0) return "?";
    const std::string_view list = JsonListBody(reply, "List");
    size_t pos = 0;
    std::string_view row;
    if (!JsonNextObject(list, pos, row)) return "";
    return Utf8FromWide(JsonGetWString("0", row, 255));
  }

  void Set(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    // Key events carry ASCII only; other text comes as an input method would
    // commit it.
    bool ascii = true;
    for (QChar c : text) ascii = ascii && c.unicode() < 0x80;
    if (ascii)
      QTest::keyClicks(box, text);
    else
      box->insert(text);
  }
  int Lines() const { return dlg_->lineList->topLevelItemCount(); }
  void ClickRow(int row) {
    QTreeWidgetItem* item = dlg_->lineList->topLevelItem(row);
    ASSERT_NE(nullptr, item);
    const QRect cell = dlg_->lineList->visualItemRect(item);
    QTest::mouseClick(dlg_->lineList->viewport(), Qt::LeftButton, {}, cell.center());
  }

  std::unique_ptr<CTrackEditDlg> dlg_;
};

// A new line, the same line changed, then deleted; each reaches the server
// and the list follows.
TEST_F(TrackingEditorStandIn, AddChangeAndDeleteLines) {
  dlg_->Open(6, u"caption", u"BR10000006");
  ASSERT_TRUE(dlg_->isVisible());
  ASSERT_EQ(2, Lines());
  // The caption of the status and sign-off boxes.
  QStringList captions;
  for (QLabel* label : dlg_->findChildren<QLabel*>()) captions << label->text();
  EXPECT_TRUE(captions.contains(QString::fromStdU16String(AppLanguage().Text(310024))))
      << captions.join(u'|').toStdString();
  EXPECT_EQ(QStringLiteral("99"), dlg_->positionBox->text());  // after 97
  EXPECT_FALSE(dlg_->deleteButton->isEnabled());

  Set(dlg_->placeBox, QStringLiteral("O'Hare"));
  Set(dlg_->detailBox, QStringLiteral("到达 & 清关"));
  QTest::mouseClick(dlg_->saveButton, Qt::LeftButton);
  EXPECT_EQ(0u, boxes_.Count()) << Utf8FromWide(boxes_.LastText());
  ASSERT_EQ(3, Lines());
  EXPECT_EQ("O'Hare", Value("SELECT cplace FROM check_detail WHERE irid=6 AND npos=99"));
  EXPECT_EQ("管理员", Value("SELECT cinput FROM check_detail WHERE irid=6 AND npos=99"));

  ClickRow(2);
  EXPECT_EQ(QStringLiteral("O'Hare"), dlg_->placeBox->text());
  EXPECT_TRUE(dlg_->deleteButton->isEnabled());
  Set(dlg_->detailBox, QStringLiteral("已清关"));
  Set(dlg_->positionBox, QStringLiteral("98"));
  QTest::mouseClick(dlg_->saveButton, Qt::LeftButton);
  EXPECT_EQ(0u, boxes_.Count()) << Utf8FromWide(boxes_.LastText());
  EXPECT_EQ("已清关", Value("SELECT cinfo FROM check_detail WHERE irid=6 AND npos=98"));
  ASSERT_EQ(3, Lines());

  ClickRow(2);
  QTest::mouseClick(dlg_->deleteButton, Qt::LeftButton);
  EXPECT_EQ(0u, boxes_.Count()) << Utf8FromWide(boxes_.LastText());
  EXPECT_EQ(2, Lines());
  EXPECT_EQ("", Value("SELECT cinfo FROM check_detail WHERE irid=6 AND npos=98"));
}

// Refused before sending: a negative position, one of 100 to 199 on a new
// line, no detail.
TEST_F(TrackingEditorStandIn, RefusedLinesSendNothing) {
  dlg_->Open(6, u"caption", u"BR10000006");
  Set(dlg_->detailBox, QStringLiteral("x"));
  for (const char* position : {"-5", "150", "256"}) {
    boxes_.Clear();
    Set(dlg_->positionBox, QString::fromLatin1(position));
    QTest::mouseClick(dlg_->saveButton, Qt::LeftButton);
    EXPECT_EQ(AppLanguage().Text(310042), boxes_.LastText()) << position;
  }
  boxes_.Clear();
  Set(dlg_->positionBox, QStringLiteral("20"));
  dlg_->detailBox->clear();
  QTest::mouseClick(dlg_->saveButton, Qt::LeftButton);
  EXPECT_EQ(AppLanguage().Text(310041), boxes_.LastText());
  EXPECT_EQ(2, Lines());
  EXPECT_TRUE(dlg_->Editor().sent.empty());
}

// The status, sign-off and header go to the waybill and check_info; the
// English version to check_info_en, next to the English lines.
TEST_F(TrackingEditorStandIn, SubmitAndEnglish) {
  dlg_->Open(10, u"caption", u"BR10000010");
  EXPECT_EQ(0, Lines());
  dlg_->statusBox->setCurrentIndex(3);
  Set(dlg_->signedBox, QStringLiteral("Li Lei"));
  Set(dlg_->deliveryBox, QStringLiteral("2024.03.10 09:30:00"));
  dlg_->headerBox->setPlainText(QStringLiteral("第一行\n它's"));
  QTest::mouseClick(dlg_->submitButton, Qt::LeftButton);
  EXPECT_EQ(AppLanguage().Text(310043), boxes_.LastText());
  EXPECT_EQ("3", Value("SELECT nstate FROM client_rec WHERE irid=10"));
  EXPECT_EQ("Li Lei", Value("SELECT csign FROM client_rec WHERE irid=10"));
  EXPECT_EQ("2024-03-10 09:30:00", Value("SELECT dadate FROM client_rec WHERE irid=10"));
  EXPECT_EQ("第一行\n它's", Value("SELECT cinfo FROM check_info WHERE irid=10"));
  ASSERT_FALSE(dlg_->Editor().sent.empty());
  EXPECT_NE(std::string::npos, dlg_->Editor().sent.back().find(",3,'"));
  EXPECT_NE(std::string::npos, dlg_->Editor().sent.back().find("',3)}"));

  QTest::mouseClick(dlg_->languageLink, Qt::LeftButton);
  EXPECT_EQ(QStringLiteral("中文"), dlg_->languageLink->text());
  EXPECT_EQ(0, Lines());
  EXPECT_EQ(QStringLiteral("2024.03.10 09:30:00"), dlg_->deliveryBox->text());
  EXPECT_TRUE(dlg_->headerBox->toPlainText().isEmpty());
  Set(dlg_->detailBox, QStringLiteral("Customs cleared"));
  QTest::mouseClick(dlg_->saveButton, Qt::LeftButton);
  ASSERT_EQ(1, Lines());
  EXPECT_EQ(QStringLiteral("Customs cleared"), dlg_->lineList->topLevelItem(0)->text(4));
  EXPECT_EQ("Customs cleared", Value("SELECT cinfo FROM check_detail_en WHERE irid=10 AND npos=5"));
  dlg_->headerBox->setPlainText(QStringLiteral("Flight"));
  QTest::mouseClick(dlg_->submitButton, Qt::LeftButton);
  EXPECT_EQ("Flight", Value("SELECT cinfo FROM check_info_en WHERE irid=10"));
  EXPECT_EQ("第一行\n它's", Value("SELECT cinfo FROM check_info WHERE irid=10"));

  QTest::mouseClick(dlg_->languageLink, Qt::LeftButton);
  EXPECT_EQ(0, Lines());
}

// Writes the server refuses: a line deleted meanwhile, a waybill that is
// gone.  The operator reads why; the success message never follows.
TEST_F(TrackingEditorStandIn, FailedWritesAreReported) {
  dlg_->Open(9, u"caption", u"BR10000009");
  Set(dlg_->detailBox, QStringLiteral("arrived"));
  QTest::mouseClick(dlg_->saveButton, Qt::LeftButton);
  ASSERT_EQ(1, Lines());
  ClickRow(0);
  // Another workstation deletes the line first.
  std::string reply;
  const uint32_t types[] = {AcsTypeEntry(kSqlCSLong)};
  ASSERT_GT(link_.SqlExecute("{?=CALL brantle.dbo.cp_check_detail_del(9,1)}", types, &reply), 0);
  QTest::mouseClick(dlg_->deleteButton, Qt::LeftButton);
  EXPECT_EQ(AppLanguage().Text(22311), boxes_.LastText());
  Set(dlg_->detailBox, QStringLiteral("changed"));
  boxes_.Clear();
  QTest::mouseClick(dlg_->saveButton, Qt::LeftButton);
  EXPECT_EQ(AppLanguage().Text(22311), boxes_.LastText());

  boxes_.Clear();
  dlg_->Open(999999, u"caption", u"NONE");
  EXPECT_EQ(AppLanguage().Text(20005), boxes_.LastText());
  boxes_.Clear();
  QTest::mouseClick(dlg_->submitButton, Qt::LeftButton);
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(AppLanguage().Text(22310), boxes_.LastText());
}

// Without the editing right nothing can be written.
TEST_F(TrackingEditorStandIn, ReadOnlyWithoutTheRight) {
  dlg_->SetRights(false, false);
  dlg_->Open(5, u"caption", u"BR10000005");
  EXPECT_EQ(3, Lines());
  EXPECT_FALSE(dlg_->saveButton->isEnabled());
  EXPECT_FALSE(dlg_->submitButton->isEnabled());
  ClickRow(0);
  EXPECT_FALSE(dlg_->deleteButton->isEnabled());
  EXPECT_EQ(AppLanguage().TextWithNumber(310027, 5).c_str(),
            dlg_->lineLabel->text().toStdU16String());
}

}  // namespace

namespace {

// The English procedures change, delete and refuse as the Chinese ones do,
// each on its own tables.
TEST_F(TrackingEditorStandIn, EnglishProceduresOnTheirOwnTables) {
  const uint32_t types[] = {AcsTypeEntry(kSqlCSLong)};
  auto call = [&](const std::string& sql) {
    std::string reply;
    EXPECT_GT(link_.SqlExecute(sql, types, &reply), 0) << sql;
    return ReadTrackingWriteResult(static_cast<int>(reply.size()), reply);
  };
  const TrackingWriteResult added =
      call("{?=CALL brantle.dbo.cp_check_detail_en_add(11,20,'2024-03-10 10:00','Tokyo','Arrived','x','')}");
  ASSERT_TRUE(added.ok);
  const std::string wpos = std::to_string(added.result);
  EXPECT_TRUE(call("{?=CALL brantle.dbo.cp_check_detail_en_mod(11," + wpos +
                   ",30,'2024-03-10 11:00','Osaka','Delivered','x','')}").ok);
  EXPECT_EQ("Delivered", Value("SELECT cinfo FROM check_detail_en WHERE irid=11 AND npos=30"));
  EXPECT_EQ("", Value("SELECT cinfo FROM check_detail WHERE irid=11"));
  EXPECT_EQ(-3, call("{?=CALL brantle.dbo.cp_check_detail_en_add(11,150,'d','p','x','u','')}").result);
  EXPECT_EQ(-3, call("{?=CALL brantle.dbo.cp_check_detail_en_mod(11," + wpos +
                     ",-1,'d','p','x','u','')}").result);
  EXPECT_EQ(-1, call("{?=CALL brantle.dbo.cp_check_detail_en_add(999999,5,'d','p','x','u','')}").result);
  EXPECT_EQ(-2, call("{?=CALL brantle.dbo.cp_check_detail_del(11," + wpos + ")}").result);
  EXPECT_TRUE(call("{?=CALL brantle.dbo.cp_check_detail_en_del(11," + wpos + ")}").ok);
  EXPECT_EQ(-2, call("{?=CALL brantle.dbo.cp_check_detail_en_del(11," + wpos + ")}").result);
  EXPECT_EQ(-3, call("{?=CALL brantle.dbo.cp_check_info_en_set(11,11,'h','s','1900.01.01',11)}").result);
  EXPECT_EQ("", Value("SELECT cinfo FROM check_info_en WHERE irid=11"));
  EXPECT_TRUE(call("{?=CALL brantle.dbo.cp_check_info_en_set(11,2,'h','s','1900.01.01',2)}").ok);
  EXPECT_EQ("h", Value("SELECT cinfo FROM check_info_en WHERE irid=11"));
  EXPECT_EQ("1900-01-01 00:00:00", Value("SELECT dadate FROM client_rec WHERE irid=11"));
}

}  // namespace
