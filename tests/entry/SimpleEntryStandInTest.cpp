// Page 15, the streamlined entry of multi-piece waybills, against the local
// stand-in server: waybills keyed with the keyboard only (four fields and a
// sub-waybill number a piece), the save's checks in their order, the loads
// of a stored waybill and of a pre-input order, the grid following saves
// and deletes, the page's prints, and pictures of the page and of the
// settings dialog.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "entry/GoodsListDlg.h"
#include "entry/PieceWeightDlg.h"
#include "entry/QuickEntrySettingsDlg.h"
#include "entry/SimpleEntryDlg.h"
#include "import/SimpleEntryPage.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "print/LabelLayout.h"
#include "print/PrintDoors.h"
#include "print/TemplateModel.h"
#include "refdata/RecordStores.h"
#include "refdata/ServiceKinds.h"
#include "server/ServerLink.h"
#include "server/ServerLinkSupport.h"
#include "shell/BrantleClientApp.h"
#include "tests/QtTestSupport.h"
#include "tests/WaitUntil.h"
#include "tests/entry/EntryTestSupport.h"
#include "tests/server/StandInDatabase.h"
#include "tests/shell/StandInSuite.h"
#include "ui/LinkLabel.h"
#include "ui/ListGrid.h"
#include "ui/ViewHost.h"

namespace {

using testsupport::ExecOnDatabase;

// The print jobs asked for, none printed.
class Doors : public CPrintDoors {
 public:
  struct Call {
    char job;  // 'W' waybill, 'I' invoice
    int32_t id;
    int keep, own, copies;
    bool operator==(const Call&) const = default;
  };
  int PrintWaybill(int32_t id, int keep, int own, int copies, std::u16string_view) override {
    calls.push_back({'W', id, keep, own, copies});
    return 1;
  }
  int PrintLabels(std::vector<int32_t>&, int, int, int&, int&, int, int) override { return 0; }
  int PrintProformaInvoice(int32_t id, int keep, int copies, int) override {
    calls.push_back({'I', id, keep, 0, copies});
    return 1;
  }
  CTemplateModel* CurrentTemplate(int slot) override { return slot == 0 ? &invoice : nullptr; }
  int ChooseTemplate(int) override { return 0; }
  CLabelLayout& LabelLayout() override { return layout; }
  void ReloadLabelLayout() override {}
  void ReloadInvoiceMap() override {}
  int InvoiceMapLoaded() override { return 1; }
  std::u16string InvoiceFolder() override { return u"/pi"; }
  int32_t FindLocalRecord(std::string_view, int) override { return 0; }
  void PlayResultSound(int) override {}

  std::vector<Call> calls;
  CTemplateModel invoice{GbkFromWide(u"形式发票"), "PI"};
  CLabelLayout layout;
};

class TestHost : public CViewHost {
 public:
  explicit TestHost(CBrantleClientApp* app) : app_(app) {}
  CBrantleClientApp* Application() override { return app_; }
  CPrintDoors* PrintDoors() override { return doors != nullptr ? doors : &app_->PrintDoors(); }
  QSize ScreenSize() const override { return QSize(1280, 768); }
  CPrintDoors* doors = nullptr;

 private:
  CBrantleClientApp* app_;
};

// Keeps the private messages it receives (the camera window's part).
class MessageSink : public QObject {
 public:
  std::vector<std::pair<int, quintptr>> received;
  bool event(QEvent* e) override {
    if (auto* m = platform::AsPrivateMessage(e)) {
      received.emplace_back(m->Message(), m->WParam());
      return true;
    }
    return QObject::event(e);
  }
};

constexpr int32_t kCustomer = 76001;  // ctrans set, npayway 2

class SimpleEntryStandIn : public shelltest::StandInSuite {
 protected:
  void SetUp() override {
    StandInSuite::SetUp();
    if (HasFatalFailure()) return;
    std::ofstream(folder_.Path() / "ZizTolvane.ini", std::ios::binary)
        << shelltest::StandInConfigText(server_->Port(), "PC-STREAM");
    app_.SetProgramFolder(folder_.Folder());
    ASSERT_EQ(1, app_.Link().Init(folder_.Folder()));
    shelltest::LoadProgramLanguage("00");
    ASSERT_GT(app_.Link().Login(u"admin", u"admin123", 0), 0);
    ASSERT_TRUE(app_.LoadServiceKinds());
    // A kind whose waybill numbers are "SE" and eight digits.
    CServiceKind masked("S8");
    masked.wideCode = u"S8";
    masked.cmasknum = "SE########";
    app_.serviceKinds.push_back(masked);
    // A kind without mask or number series.
    CServiceKind plain("S0");
    plain.wideCode = u"S0";
    app_.serviceKinds.push_back(plain);
    // The saved three-piece waybill of the sample customer, with a
    // sub-waybill number a piece.
    ASSERT_TRUE(ExecOnDatabase(server_->Database(),
        "DELETE FROM client_rec_weight_detail WHERE irid=76001;\n"
        "INSERT OR IGNORE INTO client_rec(irid,icid,nitemtype,fweight,famount,cdes,nlanguage,cemskind,ddate,cserviceno,\n"
        "  cnum,caddrfrom,cmemo,dsysdate,npayway,nstate,iitem,cpaydir,cmoney,corigin,iquantity)\n"
        "VALUES (76001,76001,1,6.5,0,'美国',0,'ZIZ国际','2024-04-03 00:00:00','BR76000001','BR76000001',\n"
        "  '深圳宝安','三件一票','2024-04-03 10:00:00',2,0,3,'CC','USD','CN',1);\n"
        "\n"
        "INSERT INTO client_rec_weight_detail(irid,wpos,ilong,iwidth,iheight,iweight,npercent,cno,ibag,cgoods,\n"
        "  iquantity,iprice,crno,cnum,cgoodsa,cgcodea,cgcodeb,cgcodec,fgcustom,fgcrate) VALUES\n"
        " (76001,1,0,0,0,1,0,'',0,'',0,0,'','SP7600011','','','','',0,0),\n"
        " (76001,2,0,0,0,1,0,'',0,'',0,0,'','SP7600012','','','','',0,0),\n"
        " (76001,3,0,0,0,1,0,'',0,'',0,0,'','SP7600013','','','','',0,0);\n"));
    app_.RefreshClientList();
    app_.RefreshDestinations();
    std::filesystem::create_directories(folder_.Path() / "DATA");
    ASSERT_GE(app_.InputRecords().Open(folder_.Path() / "DATA/recinput.dat"), 0);
  }
  void TearDown() override {
    page_.reset();
    app_.Link().Logout();
  }

