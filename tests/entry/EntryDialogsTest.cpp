// The goods lines and piece weights dialogs driven as an operator does:
// keys, clicks, double clicks on the grid and scale readings.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <deque>

#include "devices/ScalePort.h"
#include "devices/ScaleReader.h"
#include "devices/ScaleSource.h"
#include "entry/GoodsListDlg.h"
#include "entry/PieceWeightDlg.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "refdata/PlaceSamples.h"
#include "refdata/StoreCommit.h"
#include "tests/QtTestSupport.h"
#include "tests/TempFolder.h"
#include "tests/devices/ScaleLine.h"
#include "tests/entry/EntryTestSupport.h"
#include "ui/ListGrid.h"

using entrytest::Goods;
using entrytest::Piece;
using entrytest::Text;

namespace {

void DoubleClickRow(CListGrid* grid, int row) {
  const QPoint at = grid->visualRect(grid->Model().index(row, 0)).center();
  QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
}

void Retype(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Backspace);
  // Characters beyond ASCII arrive as key events that carry only their
  // text, as an input method delivers them.
  for (QChar c : text) {
    if (c.unicode() < 0x80)
      QTest::keyClick(edit, c.toLatin1());
    else
      QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
  }
}

class DialogTest : public testsupport::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    entrytest::LoadLanguage();
  }
  // The sample place dictionary (CL01 衣服 CLOTHES, CL02 T恤, CL03 帽子 HATS,
  // FD01 茶叶 TEA, ...).
  const CPlaceDictionary* Places() {
    if (!placesLoaded_)
      placesLoaded_ = places_.Load(Write("places.dat", BuildPlaceDictionaryFile(SamplePlaceEntries())).string());
    EXPECT_TRUE(placesLoaded_);
    return &places_;
  }
  // Records any focus the popup takes (it must never take one).
  void WatchFocus(QWidget* popup) {
    watch_ = QObject::connect(qApp, &QApplication::focusChanged, [this, popup](QWidget*, QWidget* now) {
      if (now == popup) popupTookFocus_ = true;
    });
  }
  void TearDown() override {
    QObject::disconnect(watch_);
    TempFolderTest::TearDown();
  }
  CPlaceDictionary places_;
  bool placesLoaded_ = false;
  QMetaObject::Connection watch_;
  bool popupTookFocus_ = false;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scoped_{&boxes_};
};

// ---- goods lines ----

class GoodsDialogTest : public DialogTest {
 protected:
  void Open() {
    lines_.push_back(Goods(u"衬衫", 2, 10.5));
    lines_.push_back(Goods(u"裤子", 3, 20));
    lines_.push_back(Goods(u"帽子", 1, 5));
    for (auto& line : lines_) before_.push_back(line.get());
    dlg_.lines = &lines_;
    dlg_.ownerId = 0;
    dlg_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg_));
  }
  std::vector<std::unique_ptr<GoodsLine>> lines_;
  std::vector<GoodsLine*> before_;
  CGoodsListDlg dlg_;
};

