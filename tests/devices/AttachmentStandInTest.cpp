// File attachments against the stand-in server: a megabyte that does not
// compress goes up and comes down byte for byte; the add and delete
// procedures' refusals; the sample attachments stored as "../../x.sh",
// "a/b.pdf" and without bytes; a byte upload the server refuses; and the
// dialog driven with clicks and keys, with its screenshots in
// <build>/screenshots.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "devices/Attachments.h"
#include "server/ProcedureCall.h"
#include "server/ServerLink.h"
#include "tests/QtTestSupport.h"
#include "tests/devices/AttachmentTestFiles.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "tests/server/StandInDatabase.h"
#include "tests/server/StandInLinkSuite.h"
#include "ui/AttachmentDlg.h"
#include "ui/ColorButton.h"
#include "ui/ListGrid.h"
#include "ui/ViewHost.h"

namespace {

namespace fs = std::filesystem;
using attachment::AttachmentSession;
using attachment::RecordKey;
using testsupport::CountOnDatabase;
using testsupport::ExecOnDatabase;

using attachmenttest::RandomBytes;
using attachmenttest::ReadFile;
using attachmenttest::WriteFile;

unsigned Mode(const fs::path& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 0777) : 0;
}

void Save(QWidget& widget, const QString& name) {
  QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
  const QString path = QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") + name + ".png";
  const QImage image = widget.grab().toImage();
  EXPECT_FALSE(image.isNull());
  EXPECT_TRUE(image.save(path)) << path.toStdString();
}

class RecordingOpener : public attachment::AttachmentOpener {
 public:
  void Open(const std::u16string& path) override { opened.push_back(path); }
  std::vector<std::u16string> opened;
};

// The desktop opener as the program builds it, over a host that notes
// each address instead of opening it.
class NotingHost : public CViewHost {
 public:
  void OpenUrl(const QString& address) override { opened.push_back(address.toStdString()); }
  std::vector<std::string> opened;
};

class AttachmentStandIn : public testsupport::StandInLinkSuite<AttachmentStandIn> {
 public:
  static constexpr const char* kRootName = "brantle-attachments";

 protected:
  void SetUp() override { Open("01", u"att73001"); }

  void Open(const std::string& language, std::u16string_view account) {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), language));
    ASSERT_NO_FATAL_FAILURE(OpenLink("00", "PC-ATT"));
    ASSERT_GT(link_.Login(account, u"att123", 0), 0);
    server_link_ = attachment::MakeServerAttachmentLink(link_);
    env_ = AttachmentSession::EnvironmentOf(link_, attachment::kKindAwb);
    desktop_ = folder_ / "Desktop";
    fs::create_directories(desktop_);
    env_.desktopFolder = desktop_.u16string();
  }

  AttachmentSession Make(RecordKey key) {
    return AttachmentSession(*server_link_, opener_, std::move(key), env_);
  }

  std::string Database() const { return server_->Database(); }

  // Column "0" of a procedure called straight through the link.
  int32_t Call(const std::string& sql) {
    serverlink::ProcedureResult result;
    const std::vector<uint32_t> types = attachment::ProcedureTypes();
    EXPECT_TRUE(serverlink::CallProcedure(
        [this](std::string_view text, std::span<const uint32_t> t, std::string& reply) {
          return link_.SqlExecute(text, t, &reply, 65536);
        },
        GbkFromWide(std::u16string(sql.begin(), sql.end())), types, result))
        << sql;
    return result.code;
  }

  std::unique_ptr<attachment::AttachmentLink> server_link_;
  AttachmentSession::Environment env_;
  RecordingOpener opener_;
  fs::path desktop_;
};

TEST_F(AttachmentStandIn, IncompressibleMegabyteRoundTripsByteForByte) {
  const std::string bytes = RandomBytes(1048576, 11);
  const fs::path source = folder_ / "random.bin";
  WriteFile(source, bytes);
  AttachmentSession s = Make(RecordKey{attachment::kKindAwb, 0, u"999-73000001"});
  ASSERT_TRUE(s.Load());
  ASSERT_TRUE(s.Browse(source.u16string()));
  ASSERT_TRUE(s.Add()) << std::string(boxes_.LastText().begin(), boxes_.LastText().end());
  const int32_t iid = s.AttachmentId();
  ASSERT_GT(iid, 0);
  const std::string where = " FROM client_rec_pack_file WHERE iid=" + std::to_string(iid);
  EXPECT_EQ(CountOnDatabase(Database(), "SELECT ilen" + where), 1048576);
  const int64_t stored = CountOnDatabase(Database(), "SELECT length(vdata)" + where);
  EXPECT_EQ(CountOnDatabase(Database(), "SELECT izlen" + where), stored);
  EXPECT_GT(stored, 1048576 + 256);  // above the file's length + 256

  // A fresh dialog lists it from the server and downloads it.
  AttachmentSession again = Make(RecordKey{attachment::kKindAwb, 0, u"999-73000001"});
  ASSERT_TRUE(again.Load());
  ASSERT_TRUE(again.Pick(iid));
  again.openAfterDownload = false;
  ASSERT_TRUE(again.Act()) << std::string(boxes_.LastText().begin(), boxes_.LastText().end());
  EXPECT_EQ(again.DownloadedPath(), (desktop_ / "random.bin").u16string());
  EXPECT_TRUE(ReadFile(desktop_ / "random.bin") == bytes);
  EXPECT_TRUE(opener_.opened.empty());
}