  CSimpleEntryPage& OpenPage() {
    page_ = std::make_unique<CSimpleEntryPage>();
    page_->host = &host_;
    page_->index = 15;
    page_->printPause = [](int) {};
    page_->CreatePageWindow(nullptr, QSize(1280, 720));
    page_->OnPageCreated();
    page_->show();
    QApplication::setActiveWindow(page_.get());
    EXPECT_TRUE(QTest::qWaitForWindowExposed(page_.get()));
    Form().captureWindow = [this]() -> QObject* { return &camera_; };
    Form().SelectServiceKind(GbkFromWide(u"ZIZ国际"));
    EXPECT_NE(nullptr, Form().Kind());
    Form().Clear();
    return *page_;
  }
  CSimpleEntryDlg& Form() { return *page_->Form(); }
  QWidget* Focus() const { return QApplication::focusWidget(); }
  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = Focus() ? Focus() : page_.get();
    QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
  }
  static void TypeChar(QWidget* target, QChar c) {
    if (c.unicode() < 128) {
      QTest::keyClick(target, c.toLatin1());
    } else {
      QTest::sendKeyEvent(QTest::Press, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
      QTest::sendKeyEvent(QTest::Release, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }
  void Type(const QString& text) {
    for (QChar c : text) {
      QWidget* target = Focus();
      ASSERT_NE(nullptr, target);
      TypeChar(target, c);
    }
  }
  // The customer of the sample by its name and Ctrl+1, then the piece count.
  void KeyCustomerAndCount(int pieces) {
    ASSERT_EQ(Form().CustomerEdit(), Focus());
    Type(QStringLiteral("精简多件"));
    ASSERT_TRUE(Form().ClientPopup()->isVisible());
    Key(Qt::Key_1, Qt::ControlModifier);
    ASSERT_EQ(kCustomer, Form().Entry().customerId);
    ASSERT_EQ(Form().CountEdit(), Focus());
    Form().CountEdit()->selectAll();
    Type(QString::number(pieces));
    Key(Qt::Key_Return);
    ASSERT_EQ(Form().SlotEdit(0), Focus());
  }
  // Number, origin, destination (its second suggestion), memo.
  std::u16string KeyRow(const QString& number, const QString& memo) {
    Type(number);
    Key(Qt::Key_Return);
    EXPECT_EQ(Form().SlotEdit(1), Focus());
    Type(QStringLiteral("深圳宝安"));
    Key(Qt::Key_Return);
    EXPECT_EQ(Form().SlotEdit(2), Focus());
    Type(QStringLiteral("美"));
    EXPECT_TRUE(Form().DestinationPopup()->isVisible());
    std::u16string second;
    EXPECT_NE(nullptr, Form().DestinationPopup()->Source().GetHit(1, &second));
    Key(Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(Form().SlotEdit(3), Focus());
    Type(memo);
    return second;
  }
  // Keys typed into one control (a dialog's edit), its text replaced.
  void Retype(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    for (QChar c : text) TypeChar(edit, c);
  }
  void KeyPieces(std::initializer_list<const char*> numbers) {
    for (const char* n : numbers) {
      ASSERT_EQ(Form().PieceEdit(), Focus()) << n;
      Type(QString::fromLatin1(n));
      Key(Qt::Key_Return);
    }
  }
  // The first column of the first row of a query through the link ("FROM x"
  // read as the client writes it, "FROM brantle.dbo.x"), -1 without a row.
  int64_t Count(std::string sql) {
    for (size_t at = sql.find("FROM "); at != std::string::npos; at = sql.find("FROM ", at + 5))
      sql.insert(at + 5, "brantle.dbo.");
    const uint32_t types[] = {AcsTypeEntry(kSqlCSLong)};
    std::string reply;
    GbkFromUtf8InPlace(sql, false, false);
    if (app_.Link().SqlQuery(sql, types, &reply) <= 0) return -1;
    return serverlink::ReplyFirstColumnInt(reply, -1);
  }
  int32_t IdOf(const char* number) { return app_.Link().FindWaybillId(0, number, false); }

  shelltest::TempFolder folder_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CBrantleClientApp app_;
  TestHost host_{&app_};
  MessageSink camera_;
  std::unique_ptr<CSimpleEntryPage> page_;
};

// The main road: two waybills of three and two pieces keyed with keys only,
// the last piece number saving each; then the first deleted from the grid:
// No sends nothing, Yes removes it and renumbers the row below.
TEST_F(SimpleEntryStandIn, MultiPieceWaybillsAreKeyedAndDeletedWithKeysOnly) {
  OpenPage();
  CSimpleEntryDlg& form = Form();
  KeyCustomerAndCount(3);
  const std::u16string destination = KeyRow(QStringLiteral("br76100001"), QStringLiteral("三件 O'Hara"));
  Key(Qt::Key_Return);
  ASSERT_EQ(form.PieceEdit(), Focus()) << "Enter on the memo moves to the piece numbers";
  EXPECT_EQ(u"第 1 件，共 3 件", form.PieceProgress()->text().toStdU16String());
  KeyPieces({"SP7610011", "SP7610012"});
  EXPECT_EQ(2, form.PieceList()->RowCount());
  entrytest::SaveScreenshot(*page_, "streamlined_page_keyed");
  EXPECT_EQ(0u, boxes_.Count());
  // Too short a number is refused and selected again.
  Type(QStringLiteral("SP761"));
  Key(Qt::Key_Return);
  EXPECT_EQ(2, form.PieceList()->RowCount());
  EXPECT_EQ(QStringLiteral("SP761"), form.PieceEdit()->selectedText());
  form.PieceEdit()->clear();
  KeyPieces({"SP7610013"});
  ASSERT_EQ(0u, boxes_.Count()) << Utf8FromWide(boxes_.LastText());

  const int32_t first = IdOf("BR76100001");
  ASSERT_GT(first, 0);
  const std::string where = " WHERE irid=" + std::to_string(first);
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec" + where + " AND icid=76001 AND iitem=3 AND "
                     "cmemo='三件 O''Hara' AND caddrfrom='深圳宝安' AND cdes='" +
                     Utf8FromWide(destination) + "'"));
  EXPECT_EQ(3, Count("SELECT count(*) FROM client_rec_weight_detail" + where));
  for (int pos = 1; pos <= 3; ++pos)
    EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec_weight_detail" + where + " AND wpos=" +
                       std::to_string(pos) + " AND cnum='SP761001" + std::to_string(pos) + "'"))
        << pos;
  EXPECT_EQ(0, Count("SELECT count(*) FROM client_rec_goods" + where));
  // The page shows a new numbered row; the camera window was told.
  ASSERT_TRUE(testsupport::WaitUntil([&] { return page_->grid->FindRowById(first) >= 0; }));
  EXPECT_EQ(u"1", page_->grid->CellText(page_->grid->FindRowById(first), 0));
  EXPECT_EQ(u"BR76100001", page_->grid->CellText(page_->grid->FindRowById(first), 4));
  ASSERT_TRUE(testsupport::WaitUntil([&] { return !camera_.received.empty(); }));
  EXPECT_EQ(WM_CAPTURE_PARCEL, camera_.received.front().first);
  EXPECT_EQ(static_cast<quintptr>(kCustomer), camera_.received.front().second);
  // The form is new again, the customer still chosen.
  EXPECT_EQ(0, form.Entry().loadedId);
  EXPECT_EQ(0, form.PieceList()->RowCount());
  EXPECT_EQ(form.CustomerEdit(), Focus());

