#include "entry/WaybillForm.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "devices/ScaleReader.h"
#include "devices/ScaleSource.h"
#include "entry/EntryEdits.h"
#include "entry/FullFormLookups.h"
#include "entry/GoodsListDlg.h"
#include "entry/PieceWeightDlg.h"
#include "entry/WaybillSubDlg.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "platform/QtMessages.h"
#include "platform/QtWaitForWork.h"
#include "refdata/AddressLibrary.h"
#include "refdata/BarcodeNormalizer.h"
#include "refdata/ClientListCache.h"
#include "refdata/DirectoryTable.h"
#include "refdata/PlaceDictionary.h"
#include "server/ServerLink.h"
#include "shell/AppSettings.h"
#include "shell/BrantleClientApp.h"
#include "ui/LinkLabel.h"
#include "ui/ListPickDlg.h"
#include "ui/QuickScanPrintDlg.h"
#include "ui/PictureDlg.h"
#include "ui/ScanStationDlg.h"
#include "ui/SuggestPopup.h"
#include "ui/ViewPage.h"
#include "ui/WorldCityDlg.h"

namespace {

QString Q(std::u16string_view text) { return platform::ToQString(text); }
std::u16string T(int id, std::u16string_view fallback) { return AppLanguage().Text(id, fallback); }

// The lock markers and the texts they lock.
constexpr int kLockedText[6] = {kFfAddrFrom, kFfReceiver, kFfRPostcode, kFfSender, kFfSPostcode, kFfNum};

constexpr int kScaleMessage = 0x66A;

}  // namespace

CWaybillDlg::CWaybillDlg(QWidget* parent) : QWidget(parent) {
  Build();
  values_.texts[kFfMoney] = u"USD";
  values_.texts[kFfOrigin] = u"CN";
  values_.texts[kFfPayDir] = u"PP";
  values_.date = Today(0);
  ShowForm();
  Clear(1);
}

CWaybillDlg::~CWaybillDlg() {
  if (scaleOpen_ && scale_ != nullptr) scale_->Close();
}

QWidget* CWaybillDlg::AddText(int text, int captionId, std::u16string_view caption, int maxChars,
                              bool multiLine) {
  QWidget* box = nullptr;
  if (multiLine) {
    auto* edit = new QPlainTextEdit(this);
    edit->setTabChangesFocus(true);
    edit->setFixedHeight(40);
    box = edit;
  } else {
    auto* edit = new QLineEdit(this);
    edit->setMaxLength(maxChars);
    box = edit;
  }
  box->setObjectName(QStringLiteral("text%1").arg(text));
  box->setToolTip(Q(T(captionId, caption)));
  box->installEventFilter(this);
  texts_[text] = box;
  return box;
}

CLinkLabel* CWaybillDlg::AddLink(int captionId, std::u16string_view caption, QColor color) {
  auto* link = new CLinkLabel(Q(T(captionId, caption)), this);
  link->SetLinkCursor(Qt::PointingHandCursor);
  if (color.isValid()) link->SetTextColor(color);
  return link;
}