TEST_F(GoodsDialogTest, EditingTheSecondLoadedLineChangesOnlyIt) {
  Open();
  ASSERT_EQ(3, dlg_.Grid()->RowCount());
  EXPECT_EQ(QString::fromUtf16(u"共 3 项物品，数量合计 6"), dlg_.CountLabel()->text());
  EXPECT_FALSE(dlg_.DeleteButton()->isEnabled());
  DoubleClickRow(dlg_.Grid(), 1);
  EXPECT_EQ(QString::fromUtf16(u"裤子"), dlg_.Edit(CGoodsListDlg::kName)->text());
  EXPECT_TRUE(dlg_.DeleteButton()->isEnabled());
  EXPECT_EQ(QString::fromUtf16(u"修改"), dlg_.AddButton()->text());
  Retype(dlg_.Edit(CGoodsListDlg::kName), QString::fromUtf16(u"牛仔裤"));
  Retype(dlg_.Edit(CGoodsListDlg::kQuantity), QStringLiteral("4"));
  // Ctrl+S adds or updates from any edit.
  QTest::keyClick(dlg_.Edit(CGoodsListDlg::kQuantity), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(3, dlg_.Grid()->RowCount());
  EXPECT_EQ(u"衬衫", dlg_.Grid()->CellText(0, 0));
  EXPECT_EQ(u"牛仔裤", dlg_.Grid()->CellText(1, 0));
  EXPECT_EQ(u"4", dlg_.Grid()->CellText(1, 1));
  EXPECT_EQ(u"帽子", dlg_.Grid()->CellText(2, 0));
  EXPECT_EQ(QString::fromUtf16(u"共 3 项物品，数量合计 7"), dlg_.CountLabel()->text());
  EXPECT_EQ(QString::fromUtf16(u"添加"), dlg_.AddButton()->text());
  entrytest::SaveScreenshot(dlg_, QStringLiteral("goods_lines_dialog"));
  QTest::mouseClick(dlg_.OkButton(), Qt::LeftButton);
  EXPECT_EQ(QDialog::Accepted, dlg_.result());
  ASSERT_EQ(3u, lines_.size());
  EXPECT_EQ(u"衬衫", Text(lines_[0]->cgoods));
  EXPECT_EQ(u"牛仔裤", Text(lines_[1]->cgoods));
  EXPECT_EQ(4, lines_[1]->iquantity);
  EXPECT_EQ(u"帽子", Text(lines_[2]->cgoods));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(i, lines_[i]->id);
}

TEST_F(GoodsDialogTest, DeletingTheSecondLoadedLineRemovesOnlyIt) {
  Open();
  DoubleClickRow(dlg_.Grid(), 1);
  QTest::mouseClick(dlg_.DeleteButton(), Qt::LeftButton);
  ASSERT_EQ(2, dlg_.Grid()->RowCount());
  EXPECT_EQ(u"帽子", dlg_.Grid()->CellText(1, 0));
  EXPECT_FALSE(dlg_.DeleteButton()->isEnabled());
  QTest::mouseClick(dlg_.OkButton(), Qt::LeftButton);
  ASSERT_EQ(2u, lines_.size());
  EXPECT_EQ(u"衬衫", Text(lines_[0]->cgoods));
  EXPECT_EQ(u"帽子", Text(lines_[1]->cgoods));
}

TEST_F(GoodsDialogTest, OkWithoutAddOrDeleteLeavesTheListUntouched) {
  Open();
  // A line made current and its edits changed, but never added.
  DoubleClickRow(dlg_.Grid(), 0);
  Retype(dlg_.Edit(CGoodsListDlg::kName), QStringLiteral("changed"));
  QTest::mouseClick(dlg_.OkButton(), Qt::LeftButton);
  EXPECT_EQ(QDialog::Accepted, dlg_.result());
  ASSERT_EQ(3u, lines_.size());
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(before_[i], lines_[i].get());
  EXPECT_EQ(u"衬衫", Text(lines_[0]->cgoods));
}

TEST_F(GoodsDialogTest, EnterOnAddAppendsAndTheCloseBoxKeepsTheList) {
  Open();
  QLineEdit* name = dlg_.Edit(CGoodsListDlg::kName);
  Retype(name, QString::fromUtf16(u"袜子"));
  // Enter in the name edit moves on; Down moves on too; Esc closes nothing.
  QTest::keyClick(name, Qt::Key_Return);
  EXPECT_EQ(dlg_.Edit(CGoodsListDlg::kQuantity), dlg_.focusWidget());
  QTest::keyClick(dlg_.focusWidget(), Qt::Key_Escape);
  EXPECT_TRUE(dlg_.isVisible());
  Retype(dlg_.Edit(CGoodsListDlg::kQuantity), QStringLiteral("5"));
  dlg_.AddButton()->setFocus();
  QTest::keyClick(dlg_.AddButton(), Qt::Key_Return);
  ASSERT_EQ(4, dlg_.Grid()->RowCount());
  EXPECT_EQ(u"袜子", dlg_.Grid()->CellText(3, 0));
  EXPECT_EQ(u"5", dlg_.Grid()->CellText(3, 1));
  EXPECT_EQ(u"1.00", dlg_.Grid()->CellText(3, 2));
  // An empty name is refused with the check's message.
  dlg_.AddButton()->click();
  EXPECT_EQ(4, dlg_.Grid()->RowCount());
  EXPECT_NE(std::u16string::npos, boxes_.LastText().find(AppLanguage().Text(30026)));
  // Closed by the close box: the caller's list stays as it was.
  dlg_.reject();
  ASSERT_EQ(3u, lines_.size());
  EXPECT_EQ(before_[2], lines_[2].get());
}

TEST_F(GoodsDialogTest, GoodsNameSuggestionsFillNameAliasAndCode) {
  dlg_.SetPlaceDictionary(Places());
  Open();
  CPlaceSuggestPopup* popup = dlg_.PlacePopup();
  WatchFocus(popup);
  QLineEdit* name = dlg_.Edit(CGoodsListDlg::kName);
  Retype(name, QStringLiteral("cl"));
  ASSERT_TRUE(popup->isVisible());
  EXPECT_TRUE(name->hasFocus());
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(popup->Rows().IsFilled(i)) << i;
  EXPECT_EQ(popup->Rows().PickText(2), u"帽子");
  entrytest::SaveScreenshot(dlg_, QStringLiteral("goods_lines_place_popup"));
  // Ctrl+3: the third hit, then on as Tab.
  QTest::keyClick(name, Qt::Key_3, Qt::ControlModifier);
  EXPECT_EQ(QString::fromUtf16(u"帽子"), name->text());
  EXPECT_EQ(QStringLiteral("HATS"), dlg_.Edit(CGoodsListDlg::kAlias)->text());
  EXPECT_EQ(QStringLiteral("CL03"), dlg_.Edit(CGoodsListDlg::kCodeA)->text());
  EXPECT_EQ(dlg_.Edit(CGoodsListDlg::kQuantity), dlg_.focusWidget());
  EXPECT_FALSE(popup->isVisible());
  // Enter takes the first hit; the line is added with what it filled in.
  Retype(name, QString::fromUtf16(u"茶"));
  ASSERT_TRUE(popup->isVisible());
  QTest::keyClick(name, Qt::Key_Return);
  EXPECT_EQ(QString::fromUtf16(u"茶叶"), name->text());
  EXPECT_EQ(QStringLiteral("TEA"), dlg_.Edit(CGoodsListDlg::kAlias)->text());
  EXPECT_EQ(dlg_.Edit(CGoodsListDlg::kQuantity), dlg_.focusWidget());
  EXPECT_FALSE(popup->isVisible());
  QTest::keyClick(dlg_.focusWidget(), Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(4, dlg_.Grid()->RowCount());
  EXPECT_EQ(u"茶叶", dlg_.Grid()->CellText(3, CGoodsListDlg::kName));
  EXPECT_EQ(u"TEA", dlg_.Grid()->CellText(3, CGoodsListDlg::kAlias));
  EXPECT_EQ(u"FD01", dlg_.Grid()->CellText(3, CGoodsListDlg::kCodeA));
  // No hit: the popup hides and Enter just moves on; Ctrl+4 on an empty row
  // picks nothing.
  Retype(name, QStringLiteral("zzz"));
  EXPECT_FALSE(popup->isVisible());
  QTest::keyClick(name, Qt::Key_4, Qt::ControlModifier);
  EXPECT_EQ(QStringLiteral("zzz"), name->text());
  QTest::keyClick(name, Qt::Key_Return);
  EXPECT_EQ(QStringLiteral("zzz"), name->text());
  EXPECT_EQ(dlg_.Edit(CGoodsListDlg::kQuantity), dlg_.focusWidget());
  EXPECT_FALSE(popupTookFocus_);
}

TEST_F(DialogTest, GoodsLinesOfASavedWaybillLeaveTheStoreOnConfirm) {
  CGoodsLineTable store;
  ASSERT_EQ(0, store.Open(folder_ / "recgoods.dat"));
  std::vector<std::unique_ptr<GoodsLine>> lines;
  for (const char16_t* name : {u"甲", u"乙"}) {
    auto line = Goods(name, 1, 1);
    line->owner = 500;
    ASSERT_GT(store.Append(line.get()), 0);  // gives the line its id
    lines.push_back(std::move(line));
  }
  auto other = Goods(u"别的", 1, 1);
  store.Append(other.get());
  CGoodsListDlg dlg;
  dlg.lines = &lines;
  dlg.ownerId = 500;
  dlg.goodsStore = &store;
  dlg.show();
  DoubleClickRow(dlg.Grid(), 0);
  dlg.DeleteButton()->click();
  dlg.OkButton()->click();
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ(u"乙", Text(lines[0]->cgoods));
  EXPECT_EQ(500, lines[0]->owner);
  // Both old records left the store; the other waybill's line stays.
  ASSERT_EQ(1, store.GetCount());
  EXPECT_EQ(u"别的", Text(store.Record(0)->cgoods));
}

// ---- piece weights ----

// A scale that answers from a queue of readings.
class FakeScale : public IScaleSource {
 public:
  int Open(QObject* owner) override {
    owner_ = owner;
    ++opened;
    return 1;
  }
  int ReadWeight() override {
    if (readings.empty()) return -1;
    int grams = readings.front();
    readings.pop_front();
    return grams;
  }
  void Close() override { ++closed; }
  // What the port does when bytes arrive.
  void Arrive(int grams) {
    readings.push_back(grams);
    platform::PostPrivateMessage(owner_, devices::WM_PORT_RECEIVED, 3, 0);
  }
  std::deque<int> readings;
  int opened = 0;
  int closed = 0;

 private:
  QObject* owner_ = nullptr;
};

class PieceDialogTest : public DialogTest {
 protected:
  void Open(int declared, char letter, char override = 0) {
    dlg_ = std::make_unique<CPieceWeightDlg>(declared, &pieces_, 3.5, 0, letter, override);
    dlg_->SetScaleSource(&scale_);
    dlg_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg_.get()));
  }
  QLineEdit* Edit(CPieceWeightDlg::Field f) { return dlg_->Edit(f); }
  std::vector<std::unique_ptr<PieceLine>> pieces_;
  FakeScale scale_;
  std::unique_ptr<CPieceWeightDlg> dlg_;
};

