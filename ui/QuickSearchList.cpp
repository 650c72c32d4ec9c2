#include "ui/QuickSearchList.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>

#include <memory>

#include "common/LanguageTable.h"
#include "common/SettingsText.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "platform/QtText.h"
#include "platform/QtWaitForWork.h"
#include "refdata/AwbBagLists.h"
#include "server/ServerLink.h"
#include "ui/AwbQueryDlg.h"
#include "ui/BagQueryDlg.h"
#include "ui/ColorButton.h"
#include "ui/CustomerQueryDlg.h"
#include "ui/ListGrid.h"
#include "ui/RecordFilter.h"
#include "ui/RequestFailure.h"
#include "ui/ViewHost.h"
#include "ui/ViewPage.h"

using platform::FromQString;
using platform::ToQString;

namespace {
// The opened row's text and the searched text are read up to these lengths.
constexpr size_t kOpenedTextMax = 1020;
constexpr int kSearchTextMax = 255;
constexpr size_t kRowTextMax = 511;

// The login's station and client kind, as the login gave them.
QuickSearchLogin LoginOf(CServerLink* link) {
  QuickSearchLogin login;
  if (link != nullptr) {
    const ServerSession session = link->Session();
    login.station = session.station;
    login.clientKind = session.clientKind;
  }
  return login;
}

// Hands the login's station and group to a query dialog.
void LockToLogin(CQueryDlgBase& dialog, CViewHost* host) {
  const QuickSearchLogin login = LoginOf(host != nullptr ? host->ServerLink() : nullptr);
  dialog.host = host;
  dialog.userStation = WideFromGbk(login.station);
  dialog.userGroup = WideFromGbk(login.clientKind);
}
}  // namespace

CQuickSearchList::CQuickSearchList(QWidget* parent) : QWidget(parent) {
  reloadButton = new CColorButton(this);
  spareButton = new CColorButton(this);
  countLabel = new QLabel(this);
  searchLabel_ = new QLabel(this);
  searchLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  searchBox = new QLineEdit(this);
  grid = new CListGrid(this);

  QStyle* style = QApplication::style();
  reloadButton->SetIcons(style->standardIcon(QStyle::SP_BrowserReload), QIcon(), 20, 20);
  spareButton->SetIcons(style->standardIcon(QStyle::SP_DialogResetButton), QIcon(), 20, 20);
  reloadButton->SetShowText(false);
  spareButton->SetShowText(false);
  grid->SetHighlightMode(2);
  grid->setShowGrid(true);
  grid->EnableRowData(true);
  grid->EnableHeaderSort(true);
  grid->SetSingleSelection(true);

  connect(reloadButton, &QAbstractButton::clicked, this, &CQuickSearchList::Reload);
  connect(searchBox, &QLineEdit::textEdited, this, &CQuickSearchList::OnSearchEdited);
  // The grid tells its notify window of a double click on a row.
  grid->SetNotifyWnd(this);
}

void CQuickSearchList::AttachToPage(CViewPage& page, int listMode, int stateFilter) {
  mode = listMode;
  bagStateFilter = stateFilter;
  host = page.host;
  ownerWindow = &page;
  page.panelWidth = kPanelWidth;
  setParent(&page);
  const QSize screen = page.ScreenSize();
  setGeometry(5, 3, page.panelWidth - 10, screen.height() - 120);
  Layout();
  hide();
  page.entryPanel = this;
}

CQuickSearchList* CQuickSearchList::CreateOnPage(CViewPage& page, int listMode,
                                                  int stateFilter) {
  auto* list = new CQuickSearchList(&page);
  list->AttachToPage(page, listMode, stateFilter);
  page.queryEnabled = true;
  page.ShowListMode(0);
  return list;
}