  // A second waybill of two pieces under the same customer.
  Key(Qt::Key_Tab);
  form.CountEdit()->selectAll();
  Type(QStringLiteral("2"));
  Key(Qt::Key_Return);
  KeyRow(QStringLiteral("BR76100002"), QStringLiteral("两件"));
  Key(Qt::Key_Return);
  KeyPieces({"SP7610021", "SP7610022"});
  const int32_t second = IdOf("BR76100002");
  ASSERT_GT(second, 0) << Utf8FromWide(boxes_.LastText());
  ASSERT_TRUE(testsupport::WaitUntil([&] { return page_->grid->RowCount() == 2; }));
  EXPECT_EQ(u"2", page_->grid->CellText(page_->grid->FindRowById(second), 0));

  // Opened from the grid; Delete asks, No sends nothing.
  page_->OnRowDoubleClick(page_->grid->FindRowById(first));
  ASSERT_EQ(first, form.Entry().loadedId);
  EXPECT_TRUE(page_->deleteEnabled);
  EXPECT_EQ(3, form.PieceList()->RowCount());
  boxes_.Clear();
  boxes_.QueueAnswer(platform::kIdNo);
  form.SlotEdit(3)->setFocus();
  Key(Qt::Key_Delete);
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(AppLanguage().Text(20011), boxes_.LastText());
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec" + where));
  EXPECT_EQ(first, form.Entry().loadedId);
  boxes_.QueueAnswer(platform::kIdYes);
  Key(Qt::Key_Delete);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return page_->grid->RowCount() == 1; }));
  EXPECT_EQ(0, Count("SELECT count(*) FROM client_rec" + where));
  EXPECT_EQ(u"1", page_->grid->CellText(0, 0)) << "the row below is renumbered";
  EXPECT_EQ(second, page_->grid->GetRowId(0));
  EXPECT_EQ(0, form.Entry().loadedId);
  EXPECT_FALSE(page_->deleteEnabled);
}