TEST_F(AttachmentStandIn, ProceduresRefuseWhatTheyMustAndDeleteOnce) {
  struct Case {
    const char* sql;
    int32_t code;
  };
  const Case cases[] = {
      {"{?=CALL brantle.dbo.cp_client_rec_pack_file_add('999-00000000',10,18,'a.txt','','att73001')}", -1},
      {"{?=CALL brantle.dbo.cp_client_fee_file_add(99999,10,18,'a.txt','','att73001')}", -1},
      {"{?=CALL brantle.dbo.cp_client_rec_file_add(0,10,18,'a.txt','','att73001')}", -1},
      {"{?=CALL brantle.dbo.cp_client_fee_file_add(73001,1048577,1048909,'a.txt','','att73001')}", -3},
      {"{?=CALL brantle.dbo.cp_client_fee_file_add(73001,0,18,'a.txt','','att73001')}", -3},
      {"{?=CALL brantle.dbo.cp_client_fee_file_add(73001,10,1048910,'a.txt','','att73001')}", -3},
      {"{?=CALL brantle.dbo.cp_client_fee_file_add(73001,10,18,'a/b.pdf','','att73001')}", -3},
      {"{?=CALL brantle.dbo.cp_client_fee_file_add(73001,10,18,'','','att73001')}", -3},
      {"{?=CALL brantle.dbo.cp_client_fee_file_del(99999,'att73001')}", -4},
  };
  for (const Case& c : cases) EXPECT_EQ(Call(c.sql), c.code) << c.sql;
  EXPECT_EQ(CountOnDatabase(Database(), "SELECT count(*) FROM client_fee_file WHERE ifid IN (0,99999) OR cfile COLLATE BINARY='a.txt'"), 0);

  const int32_t iid = Call("{?=CALL brantle.dbo.cp_client_fee_file_add(73001,1048576,1048909,'full.bin','','att73001')}");
  ASSERT_GT(iid, 73007);
  EXPECT_EQ(Call("{?=CALL brantle.dbo.cp_client_fee_file_del(" + std::to_string(iid) + ",'att73001')}"), iid);
  EXPECT_EQ(Call("{?=CALL brantle.dbo.cp_client_fee_file_del(" + std::to_string(iid) + ",'att73001')}"), -4);
}

TEST_F(AttachmentStandIn, NumberWithAQuoteListsAndAddsUnderItsOwnKey) {
  ASSERT_TRUE(ExecOnDatabase(Database(), "INSERT INTO client_rec_pack(cawb,cairline,cfrom,cdes,ntype) "
                                         "VALUES('999-7300''0002','国航','PEK','LAX',0)"));
  const fs::path source = folder_ / "O'Brien.pdf";
  WriteFile(source, "%PDF-1.4 quote\n");
  AttachmentSession s = Make(RecordKey{attachment::kKindAwb, 0, u"999-7300'0002"});
  ASSERT_TRUE(s.Load());
  EXPECT_TRUE(s.Rows().empty());
  ASSERT_TRUE(s.Browse(source.u16string()));
  ASSERT_TRUE(s.Add());
  EXPECT_EQ(CountOnDatabase(Database(), "SELECT count(*) FROM client_rec_pack_file WHERE "
                                        "cawb COLLATE BINARY='999-7300''0002' AND cfile COLLATE BINARY='O''Brien.pdf' AND coper COLLATE BINARY='att73001'"),
            1);
  AttachmentSession again = Make(RecordKey{attachment::kKindAwb, 0, u"999-7300'0002"});
  ASSERT_TRUE(again.Load());
  ASSERT_EQ(again.Rows().size(), 1u);
  EXPECT_EQ(again.Rows()[0].fileName, u"O'Brien.pdf");
  EXPECT_EQ(again.Caption(), u"Attachments of Master air waybill 999-7300'0002");
}