TEST_F(PieceDialogTest, ScaleReadingsReachTheWeightEdit) {
  Open(2, 'W');
  EXPECT_EQ(1, scale_.opened);
  Retype(Edit(CPieceWeightDlg::kWeight), QStringLiteral("9"));
  scale_.Arrive(-1);  // no complete frame yet
  scale_.Arrive(-2);  // a bad frame
  QCoreApplication::processEvents();
  EXPECT_EQ(QStringLiteral("9"), Edit(CPieceWeightDlg::kWeight)->text());
  scale_.Arrive(0);
  EXPECT_TRUE(testsupport::WaitUntil(
      [&] { return Edit(CPieceWeightDlg::kWeight)->text() == QStringLiteral("0"); }));
  scale_.Arrive(12345);
  EXPECT_TRUE(testsupport::WaitUntil(
      [&] { return Edit(CPieceWeightDlg::kWeight)->text() == QStringLiteral("12.345"); }));
  dlg_->reject();
  EXPECT_EQ(1, scale_.closed);
}

// The application's scale reader itself, on a pseudo-terminal that plays a
// streaming scale (kind 0: "=" and the kilograms reversed): its frames reach
// the weight edit, and closing the dialog closes the port.
TEST_F(PieceDialogTest, TheScaleReaderOnASerialLineFillsTheWeight) {
  testsupport::ScaleLine line;
  ASSERT_TRUE(line.Ready());
  CScalePort port;
  CScaleReader reader;
  reader.LoadSettings("/nonexistent-folder/", port);
  reader.settings.useFlag = 1;
  reader.settings.kind = 0;
  reader.settings.frameLength = 10;
  reader.settings.startByte = '=';
  reader.settings.SetDevicePath(line.DevicePath());
  reader.BuildLineSettings();
  dlg_ = std::make_unique<CPieceWeightDlg>(2, &pieces_, 3.5, 0, 'W', 0);
  dlg_->SetScaleSource(&reader);
  dlg_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg_.get()));
  ASSERT_TRUE(reader.IsOpen());
  ASSERT_TRUE(line.Send("=100.1000=100.1000="));  // 1.001 kg
  EXPECT_TRUE(testsupport::WaitUntil(
      [&] { return Edit(CPieceWeightDlg::kWeight)->text() == QStringLiteral("1.001"); }));
  dlg_->reject();
  EXPECT_FALSE(reader.IsOpen());
}

