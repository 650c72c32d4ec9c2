#include "shipping/PaymentDlg.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <functional>

#include "common/LanguageTable.h"
#include "platform/QtText.h"
#include "ui/LinkLabel.h"
#include "ui/ListGrid.h"
#include "ui/ListPickDlg.h"
#include "ui/ViewPage.h"

using payment::CPaymentForm;
using platform::FromQString;
using platform::ToQString;
using payment::RecordList;

namespace {

QString Tr(int32_t id) { return ToQString(AppLanguage().Text(id)); }

CLinkLabel* Link(QWidget* parent, const QString& text, const QColor& color, bool underline) {
  auto* l = new CLinkLabel(text, parent);
  l->SetTextColor(color).SetUnderline(underline).SetLinkCursor(HandCursor());
  return l;
}

CLinkLabel* Caption(QWidget* parent, int32_t id) { return new CLinkLabel(Tr(id), parent); }

void RecordColumns(CListGrid* grid, bool payList) {
  struct Col {
    int32_t text;
    int width, widthPay, align;
  } cols[] = {{30070, 66, 66, kGridAlignLeft},   {30002, 95, 90, kGridAlignLeft},
              {30004, 60, 60, kGridAlignRight},  {30005, 70, 70, kGridAlignRight},
              {30001, 60, 90, kGridAlignLeft},   {0, 0, 0, kGridAlignLeft},
              {30071, 40, 40, kGridAlignLeft},   {30040, 50, 50, kGridAlignLeft},
              {30046, 80, 60, kGridAlignLeft},   {30015, 60, 60, kGridAlignLeft},
              {30016, 60, 60, kGridAlignLeft},   {30018, 60, 60, kGridAlignLeft},
              {30069, 50, 50, kGridAlignLeft},   {30120, 50, 50, kGridAlignLeft}};
  int k = 0;
  for (const Col& c : cols)
    grid->InsertColumn(k++, payList ? c.widthPay : c.width,
                       c.text ? AppLanguage().Text(c.text) : std::u16string(u"irid"), c.align);
  grid->SetHighlightMode(2);
  grid->EnableRowData(true);
  grid->EnableHeaderSort(true);
}

// Receives one grid's click messages and names the grid.
class GridRelay : public QObject {
 public:
  GridRelay(QObject* parent, std::function<void(int row, bool doubleClick)> onClick)
      : QObject(parent), onClick_(std::move(onClick)) {}
  bool event(QEvent* e) override {
    if (auto* m = platform::AsPrivateMessage(e)) {
      if (m->Message() == kGridMsgClick || m->Message() == kGridMsgDoubleClick) {
        onClick_(static_cast<int>(m->WParam()), m->Message() == kGridMsgDoubleClick);
        m->SetResult(0);
        return true;
      }
    }
    return QObject::event(e);
  }

 private:
  std::function<void(int, bool)> onClick_;
};

}  // namespace

CPaymentDlg::CPaymentDlg(QWidget* parent, std::unique_ptr<payment::PaymentLink> link,
                         payment::PaymentEnvironment env, QObject* page, QSize screen)
    : QWidget(parent), link_(std::move(link)), env_(env) {
  QPointer<QObject> target(page);
  env.setCommandFlag = [target](int type, bool on) {
    if (target) platform::SendPrivateMessage(target, kWmSetCommandFlag, type, on ? 1 : 0);
  };
  form_ = std::make_unique<CPaymentForm>(*link_, std::move(env));
  form_->changed = [this] { Refresh(); };
  form_->focus = [this](const char* control) {
    const std::string name = control;
    if (name == "invoice") invoiceEdit->setFocus();
    else if (name == "foreign") foreignEdit->setFocus();
    else if (name == "lookup") {
      lookupEdit->setFocus();
      lookupEdit->selectAll();
    }
  };
  Build(screen);
  Refresh();
}

CPaymentDlg::~CPaymentDlg() = default;