// The save's checks in their order, each with its message and the field it
// focuses; nothing is stored by any of them.
TEST_F(SimpleEntryStandIn, SaveChecksInOrder) {
  OpenPage();
  CSimpleEntryDlg& form = Form();
  auto ready = [&] {
    form.SelectServiceKind(GbkFromWide(u"ZIZ国际"));
    form.Clear();
    ASSERT_TRUE(form.SelectCustomer(kCustomer));
    form.DateEdit()->setText(QStringLiteral("2024.05.06"));
    form.CountEdit()->setText(QStringLiteral("1"));
    form.SlotEdit(0)->setText(QStringLiteral("BR76200001"));
  };
  struct Case {
    const char* name;
    std::function<void()> change;
    int message;
    std::function<QWidget*()> focus;
  };
  const Case cases[] = {
      {"date before 2000", [&] { form.DateEdit()->setText(QStringLiteral("1999.12.31")); }, 120021,
       [&] { return form.DateEdit(); }},
      {"two of three piece numbers",
       [&] {
         form.CountEdit()->setText(QStringLiteral("3"));
         form.RefreshPieceList(true);
         form.PieceEdit()->setText(QStringLiteral("SP7620011"));
         form.ConfirmPieceNumber();
         form.PieceEdit()->setText(QStringLiteral("SP7620012"));
         form.ConfirmPieceNumber();
       },
       500020, nullptr},
      {"no kind", [&] { form.SetServiceKind(nullptr); form.SelectCustomer(kCustomer);
                        form.SlotEdit(0)->setText(QStringLiteral("BR76200001")); }, 120022, nullptr},
      {"no customer", [&] { form.Entry().customerId = 0; }, 120023, nullptr},
      {"number against the mask",
       [&] {
         form.SelectServiceKind("S8");
         form.SelectCustomer(kCustomer);
         form.SlotEdit(0)->setText(QStringLiteral("SX76200001"));
       },
       120026, [&] { return form.SlotEdit(0); }},
      {"six characters, no series",
       [&] {
         form.SelectServiceKind("S0");
         form.SelectCustomer(kCustomer);
         form.SlotEdit(0)->setText(QStringLiteral("SE7620"));
       },
       120027, [&] { return form.SlotEdit(0); }},
  };
  for (const Case& c : cases) {
    ready();
    c.change();
    boxes_.Clear();
    EXPECT_EQ(CWaybillSaver::Outcome::Stopped, form.SaveGuarded()) << c.name;
    ASSERT_EQ(1u, boxes_.Count()) << c.name;
    EXPECT_EQ(AppLanguage().Text(c.message), boxes_.LastText()) << c.name;
    if (c.focus) EXPECT_EQ(c.focus(), Focus()) << c.name;
  }
  EXPECT_EQ(0, Count("SELECT count(*) FROM client_rec WHERE cnum LIKE 'BR762%'"));
  EXPECT_EQ(0, Count("SELECT count(*) FROM client_rec WHERE cnum LIKE 'SX762%'"));
}

// What the save takes besides the row: a declared value of 0 becomes price
// times quantity in hundredths; the customer's transfer operator fills the
// empty field while a keyed one stays; quotes reach the server intact.  The
// waybill loaded and saved again keeps one set of piece rows, and a goods
// insert that fails keeps the form and names what was not stored.
TEST_F(SimpleEntryStandIn, SavedValuesResaveAndFailedGoods) {
  OpenPage();
  CSimpleEntryDlg& form = Form();
  ASSERT_TRUE(form.SelectCustomer(kCustomer));
  EXPECT_EQ(u"CC", form.Entry().payDir) << "pay way 2";
  EXPECT_EQ(2, form.Entry().payWay);
  form.CountEdit()->setText(QStringLiteral("2"));
  form.RefreshPieceList(true);
  for (const char* n : {"SP7630011", "SP7630012"}) {
    form.PieceEdit()->setText(QString::fromLatin1(n));
    form.ConfirmPieceNumber();
  }
  ASSERT_EQ(1u, boxes_.Count()) << "the last number saved at once: the number is missing";
  EXPECT_EQ(AppLanguage().Text(120027), boxes_.LastText());
  form.SlotEdit(0)->setText(QStringLiteral("BR76300001"));
  form.SlotEdit(3)->setText(QStringLiteral("it's"));
  form.Entry().texts[28] = u"12.50";
  form.Entry().texts[27] = u"2";
  form.Entry().texts[31] = u"0";
  form.Entry().texts[15] = u"钱经理";
  boxes_.Clear();
  ASSERT_EQ(CWaybillSaver::Outcome::Saved, form.SaveGuarded()) << Utf8FromWide(boxes_.LastText());
  const int32_t id = IdOf("BR76300001");
  ASSERT_GT(id, 0);
  const std::string where = " WHERE irid=" + std::to_string(id);
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec" + where +
                     " AND idvalue=2500 AND iprice=1250 AND iquantity=2 AND ctrans='赵转运' AND "
                     "cmname='钱经理' AND cmemo='it''s' AND cpaydir='CC' AND npayway=2"));
  EXPECT_EQ(2, Count("SELECT count(*) FROM client_rec_weight_detail" + where));

  // Loaded and saved again with the same pieces: still two rows.
  ASSERT_TRUE(form.LoadRecord(id, true));
  EXPECT_EQ(2, form.PieceList()->RowCount());
  EXPECT_EQ(QStringLiteral("2"), form.CountEdit()->text());
  form.Entry().goods = {GoodsLine{}};
  entrytest::Put(form.Entry().goods[0].cgoods, u"鞋");
  form.Entry().goods[0].iquantity = 2;
  form.Entry().goodsChanged = true;
  ASSERT_TRUE(ExecOnDatabase(server_->Database(),
                             "CREATE TRIGGER refuse_goods BEFORE INSERT ON client_rec_goods "
                             "BEGIN SELECT RAISE(ABORT,'goods refused'); END;"));
  boxes_.Clear();
  EXPECT_EQ(CWaybillSaver::Outcome::PartlySaved, form.SaveGuarded());
  EXPECT_EQ(AppLanguage().TextWithString(21350, AppLanguage().Text(21352)), boxes_.LastText());
  EXPECT_EQ(id, form.Entry().loadedId) << "the form keeps the waybill";
  EXPECT_EQ(QStringLiteral("it's"), form.SlotEdit(3)->text());
  EXPECT_EQ(2, Count("SELECT count(*) FROM client_rec_weight_detail" + where));
  ASSERT_TRUE(ExecOnDatabase(server_->Database(), "DROP TRIGGER refuse_goods"));
  boxes_.Clear();
  EXPECT_EQ(CWaybillSaver::Outcome::Saved, form.SaveGuarded()) << Utf8FromWide(boxes_.LastText());
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec_goods" + where));
  EXPECT_EQ(2, Count("SELECT count(*) FROM client_rec_weight_detail" + where));
}