void CQuickSearchList::Layout() {
  searchLabel_->setText(ToQString(AppLanguage().Text(kQuickSearchLabelTextId)));
  if (grid->ColumnCount() == 0) {
    grid->InsertColumn(0, 300, AppLanguage().Text(kQuickColumnTextId + mode), kGridAlignLeft);
  }
  UpdateCount(0);
  const int width = this->width() > 0 ? this->width() : kPanelWidth - 10;
  const QSize screen = host != nullptr ? host->ScreenSize() : CViewHost().ScreenSize();
  reloadButton->setGeometry(4, 0, 26, 26);
  spareButton->setGeometry(width - 30, 0, 26, 26);
  countLabel->setGeometry(34, 6, width - 68, 16);
  searchLabel_->setGeometry(4, 30, 58, 16);
  searchBox->setGeometry(64, 27, width - 68, 22);
  grid->setGeometry(4, 52, 206 > width - 4 ? width - 4 : 206, screen.height() - 188);
}

void CQuickSearchList::UpdateCount(int rows) {
  countLabel->setText(ToQString(AppLanguage().TextWithNumber(kQuickCountTextId + mode, rows)));
}

void CQuickSearchList::Reload() {
  switch (mode) {
    case kQuickCustomers: LoadCustomers(1); break;
    case kQuickWaybills: LoadWaybills(1); break;
    case kQuickAwbs: LoadAwbs(1); break;
    case kQuickStaff: LoadStaffNames(); break;
    case kQuickBags: LoadBags(1); break;
    default: break;
  }
}

bool CQuickSearchList::Fill(int kind, const std::u16string& sql, bool query) {
  CServerLink* link = host != nullptr ? host->ServerLink() : nullptr;
  std::string reply;
  int result = -1;
  if (link != nullptr) {
    const std::string text = GbkFromWide(sql);
    const std::span<const uint32_t> types = QuickSearchColumnTypes(kind);
    result = platform::WaitForWork([&] { return link->SqlQuery(text, types, &reply); });
  }
  std::vector<QuickSearchRow> rows;
  if (link != nullptr && query && ShowRequestFailure(result, reply)) return false;
  if (result <= 0 || !ReadQuickSearchRows(kind, reply, AppLanguage(), rows)) {
    if (query) {
      platform::ShowMessageBox(AppLanguage().Text(kQuickNothingFoundTextId), {},
                               platform::kMbOk | platform::kMbIconInformation);
    }
    return false;
  }
  grid->DeleteAllRows();
  for (const QuickSearchRow& row : rows) {
    const int at = grid->InsertRow(grid->RowCount(), row.text);
    grid->SetRowId(at, row.id);
  }
  UpdateCount(static_cast<int>(rows.size()));
  return true;
}

bool CQuickSearchList::LoadCustomers(int reload) {
  if (reload == 1) {
    return Fill(kQuickCustomers, RecentCustomersSql(LoginOf(host ? host->ServerLink() : nullptr)),
                false);
  }
  CCustomerQueryDlg dialog(window());
  LockToLogin(dialog, host);
  if (dialog.DoModal() != platform::kIdOk) return false;
  return Fill(kQuickCustomers, CustomerQuerySql(dialog), true);
}

bool CQuickSearchList::LoadWaybills(int reload) {
  if (reload == 1) {
    return Fill(kQuickWaybills, RecentWaybillsSql(LoginOf(host ? host->ServerLink() : nullptr)),
                false);
  }
  if (host == nullptr) return false;
  const WaybillListHeads& heads = QuickWaybillHeads();
  RecordFilterTexts texts;
  texts.select = heads.select;
  texts.dateHead = heads.dateHead;
  texts.rowLimit = kQueryRows;
  texts.dateOrder = heads.dateOrder;
  texts.bagHead = heads.bagHead;
  texts.awbHead = heads.awbHead;
  std::u16string sql;
  if (!BuildRecordFilterSql(*host, texts, sql)) return false;
  return Fill(kQuickWaybills, sql, true);
}

bool CQuickSearchList::LoadAwbs(int reload) {
  if (reload == 1) return Fill(kQuickAwbs, RecentAwbsSql(), false);
  CAwbQueryDlg* dialog = host != nullptr ? host->AwbQueryDialog() : nullptr;
  if (dialog == nullptr) return false;
  LockToLogin(*dialog, host);
  if (dialog->DoModal() != platform::kIdOk) return false;
  return Fill(kQuickAwbs, AwbQuerySql(*dialog, AppLanguage().Text(kAnyTextId)), true);
}