void CPaymentDlg::Build(QSize screen) {
  setAutoFillBackground(true);
  const int W = screen.width() - 240;
  const int H = screen.height();
  const QColor blue(0, 0, 255), green(0, 128, 0);

  titleLabel = new CLinkLabel(Tr(330000), this);
  titleLabel->SetBackColor(Qt::white);
  titleLabel->setGeometry(4, 2, 300, 20);
  customerLabel = new CLinkLabel(Tr(330020), this);
  customerLabel->setGeometry(310, 2, W - 330, 20);

  // The form fields: three columns of caption and box.
  struct Field {
    int32_t caption;
    QLineEdit** edit;
    int maxBytes;
  };
  auto edit = [this](int maxLength) {
    auto* e = new QLineEdit(this);
    if (maxLength > 0) e->setMaxLength(maxLength);
    e->installEventFilter(this);
    return e;
  };
  const int colWidth = 170, rowHeight = 24, top = 26;
  // The captions are 62 pixels wide, or as wide as the widest of them.
  int capWidth = 62;
  for (int32_t id : {330010, 330011, 330012, 330013, 330014, 330015, 330016, 30410, 330017, 330018,
                     330022, 330019})
    capWidth = std::max(capWidth, fontMetrics().horizontalAdvance(Tr(id)) + 2);
  auto place = [&](int col, int row, int32_t captionId, QWidget* w) {
    const int x = 4 + col * (colWidth + 6);
    const int y = top + row * rowHeight;
    if (captionId) {
      auto* cap = Caption(this, captionId);
      cap->setGeometry(x, y + 3, capWidth, 16);
    }
    w->setGeometry(x + capWidth, y, colWidth - capWidth, 21);
  };
  invoiceEdit = edit(22);
  place(0, 0, 330010, invoiceEdit);
  amountEdit = edit(31);
  place(1, 0, 330011, amountEdit);
  owedEdit = edit(31);
  owedEdit->setReadOnly(true);
  place(2, 0, 330012, owedEdit);
  currencyLink = Link(this, QStringLiteral("CNY:"), green, false);
  currencyLink->setGeometry(4, top + rowHeight + 3, capWidth, 16);
  foreignEdit = edit(31);
  foreignEdit->setGeometry(4 + capWidth, top + rowHeight, colWidth - capWidth, 21);
  tagEdit = edit(15);
  place(1, 1, 330013, tagEdit);
  accountEdit = edit(30);
  place(2, 1, 330014, accountEdit);
  docNoEdit = edit(15);
  place(0, 2, 330015, docNoEdit);
  dateEdit = edit(10);
  place(1, 2, 330016, dateEdit);
  payWayBox = new QComboBox(this);
  for (int k = 0; k < 5; ++k) payWayBox->addItem(Tr(20065 + k));
  payWayBox->installEventFilter(this);
  place(2, 2, 30410, payWayBox);
  refNoEdit = edit(30);
  place(0, 3, 330017, refNoEdit);
  handlerEdit = edit(30);
  place(1, 3, 330018, handlerEdit);
  lookupEdit = edit(30);
  place(2, 3, 330022, lookupEdit);
  auto* memoCaption = Caption(this, 330019);
  memoCaption->setGeometry(4, top + 4 * rowHeight + 3, capWidth, 16);
  memoEdit = new QPlainTextEdit(this);
  memoEdit->installEventFilter(this);
  memoEdit->setGeometry(4 + capWidth, top + 4 * rowHeight, 2 * colWidth + 6 - capWidth, 30);
  const int linksX = 4 + 2 * (colWidth + 6);
  forceLink = Link(this, Tr(330023), blue, true);
  forceLink->setGeometry(linksX, top + 4 * rowHeight + 3, 80, 16);
  attachLink = Link(this, Tr(330024), green, false);
  attachLink->setGeometry(linksX + 90, top + 4 * rowHeight + 3, 80, 16);
  enteredLabel = new CLinkLabel(this);
  enteredLabel->setGeometry(linksX, top + 4 * rowHeight + 21, colWidth, 14);

  // The customer summary on white.
  summaryBox = new QPlainTextEdit(this);
  summaryBox->setReadOnly(true);
  summaryBox->setStyleSheet(QStringLiteral("QPlainTextEdit { background: white; }"));
  const int summaryX = 4 + 3 * (colWidth + 6);
  summaryBox->setGeometry(summaryX, top, std::max(120, W - 24 - summaryX), 146);

  // The two record lists with the move links between them.
  auto* payCaption = Caption(this, 330025);
  payCaption->setGeometry(4, 156, 110, 16);
  payListSummary = Link(this, QString(), green, false);
  payListSummary->setGeometry(116, 156, 210, 16);
  unpaidCaption = Link(this, Tr(330027), blue, true);
  unpaidCaption->setGeometry(329, 156, 110, 16);
  unpaidSummary = new CLinkLabel(this);
  unpaidSummary->SetLinkCursor(HandCursor());
  unpaidSummary->setGeometry(445, 156, W - 470, 16);
  payListGrid = new CListGrid(this);
  RecordColumns(payListGrid, true);
  payListGrid->setGeometry(4, 174, 301, H - 504);
  unpaidGrid = new CListGrid(this);
  RecordColumns(unpaidGrid, false);
  unpaidGrid->setGeometry(329, 174, W - 349, H - 504);
  for (CListGrid* g : {payListGrid, unpaidGrid}) {
    g->SetNotifyWnd(new GridRelay(g, [this, g](int row, bool twice) { GridClick(g, row, twice); }));
    g->installEventFilter(this);
  }
  takeAllLink = Link(this, QStringLiteral("←←"), Qt::black, false);
  returnAllLink = Link(this, QStringLiteral("→→"), Qt::black, false);
  takeSelectedLink = Link(this, QStringLiteral("<<"), Qt::black, false);
  returnSelectedLink = Link(this, QStringLiteral(">>"), Qt::black, false);
  numberListLink = Link(this, QStringLiteral("№"), blue, true);
  // Links and month links share the room between the lists.
  const int linkStep = std::max(10, std::min(18, (H - 504) / 19));
  int y = 176;
  for (CLinkLabel* l : {takeAllLink, returnAllLink, takeSelectedLink, returnSelectedLink, numberListLink}) {
    l->setGeometry(306, y, 22, linkStep);
    l->setAlignment(Qt::AlignCenter);
    y += linkStep;
  }
  auto* monthCaption = Caption(this, 330026);
  monthCaption->setGeometry(305, y, 24, linkStep);
  y += linkStep;
  for (int m = 1; m <= 12; ++m) {
    auto* l = Link(this, QString::number(m), blue, true);
    l->setGeometry(306, y, 22, linkStep);
    l->setAlignment(Qt::AlignCenter);
    monthLinks.push_back(l);
    y += linkStep;
  }

  // The payments, ten per page.
  auto* paymentsCaption = Caption(this, 330029);
  paymentsCaption->setGeometry(4, H - 325, 90, 15);
  pagingLabel = new CLinkLabel(this);
  pagingLabel->setGeometry(100, H - 325, 300, 15);
  pagingLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  pageBoxEdit = edit(6);
  pageBoxEdit->setGeometry(405, H - 327, 30, 18);
  auto* pageCaption = Caption(this, 330032);
  pageCaption->setGeometry(437, H - 325, 30, 15);
  pageButton = new QPushButton(Tr(330033), this);
  pageButton->setGeometry(470, H - 327, 90, 20);
  paymentGrid = new CListGrid(this);
  paymentGrid->setGeometry(4, H - 309, W - 24, 169);
  {
    struct Col {
      int32_t text;
      int width, align;
    } cols[] = {{30402, 80, 0},  {30401, 75, 1}, {30407, 75, 1}, {30415, 40, 0},
                {30416, 75, 1},  {30403, 70, 0}, {30404, 70, 0}, {30400, 90, 0},
                {30405, 90, 0},  {30412, 50, 0}, {30410, 50, 0}, {30411, 80, 0},
                {30413, 70, 0},  {30414, 80, 0}, {30406, 100, 0}, {30417, 0, 0}};
    int k = 0;
    for (const Col& c : cols) {
      int width = c.width;
      if (c.text == 30406 && screen.width() < 801) width = 0;
      paymentGrid->InsertColumn(k++, width, AppLanguage().Text(c.text), c.align);
    }
  }
  paymentGrid->SetHighlightMode(2);
  paymentGrid->EnableRowData(true);
  paymentGrid->SetNotifyWnd(new GridRelay(
      paymentGrid, [this](int row, bool twice) { GridClick(paymentGrid, row, twice); }));
  paymentGrid->installEventFilter(this);

  // Wiring.
  auto bindLine = [this](QLineEdit* e, std::u16string payment::PaymentFieldTexts::*field) {
    QObject::connect(e, &QLineEdit::textChanged, this, [this, field](const QString& t) {
      if (!writing_) form_->fields.*field = FromQString(t);
    });
  };
  bindLine(invoiceEdit, &payment::PaymentFieldTexts::invoice);
  bindLine(tagEdit, &payment::PaymentFieldTexts::tag);
  bindLine(accountEdit, &payment::PaymentFieldTexts::account);
  bindLine(docNoEdit, &payment::PaymentFieldTexts::docNo);
  bindLine(dateEdit, &payment::PaymentFieldTexts::date);
  bindLine(refNoEdit, &payment::PaymentFieldTexts::refNo);
  bindLine(handlerEdit, &payment::PaymentFieldTexts::handler);
  bindLine(lookupEdit, &payment::PaymentFieldTexts::lookup);
  bindLine(pageBoxEdit, &payment::PaymentFieldTexts::pageBox);
  QObject::connect(memoEdit, &QPlainTextEdit::textChanged, this, [this] {
    if (!writing_) form_->fields.memo = FromQString(memoEdit->toPlainText());
  });
  QObject::connect(payWayBox, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (!writing_) form_->fields.payWay = std::max(0, i);
  });
  QObject::connect(amountEdit, &QLineEdit::textChanged, this, [this](const QString& t) {
    if (writing_) return;
    form_->fields.amount = FromQString(t);
    form_->OnAmountChanged(amountEdit->hasFocus());
    writing_ = true;
    foreignEdit->setText(ToQString(form_->fields.foreign));
    owedEdit->setText(ToQString(form_->fields.owed));
    writing_ = false;
  });
  QObject::connect(foreignEdit, &QLineEdit::textChanged, this, [this](const QString& t) {
    if (writing_) return;
    form_->fields.foreign = FromQString(t);
    form_->OnForeignAmountChanged();
    writing_ = true;
    amountEdit->setText(ToQString(form_->fields.amount));
    writing_ = false;
    form_->OnAmountChanged(false);
    writing_ = true;
    owedEdit->setText(ToQString(form_->fields.owed));
    writing_ = false;
  });
  QObject::connect(pageButton, &QPushButton::clicked, this, [this] { ShowPaymentPage(); });
  QObject::connect(currencyLink, &CLinkLabel::clicked, this, [this] { PickCurrency(); });
  QObject::connect(forceLink, &CLinkLabel::clicked, this, [this] { form_->ForceQuery(0); });
  QObject::connect(attachLink, &CLinkLabel::clicked, this, [this] { OpenAttachments(); });
  QObject::connect(unpaidCaption, &CLinkLabel::clicked, this, [this] {
    if (form_->customerId > 0) form_->LoadUnpaidRecords(50000);
  });
  QObject::connect(unpaidSummary, &CLinkLabel::clicked, this, [this] {
    if (form_->customerId > 0) form_->LoadUnpaidRecords(200000);
  });
  QObject::connect(takeAllLink, &CLinkLabel::clicked, this, [this] {
    ReadControls();
    form_->TakeAllUnpaid(); });
  QObject::connect(returnAllLink, &CLinkLabel::clicked, this, [this] {
    ReadControls();
    form_->ReturnAll(); });
  QObject::connect(takeSelectedLink, &CLinkLabel::clicked, this,
                   [this] {
                     ReadControls();
                     form_->TakeSelectedUnpaid(SelectedIds(unpaidGrid));
                   });
  QObject::connect(returnSelectedLink, &CLinkLabel::clicked, this,
                   [this] {
                     ReadControls();
                     form_->ReturnSelected(SelectedIds(payListGrid));
                   });
  QObject::connect(numberListLink, &CLinkLabel::clicked, this, [this] {
    ReadControls();
    form_->TakeNumberList(); });
  for (int m = 1; m <= 12; ++m)
    QObject::connect(monthLinks[static_cast<size_t>(m - 1)], &CLinkLabel::clicked, this,
                     [this, m] {
                       ReadControls();
                       form_->TakeMonth(m);
                     });
}