void CWaybillDlg::Build() {
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(2, 2, 2, 2);
  outer->setSpacing(3);
  auto label = [this](int id, std::u16string_view fallback) { return new QLabel(Q(T(id, fallback)), this); };
  auto lineEdit = [this](int maxChars) {
    auto* e = new QLineEdit(this);
    e->setMaxLength(maxChars);
    e->installEventFilter(this);
    return e;
  };
  // The number boxes take only what reads as a number.
  auto numberEdit = [this](int maxChars, bool whole) {
    QLineEdit* e = whole ? MakeIntegerEdit(this) : MakeRealEdit(this);
    e->setAlignment(Qt::AlignLeft);
    e->setMaxLength(maxChars);
    e->installEventFilter(this);
    return e;
  };
  const QColor green(0, 0x80, 0);

  // Search boxes and the customer box.
  auto* top = new QGridLayout();
  searchNumber_ = lineEdit(60);
  searchTransfer_ = lineEdit(60);
  top->addWidget(label(180001, u"查内单号"), 0, 0);
  top->addWidget(searchNumber_, 0, 1);
  top->addWidget(label(180002, u"查转单号"), 0, 2);
  top->addWidget(searchTransfer_, 0, 3);
  info_ = new QPlainTextEdit(this);
  info_->setReadOnly(true);
  info_->setFixedHeight(48);
  top->addWidget(info_, 0, 4, 1, 2);

  // The waybill block.
  auto* kindLink = AddLink(22693, u"类别", green);
  connect(kindLink, &CLinkLabel::clicked, this, [this] { PickKind(); });
  kindEdit_ = lineEdit(15);
  kindEdit_->setReadOnly(true);
  kindEdit_->setStyleSheet(QStringLiteral("background:#FAFFFF"));
  top->addWidget(kindLink, 1, 0);
  top->addWidget(kindEdit_, 1, 1);
  numbers_[kFfItem] = numberEdit(9, true);
  top->addWidget(label(180008, u"件"), 1, 2);
  top->addWidget(numbers_[kFfItem], 1, 3);
  auto* printLink = AddLink(21600, u"打印", QColor());
  connect(printLink, &CLinkLabel::clicked, this, [this] { OpenQuickScanPrint(); });
  // The waybill's pictures (once one is loaded).
  pictureLink_ = AddLink(180130, u"图片", QColor(0, 0, 0xFF));
  pictureLink_->setObjectName("pictures");
  connect(pictureLink_, &CLinkLabel::clicked, this, [this] { OpenPictures(); });
  auto* printLinks = new QHBoxLayout();
  printLinks->addWidget(printLink);
  printLinks->addSpacing(12);
  printLinks->addWidget(pictureLink_);
  printLinks->addStretch(1);
  top->addLayout(printLinks, 1, 4);
  scanStationButton_ = new QPushButton(Q(T(670050, u"扫描站")), this);
  scanStationButton_->setObjectName("scanStation");
  scanStationButton_->setAutoDefault(false);
  connect(scanStationButton_, &QPushButton::clicked, this, [this] { OpenScanStation(); });
  top->addWidget(scanStationButton_, 1, 5);
  outer->addLayout(top);

  auto* main = new QGridLayout();
  int row = 0;
  auto* originLink = AddLink(30000, u"出发地", QColor());
  connect(originLink, &CLinkLabel::clicked, this, [this] { ChoosePrompt(kFfAddrFrom, false); });
  main->addWidget(originLink, row, 0);
  main->addWidget(AddText(kFfAddrFrom, 30000, u"出发地", 62), row, 1);
  main->addWidget(label(30001, u"目的地"), row, 2);
  auto* des = new QHBoxLayout();
  des->addWidget(AddText(kFfDes, 30001, u"目的地", 62));
  coverage_ = new CLinkLabel(QStringLiteral("※"), this);
  des->addWidget(coverage_);
  main->addLayout(des, row, 3);
  main->addWidget(label(30002, u"运单号"), row, 4);
  main->addWidget(AddText(kFfNum, 30002, u"运单号", 30), row, 5);
  ++row;
  auto* weightLink = AddLink(30004, u"重量", green);
  connect(weightLink, &CLinkLabel::clicked, this, [this] { EditPieces(); });
  main->addWidget(weightLink, row, 0);
  numbers_[kFfWeight] = numberEdit(12, false);
  main->addWidget(numbers_[kFfWeight], row, 1);
  main->addWidget(label(30005, u"费用"), row, 2);
  numbers_[kFfAmount] = numberEdit(12, false);
  main->addWidget(numbers_[kFfAmount], row, 3);
  auto* payLink = AddLink(30071, u"付款", green);
  connect(payLink, &CLinkLabel::clicked, this, [this] { EditCodAmounts(); });
  main->addWidget(payLink, row, 4);
  payCombo_ = new QComboBox(this);
  for (int k = 0; k < 3; ++k) payCombo_->addItem(Q(T(20060 + k, u"")));
  payCombo_->installEventFilter(this);
  connect(payCombo_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (clearing_) return;
    values_.texts[kFfPayDir] = index == 2 ? u"CC" : u"PP";
    payDirCombo_->setCurrentText(Q(values_.texts[kFfPayDir]));
  });
  // The payment direction beside the pay way: one of the codes, or a
  // loaded waybill's own.
  payDirCombo_ = new QComboBox(this);
  payDirCombo_->setEditable(true);
  payDirCombo_->setInsertPolicy(QComboBox::NoInsert);
  payDirCombo_->lineEdit()->setMaxLength(3);
  for (const char* code : {"PP", "CC", "COD", "DP", "MTH", "AEM", "OTH"})
    payDirCombo_->addItem(QString::fromLatin1(code));
  payDirCombo_->setObjectName(QStringLiteral("payDir"));
  payDirCombo_->setMaximumWidth(60);
  payDirCombo_->setToolTip(Q(T(30113, u"结算指示")));
  auto* payRow = new QHBoxLayout();
  payRow->addWidget(payCombo_, 1);
  payRow->addWidget(payDirCombo_, 0);
  main->addLayout(payRow, row, 5);
  ++row;
  auto* dateLink = AddLink(30070, u"日期", QColor());
  connect(dateLink, &CLinkLabel::clicked, this, [this] { CycleDate(); });
  main->addWidget(dateLink, row, 0);
  dateEdit_ = lineEdit(10);
  main->addWidget(dateEdit_, row, 1);
  classCombo_ = new QComboBox(this);
  const char16_t* classes[3] = {u"大陆", u"华语", u"外语"};
  for (int k = 0; k < 3; ++k) classCombo_->addItem(Q(T(22697 + k, classes[k])));
  itemTypeCombo_ = new QComboBox(this);
  for (int k = 0; k < 3; ++k) itemTypeCombo_->addItem(Q(T(20090 + k, u"")));
  for (QComboBox* combo : {classCombo_, itemTypeCombo_}) {
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(6);
  }
  main->addWidget(classCombo_, row, 2);
  main->addWidget(itemTypeCombo_, row, 3);
  auto* markLink = AddLink(30040, u"标签", QColor());
  connect(markLink, &CLinkLabel::clicked, this, [this] { ChoosePrompt(kFfMark, false); });
  main->addWidget(markLink, row, 4);
  main->addWidget(AddText(kFfMark, 30040, u"标签", 15), row, 5);
  // Longer captions (English) must not squeeze the origin, weight and date
  // boxes or the pay way below the width of their values.
  main->setColumnMinimumWidth(1, 80);
  main->setColumnMinimumWidth(5, 150);
  outer->addLayout(main);

  // Receiver and sender blocks.
  auto party = [&](bool sender) {
    auto* box = new QGroupBox(Q(T(sender ? 180004 : 180003, sender ? u"发件人信息" : u"收件人信息")), this);
    auto* g = new QGridLayout(box);
    g->setVerticalSpacing(2);
    auto add = [&](int r, int c, QWidget* caption, QWidget* field, int span = 1) {
      caption->setParent(box);
      field->setParent(box);
      g->addWidget(caption, r, c * 2);
      g->addWidget(field, r, c * 2 + 1, 1, span);
    };
    const int name = sender ? kFfSender : kFfReceiver;
    add(0, 0, label(180011, u"姓名"), AddText(name, 180011, u"姓名", sender ? 30 : 62));
    add(0, 1, label(180018, u"电话"), AddText(sender ? kFfSPhone : kFfRPhone, 180018, u"电话", 62));
    add(0, 2, label(180012, u"证照号"), AddText(sender ? kFfSIDCard : kFfRIDCard, 180012, u"证照号", 30));
    add(1, 0, label(180014, u"单位"), AddText(sender ? kFfSUnit : kFfRUnit, 180014, u"单位", sender ? 126 : 254), 3);
    if (sender) add(1, 2, label(180016, u"部门"), AddText(kFfDepart, 180016, u"部门", 30));
    add(2, 0, label(180015, u"地址"), AddText(sender ? kFfSAddr : kFfRAddr, 180015, u"地址", 254, true), 5);
    CLinkLabel* postcodeLink = AddLink(180017, u"邮编", sender ? QColor() : QColor(0x80, 0, 0x80));
    if (!sender) connect(postcodeLink, &CLinkLabel::clicked, this, [this] { ShowRemoteAreas(); });
    add(3, 0, postcodeLink, AddText(sender ? kFfSPostcode : kFfRPostcode, 180017, u"邮编", 15));
    CLinkLabel* cityLink = AddLink(180020, u"城市", QColor());
    if (!sender) {
      connect(cityLink, &CLinkLabel::clicked, this, [this] {
        if (app_ == nullptr || !app_->AddressLibrary().IsLoaded()) return;
        ReadForm();
        if (worldCity_ == nullptr) {
          worldCity_ = new CWorldCityDlg(app_->AddressLibrary(), &app_->Destinations(), this, this);
          worldCity_->setGeometry(540, 75, 540, 640);
        }
        if (!values_.texts[kFfDes].empty())
          if (const DestinationRecord* d = app_->FindDestinationByName(GbkFromWide(values_.texts[kFfDes])))
            worldCity_->ShowRegion(d->Code());
        worldCity_->show();
      });
    }
    add(3, 1, cityLink, AddText(sender ? kFfSCity : kFfRCity, 180020, u"城市", sender ? 63 : 126));
    add(3, 2, label(180021, u"省州"), AddText(sender ? kFfSProvince : kFfRProvince, 180021, u"省州", sender ? 30 : 62));
    add(4, 0, label(180022, u"国家"), AddText(sender ? kFfSCountry : kFfRCountry, 180022, u"国家", sender ? 62 : 126));
    add(4, 1, label(180013, u"电邮"), AddText(sender ? kFfSEMail : kFfREMail, 180013, u"电邮", 62));
    CLinkLabel* smsLink = AddLink(180019, u"短信", green);
    connect(smsLink, &CLinkLabel::clicked, this, [this, sender] {
      const std::u16string phone = TextOf(texts_[sender ? kFfSPhone : kFfRPhone]);
      if (phone.size() >= 8 && phone.size() <= 22) SetTextOf(texts_[sender ? kFfSSms : kFfRSms], phone);
    });
    add(4, 2, smsLink, AddText(sender ? kFfSSms : kFfRSms, 180019, u"短信", 22));
    outer->addWidget(box);
  };
  party(false);
  party(true);

  // Remark.
  auto* memoRow = new QHBoxLayout();
  auto* memoLink = AddLink(22694, u"备注:", QColor());
  connect(memoLink, &CLinkLabel::clicked, this, [this] { ChoosePrompt(kFfMemo, true); });
  memoRow->addWidget(memoLink);
  memoRow->addWidget(AddText(kFfMemo, 30022, u"备注", 254, true));
  outer->addLayout(memoRow);

  // Bottom panes: goods, extra numbers, spare fields.
  auto* paneRow = new QHBoxLayout();
  const char16_t* paneTexts[3] = {u"▼物品", u"▼扩展", u"▼备用"};
  for (int k = 0; k < 3; ++k) {
    paneLabels_[k] = AddLink(180005 + k, paneTexts[k], QColor());
    connect(paneLabels_[k], &CLinkLabel::clicked, this, [this, k] { ShowSubPane(k + 1); });
    paneRow->addWidget(paneLabels_[k]);
  }
  paneRow->addStretch();
  for (int k = 0; k < 6; ++k) {
    lockMarkers_[k] = new CLinkLabel(QStringLiteral("◇"), this);
    lockMarkers_[k]->SetLinkCursor(Qt::PointingHandCursor);
    lockMarkers_[k]->setToolTip(texts_[kLockedText[k]]->toolTip());
    connect(lockMarkers_[k], &CLinkLabel::clicked, this, [this, k] { ToggleFieldLock(k); });
    paneRow->addWidget(lockMarkers_[k]);
  }
  outer->addLayout(paneRow);

  goodsPane_ = new QWidget(this);
  auto* g = new QGridLayout(goodsPane_);
  g->setContentsMargins(0, 0, 0, 0);
  g->setVerticalSpacing(2);
  auto goodsText = [&](int r, int c, QWidget* caption, QWidget* field) {
    caption->setParent(goodsPane_);
    field->setParent(goodsPane_);
    g->addWidget(caption, r, c * 2);
    g->addWidget(field, r, c * 2 + 1);
  };
  auto goodsNumber = [&](int r, int c, int id, std::u16string_view caption, int n) {
    numbers_[n] = numberEdit(14, false);
    goodsText(r, c, label(id, caption), numbers_[n]);
  };
  auto* goodsLink = AddLink(30026, u"品名", green);
  connect(goodsLink, &CLinkLabel::clicked, this, [this] { EditGoods(); });
  goodsText(0, 0, goodsLink, AddText(kFfGoods, 30026, u"品名", 254));
  goodsText(0, 1, label(30058, u"别名"), AddText(kFfGoodsA, 30058, u"别名", 254));
  auto* quantityLink = AddLink(30027, u"数量", QColor(0, 0, 0xFF));
  connect(quantityLink, &CLinkLabel::clicked, this, [this] { SummariseGoods(); });
  numbers_[kFfQuantity] = numberEdit(9, true);
  goodsText(0, 2, quantityLink, numbers_[kFfQuantity]);
  goodsText(1, 0, label(30059, u"甲码"), AddText(kFfGCodeA, 30059, u"甲码", 62));
  goodsText(1, 1, label(30060, u"乙码"), AddText(kFfGCodeB, 30060, u"乙码", 62));
  goodsText(1, 2, label(30061, u"丙码"), AddText(kFfGCodeC, 30061, u"丙码", 62));
  auto* packLink = AddLink(30029, u"包装", QColor());
  connect(packLink, &CLinkLabel::clicked, this, [this] { ChoosePrompt(kFfPack, false); });
  goodsText(2, 0, packLink, AddText(kFfPack, 30029, u"包装", 15));
  auto* noteLink = AddLink(30030, u"托运", QColor());
  connect(noteLink, &CLinkLabel::clicked, this, [this] { ChoosePrompt(kFfTransNote, false); });
  goodsText(2, 1, noteLink, AddText(kFfTransNote, 30030, u"托运", 63));
  goodsNumber(2, 2, 30028, u"单价", kFfPrice);
  goodsNumber(3, 0, 30031, u"申明价", kFfDValue);
  goodsNumber(3, 1, 30032, u"保价", kFfIValue);
  goodsText(3, 2, label(30112, u"产地"), AddText(kFfOrigin, 30112, u"产地", 3));
  goodsText(4, 0, label(30065, u"单位"), AddText(kFfGUnit, 30065, u"单位", 15));
  currencyCombo_ = new QComboBox(this);
  currencyCombo_->setEditable(true);
  for (const char* c : {"CNY", "USD", "EUR", "JPY", "HKD", "MOP", "TWD", "RUB", "CAD", "AUD", "SGD",
                        "INR", "KRW", "PHP", "NZD", "THB", "VND", "MNT", "GBP", "CHF"})
    currencyCombo_->addItem(QString::fromLatin1(c));
  goodsText(4, 1, label(30111, u"货币"), currencyCombo_);
  // Up and Down move between the combos as between the other fields.
  for (QComboBox* combo : {payCombo_, classCombo_, itemTypeCombo_, currencyCombo_, payDirCombo_}) {
    combo->installEventFilter(this);
    if (combo->lineEdit() != nullptr) combo->lineEdit()->installEventFilter(this);
  }
  goodsNumber(4, 2, 30066, u"净重", kFfGWeight);
  goodsNumber(5, 0, 30062, u"关税", kFfGCustom);
  goodsNumber(5, 1, 30063, u"税率", kFfGCRate);
  outer->addWidget(goodsPane_);

  extra_ = new CExtraNumbersDlg(this);
  spare_ = new CSpareFieldsDlg(this);
  texts_[kFfNo] = extra_->transferNo;
  texts_[kFfRNo] = extra_->referenceNo;
  texts_[kFfCNo] = extra_->customsNo;
  texts_[kFfReserve] = extra_->reserveText;
  numbers_[kFfReserveNo] = extra_->reserveNumber;
  for (int k = 0; k < 5; ++k) texts_[kFfBy1 + k] = spare_->spare[k];
  for (CWaybillPane* p : {static_cast<CWaybillPane*>(extra_), static_cast<CWaybillPane*>(spare_)}) {
    p->onSave = [this] { SaveEntry(); };
    p->choosePhrase = [this](std::u16string& out) { return app_ != nullptr && app_->ChooseCommonPrompt(out) > 0; };
    p->hide();
    outer->addWidget(p);
  }
  // The currency and the payment direction are values of the combos.
  texts_[kFfMoney] = nullptr;
  texts_[kFfPayDir] = nullptr;
  outer->addStretch();
  paneLabels_[0]->SetTextColor(QColor(0xFF, 0, 0));
}

