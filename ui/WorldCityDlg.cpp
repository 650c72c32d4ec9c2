#include "ui/WorldCityDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/GbkText.h"
#include "common/TextCodec.h"
#include "platform/QtMessages.h"
#include "ui/ListGrid.h"
#include "ui/SuggestRows.h"

namespace {

std::u16string Wide(std::string_view gbk) { return WideFromGbk(gbk); }

// The edit's text as upper-case GBK.
std::string TypedText(const QLineEdit* edit) {
  std::string text = GbkFromWide(edit->text().toStdU16String());
  return GbkUpper(text);
}

CListGrid* MakeGrid(QWidget* parent) {
  auto* grid = new CListGrid(parent);
  grid->EnableRowData(true);
  grid->EnableHeaderSort(true);
  grid->SetHighlightMode(2);
  grid->SetSingleSelection(true);
  grid->setFocusPolicy(Qt::ClickFocus);
  return grid;
}

QPushButton* MakeButton(const char16_t* caption, QWidget* parent) {
  auto* button = new QPushButton(QString::fromUtf16(caption), parent);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

CWorldCityDlg::CWorldCityDlg(const CAddressLibrary& library, const CDestinationTable* destinations,
                             QObject* owner, QWidget* parent)
    : QDialog(parent), browser_(library, destinations), owner_(owner) {
  setWindowTitle(QString::fromUtf16(u"世界城市查询选取[快查=>回车执行]"));
  setModal(false);

  regions_ = MakeGrid(this);
  regions_->InsertColumn(0, 30, u"NC", kGridAlignLeft);
  areas_ = MakeGrid(this);
  areas_->InsertColumn(0, 35, u"CCD", kGridAlignLeft);
  cities_ = MakeGrid(this);
  cities_->InsertColumn(0, 60, u"Zip_B", kGridAlignLeft);
  cities_->InsertColumn(1, 60, u"Zip_E", kGridAlignLeft);
  cities_->InsertColumn(2, 220, u"City Name", kGridAlignLeft);
  cities_->InsertColumn(3, 30, u"CCD", kGridAlignLeft);
  cities_->InsertColumn(4, 25, u"NC", kGridAlignLeft);

  countryEdit_ = new QLineEdit(this);
  areaEdit_ = new QLineEdit(this);
  postcodeEdit_ = new QLineEdit(this);
  cityEdit_ = new QLineEdit(this);
  clear_ = MakeButton(u"清除 &D", this);
  confirm_ = MakeButton(u"确认关闭 &S", this);
  close_ = MakeButton(u"关闭 &D", this);
  regionCount_ = new QLabel(this);
  areaCount_ = new QLabel(this);
  cityCount_ = new QLabel(this);
  caption_ = new QLabel(this);

  auto* edits = new QHBoxLayout;
  const std::pair<const char16_t*, QLineEdit*> labelled[] = {
      {u"NC", countryEdit_}, {u"CCD", areaEdit_}, {u"Zip", postcodeEdit_}, {u"City Name", cityEdit_}};
  for (const auto& [label, edit] : labelled) {
    edits->addWidget(new QLabel(QString::fromUtf16(label), this));
    edits->addWidget(edit, edit == cityEdit_ ? 3 : 1);
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textEdited, this, [this, e = edit] { Typed(e); });
  }
  edits->addWidget(clear_);

  auto* lists = new QGridLayout;
  lists->addWidget(regionCount_, 0, 0);
  lists->addWidget(areaCount_, 0, 1);
  auto* cityHead = new QHBoxLayout;
  cityHead->addWidget(caption_, 1);
  cityHead->addWidget(cityCount_);
  lists->addLayout(cityHead, 0, 2);
  lists->addWidget(regions_, 1, 0);
  lists->addWidget(areas_, 1, 1);
  lists->addWidget(cities_, 1, 2);
  lists->setColumnStretch(2, 1);
  regions_->setFixedWidth(80);
  areas_->setFixedWidth(90);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(confirm_);
  buttons->addWidget(close_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(edits);
  layout->addLayout(lists, 1);
  layout->addLayout(buttons);
  resize(640, 420);

  connect(regions_, &QAbstractItemView::clicked, this,
          [this](const QModelIndex& index) { ShowRegionRow(regions_->GetRowId(index.row())); });
  connect(areas_, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
    const int32_t area = areas_->GetRowId(index.row());
    if (area >= 0 && static_cast<size_t>(area) < browser_.Areas().size()) {
      browser_.ShowArea(browser_.Areas()[static_cast<size_t>(area)]);
      FillCities();
    }
  });
  connect(cities_, &QAbstractItemView::clicked, this,
          [this](const QModelIndex& index) { ClickCity(cities_->GetRowId(index.row())); });
  // A double click on a city chooses it and confirms (the grid's message).
  cities_->SetNotifyWnd(this);
  connect(clear_, &QPushButton::clicked, this, &CWorldCityDlg::Clear);
  connect(confirm_, &QPushButton::clicked, this, &CWorldCityDlg::Confirm);
  connect(close_, &QPushButton::clicked, this, &QDialog::hide);

  const auto& regions = library.Regions();
  for (size_t r = 0; r < regions.size(); ++r) {
    const int row = regions_->InsertRow(regions_->RowCount(), Wide(regions[r].code));
    regions_->SetRowId(row, static_cast<int32_t>(r));
  }
  regionCount_->setText(QString::number(regions.size()));
}

void CWorldCityDlg::ShowRegion(std::string_view countryCode) {
  show();
  raise();
  activateWindow();
  areaEdit_->setFocus();
  if (browser_.ShowRegion(countryCode)) {
    regions_->SelectAndShowRow(regions_->FindRowById(browser_.CurrentRegion()));
    FillAreas();
    FillCities();
  }
}

void CWorldCityDlg::ShowRegionRow(int row, std::string_view area) {
  if (!browser_.ShowRegion({}, row, area)) return;
  regions_->SelectAndShowRow(regions_->FindRowById(row));
  FillAreas();
  FillCities();
}

void CWorldCityDlg::FillAreas() {
  areas_->DeleteAllRows();
  const auto& areas = browser_.Areas();
  for (size_t i = 0; i < areas.size(); ++i) {
    const int row = areas_->InsertRow(areas_->RowCount(), Wide(areas[i]));
    areas_->SetRowId(row, static_cast<int32_t>(i));
  }
  areaCount_->setText(QString::number(areas.size()));
  caption_->setText(QString::fromStdU16String(Wide(browser_.Caption())));
}

void CWorldCityDlg::FillCities() {
  cities_->DeleteAllRows();
  const auto& cities = browser_.Cities();
  for (size_t i = 0; i < cities.size(); ++i) {
    const AddressEntry& e = *cities[i];
    const int row = cities_->InsertRow(cities_->RowCount(), Wide(e.zipB));
    cities_->SetCellText(row, 1, Wide(e.zipE));
    cities_->SetCellText(row, 2, Wide(e.Name()));
    cities_->SetCellText(row, 3, Wide(e.Ccd()));
    cities_->SetCellText(row, 4, Wide(e.Nc()));
    cities_->SetRowId(row, static_cast<int32_t>(i));
  }
  cityCount_->setText(QString::number(cities.size()));
  caption_->setText(QString::fromStdU16String(Wide(browser_.Caption())));
}

void CWorldCityDlg::SelectCity(int row) {
  if (row >= 0) cities_->SelectAndShowRow(cities_->FindRowById(row));
}

void CWorldCityDlg::ClickCity(int row) {
  browser_.Choose(row);
  const AddressEntry* e = browser_.Chosen();
  if (!e) return;
  countryEdit_->setText(QString::fromStdU16String(Wide(e->Nc())));
  areaEdit_->setText(QString::fromStdU16String(Wide(e->Ccd())));
  postcodeEdit_->setText(QString::fromStdU16String(Wide(e->zipB)));
  cityEdit_->setText(QString::fromStdU16String(Wide(e->Name())));
}

void CWorldCityDlg::Confirm() {
  if (const AddressEntry* e = browser_.Chosen(); e && owner_)
    platform::PostPrivateMessage(owner_, kWmCityChosen, 0, CityChoice::Of(*e));
  hide();
}

void CWorldCityDlg::Clear() {
  for (QLineEdit* edit : {countryEdit_, areaEdit_, postcodeEdit_, cityEdit_}) edit->clear();
  countryEdit_->setFocus();
}

void CWorldCityDlg::Typed(QLineEdit* edit) {
  if (!edit->hasFocus()) return;
  const std::string text = TypedText(edit);
  if (edit == countryEdit_ && regions_->RowCount() > 0) {
    const int row = browser_.FirstRegionContaining(text);
    if (row >= 0) regions_->SelectAndShowRow(regions_->FindRowById(row));
  } else if (edit == areaEdit_ && areas_->RowCount() > 0) {
    const int row = browser_.FirstAreaContaining(text);
    if (row >= 0) areas_->SelectAndShowRow(areas_->FindRowById(row));
  } else if (edit == cityEdit_ && cities_->RowCount() > 0) {
    SelectCity(browser_.FirstCityContaining(text));
  } else if (edit == postcodeEdit_ && cities_->RowCount() > 0) {
    SelectCity(browser_.FirstCityHolding(text));
  }
}

bool CWorldCityDlg::Search(QLineEdit* edit) {
  const std::string text = TypedText(edit);
  if (text.empty()) return true;
  if (edit == countryEdit_) {
    const int row = browser_.FirstRegionContaining(text);
    if (row < 0) return false;
    ShowRegionRow(row);
    return true;
  }
  if (edit == areaEdit_) {
    const int row = browser_.FirstAreaContaining(text);
    if (row < 0) return false;
    areas_->SelectAndShowRow(areas_->FindRowById(row));
    browser_.ShowArea(browser_.Areas()[static_cast<size_t>(row)]);
    FillCities();
    return true;
  }
  if (edit == postcodeEdit_) {
    if (browser_.SearchPostcode(text)) FillCities();
    else edit->selectAll();
    return false;
  }
  int row = -1;
  switch (browser_.SearchCity(text, row)) {
    case CWorldCityBrowser::CitySearch::kInList:
      SelectCity(row);
      break;
    case CWorldCityBrowser::CitySearch::kByName:
      regions_->SelectAndShowRow(regions_->FindRowById(browser_.CurrentRegion()));
      FillAreas();
      FillCities();
      SelectCity(row);
      browser_.Choose(row);
      break;
    case CWorldCityBrowser::CitySearch::kSubstring:
      FillCities();
      edit->selectAll();
      break;
  }
  return false;
}

bool CWorldCityDlg::event(QEvent* event) {
  if (auto* m = platform::AsPrivateMessage(event); m && m->Message() == kGridMsgDoubleClick) {
    ClickCity(cities_->GetRowId(static_cast<int>(m->WParam())));
    Confirm();
    return true;
  }
  return QDialog::event(event);
}

bool CWorldCityDlg::eventFilter(QObject* watched, QEvent* event) {
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (edit && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (Search(edit)) focusNextChild();
      return true;
    }
    if (key == Qt::Key_Up) {
      focusPreviousChild();
      return true;
    }
    if (key == Qt::Key_Down) {
      focusNextChild();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void CWorldCityDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    focusNextChild();
    return;
  }
  QDialog::keyPressEvent(event);
}
