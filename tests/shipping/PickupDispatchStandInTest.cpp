// Page 16 against the stand-in server and its sample: the two order lists,
// a courier assigned in the dispatch dialog with the courier's notice queued
// on the server, a notice to the customer written in the messenger editor,
// and recipients whose OpenID fails the prefix rule never queued.  The
// queued notices are read back from the stand-in's database with their
// fields text byte for byte.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QCheckBox>

#include <fstream>
#include <iterator>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "server/ServerLink.h"
#include "shell/CourierMessages.h"
#include "shipping/CourierMessageDlg.h"
#include "shipping/PickupDispatchDlg.h"
#include "shipping/PreInputPage.h"
#include "tests/QtTestSupport.h"
#include "tests/WaitUntil.h"
#include "tests/server/StandInLinkSuite.h"
#include "ui/LinkLabel.h"
#include "tests/shell/ShellTestSupport.h"
#include "ui/ViewHost.h"

namespace {

std::string G(std::u16string_view text) { return GbkFromWide(text); }

class LinkHost : public CViewHost {
 public:
  QSize ScreenSize() const override { return QSize(1280, 800); }
  CServerLink* ServerLink() override { return link; }
  std::vector<std::u16string> StaffNames() const override { return {u"张三", u"李四", u"王五"}; }
  CServerLink* link = nullptr;
};

void Save(QWidget& widget, const QString& name) {
  QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
  const QString path = QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") + name + ".png";
  EXPECT_TRUE(widget.grab().toImage().save(path)) << path.toStdString();
}

// Types text of any script into the widget, one key event a character.
void Type(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &release);
  }
}

// A queued notice as the stand-in stored it.
struct Queued {
  int kind = 0;
  int icid = 0;
  std::string openId, sender, url;
  std::string fields;  // GBK bytes as sent
};

}  // namespace

class PickupDispatchStandIn : public testsupport::StandInLinkSuite<PickupDispatchStandIn> {
 public:
  static constexpr const char* kRootName = "brantle-pickup";

 protected:
  void SetUp() override {
    shelltest::LoadProgramLanguage("00");
    ASSERT_NO_FATAL_FAILURE(OpenLink("00", "PC-PICK"));
    ASSERT_GT(link_.Login(u"admin", u"admin123", 0), 0);
    // The definitions as start-up takes them: the server's file.
    FileRequest file;
    file.grade = 255;
    file.kind = G(u"系统配置");
    file.title = file.fileName = "WeChat_Mess.txt";
    file.localPath = (folder_ / "WeChat_Mess.txt").string();
    ASSERT_EQ(1, link_.DownloadFile(file));
    std::ifstream in(file.localPath, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(messages_.LoadConfig(text), 1);

    staffIds_ = {{u"李四", "oBRcourierLi0000000000000003"}, {u"王五", "oXXcourierWang00000000000004"}};
    host_.link = &link_;
    page_ = std::make_unique<CPreInputPage>();
    page_->host = &host_;
    page_->index = 16;
    page_->services.link = &link_;
    page_->services.messages = &messages_;
    page_->services.userName = link_.Session().userName;
    page_->services.staffNames = host_.StaffNames();
    page_->services.staffMessageId = [this](std::u16string_view name) {
      auto it = staffIds_.find(std::u16string(name));
      return it != staffIds_.end() ? it->second : std::string();
    };
    page_->services.staffAccount = [](std::u16string_view name) {
      return name == u"李四" ? std::string("li") : name == u"王五" ? std::string("wang") : std::string();
    };
    page_->services.now = [] { return QDateTime(QDate(2026, 1, 9), QTime(8, 5)); };
    page_->servicesSet = true;
    page_->CreatePageWindow(nullptr, QSize(1270, 700));
    page_->OnPageCreated();
    page_->resize(1270, 700);
    page_->show();
  }

  std::vector<Queued> Queue() {
    std::vector<Queued> out;
    sqlite3* db = nullptr;
    EXPECT_EQ(SQLITE_OK, sqlite3_open_v2(server_->Database().c_str(), &db, SQLITE_OPEN_READONLY, nullptr));
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT nkind,icid,copenid,csender,curl,vfields FROM wc_mess_queue ORDER BY iid",
                           -1, &st, nullptr) == SQLITE_OK) {
      while (sqlite3_step(st) == SQLITE_ROW) {
        Queued q;
        q.kind = sqlite3_column_int(st, 0);
        q.icid = sqlite3_column_int(st, 1);
        q.openId = reinterpret_cast<const char*>(sqlite3_column_text(st, 2));
        q.sender = reinterpret_cast<const char*>(sqlite3_column_text(st, 3));
        q.url = reinterpret_cast<const char*>(sqlite3_column_text(st, 4));
        q.fields.assign(static_cast<const char*>(sqlite3_column_blob(st, 5)),
                        static_cast<size_t>(sqlite3_column_bytes(st, 5)));
        out.push_back(std::move(q));
      }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
  }