void CWaybillDlg::Attach(CServerLink* link, QObject* page, CBrantleClientApp* app) {
  link_ = link;
  page_ = page;
  app_ = app;
  saveLink_ = link != nullptr ? MakeServerWaybillSaveLink(*link) : nullptr;
  if (app_ == nullptr) return;
  if (scale_ == nullptr) scale_ = &app_->ScaleReader();
  // The look-ups.
  if (values_.kind.empty())
    if (CServiceKind* kind = app_->GetServiceKind(0)) values_.kind = WideFromGbk(kind->cemskind);
  destinationPopup_ = new CDestinationSuggestPopup(this);
  destinationPopup_->Source().SetSource(&app_->Destinations());
  destinationPopup_->Source().SetServiceKind(app_->FindServiceKind(GbkFromWide(values_.kind)));
  auto bind = [this](int text, CSuggestPopup* popup, int maxChars, int64_t lParam) {
    auto* binding = new CSuggestEditBinding(static_cast<QLineEdit*>(texts_[text]), popup, maxChars);
    binding->SetLParam(lParam);
    binding->setParent(this);
    bindings_.push_back(binding);
    return binding;
  };
  bind(kFfDes, destinationPopup_, 30, 0)->onPick = [this](int row) { TakeDestination(row); };
  // One directory popup for each name and phone field (each keeps the
  // search text of its own edit).
  const int partyFields[4][3] = {{kFfReceiver, 0, 0}, {kFfRPhone, 0, 1}, {kFfSender, 1, 0}, {kFfSPhone, 1, 1}};
  for (const auto& f : partyFields) {
    auto* popup = new CDirectorySuggestPopup(this);
    popup->Source().SetSource(&app_->DirectoryIndex());
    const int side = f[1];
    bind(f[0], popup, 61, f[2])->onPick = [this, popup, side](int row) {
      directoryPopup_ = popup;
      FillFromDirectory(side, row);
    };
  }
  // The city popup exists only with the address library.
  if (app_->AddressLibrary().IsLoaded()) {
    auto* cities = new CCitySuggestPopup(this);
    cities->Source().SetSource(&app_->AddressLibrary());
    bind(kFfRCity, cities, 63, 0)->onPick = [this, cities](int row) {
      if (const AddressEntry* hit = cities->Source().GetHit(row)) ApplyWorldCity(CityChoice::Of(*hit));
    };
  }
  placePopup_ = new CPlaceSuggestPopup(this);
  placePopup_->Source().SetSource(&app_->PlaceDictionary());
  bind(kFfGoods, placePopup_, 62, 0)->onPick = [this](int row) { TakeGoodsSuggestion(row); };
  ShowForm();
}

