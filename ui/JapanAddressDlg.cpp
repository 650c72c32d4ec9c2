#include "ui/JapanAddressDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/LinkLabel.h"
#include "ui/ListGrid.h"

namespace {

bool IsEnterKey(const QKeyEvent* key) {
  return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

CListGrid* MakeGrid(QWidget* parent) {
  auto* grid = new CListGrid(parent);
  grid->EnableRowData(true);
  grid->EnableHeaderSort(true);
  grid->SetSingleSelection(true);
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  return grid;
}

}  // namespace

CJapanAddressDlg::CJapanAddressDlg(const CJapanPostcodeBook* book, QWidget* parent)
    : QDialog(parent), model_(book) {
  setWindowTitle(QString::fromUtf16(u"日本地址查询选取及翻译"));
  searchLabel_ = new QLabel(QString::fromUtf16(u"邮编查找(回车):"), this);
  postcodeEdit_ = new QLineEdit(this);
  clearButton_ = new QPushButton(QString::fromUtf16(u"清除"), this);
  displayLabel_ = new CLinkLabel(QString::fromUtf16(u"显示日文"), this);
  returnLabel_ = new CLinkLabel(QString::fromUtf16(u"返回英文"), this);
  okButton_ = new QPushButton(QString::fromUtf16(u"确认关闭"), this);
  cancelButton_ = new QPushButton(QString::fromUtf16(u"关  闭"), this);
  okButton_->setAutoDefault(false);
  cancelButton_->setAutoDefault(false);
  clearButton_->setAutoDefault(false);

  prefectures_ = MakeGrid(this);
  cities_ = MakeGrid(this);
  postcodes_ = MakeGrid(this);
  postcodes_->SetHighlightMode(2);
  prefectures_->InsertColumn(0, 90, u"府県", kGridAlignLeft);
  cities_->InsertColumn(0, 300, u"市区", kGridAlignLeft);
  // Wide enough for seven digits in the dialog font.
  postcodes_->InsertColumn(0, 72, u"邮编", kGridAlignLeft);
  postcodes_->InsertColumn(1, 300, u"町番", kGridAlignLeft);
  prefectures_->setFixedWidth(120);

  auto* top = new QHBoxLayout;
  top->addWidget(searchLabel_);
  top->addWidget(postcodeEdit_, 1);
  top->addWidget(clearButton_);
  top->addSpacing(12);
  top->addWidget(displayLabel_);
  top->addSpacing(8);
  top->addWidget(returnLabel_);

  auto* lists = new QGridLayout;
  lists->addWidget(prefectures_, 0, 0, 2, 1);
  lists->addWidget(cities_, 0, 1);
  lists->addWidget(postcodes_, 1, 1);
  lists->setRowStretch(0, 2);
  lists->setRowStretch(1, 3);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(lists, 1);
  layout->addLayout(buttons);
  resize(540, 640);

  displayLabel_->SetLinkCursor(HandCursor());
  returnLabel_->SetLinkCursor(HandCursor());

  connect(clearButton_, &QPushButton::clicked, this, &CJapanAddressDlg::OnClear);
  connect(okButton_, &QPushButton::clicked, this, &CJapanAddressDlg::OnOK);
  connect(cancelButton_, &QPushButton::clicked, this, &CJapanAddressDlg::OnCancel);
  connect(displayLabel_, &CLinkLabel::clicked, this, &CJapanAddressDlg::OnDisplayLanguage);
  connect(returnLabel_, &CLinkLabel::clicked, this, &CJapanAddressDlg::OnReturnLanguage);
  connect(prefectures_, &QAbstractItemView::clicked, this,
          [this](const QModelIndex& index) { OnPrefectureClicked(index.row()); });
  connect(cities_, &QAbstractItemView::clicked, this,
          [this](const QModelIndex& index) { OnCityClicked(index.row()); });
  connect(postcodes_, &QAbstractItemView::clicked, this,
          [this](const QModelIndex& index) { OnPostcodeClicked(index.row()); });
  // A double click on a postcode tells the dialog through the grid's message.
  postcodes_->SetNotifyWnd(this);

  // Enter, Down and Up move between the fields; the dialog sees them first.
  for (QWidget* w : std::initializer_list<QWidget*>{postcodeEdit_, clearButton_, okButton_,
                                                    cancelButton_, prefectures_, cities_,
                                                    postcodes_}) {
    w->installEventFilter(this);
  }
}

void CJapanAddressDlg::SetReturnLanguage(int flag) {
  model_.SetReturnLanguage(flag);
  ShowReturnLanguage();
}

void CJapanAddressDlg::InitDialog() {
  ShowReturnLanguage();
  FillPrefectures();
  postcodeEdit_->setFocus();
}

void CJapanAddressDlg::ShowReturnLanguage() {
  if (model_.ReturnLanguage() == 1) {
    returnLabel_->setText(QString::fromUtf16(u"返回日文"));
    returnLabel_->SetTextColor(QColor(0, 0, 128));
  } else {
    returnLabel_->setText(QString::fromUtf16(u"返回英文"));
    returnLabel_->SetTextColor(QColor(0, 128, 0));
  }
}

void CJapanAddressDlg::FillPrefectures() {
  prefectures_->DeleteAllRows();
  cities_->DeleteAllRows();
  postcodes_->DeleteAllRows();
  if (model_.DisplayJapanese()) {
    displayLabel_->setText(QString::fromUtf16(u"显示日文"));
    displayLabel_->SetTextColor(QColor(128, 0, 128));
  } else {
    displayLabel_->setText(QString::fromUtf16(u"显示英文"));
    displayLabel_->SetTextColor(QColor(128, 128, 0));
  }
  for (const CJapanAddressModel::Row& r : model_.PrefectureRows()) {
    int row = prefectures_->InsertRow(prefectures_->RowCount(), r.text);
    prefectures_->SetRowId(row, r.index);
  }
}

void CJapanAddressDlg::FillCities() {
  cities_->DeleteAllRows();
  postcodes_->DeleteAllRows();
  for (const CJapanAddressModel::Row& r : model_.CityRows()) {
    int row = cities_->InsertRow(cities_->RowCount(), r.text);
    cities_->SetRowId(row, r.index);
  }
}

void CJapanAddressDlg::FillPostcodes() {
  postcodes_->DeleteAllRows();
  for (const CJapanAddressModel::Row& r : model_.PostcodeRows()) {
    int row = postcodes_->InsertRow(postcodes_->RowCount(), r.postcode);
    postcodes_->SetCellText(row, 1, r.text);
    postcodes_->SetRowId(row, r.index);
  }
}

void CJapanAddressDlg::OnPrefectureClicked(int row) {
  if (row < 0 || row >= prefectures_->RowCount()) return;
  if (model_.SelectPrefecture(prefectures_->GetRowId(row))) FillCities();
}

void CJapanAddressDlg::OnCityClicked(int row) {
  if (row < 0 || row >= cities_->RowCount()) return;
  if (model_.SelectCity(cities_->GetRowId(row))) FillPostcodes();
}

void CJapanAddressDlg::OnPostcodeClicked(int row) {
  if (row < 0 || row >= postcodes_->RowCount()) return;
  model_.ChoosePostcode(postcodes_->GetRowId(row));
}

void CJapanAddressDlg::OnDisplayLanguage() {
  model_.ToggleDisplayLanguage();
  FillPrefectures();
}

void CJapanAddressDlg::OnReturnLanguage() {
  model_.ToggleReturnLanguage();
  ShowReturnLanguage();
}

void CJapanAddressDlg::OnClear() {
  postcodeEdit_->clear();
  postcodeEdit_->setFocus();
}

void CJapanAddressDlg::NotFound() {
  postcodeEdit_->selectAll();
  QApplication::beep();
}

void CJapanAddressDlg::Search() {
  const int prefecture = model_.CurrentPrefecture();
  const int city = model_.CurrentCity();
  const int found = model_.Search(postcodeEdit_->text().toStdU16String());
  if (found < 0) {
    NotFound();
    return;
  }
  if (model_.CurrentPrefecture() != prefecture) {
    FillCities();
    prefectures_->SelectAndShowRow(prefectures_->FindRowById(model_.CurrentPrefecture()));
  }
  if (model_.CurrentCity() != city || postcodes_->RowCount() == 0) {
    FillPostcodes();
    cities_->SelectAndShowRow(cities_->FindRowById(model_.CurrentCity()));
  }
  const int row = postcodes_->FindRowById(found);
  if (row < 0) return;
  postcodes_->SelectAndShowRow(row);
  // The rows that follow with the same postcode are marked too.
  const int32_t number = model_.PostcodeNumber(found);
  for (int r = row + 1; r < postcodes_->RowCount(); ++r) {
    if (QString::fromStdU16String(postcodes_->CellText(r, 0)).toInt() != number) break;
    postcodes_->SetRowColors(r, GridRgb(0, 128, 0), kGridWhite);
  }
}

void CJapanAddressDlg::OnOK() {
  if (owner_) {
    platform::PostPrivateMessage(owner_, kJapanAddressPicked,
                                 static_cast<quintptr>(static_cast<qintptr>(model_.ChosenPostcode())),
                                 model_.ReturnLanguage());
  }
  hide();
}

void CJapanAddressDlg::OnCancel() { hide(); }

bool CJapanAddressDlg::event(QEvent* e) {
  if (auto* m = platform::AsPrivateMessage(e)) {
    if (m->Message() == kGridMsgDoubleClick) {
      OnPostcodeClicked(static_cast<int>(m->WParam()));
      OnOK();
    }
    return true;
  }
  return QDialog::event(e);
}

bool CJapanAddressDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (IsEnterKey(key)) {
      if (watched == postcodeEdit_) {
        Search();
      } else if (watched == okButton_) {
        OnOK();
      } else if (watched == cancelButton_) {
        OnCancel();
      } else {
        focusNextChild();
      }
      return true;
    }
    // Down and Up move between fields, except in the lists, where they
    // move between rows.
    const bool list = watched == prefectures_ || watched == cities_ || watched == postcodes_;
    if (!list && key->modifiers() == Qt::NoModifier && key->key() == Qt::Key_Down) {
      focusNextChild();
      return true;
    }
    if (!list && key->modifiers() == Qt::NoModifier && key->key() == Qt::Key_Up) {
      focusPreviousChild();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void CJapanAddressDlg::keyPressEvent(QKeyEvent* event) {
  if (IsEnterKey(event)) {
    event->accept();
    return;
  }
  if (event->key() == Qt::Key_Escape) {
    OnCancel();
    return;
  }
  QDialog::keyPressEvent(event);
}

void CJapanAddressDlg::closeEvent(QCloseEvent* event) {
  event->ignore();
  hide();
}