TEST_F(AttachmentStandIn, SampleDownloadsLandByBaseNameAndScriptsAreNeverOpened) {
  // A file of that name and an executable one is there already.
  WriteFile(desktop_ / "x.sh", "old contents that are longer than the new ones\n");
  fs::permissions(desktop_ / "x.sh", fs::perms::owner_all);
  AttachmentSession s = Make(RecordKey{attachment::kKindAwb, 0, u"999-73000001"});
  ASSERT_TRUE(s.Load());
  ASSERT_GE(s.Rows().size(), 3u);
  ASSERT_TRUE(s.Pick(73001));
  ASSERT_TRUE(s.Act());
  EXPECT_EQ(ReadFile(desktop_ / "x.sh"), "#!/bin/sh\necho attachment sample\n");
  EXPECT_EQ(Mode(desktop_ / "x.sh"), 0644u);
  EXPECT_FALSE(fs::exists(folder_ / "x.sh"));
  EXPECT_FALSE(fs::exists(root_ / "x.sh"));
  EXPECT_TRUE(opener_.opened.empty());
  EXPECT_EQ(boxes_.LastText(), u"This file could run as a program and was not opened. It is at " +
                                   (desktop_ / "x.sh").u16string());

  // "a/b.pdf" lands as b.pdf and is opened.
  ASSERT_TRUE(s.Pick(73002));
  ASSERT_TRUE(s.Act());
  EXPECT_EQ(ReadFile(desktop_ / "b.pdf"), "%PDF-1.4\n% attachment sample\n%%EOF\n");
  EXPECT_EQ(opener_.opened, std::vector<std::u16string>{(desktop_ / "b.pdf").u16string()});

  // The one without bytes.
  ASSERT_TRUE(s.Pick(73003));
  EXPECT_FALSE(s.Act());
  EXPECT_EQ(boxes_.LastText(), u"The attachment could not be downloaded.");
  EXPECT_FALSE(fs::exists(desktop_ / "missing.txt"));

  // Without a desktop folder: DATA_TEMP of the program folder.
  env_.desktopFolder.clear();
  AttachmentSession temp = Make(RecordKey{attachment::kKindPayment, 73001, {}});
  ASSERT_TRUE(temp.Load());
  ASSERT_TRUE(temp.Pick(73004));
  ASSERT_TRUE(temp.Act());
  EXPECT_EQ(temp.DownloadedPath(), (folder_ / "DATA_TEMP" / "x.sh").u16string());
  EXPECT_EQ(Mode(folder_ / "DATA_TEMP" / "x.sh"), 0644u);
  EXPECT_EQ(opener_.opened.size(), 1u);
}

TEST_F(AttachmentStandIn, DesktopOpenerHandsTheHostAFileAddress) {
  NotingHost host;
  DesktopAttachmentOpener opener(&host);
  AttachmentSession s(*server_link_, opener, RecordKey{attachment::kKindPayment, 73001, {}}, env_);
  ASSERT_TRUE(s.Load());
  ASSERT_TRUE(s.Pick(73007));
  ASSERT_TRUE(s.Act());
  EXPECT_EQ(host.opened, std::vector<std::string>{"file://" + (desktop_ / "O'Brien.pdf").string()});
}

TEST_F(AttachmentStandIn, RefusedByteUploadRemovesItsRowAndSaysWhy) {
  ASSERT_TRUE(ExecOnDatabase(Database(),
                             "CREATE TRIGGER att_refuse BEFORE UPDATE OF vdata ON client_fee_file "
                             "WHEN new.cfile='refused.txt' BEGIN SELECT RAISE(ABORT,'refused'); END;"));
  const fs::path source = folder_ / "refused.txt";
  WriteFile(source, "never stored\n");
  AttachmentSession s = Make(RecordKey{attachment::kKindPayment, 73001, {}});
  ASSERT_TRUE(s.Load());
  const size_t before = s.Rows().size();
  ASSERT_TRUE(s.Browse(source.u16string()));
  EXPECT_FALSE(s.Add());
  ExecOnDatabase(Database(), "DROP TRIGGER att_refuse;");
  EXPECT_EQ(CountOnDatabase(Database(), "SELECT count(*) FROM client_fee_file WHERE cfile COLLATE BINARY='refused.txt'"), 0);
  EXPECT_EQ(s.Rows().size(), before);
  const std::u16string text = boxes_.LastText();
  EXPECT_EQ(text.rfind(u"The file's content could not be uploaded (Server error: -", 0), 0u)
      << std::string(text.begin(), text.end());
  EXPECT_NE(text.find(u"); the attachment was removed."), std::u16string::npos);
}