// Loads: the waybills that may no longer be edited are refused in their
// order and leave the delete command off; the sample three-piece waybill
// shows its three numbers; a pre-input order found by its 6-character
// number fills a new waybill once.
TEST_F(SimpleEntryStandIn, LoadsAndRefusals) {
  OpenPage();
  CSimpleEntryDlg& form = Form();
  const struct {
    const char* number;
    int message;
  } refused[] = {{"BR10000028", 120041}, {"BR10000004", 120042}, {"BR10000008", 120043},
                 {"BR10000012", 120044}, {"BR10000016", 120045}, {"BR10000020", 120046},
                 {"BR10000001", 120047}};
  for (const auto& c : refused) {
    WaybillRecord w{};
    w.irID = IdOf(c.number);
    ASSERT_GT(w.irID, 0) << c.number;
    page_->OnRecordChanged(1, w);
    boxes_.Clear();
    page_->OnRowDoubleClick(page_->grid->FindRowById(w.irID));
    EXPECT_FALSE(page_->deleteEnabled) << c.number;
    EXPECT_EQ(AppLanguage().Text(c.message), boxes_.LastText()) << c.number;
    EXPECT_EQ(0, form.Entry().loadedId) << c.number;
  }

  WaybillRecord sample{};
  sample.irID = IdOf("BR76000001");
  ASSERT_EQ(76001, sample.irID);
  page_->OnRecordChanged(1, sample);
  page_->OnRowDoubleClick(page_->grid->FindRowById(sample.irID));
  EXPECT_TRUE(page_->deleteEnabled);
  EXPECT_EQ(QStringLiteral("3"), form.CountEdit()->text());
  ASSERT_EQ(3, form.PieceList()->RowCount());
  for (int row = 0; row < 3; ++row)
    EXPECT_EQ(u"SP760001" + WideFromGbk(std::to_string(row + 1)), form.PieceList()->CellText(row, 1));
  EXPECT_EQ(QStringLiteral("BR76000001"), form.SlotEdit(0)->text());
  EXPECT_TRUE(form.StatusLabel()->text().startsWith(QStringLiteral("◆")));
  EXPECT_FALSE(form.CustomerEdit()->isEnabled());
  page_->OnNewRecord();
  EXPECT_FALSE(page_->deleteEnabled);

  // The pre-input order.
  form.FocusKind(2);
  Type(QStringLiteral("SE7601"));
  Key(Qt::Key_Return);
  ASSERT_TRUE(form.PreInputTaken()) << Utf8FromWide(boxes_.LastText());
  EXPECT_EQ(0, form.Entry().loadedId) << "still a new waybill";
  EXPECT_EQ(kCustomer, form.Entry().customerId);
  EXPECT_EQ(QStringLiteral("美国"), form.SlotEdit(2)->text());
  EXPECT_EQ(QStringLiteral("预录三件"), form.SlotEdit(3)->text());
  EXPECT_EQ(QStringLiteral("3"), form.CountEdit()->text());
  EXPECT_EQ(1, form.PieceNumbers().Index());
  EXPECT_TRUE(form.StatusLabel()->text().startsWith(QStringLiteral("●")));
  // Another order's number on the same form asks nothing: the order of
  // customer 1 (PR0000001) is not taken.
  form.CustomerEdit()->setEnabled(true);
  form.FocusKind(2);
  Type(QStringLiteral("PR0000001"));
  Key(Qt::Key_Return);
  EXPECT_EQ(kCustomer, form.Entry().customerId);
  EXPECT_EQ(QStringLiteral("预录三件"), form.SlotEdit(3)->text());
  form.Clear();
  EXPECT_FALSE(form.PreInputTaken());
  // Once cleared, the form asks again.
  form.FocusKind(2);
  Type(QStringLiteral("PR0000001"));
  Key(Qt::Key_Return);
  EXPECT_TRUE(form.PreInputTaken());
  EXPECT_EQ(1, form.Entry().customerId);
}