// ---- values and controls ----

std::u16string CWaybillDlg::TextOf(QWidget* box) const {
  if (auto* e = qobject_cast<QLineEdit*>(box)) return e->text().toStdU16String();
  if (auto* p = qobject_cast<QPlainTextEdit*>(box)) return p->toPlainText().toStdU16String();
  return {};
}

void CWaybillDlg::SetTextOf(QWidget* box, std::u16string_view text) {
  if (auto* e = qobject_cast<QLineEdit*>(box)) e->setText(Q(text));
  else if (auto* p = qobject_cast<QPlainTextEdit*>(box)) p->setPlainText(Q(text));
}

void CWaybillDlg::ReadForm() {
  for (int t = 0; t < kFfTextCount; ++t)
    if (texts_[t] != nullptr) values_.texts[t] = TextOf(texts_[t]);
  for (int n = 0; n < kFfNumberCount; ++n) values_.numbers[n] = numbers_[n]->text().toStdU16String();
  values_.texts[kFfMoney] = currencyCombo_->currentText().toStdU16String();
  values_.texts[kFfPayDir] = payDirCombo_->currentText().trimmed().toUpper().toStdU16String();
  values_.kind = kindEdit_->text().toStdU16String();
  values_.date = dateEdit_->text().toStdU16String();
  values_.payIndex = payCombo_->currentIndex();
  values_.classIndex = classCombo_->currentIndex();
  values_.itemType = itemTypeCombo_->currentIndex();
}