TEST_F(PieceDialogTest, PiecesAreKeyedConfirmedAndHandedBackOnOk) {
  pieces_.push_back(Piece(1000, 10, 10, 10));
  PieceLine* kept = pieces_[0].get();
  Open(5, 'W');
  EXPECT_TRUE(dlg_->DivisorLabelWidget()->isVisible());
  EXPECT_EQ(QString::fromUtf16(u"÷12000"), dlg_->DivisorLabelWidget()->text());
  EXPECT_EQ(QString::fromUtf16(u"第 2 件 / 共 5 件"), dlg_->PieceLabel()->text());
  Retype(Edit(CPieceWeightDlg::kWeight), QStringLiteral("2.5"));
  Retype(Edit(CPieceWeightDlg::kLength), QStringLiteral("60"));
  Retype(Edit(CPieceWeightDlg::kWidth), QStringLiteral("40"));
  Retype(Edit(CPieceWeightDlg::kHeight), QStringLiteral("50"));
  EXPECT_EQ(QString::fromUtf16(u"体积重量：10.000 公斤"), dlg_->VolumeLabel()->text());
  Retype(Edit(CPieceWeightDlg::kAddCount), QStringLiteral("10"));
  Retype(Edit(CPieceWeightDlg::kGoods), QString::fromUtf16(u"茶叶"));
  QTest::mouseClick(dlg_->ConfirmButton(), Qt::LeftButton);
  // The piece and its copies up to the declared count: 5 - 1 = 4.
  ASSERT_EQ(5, dlg_->Grid()->RowCount());
  EXPECT_EQ(u"10.000", dlg_->Grid()->CellText(1, 1));  // chargeable
  EXPECT_EQ(u"2.500", dlg_->Grid()->CellText(1, 2));   // weight
  EXPECT_EQ(u"茶叶", dlg_->Grid()->CellText(4, 7));
  EXPECT_EQ(QString::fromUtf16(u"合计计费重量：41.000 公斤"), dlg_->TotalLabel()->text());
  // All listed: the piece after the one confirmed comes up for editing.
  EXPECT_EQ(QString::fromUtf16(u"第 3 件 / 共 5 件"), dlg_->PieceLabel()->text());
  EXPECT_EQ(QStringLiteral("2.500"), Edit(CPieceWeightDlg::kWeight)->text());
  EXPECT_EQ(ToQColor(0x000080), dlg_->PieceLabel()->palette().color(QPalette::WindowText));
  EXPECT_EQ(dlg_->focusWidget(), Edit(CPieceWeightDlg::kWeight));
  // Every confirmed piece reached the caller at once.
  ASSERT_EQ(5u, pieces_.size());
  EXPECT_EQ(2500, pieces_[4]->ixWeight);
  EXPECT_TRUE(dlg_->piecesChanged);
  entrytest::SaveScreenshot(*dlg_, QStringLiteral("piece_weights_dialog"));
  QTest::mouseClick(dlg_->OkButton(), Qt::LeftButton);
  EXPECT_EQ(QDialog::Accepted, dlg_->result());
  EXPECT_TRUE(dlg_->piecesChanged);
  ASSERT_EQ(5u, pieces_.size());
  EXPECT_NE(kept, pieces_[0].get());
  EXPECT_EQ(1000, pieces_[0]->ixWeight);
  EXPECT_EQ(2500, pieces_[1]->ixWeight);
  EXPECT_EQ(u"茶叶", Text(pieces_[4]->cxGoods));
}