// Locks: a locked destination keeps its text through a save, a locked
// number slot is emptied; Ctrl+3 outside the destination moves on as Tab.
TEST_F(SimpleEntryStandIn, LockedSlotsAcrossASave) {
  OpenPage();
  CSimpleEntryDlg& form = Form();
  ASSERT_TRUE(form.SelectCustomer(kCustomer));
  QTest::mouseClick(form.SlotLabel(2), Qt::LeftButton);
  QTest::mouseClick(form.SlotLabel(0), Qt::LeftButton);
  ASSERT_TRUE(form.SlotLocked(2));
  EXPECT_EQ(3, form.LastActiveSlot());
  form.SlotEdit(0)->setText(QStringLiteral("BR76400001"));
  form.SlotEdit(2)->setText(QStringLiteral("日本"));
  form.SlotEdit(1)->setFocus();
  Key(Qt::Key_3, Qt::ControlModifier);
  EXPECT_EQ(form.SlotEdit(3), Focus()) << "the locked destination is passed by";
  ASSERT_EQ(CWaybillSaver::Outcome::Saved, form.SaveGuarded()) << Utf8FromWide(boxes_.LastText());
  EXPECT_EQ(QStringLiteral("日本"), form.SlotEdit(2)->text());
  EXPECT_EQ(u"日本", form.Entry().texts[1]);
  EXPECT_TRUE(form.SlotEdit(0)->text().isEmpty());
}

// On a new waybill Delete edits the text as in any edit and asks nothing;
// Ctrl+G asks nothing either, there being no waybill to delete.
TEST_F(SimpleEntryStandIn, DeleteOnANewWaybillEditsTheText) {
  OpenPage();
  CSimpleEntryDlg& form = Form();
  // Leaving the piece count of a single-piece waybill keeps the focus
  // moving through the row.
  form.CountEdit()->setFocus();
  Key(Qt::Key_Tab);
  EXPECT_EQ(form.SlotEdit(0), Focus());
  form.SlotEdit(3)->setFocus();
  Type(QStringLiteral("xmemo"));
  form.SlotEdit(3)->setCursorPosition(0);
  Key(Qt::Key_Delete);
  Key(Qt::Key_G, Qt::ControlModifier);
  EXPECT_EQ(QStringLiteral("memo"), form.SlotEdit(3)->text());
  EXPECT_EQ(0u, boxes_.Count());
}

// The page's prints: 25 rows at 8 labels a sheet ask about 4 sheets, with
// text 120057 for a layout with "分单序"; a waybill only for exactly one
// row; a second print while one runs does nothing.
TEST_F(SimpleEntryStandIn, PagePrints) {
  OpenPage();
  CListGrid& grid = *page_->grid;
  for (int id = 76501; id <= 76525; ++id) {
    WaybillRecord w{};
    w.irID = id;
    std::snprintf(w.cNum, sizeof w.cNum, "SE7650%04d", id - 76000);
    page_->OnRecordChanged(1, w);
  }
  ASSERT_EQ(25, grid.RowCount());
  for (int row = 0; row < grid.RowCount(); ++row) grid.SetRowSelected(row, true, false);
  page_->labelsPerSheet = [] { return 8; };
  for (bool sequence : {false, true}) {
    page_->labelHasSequence = [sequence] { return sequence; };
    boxes_.Clear();
    boxes_.QueueAnswer(platform::kIdNo);
    page_->OnPrintLabel();
    EXPECT_FALSE(page_->PrintBusy());
    ASSERT_EQ(1u, boxes_.Count());
    EXPECT_EQ(sequence ? u"共选中 25 票，需要 4 张标签纸（按件打印分单标签）。标签模版：。确定打印吗？"
                       : u"共选中 25 票，需要 4 张标签纸。标签模版：。确定打印吗？",
              boxes_.LastText());
  }
  // A print while one runs: nothing at all.
  page_->printBusy = 1;
  boxes_.Clear();
  page_->OnPrintLabel();
  page_->OnPrintWaybill();
  EXPECT_EQ(0u, boxes_.Count());
  EXPECT_TRUE(page_->PrintBusy());
  page_->printBusy = 0;
  // Three rows: no waybill print, and the page is ready again.
  page_->OnPrintWaybill();
  EXPECT_FALSE(page_->PrintBusy());
  EXPECT_EQ(0u, boxes_.Count());
  // None selected: text 20028.
  for (int row = 0; row < grid.RowCount(); ++row) grid.SetRowSelected(row, false, false);
  page_->OnPrintWaybill();
  EXPECT_EQ(AppLanguage().Text(20028), boxes_.LastText());
}