void CPaymentDlg::ReadControls() {
  auto order = [](CListGrid* grid) {
    std::vector<int32_t> ids;
    for (int row = 0; row < grid->RowCount(); ++row) ids.push_back(grid->GetRowId(row));
    return ids;
  };
  form_->OrderLists(order(unpaidGrid), order(payListGrid));
  payment::PaymentFieldTexts& f = form_->fields;
  f.invoice = FromQString(invoiceEdit->text());
  f.amount = FromQString(amountEdit->text());
  f.foreign = FromQString(foreignEdit->text());
  f.tag = FromQString(tagEdit->text());
  f.account = FromQString(accountEdit->text());
  f.docNo = FromQString(docNoEdit->text());
  f.date = FromQString(dateEdit->text());
  f.payWay = std::max(0, payWayBox->currentIndex());
  f.refNo = FromQString(refNoEdit->text());
  f.handler = FromQString(handlerEdit->text());
  f.memo = FromQString(memoEdit->toPlainText());
  f.lookup = FromQString(lookupEdit->text());
  f.pageBox = FromQString(pageBoxEdit->text());
}

void CPaymentDlg::WriteControls() {
  writing_ = true;
  const payment::PaymentFieldTexts& f = form_->fields;
  auto set = [](QLineEdit* e, const std::u16string& t) {
    const QString q = ToQString(t);
    if (e->text() != q) e->setText(q);
  };
  set(invoiceEdit, f.invoice);
  set(amountEdit, f.amount);
  set(owedEdit, f.owed);
  set(foreignEdit, f.foreign);
  set(tagEdit, f.tag);
  set(accountEdit, f.account);
  set(docNoEdit, f.docNo);
  set(dateEdit, f.date);
  payWayBox->setCurrentIndex(f.payWay >= 0 && f.payWay < 5 ? f.payWay : 0);
  set(refNoEdit, f.refNo);
  set(handlerEdit, f.handler);
  if (memoEdit->toPlainText() != ToQString(f.memo)) memoEdit->setPlainText(ToQString(f.memo));
  set(lookupEdit, f.lookup);
  set(pageBoxEdit, f.pageBox);
  writing_ = false;
}