void CWaybillDlg::ShowForm() {
  ++clearing_;
  for (int t = 0; t < kFfTextCount; ++t)
    if (texts_[t] != nullptr) SetTextOf(texts_[t], values_.texts[t]);
  for (int n = 0; n < kFfNumberCount; ++n) numbers_[n]->setText(Q(values_.numbers[n]));
  currencyCombo_->setCurrentText(Q(values_.texts[kFfMoney]));
  payDirCombo_->setCurrentText(Q(values_.texts[kFfPayDir]));
  kindEdit_->setText(Q(values_.kind));
  dateEdit_->setText(Q(values_.date));
  payCombo_->setCurrentIndex(std::clamp(values_.payIndex, 0, 2));
  classCombo_->setCurrentIndex(std::clamp(values_.classIndex, 0, 2));
  itemTypeCombo_->setCurrentIndex(std::clamp(values_.itemType, 0, 2));
  --clearing_;
}

std::u16string CWaybillDlg::Today(int daysBack) const {
  return QDate::currentDate().addDays(-daysBack).toString(QStringLiteral("yyyy.MM.dd")).toStdU16String();
}

void CWaybillDlg::SetPageFlag(int type, int on) {
  if (page_ != nullptr) platform::SendPrivateMessage(page_, kWmSetCommandFlag, type, on);
}

// ---- load, clear, copy ----

int CWaybillDlg::LoadRecord(int mode) {
  if (saveLink_ == nullptr || link_ == nullptr) return 0;
  std::string number;
  int32_t id = 0;
  if (mode == -1) {
    if (state_.loadedId <= 0) return 0;
    id = state_.loadedId;
  } else {
    std::u16string text = (mode == 0 ? searchNumber_ : searchTransfer_)->text().toStdU16String();
    if (text.size() <= 6) return 0;
    number = GbkFromWide(text);
    if (app_ != nullptr) app_->Barcodes().Normalize(number);
    if (number.size() <= 6) return 0;
  }
  Clear(1);
  std::string reply;
  if (id > 0) {
    reply = saveLink_->FetchRecord(id);
  } else {
    reply = platform::WaitForWork([&] {
      CServerLink::ReplyGuard guard = link_->LockReply();
      const int got = mode == 0 ? link_->FetchRecord(0, number, {})
                                : link_->FetchRecord(0, std::nullopt, number);
      return got > 0 ? guard.Text() : std::string();
    });
  }
  FullFormValues loaded = values_;
  FullFormState state;
  if (!LoadFullForm(reply, loaded, state)) return 0;
  if (app_ != nullptr && app_->ClientList().GetClientDetail(app_->CacheLink(), state.customerId, true) == nullptr)
    return 0;
  values_ = loaded;
  state_ = state;
  std::u16string info;
  if (app_ != nullptr)
    info = app_->ClientList().CodeOf(state_.customerId) + u"\r\n" + app_->ClientList().NameOf(state_.customerId);
  else
    info = WideFromGbk(std::to_string(state_.customerId)) + u"\r\n";
  info += u"\r\n" + T(30069, u"状态") + u":" + AppLanguage().WaybillStateText(state_.working.waybill.nState);
  info_->setPlainText(Q(info));
  ShowForm();
  if (destinationPopup_ != nullptr && app_ != nullptr)
    destinationPopup_->Source().SetServiceKind(app_->FindServiceKind(GbkFromWide(values_.kind)));
  searchTransfer_->setText(Q(values_.texts[kFfNo]));
  searchNumber_->setText(Q(values_.texts[kFfNum]));
  numbers_[kFfAmount]->setEnabled(state_.editable != 0);
  ShowKindCoverage();
  texts_[kFfReceiver]->setFocus();
  SetPageFlag(0, 1);
  SetPageFlag(1, state_.editable);
  return 1;
}