TEST_F(AttachmentStandIn, AccountsWithoutTheRightsNeitherAddNorSeeDelete) {
  struct Case {
    const char16_t* account;
    bool add;
    bool remove;
  };
  const Case cases[] = {{u"att73001", true, true}, {u"att73002", true, false}, {u"att73003", false, false}};
  for (const Case& c : cases) {
    ASSERT_GT(link_.Login(c.account, u"att123", 0), 0);
    const attachment::AttachmentRights rights = attachment::RightsOf(link_, attachment::kKindAwb);
    EXPECT_EQ(rights.add, c.add);
    EXPECT_EQ(rights.remove, c.remove);
    env_.rights = rights;
    AttachmentSession s = Make(RecordKey{attachment::kKindAwb, 0, u"999-73000001"});
    ASSERT_TRUE(s.Load());
    ASSERT_TRUE(s.Pick(73002));
    EXPECT_EQ(s.DeleteShown(), c.remove);
  }
}

// ---- the dialog ----

class AttachmentDialogStandIn : public AttachmentStandIn {
 protected:
  void Drive(const QString& screenshot) {
    const fs::path source = folder_ / "manifest.txt";
    WriteFile(source, "manifest lines\n");
    CAttachmentDlg dialog(*server_link_, opener_, env_);
    dialog.kind = attachment::kKindPayment;
    dialog.keyId = 73001;
    dialog.chooseFile = [&](QWidget*) { return source.u16string(); };
    dialog.InitDialog();
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    CListGrid& list = *dialog.List();
    ASSERT_GE(list.RowCount(), 4);
    EXPECT_FALSE(dialog.ActionButton()->isEnabled());
    EXPECT_FALSE(dialog.DeleteButton()->isVisible());

    // Browse, then add with the keyboard (the action button has the focus).
    QTest::mouseClick(dialog.BrowseButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.FileField()->text().toStdU16String(), source.u16string());
    ASSERT_TRUE(dialog.ActionButton()->isEnabled());
    dialog.ActionButton()->setFocus();
    QTest::keyClick(dialog.ActionButton(), Qt::Key_Space);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return list.CellText(0, 1) == u"manifest.txt"; }));
    const int32_t added = list.GetRowId(0);
    EXPECT_GT(added, 73007);
    EXPECT_TRUE(dialog.FileField()->text().isEmpty());
    EXPECT_FALSE(dialog.ActionButton()->isEnabled());

    // Pick "a/b.pdf" with a double click; untick opening; download.
    const int row = list.FindRowById(73005);
    ASSERT_GE(row, 0);
    list.scrollTo(list.model()->index(row, 1));
    const QRect cell = list.visualRect(list.model()->index(row, 1));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_TRUE(testsupport::WaitUntil([&] { return dialog.Session()->AttachmentId() == 73005; }));
    EXPECT_EQ(dialog.FileField()->text(), QStringLiteral("a/b.pdf"));
    EXPECT_TRUE(dialog.DeleteButton()->isVisible());
    Save(dialog, screenshot);
    QTest::mouseClick(dialog.OpenAfterDownloadBox(), Qt::LeftButton, {},
                      QPoint(6, dialog.OpenAfterDownloadBox()->height() / 2));
    EXPECT_FALSE(dialog.OpenAfterDownloadBox()->isChecked());
    QTest::mouseClick(dialog.ActionButton(), Qt::LeftButton);
    EXPECT_EQ(ReadFile(desktop_ / "b.pdf"), "%PDF-1.4\n% attachment sample\n%%EOF\n");
    EXPECT_TRUE(opener_.opened.empty());

    // Pick the added one again and delete it.
    const int addedRow = list.FindRowById(added);
    list.scrollTo(list.model()->index(addedRow, 1));
    const QRect addedCell = list.visualRect(list.model()->index(addedRow, 1));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, addedCell.center());
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, addedCell.center());
    ASSERT_TRUE(testsupport::WaitUntil([&] { return dialog.Session()->AttachmentId() == added; }));
    QTest::mouseClick(dialog.DeleteButton(), Qt::LeftButton);
    EXPECT_EQ(list.FindRowById(added), -1);
    EXPECT_FALSE(dialog.DeleteButton()->isVisible());
    EXPECT_EQ(CountOnDatabase(Database(), "SELECT count(*) FROM client_fee_file WHERE iid=" +
                                              std::to_string(added)),
              0);
  }
};

TEST_F(AttachmentDialogStandIn, EnglishDrivenWithClicksAndKeys) {
  Drive(QStringLiteral("attachments_dlg_en"));
}

TEST_F(AttachmentDialogStandIn, ChineseDrivenWithClicksAndKeys) {
  ASSERT_NO_FATAL_FAILURE(Open("00", u"att73001"));
  Drive(QStringLiteral("attachments_dlg_zh"));
}

}  // namespace