void CPaymentDlg::FillRecords(CListGrid* grid, const RecordList& list, int32_t marked) {
  grid->setUpdatesEnabled(false);
  grid->DeleteAllRows();
  for (const payment::RecordRow& r : list.rows) {
    const int row = grid->InsertRow(grid->RowCount(), r.cells[0]);
    for (int c = 1; c < payment::kRecordColumns; ++c) grid->SetCellText(row, c, r.cells[static_cast<size_t>(c)]);
    grid->SetRowId(row, r.irid);
    if (marked != 0 && r.irid == marked) {
      grid->SetRowColors(row, GridRgb(255, 0, 0), kGridWhite);
      grid->SelectAndShowRow(row);
    }
  }
  grid->setUpdatesEnabled(true);
}

void CPaymentDlg::FillPayments() {
  paymentGrid->DeleteAllRows();
  for (const payment::PaymentRow& p : form_->paymentRows) {
    const int row = paymentGrid->InsertRow(paymentGrid->RowCount(), p.cells[0]);
    for (int c = 1; c < payment::kPaymentColumns; ++c) paymentGrid->SetCellText(row, c, p.cells[static_cast<size_t>(c)]);
    paymentGrid->SetRowId(row, p.ifid);
    if (p.ifid == form_->markedPayment && p.ifid != 0)
      paymentGrid->SetRowColors(row, GridRgb(255, 0, 0), kGridWhite);
  }
}