int CWaybillDlg::LoadById(int32_t id) {
  state_.loadedId = id;
  LoadRecord(-1);
  return state_.editable;
}

void CWaybillDlg::Clear(int) {
  ++clearing_;
  if (texts_[0] != nullptr && numbers_[0] != nullptr && currencyCombo_ != nullptr) ReadForm();
  ClearFullForm(values_, state_, Today(0));
  searchNumber_->clear();
  searchTransfer_->clear();
  info_->clear();
  extra_->Clear();
  spare_->Clear();
  zeroShown_ = 1;
  saving_ = 0;
  ShowForm();
  ShowKindCoverage();
  --clearing_;
  SetPageFlag(0, 0);
  SetPageFlag(1, 0);
}

void CWaybillDlg::CopyAll() {
  ReadForm();
  copySet_ = values_;
}

void CWaybillDlg::PasteAll() {
  ReadForm();
  const std::u16string payDir = values_.texts[kFfPayDir];
  values_ = copySet_;
  // The sub-forms are not part of the copy.
  for (int t : {kFfNo, kFfRNo, kFfCNo, kFfReserve, kFfBy1, kFfBy2, kFfBy3, kFfBy4, kFfBy5})
    values_.texts[t] = TextOf(texts_[t]);
  values_.numbers[kFfReserveNo] = numbers_[kFfReserveNo]->text().toStdU16String();
  (void)payDir;
  ShowForm();
}

void CWaybillDlg::SaveEntry() {
  if (saving_ || saveLink_ == nullptr) return;
  saving_ = 1;
  ReadForm();
  CFullFormSaver saver(*saveLink_, values_, state_);
  saver.page = page_;
  saver.captureWindow = captureWindow;
  saver.clearForm = [this] { Clear(1); };
  saver.focus = [this](int text) {
    if (texts_[text] != nullptr) texts_[text]->setFocus();
  };
  saver.focusNumber = [this](int number) {
    if (number == kFfReserveNo) ShowSubPane(2);
    else if (number >= kFfGCustom || number == kFfQuantity || (number >= kFfDValue && number <= kFfPrice))
      ShowSubPane(1);
    numbers_[number]->setFocus();
    numbers_[number]->selectAll();
  };
  if (app_ != nullptr) saver.volumeLetter = app_->Settings().defaultDivisorLetter;
  saver.Save();
  saving_ = 0;
}

void CWaybillDlg::Delete() {
  if (saveLink_ == nullptr) return;
  CFullFormSaver saver(*saveLink_, values_, state_);
  saver.page = page_;
  saver.clearForm = [this] { Clear(1); };
  saver.Delete();
}

void CWaybillDlg::AttachScale() {
  if (scale_ == nullptr) return;
  if (scaleOpen_) scale_->Close();
  scaleOpen_ = scale_->Open(this) == 1;
}

// ---- look-ups ----

void CWaybillDlg::SearchDestination() {
  std::string text = GbkFromWide(TextOf(texts_[kFfDes]).substr(0, 30));
  destinationPopup_->Source().Search(text, 0);
}

void CWaybillDlg::TakeDestination(int n) {
  ReadForm();
  const DestinationRecord* hit = destinationPopup_ ? destinationPopup_->Source().GetHit(n) : nullptr;
  if (hit == nullptr) {
    values_.classIndex = 0;
    ShowForm();
    static_cast<QLineEdit*>(texts_[kFfDes])->end(false);
    return;
  }
  std::vector<std::u16string> provinces;
  if (app_ != nullptr)
    for (const auto& p : app_->Settings().provinces)
      provinces.push_back(WideFromGbk(AppSettings::EntryText(p)));
  ApplyDestinationEntry(values_, hit->number, hit->Code(), WideFromGbk(hit->NameEn()),
                        WideFromGbk(hit->Name()), provinces);
  ShowForm();
  ShowKindCoverage();
}

bool CWaybillDlg::FillFromDirectory(int side, int n) {
  const DirectoryRecord* hit = directoryPopup_ ? directoryPopup_->Source().GetHit(n) : nullptr;
  if (hit == nullptr) return false;
  ReadForm();
  FillPartyFromDirectory(values_, *hit, side);
  ShowForm();
  (side == 1 ? texts_[kFfMark] : texts_[kFfSender])->setFocus();
  return true;
}

void CWaybillDlg::TakeGoodsSuggestion(int n) {
  const PlaceEntry* hit = placePopup_ ? placePopup_->Source().GetHit(n) : nullptr;
  if (hit == nullptr) return;
  ReadForm();
  values_.texts[kFfGoods] = WideFromGbk(hit->Chinese());
  values_.texts[kFfGoodsA] = WideFromGbk(hit->English());
  values_.texts[kFfGCodeA] = WideFromGbk(hit->Code());
  ShowForm();
}

void CWaybillDlg::ApplyWorldCity(const CityChoice& city) {
  ReadForm();
  if (values_.texts[kFfDes].empty() && app_ != nullptr) {
    if (const DestinationRecord* d = app_->FindDestinationByCode(city.nc)) {
      values_.texts[kFfDes] = WideFromGbk(d->Code());
      values_.classIndex = d->number;
      values_.texts[kFfRCountry] = WideFromGbk(d->NameEn().empty() ? d->Name() : d->NameEn());
      if (values_.texts[kFfRAddr].size() < 13) values_.texts[kFfRAddr] = values_.texts[kFfRCountry];
    } else {
      values_.classIndex = 0;
    }
  }
  values_.texts[kFfRCity] = WideFromGbk(city.name);
  values_.texts[kFfRPostcode] =
      WorldCityPostcode(values_.texts[kFfRPostcode], WideFromGbk(city.zipB), WideFromGbk(city.zipE));
  ShowForm();
}