bool CQuickSearchList::LoadBags(int reload) {
  if (reload == 1) return Fill(kQuickBags, RecentBagsSql(bagStateFilter), false);
  CBagQueryDlg* dialog = host != nullptr ? host->BagQueryDialog() : nullptr;
  if (dialog == nullptr) return false;
  LockToLogin(*dialog, host);
  if (dialog->DoModal() != platform::kIdOk) return false;
  return Fill(kQuickBags, BagQuerySql(*dialog), true);
}

void CQuickSearchList::LoadStaffNames() {
  grid->DeleteAllRows();
  const std::vector<std::u16string> names =
      host != nullptr ? host->StaffNames() : std::vector<std::u16string>();
  for (const std::u16string& name : names) grid->InsertRow(grid->RowCount(), name);
  UpdateCount(grid->RowCount());
}

void CQuickSearchList::AddOrUpdateRecord(int32_t recordId, std::u16string_view text,
                                         int rowIndex, int32_t newId) {
  const int row = grid->FindRowById(recordId);
  if (row < 0) {
    int at = rowIndex;
    if (at < 0 || at > grid->RowCount()) at = grid->RowCount();
    at = grid->InsertRow(at, text);
    grid->SetRowId(at, newId > 0 ? newId : recordId);
    UpdateCount(grid->RowCount());
    return;
  }
  grid->SetCellText(row, 0, text);
  if (newId > 0) grid->SetRowId(row, newId);
}

void CQuickSearchList::RemoveRecord(int32_t recordId) {
  const int row = grid->FindRowById(recordId);
  if (row >= 0) grid->DeleteRow(row);
  UpdateCount(grid->RowCount());
}

int CQuickSearchList::FindAwbRow(std::u16string_view number) const {
  const int32_t id = static_cast<int32_t>(HashText30(number));
  for (int row = 0; row < grid->RowCount(); ++row)
    if (grid->GetRowId(row) == id && AwbFromListItem(grid->CellText(row, 0)) == number) return row;
  return -1;
}

void CQuickSearchList::AddOrUpdateAwb(std::u16string_view number, std::u16string_view text) {
  const int row = FindAwbRow(number);
  if (row >= 0) {
    grid->SetCellText(row, 0, text);
    return;
  }
  const int at = grid->InsertRow(grid->RowCount(), text);
  grid->SetRowId(at, static_cast<int32_t>(HashText30(number)));
  UpdateCount(grid->RowCount());
}

void CQuickSearchList::RemoveAwb(std::u16string_view number) {
  const int row = FindAwbRow(number);
  if (row >= 0) grid->DeleteRow(row);
  UpdateCount(grid->RowCount());
}

bool CQuickSearchList::OpenSelectedRow() {
  const std::vector<int> selected = grid->SelectedRows();
  if (selected.empty()) return false;
  const int row = selected.front();
  openedRowText = grid->CellText(row, 0).substr(0, kOpenedTextMax);
  platform::SendPrivateMessage(ownerWindow, kWmQuickListOpen,
                               static_cast<quintptr>(static_cast<uint32_t>(grid->GetRowId(row))),
                               reinterpret_cast<qintptr>(&openedRowText));
  return true;
}

bool CQuickSearchList::event(QEvent* e) {
  if (auto* message = platform::AsPrivateMessage(e)) {
    if (message->Message() == kGridMsgDoubleClick) OpenSelectedRow();
    return true;
  }
  return QWidget::event(e);
}

void CQuickSearchList::OnSearchEdited() {
  if (!searchBox->hasFocus()) return;
  const std::u16string typed = FromQString(searchBox->text().left(kSearchTextMax));
  if (typed.empty()) return;
  const int rows = grid->RowCount();
  for (int row = 0; row < rows; ++row) {
    const std::u16string text = grid->CellText(row, 0).substr(0, kRowTextMax);
    if (FindNoCaseW(text, typed) != std::u16string::npos) {
      grid->SetRowSelected(row, true, false);
      return;
    }
  }
}