void CPaymentDlg::Refresh() {
  const CPaymentForm& f = *form_;
  if (f.customerId > 0) customerLabel->setText(ToQString(f.customerTitle));
  summaryBox->setPlainText(ToQString(f.customerSummary));
  titleLabel->setText(ToQString(f.titleText.empty() ? AppLanguage().Text(330000) : f.titleText));
  titleLabel->SetTextColor(f.titleColor == payment::TitleColor::Green ? QColor(0, 128, 0)
                           : f.titleColor == payment::TitleColor::Red ? QColor(255, 0, 0)
                                                                      : QColor(128, 0, 0));
  enteredLabel->setText(ToQString(f.enteredBy));
  currencyLink->setText(ToQString(f.currency + u":"));
  foreignEdit->setVisible(f.foreignVisible);
  unpaidSummary->setText(ToQString(f.unpaidSummary));
  payListSummary->setText(ToQString(f.payListSummary));
  pagingLabel->setText(ToQString(f.pagingText));
  pageButton->setEnabled(f.pageTurnEnabled);
  FillRecords(unpaidGrid, f.unpaid, 0);
  FillRecords(payListGrid, f.payList, f.markedRecord);
  FillPayments();
  WriteControls();
}

std::vector<int32_t> CPaymentDlg::SelectedIds(CListGrid* grid) const {
  std::vector<int32_t> ids;
  for (int row : grid->SelectedRows()) ids.push_back(grid->GetRowId(row));
  return ids;
}