void CWaybillDlg::ShowKindCoverage() {
  const std::u16string des = TextOf(texts_[kFfDes]);
  bool serves = false;
  if (!des.empty() && app_ != nullptr)
    serves = app_->KindServesDestination(GbkFromWide(kindEdit_->text().toStdU16String()), GbkFromWide(des)) > 0;
  coverage_->setText(serves ? QStringLiteral("√") : QStringLiteral("※"));
  coverage_->SetTextColor(serves ? QColor(0, 0x80, 0) : QColor(0x80, 0, 0));
}

void CWaybillDlg::ShowRemoteAreas() {
  if (app_ == nullptr) return;
  ReadForm();
  const DestinationRecord* d = app_->FindDestinationByName(GbkFromWide(values_.texts[kFfDes]));
  if (d == nullptr) return;
  std::string country(d->Code());
  if (values_.texts[kFfRCountry] == u"中国") country = "CN";
  const std::string postcode = GbkFromWide(values_.texts[kFfRPostcode]);
  if (country.size() != 2 || postcode.size() < 3) return;
  std::string first, second, third;
  std::vector<std::u16string> hits;
  // The search waits for its answer without freezing the window.
  const int count = app_->CheckRemoteArea(country, postcode, "", first, second, hits, &third);
  if (count <= 0) {
    platform::ShowMessageBox(T(22695, u"没有查询到DHL偏远地区信息。"), T(20002, u"提示"),
                             platform::kMbOk | platform::kMbIconInformation);
    return;
  }
  std::vector<RemoteAreaRow> rows;
  for (const auto& hit : hits) {
    RemoteAreaRow r;
    r.cells[0] = WideFromGbk(first);
    r.cells[1] = WideFromGbk(second);
    r.cells[2] = WideFromGbk(third);
    r.entry = hit;
    rows.push_back(std::move(r));
  }
  std::u16string clipboard, message;
  BuildRemoteAreaReport(count, rows, clipboard, message);
  app_->CopyToClipboard(clipboard);
  platform::ShowMessageBox(message, u"DHL 偏远地区查询结果", platform::kMbOk | platform::kMbIconInformation);
}

// ---- labels ----

void CWaybillDlg::ToggleFieldLock(int n) {
  locks_[n] = !locks_[n];
  lockMarkers_[n]->setText(locks_[n] ? QStringLiteral("◆") : QStringLiteral("◇"));
  texts_[kLockedText[n]]->setEnabled(!locks_[n]);
}

void CWaybillDlg::ShowSubPane(int n) {
  if (n == pane_) return;
  QWidget* panes[3] = {goodsPane_, extra_, spare_};
  panes[pane_ - 1]->hide();
  paneLabels_[pane_ - 1]->SetTextColor(QColor(0, 0, 0));
  panes[n - 1]->show();
  paneLabels_[n - 1]->SetTextColor(QColor(0xFF, 0, 0));
  pane_ = n;
  if (n == 2) extra_->transferNo->setFocus();
  else if (n == 3) spare_->spare[0]->setFocus();
}

void CWaybillDlg::SummariseGoods() {
  if (state_.goods.empty()) return;
  ReadForm();
  SummariseGoodsLines(state_.goods, values_);
  ShowForm();
}

void CWaybillDlg::CycleDate() {
  dateEdit_->setText(Q(CycleBusinessDate(dateEdit_->text().toStdU16String(), Today(0), Today(1), Today(2))));
}

void CWaybillDlg::EditGoods() {
  ReadForm();
  std::vector<std::unique_ptr<GoodsLine>> lines;
  for (const GoodsLine& g : state_.goods) lines.push_back(std::make_unique<GoodsLine>(g));
  CGoodsListDlg dlg(this);
  dlg.lines = &lines;
  dlg.ownerId = state_.loadedId;
  dlg.storeDetached = true;
  if (app_ != nullptr) dlg.SetPlaceDictionary(&app_->PlaceDictionary());
  if (dlg.DoModal() != platform::kIdOk) return;
  state_.goods.clear();
  for (const auto& g : lines) state_.goods.push_back(*g);
  state_.goodsChanged = true;
  if (values_.texts[kFfGoods].empty()) SummariseGoods();
}

void CWaybillDlg::OpenQuickScanPrint() {
  if (app_ == nullptr) return;
  CQuickScanPrintDlg dialog(&app_->PrintDoors(), this);
  dialog.exec();
}

void CWaybillDlg::OpenPictures() {
  if (state_.loadedId <= 0) return;
  if (openPictures) {
    openPictures(this, state_.loadedId, state_.customerId);
    return;
  }
  if (link_ == nullptr) return;
  RunPictureDialog(this, *link_, state_.loadedId, state_.customerId, pictures::kKindWaybill,
                   true);
}

void CWaybillDlg::OpenScanStation() {
  if (app_ == nullptr) return;
  CScanStationDlg dialog(app_->InputRecords(), app_->ScaleReader(), app_->Sounds(),
                         &app_->PrintDoors(), this);
  dialog.target = page_;
  dialog.exec();
}