// Printing after a save, as the settings ask: the waybill on the carrier's
// stock, then on the own stock, then the invoices (at most 5).  The page's
// invoices: to files after the question, to the printer after the
// confirmation with its copies.
TEST_F(SimpleEntryStandIn, LinkedPrintingAndInvoices) {
  Doors doors;
  host_.doors = &doors;
  OpenPage();
  CSimpleEntryDlg& form = Form();
  QTimer::singleShot(0, [&] {
    CQuickEntrySettingsDlg& dlg = form.SettingsDialog();
    QTest::mouseClick(dlg.CarrierBox(), Qt::LeftButton);
    QTest::mouseClick(dlg.OwnBox(), Qt::LeftButton);
    dlg.CopiesEdit()->setText(QStringLiteral("7"));
    QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
  });
  QTest::mouseClick(form.SettingsLabel(), Qt::LeftButton);
  ASSERT_EQ(5, form.PrintChoices().invoiceCopies);
  ASSERT_TRUE(form.SelectCustomer(kCustomer));
  form.SlotEdit(0)->setText(QStringLiteral("BR76700001"));
  ASSERT_EQ(CWaybillSaver::Outcome::Saved, form.SaveGuarded()) << Utf8FromWide(boxes_.LastText());
  const int32_t id = IdOf("BR76700001");
  ASSERT_GT(id, 0);
  EXPECT_EQ((std::vector<Doors::Call>{{'W', id, 0, 0, 1}, {'W', id, 0, 1, 1}, {'I', id, 0, 0, 5}}),
            doors.calls);

  ASSERT_TRUE(testsupport::WaitUntil([&] { return page_->grid->RowCount() == 1; }));
  WaybillRecord other{};
  other.irID = 76702;
  page_->OnRecordChanged(1, other);
  CListGrid& grid = *page_->grid;
  for (int row = 0; row < grid.RowCount(); ++row) grid.SetRowSelected(row, true, false);
  doors.calls.clear();
  boxes_.Clear();
  boxes_.QueueAnswer(platform::kIdYes);
  page_->OnPrintInvoice(1);
  EXPECT_EQ((std::vector<Doors::Call>{{'I', id, 1, 0, 1}, {'I', 76702, 1, 0, 1}}), doors.calls);
  ASSERT_EQ(2u, boxes_.Count());
  EXPECT_EQ(u"已生成 2 个形式发票文件，保存在：/pi", boxes_.LastText());
  doors.calls.clear();
  page_->confirmPrint = [](int kind, const std::u16string&, int& copies) {
    EXPECT_EQ(0, kind);
    copies = 3;
    return true;
  };
  page_->OnPrintInvoice(0);
  EXPECT_EQ((std::vector<Doors::Call>{{'I', id, 0, 0, 3}, {'I', 76702, 0, 0, 3}}), doors.calls);
  EXPECT_FALSE(page_->PrintBusy());
  page_.reset();
  host_.doors = nullptr;
}

// Pictures: the page with a three-piece waybill half keyed, in Chinese and
// English, and the settings dialog opened from the status line.
TEST_F(SimpleEntryStandIn, PicturesOfThePageAndTheSettings) {
  for (const char* language : {"00", "01"}) {
    shelltest::LoadProgramLanguage(language);
    OpenPage();
    CSimpleEntryDlg& form = Form();
    KeyCustomerAndCount(3);
    KeyRow(QStringLiteral("BR76600001"), QStringLiteral("half keyed"));
    Key(Qt::Key_Return);
    KeyPieces({"SP7660011"});
    ASSERT_EQ(form.PieceEdit(), Focus());
    entrytest::SaveScreenshot(*page_, language[1] == '0' ? "streamlined_page_zh" : "streamlined_page_en");
  }
  shelltest::LoadProgramLanguage("00");
  OpenPage();
  CSimpleEntryDlg& form = Form();
  bool shown = false;
  QTimer::singleShot(0, [&] {
    CQuickEntrySettingsDlg& dlg = form.SettingsDialog();
    shown = dlg.isVisible();
    entrytest::SaveScreenshot(dlg, "streamlined_settings");
    QTest::mouseClick(dlg.CarrierBox(), Qt::LeftButton);
    dlg.CopiesEdit()->setText(QStringLiteral("7"));
    dlg.DeliveryList()->setCurrentIndex(dlg.DeliveryList()->findData(0));
    QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
  });
  QTest::mouseClick(form.StatusLabel(), Qt::LeftButton);
  EXPECT_TRUE(shown);
  EXPECT_EQ(1, form.PrintChoices().carrierWaybillPrint);
  EXPECT_EQ(5, form.PrintChoices().invoiceCopies) << "at most 5 invoices";
}