void CPaymentDlg::GridClick(CListGrid* grid, int row, bool doubleClick) {
  if (row < 0 || row >= grid->RowCount()) return;
  const int32_t id = grid->GetRowId(row);
  ReadControls();
  if (grid == paymentGrid) {
    if (doubleClick && id > 0) form_->LoadPayment(id, false);
    return;
  }
  if (doubleClick) {
    if (grid == unpaidGrid) form_->DoubleClickUnpaid(id);
    else form_->ReturnPaymentRow(id);
    return;
  }
  form_->ClickRecord(id, grid->CellText(row, payment::kRecordNumberColumn));
  writing_ = true;
  lookupEdit->setText(ToQString(form_->fields.lookup));
  writing_ = false;
}

bool CPaymentDlg::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, e);
  auto* key = static_cast<QKeyEvent*>(e);
  const bool ctrl = key->modifiers() & Qt::ControlModifier;
  const bool inMemo = watched == memoEdit;
  if (ctrl && key->key() == Qt::Key_D) {
    NewPayment();
    return true;
  }
  if (ctrl && key->key() == Qt::Key_S) {
    SavePayment();
    return true;
  }
  if ((ctrl && key->key() == Qt::Key_G) || key->key() == Qt::Key_Delete) {
    DeletePayment();
    return true;
  }
  switch (key->key()) {
    case Qt::Key_Escape: return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (inMemo) return false;
      if (watched == lookupEdit) {
        ReadControls();
        form_->TakeRecordByNumber(0);
        return true;
      }
      focusNextPrevChild(true);
      return true;
    case Qt::Key_Up:
      if (inMemo || qobject_cast<CListGrid*>(watched)) return false;
      focusNextPrevChild(false);
      return true;
    case Qt::Key_Down:
      if (inMemo || qobject_cast<CListGrid*>(watched)) return false;
      focusNextPrevChild(true);
      return true;
    default: return QWidget::eventFilter(watched, e);
  }
}

int CPaymentDlg::LoadCustomer(int32_t icid) {
  return form_->LoadCustomer(icid);
}

void CPaymentDlg::NewPayment() {
  ReadControls();
  form_->NewPayment();
}

int CPaymentDlg::SavePayment() {
  ReadControls();
  const int saved = form_->SavePayment();
  Refresh();
  return saved;
}

int CPaymentDlg::DeletePayment() {
  ReadControls();
  const int deleted = form_->DeletePayment();
  Refresh();
  return deleted;
}

void CPaymentDlg::CopyFields() {
  ReadControls();
  form_->CopyFields();
}

void CPaymentDlg::PasteFields() { form_->PasteFields(); }

void CPaymentDlg::ShowPaymentPage() {
  ReadControls();
  form_->ShowPaymentPage();
}

void CPaymentDlg::OpenAttachments() {
  if (form_->ifid > 0 && env_.openAttachments) env_.openAttachments(form_->ifid);
}

void CPaymentDlg::PickCurrency() {
  std::vector<std::u16string> choices = env_.currencyChoices ? env_.currencyChoices()
                                                             : std::vector<std::u16string>{};
  CListPickDlg pick(this);
  pick.SetList(&choices, AppLanguage().Text(350010));
  if (pick.DoModal() != 1 || pick.result.size() < 3) return;
  ReadControls();
  form_->SetCurrency(pick.result.substr(0, 3));
}