TEST_F(PieceDialogTest, CloseBoxKeepsTheConfirmedPiecesAndEmptyOkCloses) {
  Open(2, 'D');
  Retype(Edit(CPieceWeightDlg::kWeight), QStringLiteral("1"));
  dlg_->ConfirmButton()->click();
  EXPECT_EQ(1, dlg_->Grid()->RowCount());
  // A second piece keyed but not confirmed: the close box drops only it.
  Retype(Edit(CPieceWeightDlg::kWeight), QStringLiteral("7"));
  dlg_->reject();
  ASSERT_EQ(1u, pieces_.size());
  EXPECT_EQ(1000, pieces_[0]->ixWeight);
  EXPECT_TRUE(dlg_->piecesChanged);

  // An empty form: OK stores nothing and closes.
  pieces_.clear();
  Open(2, 'D');
  dlg_->OkButton()->click();
  EXPECT_EQ(QDialog::Accepted, dlg_->result());
  EXPECT_TRUE(pieces_.empty());
  EXPECT_FALSE(dlg_->piecesChanged);
}

TEST_F(PieceDialogTest, KeyedPieceWithoutWeightKeepsTheDialogOpen) {
  Open(2, 0);
  Retype(Edit(CPieceWeightDlg::kGoods), QString::fromUtf16(u"书"));
  dlg_->OkButton()->click();
  EXPECT_TRUE(dlg_->isVisible());
  EXPECT_EQ(dlg_->focusWidget(), Edit(CPieceWeightDlg::kWeight));
  EXPECT_EQ(0, dlg_->Grid()->RowCount());
  // Re-enter empties the piece; the percentage keeps its value.
  Retype(Edit(CPieceWeightDlg::kPercent), QStringLiteral("50"));
  dlg_->ReenterButton()->click();
  EXPECT_TRUE(Edit(CPieceWeightDlg::kGoods)->text().isEmpty());
  EXPECT_EQ(QStringLiteral("50"), Edit(CPieceWeightDlg::kPercent)->text());
  EXPECT_EQ(QStringLiteral("1"), Edit(CPieceWeightDlg::kQuantity)->text());
}