void CWaybillDlg::EditPieces() {
  ReadForm();
  int count = std::atoi(GbkFromWide(values_.numbers[kFfItem]).c_str());
  if (count < 1) {
    count = 1;
    numbers_[kFfItem]->setText(QStringLiteral("1"));
  }
  std::vector<std::unique_ptr<PieceLine>> lines;
  for (const PieceLine& p : state_.pieces) lines.push_back(std::make_unique<PieceLine>(p));
  const char letter = app_ != nullptr ? app_->Settings().defaultDivisorLetter : 0;
  const char overrideLetter = app_ != nullptr ? app_->Settings().divisorLetterOverride : 0;
  CPieceWeightDlg dlg(count, &lines, numbers_[kFfWeight]->text().toDouble(), state_.loadedId, letter,
                      overrideLetter, this);
  if (app_ != nullptr) dlg.SetPlaceDictionary(&app_->PlaceDictionary());
  // The dialog holds the scale while it is open; the form takes it back after.
  dlg.SetScaleSource(scale_);
  const bool hadScale = scaleOpen_;
  if (scaleOpen_ && scale_ != nullptr) scale_->Close();
  scaleOpen_ = false;
  dlg.DoModal();
  if (hadScale && scale_ != nullptr) scaleOpen_ = scale_->Open(this) == 1;
  if (!dlg.piecesChanged) return;
  state_.pieces.clear();
  double kilograms = 0;
  for (const auto& p : lines) {
    state_.pieces.push_back(*p);
    kilograms += (app_ != nullptr ? app_->ChargeableWeight(p->ixLong, p->ixWidth, p->ixHeight, p->ixWeight,
                                                          p->nxPercent, letter)
                                  : p->ixWeight) /
                 1000.0;
  }
  numbers_[kFfWeight]->setText(QString::number(kilograms, 'f', 3));
}

void CWaybillDlg::EditCodAmounts() {
  ReadForm();
  CCodFreightDlg dlg(this);
  dlg.freightCollect = values_.payIndex == 2 ? 1 : 0;
  dlg.freightTotal = numbers_[kFfAmount]->text().toDouble();
  dlg.freightSettled = dlg.freightCollect ? state_.freightSettled : 0;
  dlg.codTotal = state_.codTotal;
  dlg.codSettled = state_.codSettled;
  if (dlg.exec() != QDialog::Accepted) return;
  state_.freightSettled = dlg.freightSettled;
  state_.codTotal = dlg.codTotal;
  state_.codSettled = dlg.codSettled;
}

void CWaybillDlg::ChoosePrompt(int text, bool append) {
  if (app_ == nullptr) return;
  std::u16string prompt;
  if (app_->ChooseCommonPrompt(prompt) <= 0) return;
  std::u16string current = TextOf(texts_[text]);
  if (!append) {
    SetTextOf(texts_[text], prompt);
    return;
  }
  if (current.find(prompt) != std::u16string::npos) return;
  while (!current.empty() && current.back() == u' ') current.pop_back();
  if (!current.empty()) current += u"\r\n";
  SetTextOf(texts_[text], current + prompt);
}

void CWaybillDlg::PickKind() {
  if (app_ == nullptr) return;
  CListPickDlg dlg(this);
  dlg.SetList(&app_->serviceKindCodes, T(170010, u"选择快件类别"));
  if (dlg.DoModal() != platform::kIdOk) return;
  kindEdit_->setText(Q(dlg.result));
  if (destinationPopup_ != nullptr)
    destinationPopup_->Source().SetServiceKind(app_->FindServiceKind(GbkFromWide(dlg.result)));
}

// ---- keys and messages ----

int CWaybillDlg::FieldOf(QObject* watched) const {
  for (int t = 0; t < kFfTextCount; ++t)
    if (texts_[t] == watched) return t;
  return -1;
}

bool CWaybillDlg::HandleKey(QObject* watched, int key, Qt::KeyboardModifiers modifiers) {
  const int field = FieldOf(watched);
  const bool multiLine = field == kFfMemo || field == kFfRAddr || field == kFfSAddr;
  if ((modifiers & Qt::ControlModifier) && (key == Qt::Key_S || key == Qt::Key_F4)) {
    SaveEntry();
    return true;
  }
  auto tab = [watched](bool forward) {
    QKeyEvent move(QEvent::KeyPress, forward ? Qt::Key_Tab : Qt::Key_Backtab,
                   forward ? Qt::NoModifier : Qt::ShiftModifier);
    QCoreApplication::sendEvent(watched, &move);
    return true;
  };
  switch (key) {
    case Qt::Key_Escape: return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (multiLine) return false;
      // A destination without a suggestion taken (the popup takes its own):
      // entry 0 of what the field holds now.
      if (field == kFfDes && destinationPopup_ != nullptr) {
        SearchDestination();
        TakeDestination(0);
      }
      if (watched == searchNumber_) LoadRecord(0);
      else if (watched == searchTransfer_) LoadRecord(1);
      if (watched == searchNumber_ || watched == searchTransfer_) return true;
      return tab(true);
    case Qt::Key_Up:
      if (multiLine) return false;
      return tab(false);
    case Qt::Key_Down:
      if (multiLine) return false;
      return tab(true);
    default: return false;
  }
}

bool CWaybillDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (HandleKey(watched, key->key(), key->modifiers())) return true;
  } else if (event->type() == QEvent::FocusIn && watched == numbers_[kFfWeight] &&
             state_.loadedId <= 0 && scale_ != nullptr && !scaleOpen_) {
    scaleOpen_ = scale_->Open(this) == 1;
  } else if (event->type() == QEvent::FocusOut && watched == texts_[kFfDes]) {
    ShowKindCoverage();
  }
  return QWidget::eventFilter(watched, event);
}

bool CWaybillDlg::event(QEvent* e) {
  if (auto* m = platform::AsPrivateMessage(e)) {
    if (m->Message() == kWmCityChosen) {
      if (std::unique_ptr<CityChoice> city = m->TakePayload<CityChoice>()) ApplyWorldCity(*city);
      return true;
    }
    if (m->Message() == kScaleMessage) {
      if (saving_ || scale_ == nullptr) return true;
      const int grams = scale_->ReadWeight();
      if (grams > 0) {
        numbers_[kFfWeight]->setText(QString::number(grams * 0.001, 'f', 3));
        zeroShown_ = 0;
      } else if (grams == 0 && !zeroShown_) {
        numbers_[kFfWeight]->setText(QStringLiteral("0"));
        zeroShown_ = 1;
      }
      return true;
    }
  }
  return QWidget::event(e);
}