  std::string Taker(const char* number) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(server_->Database().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    // The collation of the stand-in's text columns (ASCII case ignored).
    sqlite3_create_collation(
        db, "TSQL", SQLITE_UTF8, nullptr, [](void*, int n1, const void* a, int n2, const void* b) {
          const int common = sqlite3_strnicmp(static_cast<const char*>(a), static_cast<const char*>(b),
                                              n1 < n2 ? n1 : n2);
          return common != 0 ? common : n1 - n2;
        });
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(SQLITE_OK, sqlite3_prepare_v2(db, "SELECT ctaker FROM rec_pre_input WHERE cnum=?", -1, &st,
                                            nullptr)) << sqlite3_errmsg(db);
    sqlite3_bind_text(st, 1, number, -1, SQLITE_TRANSIENT);
    std::string taker = sqlite3_step(st) == SQLITE_ROW ? reinterpret_cast<const char*>(sqlite3_column_text(st, 0)) : "?";
    sqlite3_finalize(st);
    sqlite3_close(db);
    return taker;
  }

  int RowOf(CListGrid& list, std::u16string_view number) {
    for (int r = 0; r < list.RowCount(); ++r)
      if (list.CellText(r, 1) == number) return r;
    return -1;
  }

  CWeChatMessages messages_;
  std::map<std::u16string, std::string> staffIds_;
  LinkHost host_;
  std::unique_ptr<CPreInputPage> page_;
};

TEST_F(PickupDispatchStandIn, ListsAssignAndTheCouriersNotice) {
  page_->listDlg->ReloadBoth();
  CListGrid& open = *page_->listDlg->unassignedList;
  CListGrid& taken = *page_->listDlg->assignedList;
  ASSERT_GE(RowOf(open, u"PR1800001"), 0);
  ASSERT_GE(RowOf(open, u"PR1800002"), 0);
  EXPECT_LT(RowOf(open, u"PR0000001"), 0) << "behind the date limit";
  ASSERT_GE(RowOf(taken, u"PR1800003"), 0);
  Save(*page_, "PreInputPage");

  // The dispatcher opens PR1800001 and assigns 李四 with a long remark.
  const std::u16string remark = u"下午|到" + std::u16string(252, u'备');
  page_->listDlg->runDialog = [&](CPickupDispatchDlg& dialog) {
    EXPECT_TRUE(dialog.arrangeButton->isEnabled());
    EXPECT_FALSE(dialog.cancelPickupButton->isEnabled()) << "no courier yet";
    dialog.show();
    dialog.takerBox->setFocus();
    Type(dialog.takerBox, QStringLiteral("李四"));
    dialog.remarkBox->setText(QString::fromStdU16String(remark));
    Save(dialog, "PickupDispatchDlg");
    QTest::mouseClick(dialog.arrangeButton, Qt::LeftButton);
    return dialog.result() == QDialog::Accepted;
  };
  const size_t before = Queue().size();
  page_->listDlg->OpenOrder(&open, RowOf(open, u"PR1800001"));
  EXPECT_EQ(Taker("PR1800001"), "李四");
  EXPECT_LT(RowOf(open, u"PR1800001"), 0) << "the lists were reloaded";
  EXPECT_GE(RowOf(taken, u"PR1800001"), 0);

  std::vector<Queued> queued = Queue();
  ASSERT_EQ(queued.size(), before + 1);
  queued.erase(queued.begin(), queued.begin() + static_cast<std::ptrdiff_t>(before));
  EXPECT_EQ(queued[0].kind, kPickupDispatchKind);
  EXPECT_EQ(queued[0].icid, 0);
  EXPECT_EQ(queued[0].openId, "oBRcourierLi0000000000000003");
  EXPECT_EQ(queued[0].sender, "管理员");
  // Pipes, CR and LF removed; the remark cut to 500 bytes on a whole
  // character; every value followed by "|".
  const std::string expected =
      G(u"PR1800001|刘女士|深圳市南山区科技园南区 8 栋|0755-2666 0101|John Smith|1 Main St, Springfield|"
        u"555-0101|管理员|1-9 08:05|下午到") +
      G(std::u16string(247, u'备')) + G(u"|李四|C002|Shenzhen Bright Electronics|");
  EXPECT_EQ(queued[0].fields, expected);
}