// The goods lines and piece weights dialogs opened from the form's buttons:
// what they hand back is saved with the waybill keyed around them (the goods
// rows and their totals, the piece rows with their weights and sizes, the
// weight the sum of the pieces), the piece numbers keyed afterwards landing
// on the pieces the dialog made.
TEST_F(SimpleEntryStandIn, GoodsAndPieceDialogsFromTheButtons) {
  OpenPage();
  CSimpleEntryDlg& form = Form();
  KeyCustomerAndCount(2);
  KeyRow(QStringLiteral("BR76800001"), QStringLiteral("明细"));
  ASSERT_EQ(form.SlotEdit(3), Focus());

  bool goodsShown = false;
  QTimer::singleShot(0, [&] {
    auto* dlg = qobject_cast<CGoodsListDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(nullptr, dlg);
    goodsShown = true;
    const struct {
      const char16_t* name;
      const char* quantity;
      const char* price;
    } lines[] = {{u"鞋", "2", "12.50"}, {u"帽", "1", "5"}};
    for (const auto& line : lines) {
      Retype(dlg->Edit(CGoodsListDlg::kName), QString::fromUtf16(line.name));
      Retype(dlg->Edit(CGoodsListDlg::kQuantity), QString::fromLatin1(line.quantity));
      Retype(dlg->Edit(CGoodsListDlg::kPrice), QString::fromLatin1(line.price));
      QTest::mouseClick(dlg->AddButton(), Qt::LeftButton);
    }
    EXPECT_EQ(2, dlg->Grid()->RowCount());
    entrytest::SaveScreenshot(*dlg, "streamlined_goods_lines");
    QTest::mouseClick(dlg->OkButton(), Qt::LeftButton);
  });
  QTest::mouseClick(form.GoodsButton(), Qt::LeftButton);
  ASSERT_TRUE(goodsShown);
  EXPECT_TRUE(form.Entry().goodsChanged);
  ASSERT_EQ(2u, form.Entry().goods.size());
  EXPECT_EQ(u"鞋,帽", form.Entry().texts[26]);
  EXPECT_EQ(u"2,1", form.Entry().texts[30]);
  EXPECT_EQ(u"3", form.Entry().texts[27]);
  EXPECT_EQ(u"30.00", form.Entry().texts[31]);
  EXPECT_EQ(u"10.00", form.Entry().texts[28]);

  bool piecesShown = false;
  QTimer::singleShot(0, [&] {
    auto* dlg = qobject_cast<CPieceWeightDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(nullptr, dlg);
    piecesShown = true;
    const struct {
      const char* weight;
      const char* side;
    } pieces[] = {{"2.5", "10"}, {"1.25", ""}};
    for (const auto& piece : pieces) {
      Retype(dlg->Edit(CPieceWeightDlg::kWeight), QString::fromLatin1(piece.weight));
      for (auto field : {CPieceWeightDlg::kLength, CPieceWeightDlg::kWidth, CPieceWeightDlg::kHeight})
        Retype(dlg->Edit(field), QString::fromLatin1(piece.side));
      QTest::mouseClick(dlg->ConfirmButton(), Qt::LeftButton);
    }
    EXPECT_EQ(2, dlg->Grid()->RowCount());
    entrytest::SaveScreenshot(*dlg, "streamlined_piece_weights");
    QTest::mouseClick(dlg->OkButton(), Qt::LeftButton);
  });
  QTest::mouseClick(form.PiecesButton(), Qt::LeftButton);
  ASSERT_TRUE(piecesShown);
  ASSERT_EQ(2u, form.Entry().pieces.size());
  EXPECT_EQ(u"3.750", form.Entry().texts[4]) << "the weight is the pieces' sum";

  // Back on the memo: Enter moves to the piece numbers, the second saves.
  QApplication::setActiveWindow(page_.get());
  form.SlotEdit(3)->setFocus();
  ASSERT_EQ(form.SlotEdit(3), Focus());
  Key(Qt::Key_Return);
  ASSERT_NO_FATAL_FAILURE(KeyPieces({"SP7680011", "SP7680012"}));
  ASSERT_EQ(0u, boxes_.Count()) << Utf8FromWide(boxes_.LastText());
  const int32_t id = IdOf("BR76800001");
  ASSERT_GT(id, 0);
  const std::string where = " WHERE irid=" + std::to_string(id);
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec" + where +
                     " AND abs(fweight-3.75)<0.0005 AND cgoods='鞋,帽' AND iquantity=3 AND "
                     "idvalue=3000 AND iprice=1000 AND ctransnote='2,1' AND iitem=2"));
  EXPECT_EQ(2, Count("SELECT count(*) FROM client_rec_goods" + where));
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec_goods" + where +
                     " AND cgoods='鞋' AND iquantity=2 AND abs(fprice-12.5)<0.001"));
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec_goods" + where +
                     " AND cgoods='帽' AND iquantity=1 AND abs(fprice-5)<0.001"));
  EXPECT_EQ(2, Count("SELECT count(*) FROM client_rec_weight_detail" + where));
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec_weight_detail" + where +
                     " AND wpos=1 AND iweight=2500 AND ilong=10 AND iwidth=10 AND iheight=10 AND "
                     "cnum='SP7680011'"));
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec_weight_detail" + where +
                     " AND wpos=2 AND iweight=1250 AND ilong=0 AND cnum='SP7680012'"));
}

// A waybill prints for exactly one selected row, through the print doors.
TEST_F(SimpleEntryStandIn, AWaybillPrintsForOneSelectedRow) {
  Doors doors;
  host_.doors = &doors;
  OpenPage();
  for (int32_t id : {76901, 76902}) {
    WaybillRecord w{};
    w.irID = id;
    page_->OnRecordChanged(1, w);
  }
  CListGrid& grid = *page_->grid;
  for (int row = 0; row < grid.RowCount(); ++row) grid.SetRowSelected(row, false, false);
  grid.SetRowSelected(grid.FindRowById(76902), true, false);
  boxes_.Clear();
  page_->OnPrintWaybill();
  EXPECT_EQ((std::vector<Doors::Call>{{'W', 76902, 0, 0, 1}}), doors.calls) << Utf8FromWide(boxes_.LastText());
  EXPECT_FALSE(page_->PrintBusy());
  doors.calls.clear();
  grid.SetRowSelected(grid.FindRowById(76901), true, false);
  page_->OnPrintWaybill();
  EXPECT_TRUE(doors.calls.empty()) << "two rows: no waybill";
  page_.reset();
  host_.doors = nullptr;
}

// A memo of quotes only, at its limit of 254 characters, reaches the
// server whole: every quote doubled in a statement that grows with it.
TEST_F(SimpleEntryStandIn, AMemoOfQuotesAtItsLimitIsStoredWhole) {
  OpenPage();
  CSimpleEntryDlg& form = Form();
  ASSERT_TRUE(form.SelectCustomer(kCustomer));
  form.SlotEdit(0)->setText(QStringLiteral("BR76950001"));
  form.SlotEdit(3)->setText(QString(254, QChar(u'\'')));
  ASSERT_EQ(CWaybillSaver::Outcome::Saved, form.SaveGuarded()) << Utf8FromWide(boxes_.LastText());
  const int32_t id = IdOf("BR76950001");
  ASSERT_GT(id, 0);
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec WHERE irid=" + std::to_string(id) +
                     " AND len(cmemo)=254 AND replace(cmemo,'''','')=''"));
}

}  // namespace