TEST_F(PieceDialogTest, DoubleClickMakesAPieceCurrentAndOverrideHidesTheDivisor) {
  pieces_.push_back(Piece(1000, 0, 0, 0));
  pieces_.push_back(Piece(2000, 0, 0, 0));
  Open(2, 'W', 'T');
  EXPECT_FALSE(dlg_->DivisorLabelWidget()->isVisible());
  DoubleClickRow(dlg_->Grid(), 1);
  EXPECT_EQ(QString::fromUtf16(u"第 2 件 / 共 2 件"), dlg_->PieceLabel()->text());
  EXPECT_EQ(QStringLiteral("2.000"), Edit(CPieceWeightDlg::kWeight)->text());
  // The override letter T: 30 x 30 x 30 / 3 = 9 kg.
  Retype(Edit(CPieceWeightDlg::kLength), QStringLiteral("30"));
  Retype(Edit(CPieceWeightDlg::kWidth), QStringLiteral("30"));
  Retype(Edit(CPieceWeightDlg::kHeight), QStringLiteral("30"));
  EXPECT_EQ(QString::fromUtf16(u"体积重量：9.000 公斤"), dlg_->VolumeLabel()->text());
  dlg_->ConfirmButton()->click();
  EXPECT_EQ(u"9.000", dlg_->Grid()->CellText(1, 1));
  dlg_->OkButton()->click();
  ASSERT_EQ(2u, pieces_.size());
  EXPECT_EQ(30, pieces_[1]->ixLong);
}

