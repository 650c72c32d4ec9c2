#include "shipping/HandOverForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <cstdio>

#include "common/FieldCheck.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "devices/PortMessages.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "platform/QtWaitForWork.h"
#include "refdata/Dictionaries.h"
#include "shell/BrantleClientApp.h"
#include "shipping/HandOverDialogs.h"
#include "ui/LinkLabel.h"
#include "ui/ListPickDlg.h"
#include "ui/ViewHost.h"
#include "ui/ViewPage.h"

using platform::ToQString;
using ToU16Fn = std::u16string (*)(const QString&);
constexpr ToU16Fn ToU16 = &platform::FromQString;

namespace {

std::u16string Trimmed(std::u16string text) { return TrimW(text); }

std::u16string Text(int id) { return AppLanguage().Text(id); }
QString QText(int id) { return ToQString(Text(id)); }

const QColor kGreen(0, 128, 0);
const QColor kRed(200, 0, 0);
const QColor kBlue(0, 0, 255);

// A 20 ms pause between the numbers of a list; the window keeps painting.
void PauseBetweenNumbers() {
  QEventLoop loop;
  QTimer::singleShot(20, &loop, &QEventLoop::quit);
  loop.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

CSendScanDlg::CSendScanDlg(CBrantleClientApp* app, QWidget* parent) : QWidget(parent), app_(app) {
  Build();
  ReadSettings();
  if (app_ != nullptr) {
    printWaybill = [app](int32_t id) { return app->PrintWaybill(id, 0, 0, 1, u""); };
    printInvoice = [app](int32_t id, int copies) { return app->PrintProformaInvoice(id, 0, copies, 0); };
  }
  ToggleNumberMode();  // a new form numbers by internal number
}

CSendScanDlg::~CSendScanDlg() {
  if (scaleOpen_ && app_ != nullptr) app_->ScaleReader().Close();
}

void CSendScanDlg::Build() {
  resize(310, 660);
  auto link = [this](int x, int y, int w, const QColor& color) {
    auto* label = new CLinkLabel(this);
    label->setGeometry(x, y, w, 20);
    label->SetTextColor(color);
    label->SetLinkCursor(Qt::PointingHandCursor);
    return label;
  };
  auto edit = [this](int x, int y, int w, int maxLength) {
    auto* e = new QLineEdit(this);
    e->setGeometry(x, y, w, 24);
    e->setMaxLength(maxLength);
    return e;
  };

  carrierCaption_ = link(8, 10, 90, kBlue);
  carrierCaption_->setText(QText(200001));
  carrierEdit_ = edit(100, 8, 200, 63);
  carrierEdit_->setReadOnly(true);
  carrierEdit_->setStyleSheet("QLineEdit{color:rgb(255,0,0);background:rgb(240,255,240);}");

  batchCaption_ = link(8, 42, 90, palette().color(QPalette::WindowText));
  batchCaption_->setText(QText(200002));
  batchEdit_ = edit(100, 40, 130, 20);
  listBatchButton_ = new QPushButton(QText(200003), this);
  listBatchButton_->setGeometry(234, 40, 66, 24);

  weighingCheck_ = new QCheckBox(QText(200006), this);
  weighingCheck_->setGeometry(8, 74, 90, 22);
  weightEdit_ = edit(100, 72, 130, 16);
  weightEdit_->setReadOnly(true);
  weightEdit_->setText("0.00");
  weightEdit_->setStyleSheet("QLineEdit{color:rgb(0,0,255);background:rgb(240,255,240);}");
  weightLabel_ = new QLabel(QText(200005), this);
  weightLabel_->setGeometry(234, 74, 66, 20);

  starLabel_ = link(8, 108, 20, kRed);
  numberCaption_ = link(28, 108, 70, kRed);
  numberEdit_ = edit(8, 132, 222, 60);
  numberEdit_->installEventFilter(this);
  goButton_ = new QPushButton(QText(22201), this);
  goButton_->setGeometry(234, 132, 66, 24);

  internalListLabel_ = link(8, 166, 70, kGreen);
  internalListLabel_->setText(QText(200007));
  transferListLabel_ = link(84, 166, 70, kBlue);
  transferListLabel_->setText(QText(200008));
  masterAwbButton_ = new QPushButton(QText(200009), this);
  masterAwbButton_->setGeometry(160, 162, 140, 26);

  waybillPrintCheck_ = new QCheckBox(QText(200014), this);
  waybillPrintCheck_->setGeometry(8, 200, 150, 22);
  copiesLabel_ = new QLabel(QText(200013), this);
  copiesLabel_->setGeometry(160, 202, 90, 20);
  copiesEdit_ = edit(254, 200, 46, 2);
  copiesEdit_->setText("0");

  cancelBatchButton_ = new QPushButton(QText(22200), this);
  cancelBatchButton_->setGeometry(8, 236, 292, 28);
  cancelBatchButton_->hide();

  noteLabel_ = new QLabel(QText(200015), this);
  noteLabel_->setGeometry(8, 276, 292, 120);
  noteLabel_->setWordWrap(true);
  noteLabel_->setAlignment(Qt::AlignTop | Qt::AlignLeft);

  connect(carrierCaption_, &CLinkLabel::clicked, this, [this] { OnChooseCarrier(); });
  connect(starLabel_, &CLinkLabel::clicked, this, [this] { ToggleNumberMode(); });
  connect(numberCaption_, &CLinkLabel::clicked, this, [this] { OnQueryRecords(); });
  connect(internalListLabel_, &CLinkLabel::clicked, this, [this] { SendNumberList(0); });
  connect(transferListLabel_, &CLinkLabel::clicked, this, [this] { SendNumberList(1); });
  connect(goButton_, &QPushButton::clicked, this, [this] { OnGo(); });
  connect(listBatchButton_, &QPushButton::clicked, this, [this] { OnListBatch(); });
  connect(cancelBatchButton_, &QPushButton::clicked, this, [this] { OnCancelBatch(); });
  connect(masterAwbButton_, &QPushButton::clicked, this, [this] { SendByMasterAwb(); });
  connect(weighingCheck_, &QCheckBox::toggled, this, [this] { OnEnableWeighing(); });
  for (QPushButton* b : {goButton_, listBatchButton_, cancelBatchButton_, masterAwbButton_}) {
    b->setAutoDefault(false);
    b->setDefault(false);
  }
}

void CSendScanDlg::ReadSettings() {
  if (app_ == nullptr) return;
  const ReferenceDictionaries& d = app_->dictionaries;
  settings_.weightCheck = static_cast<int32_t>(std::strtol(d.Text(39).c_str(), nullptr, 10));
  settings_.switch25 = d.Text(25).empty() ? '0' : '1';
  settings_.feeRequery = !d.Text(59).empty();
  settings_.switch64 = !d.Text(64).empty();
  settings_.areaCheck = !d.Text(113).empty();
}

HandOverServices CSendScanDlg::Services() {
  HandOverServices s;
  if (app_ == nullptr) return s;
  s.link = &app_->Link();
  CBrantleClientApp* app = app_;
  s.findKind = [app](std::string_view code) { return app->FindServiceKind(code); };
  s.wait = [](const std::function<int()>& work) { return platform::WaitForWork(work); };
  s.askWeight = [](const std::u16string& question) {
    return platform::ShowMessageBox(question, Text(20002),
                                    platform::kMbYesNo | platform::kMbIconQuestion) ==
           platform::kIdYes;
  };
  s.show = [](const std::u16string& text) { platform::ShowMessageBox(text); };
  ServerSession session = app_->Link().Session();
  s.station = session.station;
  s.userName = session.userName;
  return s;
}

void CSendScanDlg::SetNumberMode(int mode) {
  numberMode_ = mode;
  const QColor color = mode == 0 ? kGreen : kRed;
  starLabel_->setText(mode == 0 ? u8"\u2606" : u8"\u2605");
  starLabel_->SetTextColor(color);
  numberCaption_->SetTextColor(color);
  numberCaption_->setText(QText(mode == 0 ? 200011 : 200010));
  numberCaption_Text_ = Text(mode == 0 ? 30003 : 30002);
}

void CSendScanDlg::ToggleNumberMode() { SetNumberMode(numberMode_ == 0 ? 1 : 0); }

int CSendScanDlg::SendToNextCarrier(double, const std::u16string& number, int showMessages) {
  lastRecordId_ = 0;
  message_.clear();
  HandOverRequest request;
  request.number = GbkFromWide(Trimmed(number));
  request.numberMode = numberMode_;
  request.carrier = carrier_;
  request.batchText = ToU16(batchEdit_->text());
  request.formWeightKg = weightEdit_->text().toDouble();
  request.showMessages = showMessages == 1;
  HandOverOutcome outcome = ::SendToNextCarrier(Services(), settings_, request);
  lastRecordId_ = outcome.checkedRecordId;
  lastHandOverSql_ = outcome.handOverSql;
  if (outcome.result < 0) {
    message_ = outcome.message.substr(0, 255);
    return outcome.result;
  }
  if (view != nullptr) {
    if (QWidget* camera = view->VisibleCaptureWindow())
      platform::PostPrivateMessage(camera, WM_CAPTURE_PARCEL, static_cast<quintptr>(outcome.customerId),
                                   static_cast<qintptr>(outcome.checkedRecordId));
  }
  if (pageWindow != nullptr)
    platform::PostPrivateMessage(pageWindow, WM_PAGE_NOTIFY, 1, outcome.checkedRecordId);
  return outcome.result;
}

void CSendScanDlg::OnGo() {
  if (carrier_ == nullptr) {
    platform::ShowMessageBox(Text(kHandOverNoCarrierText));
    return;
  }
  std::u16string number = ToU16(numberEdit_->text());
  std::string narrow;
  if (!CheckFieldLength(number, narrow, 7, 30, numberCaption_Text_, false)) return;
  const int result = SendToNextCarrier(0.0, number, 1);
  if (app_ != nullptr) app_->PlayResultSound(result >= 0 ? 0 : 1);
  numberEdit_->selectAll();
  // Only a parcel that was handed over gets its next-carrier papers.
  if (result < 0 || lastRecordId_ <= 0) return;
  if (waybillPrintCheck_->isChecked() && printWaybill) printWaybill(lastRecordId_);
  const int copies = copiesEdit_->text().toInt();
  if (copies > 0 && printInvoice) printInvoice(lastRecordId_, copies);
}

void CSendScanDlg::OnChooseCarrier() {
  if (app_ == nullptr) return;
  ReferenceDictionaries& d = app_->dictionaries;
  CListPickDlg dlg(this);
  dlg.SetList(&d.supplierNames, Text(200000));
  if (dlg.DoModal() != platform::kIdOk) return;
  const int index = dlg.selectedIndex;
  if (index < 0 || static_cast<size_t>(index) >= d.suppliers.size()) return;
  if (const SupplierEntry* s = app_->FindSupplier(d.suppliers[static_cast<size_t>(index)].isid))
    SetCarrier(s);
}

void CSendScanDlg::SetCarrier(const SupplierEntry* carrier) {
  carrier_ = carrier;
  carrierEdit_->setText(carrier ? ToQString(carrier->name) : QString());
  MakeBatchNumber();
}

void CSendScanDlg::MakeBatchNumber() {
  if (carrier_ == nullptr) return;
  const QDate today = QDate::currentDate();
  batchEdit_->setText(ToQString(
      MakeHandOverBatchText(today.year(), today.month(), today.day(), carrier_->nbatch)));
}

void CSendScanDlg::SendNumbers(const std::vector<std::u16string>& numbers) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  for (const std::u16string& number : numbers) {
    SendToNextCarrier(0.0, number, 0);
    PauseBetweenNumbers();
  }
  QApplication::restoreOverrideCursor();
}

void CSendScanDlg::SendNumberList(int kind) {
  if (carrier_ == nullptr) {
    platform::ShowMessageBox(Text(kHandOverNoCarrierText));
    return;
  }
  if (app_ == nullptr) return;
  std::vector<std::u16string> numbers;
  if (app_->ImportNumberList(numbers, nullptr, kind) <= 0 || numbers.empty()) return;
  SetNumberMode(kind == 0 ? 1 : 0);
  SendNumbers(numbers);
}

void CSendScanDlg::OnQueryRecords() {
  if (carrier_ == nullptr) {
    platform::ShowMessageBox(Text(kHandOverNoCarrierText));
    return;
  }
  CSendRecordQueryDlg dlg(app_, 0, this);
  dlg.sendForm = this;
  dlg.DoModal();
}

void CSendScanDlg::SendByMasterAwb() {
  if (carrier_ == nullptr) {
    platform::ShowMessageBox(Text(kHandOverNoCarrierText));
    return;
  }
  if (app_ == nullptr) return;
  std::vector<std::u16string> awbs;
  if (!ListMasterAwbsWithUnsent(app_->Link(), QDate::currentDate().addDays(-30), awbs)) {
    platform::ShowMessageBox(Text(20005));
    return;
  }
  CSendMasterPickDlg dlg(app_, awbs, this);
  if (dlg.DoModal() != platform::kIdOk) return;
  SendMasterAwbNumbers(awbs);
}

void CSendScanDlg::SendMasterAwbNumbers(const std::vector<std::u16string>& numbers) {
  // The pick returns internal numbers: the hand-over goes by them, since a
  // transfer number may be empty or shared by several waybills.
  if (numberMode_ != 1) SetNumberMode(1);
  SendNumbers(numbers);
}

void CSendScanDlg::OnListBatch() {
  const int32_t batch = BatchTextToId(ToU16(batchEdit_->text()));
  if (batch > 0 && pageWindow != nullptr) platform::PostPrivateMessage(pageWindow, WM_PAGE_NOTIFY, 2, batch);
}

void CSendScanDlg::OnCancelBatch() {
  cancelBatchButton_->hide();
  if (pageWindow != nullptr) platform::PostPrivateMessage(pageWindow, WM_PAGE_NOTIFY, 3, 0);
}

void CSendScanDlg::ShowCancelButton(bool show) { cancelBatchButton_->setVisible(show); }

void CSendScanDlg::OnEnableWeighing() {
  if (weighingCheck_->isChecked()) {
    weightEdit_->setReadOnly(false);
    OpenScale();
  } else {
    weightEdit_->setText("0.00");
    weightEdit_->setReadOnly(true);
    if (app_ != nullptr) app_->ScaleReader().Close();
    scaleOpen_ = 0;
  }
}

void CSendScanDlg::OpenScale() {
  if (app_ == nullptr || app_->ScaleReader().settings.useFlag == 0) return;
  if (scaleOpen_) app_->ScaleReader().Close();
  scaleOpen_ = app_->ScaleReader().Open(this);
}

void CSendScanDlg::OnScaleData() {
  if (app_ == nullptr) return;
  const int grams = app_->ScaleReader().ReadWeight();
  if (grams < 0) return;
  if (grams == 0) {
    weightEdit_->setText("0");
    return;
  }
  char text[32];
  const int32_t step = app_->volumetricWeightStep;
  if (step == -1)
    std::snprintf(text, sizeof text, "%.3f", grams * 0.001);
  else
    std::snprintf(text, sizeof text, "%.2f", ((grams + step) / 10) * 0.01);
  weightEdit_->setText(QString::fromLatin1(text));
}

void CSendScanDlg::OnSendRequest(std::unique_ptr<SendRecordRequest> request) {
  if (!request) return;
  const std::string& number = numberMode_ == 1 ? request->internalNumber : request->transferNumber;
  const int result = SendToNextCarrier(0.0, WideFromGbk(number), 0);
  if (result < 0) request->failureText = message_.substr(0, 255);
  QPointer<QObject> reply = request->replyWindow;
  if (reply) platform::SendPrivateMessage(reply.data(), WM_SEND_RECORD, static_cast<quintptr>(result),
                                          std::move(request));
}

void CSendScanDlg::Reset() {
  batchEdit_->clear();
  numberEdit_->clear();
  lastRecordId_ = 0;
  carrier_ = nullptr;
  carrierEdit_->clear();
}

bool CSendScanDlg::event(QEvent* e) {
  if (auto* m = platform::AsPrivateMessage(e)) {
    if (m->Message() == devices::WM_PORT_RECEIVED) {
      OnScaleData();
      return true;
    }
    if (m->Message() == WM_SEND_RECORD) {
      OnSendRequest(m->TakePayload<SendRecordRequest>());
      return true;
    }
  }
  return QWidget::event(e);
}

bool CSendScanDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == numberEdit_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      OnGo();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void CSendScanDlg::keyPressEvent(QKeyEvent* event) {
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Down:
      focusNextChild();
      return;
    case Qt::Key_Up:
      focusPreviousChild();
      return;
    case Qt::Key_Escape:
    case Qt::Key_PageUp:
      return;
    case Qt::Key_S:
    case Qt::Key_F4:
      if (ctrl) return;
      break;
    default:
      break;
  }
  QWidget::keyPressEvent(event);
}