// The taker takes a name from the program's name popup (staff of mode A,
// by account or name): Enter the first row, Ctrl+2 the second, the focus
// moving on; Ctrl+Enter only ends the dialog with OK, saving nothing.
TEST_F(PickupDispatchStandIn, TheTakerComesFromTheNameSuggestions) {
  auto staff = [](const char16_t* name, const char* account, bool modeA) {
    StaffEntry e;
    e.mcname = G(name);
    e.mcaccount = account;
    e.mode = modeA ? 'A' : 'B';
    e.notModeA = modeA ? 0 : 1;
    return e;
  };
  page_->services.staff = {staff(u"李四", "li", true), staff(u"李明", "liming", true),
                           staff(u"李离职", "lilz", false)};
  page_->listDlg->ReloadBoth();
  CListGrid& open = *page_->listDlg->unassignedList;
  ASSERT_GE(RowOf(open, u"PR1800002"), 0);
  bool checked = false;
  page_->listDlg->runDialog = [&](CPickupDispatchDlg& dialog) {
    dialog.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.activateWindow();
    dialog.takerBox->setFocus();
    EXPECT_TRUE(testsupport::WaitUntil([&] { return dialog.takerBox->hasFocus(); }));
    QTest::keyClicks(dialog.takerBox, QStringLiteral("li"));
    EXPECT_TRUE(dialog.takerPopup->isVisible());
    EXPECT_EQ(dialog.takerPopup->Source().GetHit(2), -1) << "the member not of mode A is left out";
    Save(dialog, "PickupDispatchDlg_taker");
    QTest::keyClick(dialog.takerBox, Qt::Key_Return);
    EXPECT_EQ(dialog.takerBox->text(), QStringLiteral("李四"));
    EXPECT_FALSE(dialog.takerBox->hasFocus());
    EXPECT_FALSE(dialog.takerPopup->isVisible());

    dialog.takerBox->setFocus();
    dialog.takerBox->clear();
    QTest::keyClicks(dialog.takerBox, QStringLiteral("li"));
    QTest::keyClick(dialog.takerBox, Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(dialog.takerBox->text(), QStringLiteral("李明"));

    dialog.takerBox->setFocus();
    QTest::keyClick(dialog.takerBox, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    checked = true;
    return dialog.result() == QDialog::Accepted;
  };
  page_->listDlg->OpenOrder(&open, RowOf(open, u"PR1800002"));
  EXPECT_TRUE(checked);
  EXPECT_EQ(Taker("PR1800002"), "") << "Ctrl+Enter saves nothing";
}

TEST_F(PickupDispatchStandIn, CustomerNoticeFromTheEditor) {
  page_->listDlg->ReloadBoth();
  CListGrid& open = *page_->listDlg->unassignedList;
  const int row = RowOf(open, u"PR1800002");
  ASSERT_GE(row, 0);
  // PR1800002 belongs to customer 1, whose messenger id fails the rule.
  page_->listDlg->runDialog = [](CPickupDispatchDlg& dialog) {
    EXPECT_FALSE(dialog.notifyCustomerButton->isVisibleTo(&dialog));
    dialog.OnNotifyCustomer();  // nothing happens
    return false;
  };
  page_->listDlg->OpenOrder(&open, row);

  // PR1800001 belongs to customer 2, whose id is valid.
  page_->services.runEditor = [](CWeChatSendDlg& editor) {
    EXPECT_EQ(editor.openIdBox->text(), QStringLiteral("oBR2customer0000000000000002"));
    EXPECT_EQ(editor.accountBox->text(), QStringLiteral("C002"));
    editor.show();
    QTest::keyClicks(editor.urlBox, QStringLiteral("https://depot.example/t/PR1800001"));
    Type(editor.statusBox, QStringLiteral("已安排"));
    QTest::keyClicks(editor.descriptionBox, QStringLiteral("Courier|on the way"));
    QTest::keyClick(editor.descriptionBox, Qt::Key_Return, Qt::ControlModifier);
    return editor.result() == QDialog::Accepted;
  };
  page_->listDlg->runDialog = [](CPickupDispatchDlg& dialog) {
    dialog.show();
    EXPECT_TRUE(dialog.notifyCustomerButton->isVisibleTo(&dialog));
    QTest::mouseClick(dialog.notifyCustomerButton, Qt::LeftButton);
    return false;
  };
  const size_t before = Queue().size();
  // (Another case may have dispatched the order already.)
  CListGrid& taken = *page_->listDlg->assignedList;
  if (RowOf(open, u"PR1800001") >= 0)
    page_->listDlg->OpenOrder(&open, RowOf(open, u"PR1800001"));
  else
    page_->listDlg->OpenOrder(&taken, RowOf(taken, u"PR1800001"));
  std::vector<Queued> queued = Queue();
  ASSERT_EQ(queued.size(), before + 1);
  queued.erase(queued.begin(), queued.begin() + static_cast<std::ptrdiff_t>(before));
  EXPECT_EQ(queued[0].kind, kCustomerNoticeKind);
  EXPECT_EQ(queued[0].icid, 2);
  EXPECT_EQ(queued[0].url, "https://depot.example/t/PR1800001");
  EXPECT_EQ(queued[0].fields, G(u"1-9 08:05|Courieron the way|已安排|C002|Shenzhen Bright Electronics|"));
  EXPECT_EQ(boxes_.LastText(), AppLanguage().Text(22706));
}

TEST_F(PickupDispatchStandIn, ACourierWhoseOpenIdFailsThePrefixIsNeverNotified) {
  page_->listDlg->ReloadBoth();
  CListGrid& open = *page_->listDlg->unassignedList;
  const size_t before = Queue().size();
  page_->listDlg->runDialog = [](CPickupDispatchDlg& dialog) {
    dialog.takerBox->setText(QStringLiteral("王五"));
    emit dialog.takerBox->editingFinished();
    EXPECT_FALSE(dialog.notifyCourierButton->isVisibleTo(&dialog));
    dialog.OnNotifyCourier();  // nothing happens
    dialog.OnArrange();
    return dialog.result() == QDialog::Accepted;
  };
  page_->listDlg->OpenOrder(&open, RowOf(open, u"PR1800002"));
  EXPECT_EQ(Taker("PR1800002"), "王五");
  EXPECT_EQ(Queue().size(), before) << "no notice for an OpenID outside the prefix";

  // An empty courier is refused; cancelling takes the courier off again.
  CListGrid& taken = *page_->listDlg->assignedList;
  page_->listDlg->runDialog = [this](CPickupDispatchDlg& dialog) {
    EXPECT_TRUE(dialog.cancelPickupButton->isEnabled());
    dialog.takerBox->setText(QStringLiteral("  "));
    dialog.OnArrange();
    EXPECT_EQ(boxes_.LastText(), AppLanguage().Text(520030));
    QTest::mouseClick(dialog.cancelPickupButton, Qt::LeftButton);
    return dialog.result() == QDialog::Accepted;
  };
  page_->listDlg->OpenOrder(&taken, RowOf(taken, u"PR1800002"));
  EXPECT_EQ(Taker("PR1800002"), "");
}

TEST_F(PickupDispatchStandIn, TheEditorWantsADescriptionOfTenCharacters) {
  CWeChatSendDlg editor(0, u"oBR2customer0000000000000002", u"C002", u"Shenzhen Bright Electronics", nullptr,
                        messages_.FindDefinition(kCustomerNoticeKind));
  editor.show();
  editor.statusBox->setFocus();
  QTest::keyClicks(editor.statusBox, QStringLiteral("ok"));
  QTest::keyClick(editor.statusBox, Qt::Key_Down);
  EXPECT_EQ(editor.focusWidget(), editor.descriptionBox) << "Down moves on";
  QTest::keyClicks(editor.descriptionBox, QStringLiteral("too short"));
  QTest::mouseClick(editor.okButton, Qt::LeftButton);
  EXPECT_EQ(editor.result(), 0);
  EXPECT_EQ(boxes_.LastText(), u"描述太短!");
  QTest::keyClicks(editor.descriptionBox, QStringLiteral("!"));
  ASSERT_NE(editor.preview, nullptr);
  EXPECT_NE(editor.preview->toHtml().indexOf(QStringLiteral("#ff0000"), 0, Qt::CaseInsensitive), -1);
  Save(editor, "CourierMessageDlg");
  QTest::mouseClick(editor.okButton, Qt::LeftButton);
  EXPECT_EQ(editor.result(), QDialog::Accepted);
  EXPECT_EQ(editor.description, u"too short!");
  EXPECT_EQ(editor.status, u"ok");
}

// The header of the order lists: the fixed caption in Chinese, English from
// the language data in English.
TEST_F(PickupDispatchStandIn, TheListHeaderFollowsTheLanguage) {
  EXPECT_EQ(page_->listDlg->listCount->text(), QStringLiteral("记录列表"));
  shelltest::LoadProgramLanguage("01");
  CPreInputPage english;
  english.host = &host_;
  english.index = 16;
  english.services = page_->services;
  english.servicesSet = true;
  english.CreatePageWindow(nullptr, QSize(1270, 700));
  english.OnPageCreated();
  english.resize(1270, 700);
  english.show();
  EXPECT_EQ(english.listDlg->listCount->text(), QStringLiteral("Order list"));
  QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
  EXPECT_TRUE(english.grab().save(QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/pickup_page_en.png")));
  shelltest::LoadProgramLanguage("00");
}

TEST_F(PickupDispatchStandIn, AutoRefreshRunsOnItsTimer) {
  page_->listDlg->intervalBox->setText(QStringLiteral("3"));
  QTest::mouseClick(page_->listDlg->autoRefreshBox, Qt::LeftButton);
  ASSERT_TRUE(page_->listDlg->timer->isActive());
  EXPECT_EQ(page_->listDlg->timer->interval(), 10000) << "below 6 seconds: 10 seconds";
  EXPECT_EQ(page_->listDlg->ticks, 0);
  page_->listDlg->OnTick();
  page_->listDlg->OnTick();
  EXPECT_EQ(page_->listDlg->ticks, 2);
  EXPECT_GE(page_->listDlg->unassignedList->RowCount(), 1);
  page_->listDlg->paused = true;  // an order dialog is open
  page_->listDlg->OnTick();
  EXPECT_EQ(page_->listDlg->ticks, 2);
  page_->listDlg->paused = false;
  QTest::mouseClick(page_->listDlg->autoRefreshBox, Qt::LeftButton);
  EXPECT_FALSE(page_->listDlg->timer->isActive());
  page_->listDlg->intervalBox->setText(QStringLiteral("6"));
  page_->listDlg->SetAutoRefresh(true);
  EXPECT_EQ(page_->listDlg->timer->interval(), 6000);
  page_->listDlg->SetAutoRefresh(false);
}