TEST_F(PieceDialogTest, GoodsNameSuggestionsFillThePiece) {
  Open(2, 'D');
  dlg_->SetPlaceDictionary(Places());
  CPlaceSuggestPopup* popup = dlg_->PlacePopup();
  WatchFocus(popup);
  QLineEdit* goods = Edit(CPieceWeightDlg::kGoods);
  Retype(Edit(CPieceWeightDlg::kWeight), QStringLiteral("1.5"));
  Retype(goods, QStringLiteral("cl"));
  ASSERT_TRUE(popup->isVisible());
  EXPECT_TRUE(goods->hasFocus());
  entrytest::SaveScreenshot(*dlg_, QStringLiteral("piece_weights_place_popup"));
  QTest::keyClick(goods, Qt::Key_1, Qt::ControlModifier);
  EXPECT_EQ(QString::fromUtf16(u"衣服"), goods->text());
  EXPECT_EQ(QStringLiteral("CLOTHES"), Edit(CPieceWeightDlg::kAlias)->text());
  EXPECT_EQ(QStringLiteral("CL01"), Edit(CPieceWeightDlg::kCodeA)->text());
  EXPECT_EQ(Edit(CPieceWeightDlg::kQuantity), dlg_->focusWidget());
  EXPECT_FALSE(popup->isVisible());
  // Enter in the goods name takes the first hit (here by its English name).
  Retype(goods, QStringLiteral("mobile phone"));
  ASSERT_TRUE(popup->isVisible());
  QTest::keyClick(goods, Qt::Key_Enter);
  EXPECT_EQ(QString::fromUtf16(u"手机"), goods->text());
  EXPECT_EQ(QStringLiteral("EL01"), Edit(CPieceWeightDlg::kCodeA)->text());
  EXPECT_EQ(Edit(CPieceWeightDlg::kQuantity), dlg_->focusWidget());
  // Leaving the edit hides the popup.
  Retype(goods, QString::fromUtf16(u"茶"));
  ASSERT_TRUE(popup->isVisible());
  Edit(CPieceWeightDlg::kRate)->setFocus();
  EXPECT_FALSE(popup->isVisible());
  Retype(goods, QString::fromUtf16(u"茶"));
  QTest::keyClick(goods, Qt::Key_Return);
  dlg_->ConfirmButton()->click();
  ASSERT_EQ(1, dlg_->Grid()->RowCount());
  EXPECT_EQ(u"茶叶", dlg_->Grid()->CellText(0, 7));
  EXPECT_EQ(u"TEA", dlg_->Grid()->CellText(0, 12));
  EXPECT_EQ(u"FD01", dlg_->Grid()->CellText(0, 13));
  EXPECT_FALSE(popupTookFocus_);
}

// ---- the piece store ----

TEST_F(DialogTest, PieceStoreWritesAreChecked) {
  CPieceWeightTable store;
  // Not open: the write cannot happen, and the operator hears of it.
  EXPECT_FALSE(CommitStoreOrTell(store));
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_NE(std::u16string::npos, boxes_.LastText().find(u"本地记录文件写入失败"));
  ASSERT_EQ(0, store.Open(folder_ / "recweight.dat"));
  auto piece = Piece(100, 1, 1, 1);
  ASSERT_EQ(1, store.Append(piece.get()));
  EXPECT_TRUE(CommitStoreOrTell(store));
  EXPECT_EQ(1u, boxes_.Count());
}

}  // namespace
