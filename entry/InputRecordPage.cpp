#include "entry/InputRecordPage.h"

#include <cstdio>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/QtMessages.h"
#include "print/PagePrintPlan.h"
#include "print/PrintDoors.h"
#include "print/PrintText.h"
#include "refdata/ClientListCache.h"
#include "refdata/RecordStores.h"
#include "shell/AppSettings.h"
#include "shell/BrantleClientApp.h"
#include "ui/ViewHost.h"

namespace {

struct Column {
  int caption;  // language text; 0 for the order-time column
  int width;
  int align;
};

constexpr Column kColumnTable[CInputRecordPage::kColumns] = {
    {30076, 40, kGridAlignLeft},  {30078, 0, kGridAlignLeft},    {30203, 70, kGridAlignLeft},
    {30070, 80, kGridAlignLeft},  {30002, 100, kGridAlignLeft},  {30003, 100, kGridAlignLeft},
    {30074, 60, kGridAlignCenter}, {30072, 50, kGridAlignRight}, {30004, 60, kGridAlignRight},
    {30005, 70, kGridAlignRight}, {30001, 100, kGridAlignLeft},  {30073, 80, kGridAlignLeft},
    {30107, 40, kGridAlignLeft},  {30006, 60, kGridAlignLeft},   {30046, 70, kGridAlignLeft},
    {30007, 60, kGridAlignLeft},  {30011, 150, kGridAlignLeft},  {30012, 90, kGridAlignLeft},
    {30014, 90, kGridAlignLeft},  {30013, 90, kGridAlignLeft},   {30010, 70, kGridAlignLeft},
    {30040, 60, kGridAlignLeft},  {30026, 150, kGridAlignLeft},  {30030, 0, kGridAlignLeft},
    {30027, 70, kGridAlignRight}, {30028, 70, kGridAlignRight},  {30031, 60, kGridAlignRight},
    {30041, 100, kGridAlignLeft}, {30045, 100, kGridAlignLeft},  {30050, 90, kGridAlignLeft},
    {30022, 150, kGridAlignLeft}, {30052, 100, kGridAlignLeft},  {30053, 100, kGridAlignLeft},
    {30064, 100, kGridAlignLeft}, {30055, 100, kGridAlignLeft},  {30056, 150, kGridAlignLeft},
    {0, 0, kGridAlignLeft},
};
constexpr int kCBy3Column = 33;

// Invented text: the order-time column.
constexpr int kOrderTimeText = 22006;

// A receiver text decoded and cut to `characters`.
template <size_t N>
std::u16string Decoded(const char (&field)[N], size_t characters) {
  std::u16string text = ::Decoded(F(field));
  if (text.size() > characters) text.resize(characters);
  return text;
}

std::u16string Number(int value) { return WideFromGbk(std::to_string(value)); }

}  // namespace

CInputRecordPage::CInputRecordPage() : CViewPage(nullptr) {
  labelsPerSheet = [this] {
    CPrintDoors* doors = PrintDoors();
    return doors != nullptr ? CurrentLabelsPerSheet(*doors) : -1;
  };
  labelHasSequence = [this] {
    CPrintDoors* doors = PrintDoors();
    return doors != nullptr && LabelHasPieceOrder(doors->LabelLayout());
  };
}

CInputRecordPage::~CInputRecordPage() = default;

CBrantleClientApp* CInputRecordPage::App() const {
  return host != nullptr ? host->Application() : nullptr;
}

void CInputRecordPage::InsertInputRecordColumns(int cBy3Caption) {
  if (grid == nullptr) return;
  grid->EnableRowData(true);
  for (int c = 0; c < kColumns; ++c) {
    const Column& col = kColumnTable[c];
    const int captionId = c == kCBy3Column ? cBy3Caption : col.caption;
    const std::u16string caption =
        captionId != 0 ? AppLanguage().Text(captionId) : AppLanguage().Text(kOrderTimeText);
    grid->InsertColumn(c, col.width, caption, col.align);
  }
}

void CInputRecordPage::FillInputRecordList() {
  if (grid == nullptr) return;
  if (grid->RowCount() > 0) grid->DeleteAllRows();
  CBrantleClientApp* app = App();
  if (app == nullptr) return;
  CWaybillRecordTable& store = app->InputRecords();
  const int count = store.GetCount();
  for (int i = 0; i < count; ++i) {
    InputWaybillRecord record{};
    if (!store.ReadRecord(i, record)) continue;
    const int row = grid->InsertRow(grid->RowCount(), Number(grid->RowCount() + 1));
    grid->SetRowId(row, record.waybill.irID);
    WriteRow(row, record, true);
    if (record.waybill.listMark == 1) grid->SetRowColors(row, kFlaggedRowColor, 0xFFFFFF);
  }
}

void CInputRecordPage::WriteRow(int row, const InputWaybillRecord& input, bool fromStore) {
  const WaybillRecord& w = input.waybill;
  CBrantleClientApp* app = App();
  std::u16string col[kColumns];
  if (fromStore) {
    col[1] = w.localStatus == 1 ? u"√" : u"";
    col[2] = app ? app->RecordCheckText(w) : u"";
  } else {
    col[1] = app ? app->ClientList().NameOf(w.icID) : u"*";
    col[2] = app ? app->ClientList().CodeOf(w.icID) : u"*";
  }
  char date[32];
  std::snprintf(date, sizeof date, "%d-%02d-%02d", w.year, w.month, w.day);
  col[3] = WideFromGbk(date);
  col[4] = W(w.cNum);
  col[5] = W(w.cNo);
  col[6] = AppSettings::PackageKindOnScreen(w.nItemType);
  col[7] = Number(w.iItem);
  col[8] = Printf16("%.3f", w.fWeight);
  col[9] = Printf16("%.2f", w.fAmount);
  col[10] = W(w.cDes);
  col[11] = W(w.cZizKind);
  col[12] = AppSettings::PayModeOnScreen(w.nPayWay);
  col[13] = W(w.cSender);
  col[14] = W(w.cDepart);
  col[15] = Decoded(w.cReceiver, 254);
  col[16] = Decoded(w.cRAddr, 254);
  col[17] = Decoded(w.cRCountry, 126);
  col[18] = Decoded(w.cRProvince, 62);
  col[19] = Decoded(w.cRCity, 126);
  col[20] = W(w.cRPostcode);
  col[21] = W(w.cMark);
  col[22] = W(w.cGoods);
  col[23] = W(w.cTransNote);
  col[24] = Number(w.iQuantity);
  col[25] = Printf16("%.2f", w.iPrice / 100.0);
  col[26] = Printf16("%.2f", w.iDValue / 100.0);
  col[27] = W(w.cRNo);
  col[28] = W(w.cCNo);
  col[29] = W(w.cReserve);
  col[30] = W(w.cMemo);
  col[31] = W(w.cBy1);
  col[32] = W(w.cBy2);
  col[33] = W(w.cBy3);
  col[34] = W(w.cBy4);
  col[35] = W(w.cBy5);
  col[36] = W(w.orderTime);
  for (int c = 1; c < kColumns; ++c) grid->SetCellText(row, c, col[c]);
}

void CInputRecordPage::OnRecordChanged(int flag, const WaybillRecord& record) {
  if (grid == nullptr) return;
  int row = grid->FindRowById(record.irID);
  if (flag != 0) {
    if (row < 0) {
      row = grid->InsertRow(grid->RowCount(), Number(grid->RowCount() + 1));
      grid->SetRowId(row, record.irID);
    }
    if (CBrantleClientApp* app = App()) app->ApplySortingZones(record.irID);
    InputWaybillRecord input{};
    input.waybill = record;
    WriteRow(row, input, false);
    grid->SetRowColors(row, record.listMark == 1 ? kFlaggedRowColor : 0, 0xFFFFFF);
    grid->SelectAndShowRow(row);
  } else {
    if (row < 0) return;
    grid->DeleteRow(row);
    for (int r = row; r < grid->RowCount(); ++r) grid->SetCellText(r, 0, Number(r + 1));
  }
  deleteEnabled = false;
  UpdateCountLabel();
}

bool CInputRecordPage::event(QEvent* e) {
  if (auto* m = platform::AsPrivateMessage(e); m != nullptr && m->Message() == WM_PAGE_NOTIFY) {
    if (std::unique_ptr<InputWaybillRecord> record = m->TakePayload<InputWaybillRecord>())
      OnRecordChanged(static_cast<int>(m->WParam()), record->waybill);
    else if (std::unique_ptr<WaybillRecord> plain = m->TakePayload<WaybillRecord>())
      OnRecordChanged(static_cast<int>(m->WParam()), *plain);
    return true;
  }
  return CViewPage::event(e);
}

// ---- printing ----
// The page's own rules come first (the template questions before the busy
// flag, text 20028 for no selection, a waybill print only for exactly one
// row); the rest is the page base's print pieces.

bool CInputRecordPage::CollectSelectedIds(std::vector<int32_t>& ids) {
  ids.clear();
  if (CollectPrintSelection(20028) == 0) return false;
  ids = printBlock.ids;
  return true;
}

std::u16string CInputRecordPage::PrintRecordName(int32_t id) const {
  const int row = grid != nullptr ? grid->FindRowById(id) : -1;
  return row >= 0 ? grid->CellText(row, 4) : CViewPage::PrintRecordName(id);
}

void CInputRecordPage::OnPrintLabel() {
  CPrintDoors* doors = PrintDoors();
  if (doors == nullptr) return;
  int perSheet = labelsPerSheet ? labelsPerSheet() : -1;
  if (perSheet < 0) {
    if (!EnsureLabelLayout(*doors)) return;
    perSheet = labelsPerSheet ? labelsPerSheet() : doors->LabelLayout().LabelsPerSheet();
    if (perSheet <= 0) return;
  }
  if (!BeginPrint()) return;
  PrintBusyClear clear{printBusy};
  if (CollectPrintSelection(20028) == 0) return;
  PrintLabelSheets(*doors, perSheet, labelHasSequence && labelHasSequence());
}

void CInputRecordPage::OnPrintWaybill() {
  if (!BeginPrint()) return;
  std::vector<int32_t> ids;
  if (CollectSelectedIds(ids) && ids.size() == 1) PrintDoors()->PrintWaybill(ids.front(), 0, 0, 1, u"");
  printBusy = 0;
}

void CInputRecordPage::OnPrintInvoice(int toFile) {
  CPrintDoors* doors = PrintDoors();
  if (doors == nullptr) return;
  if (doors->CurrentTemplate(0) == nullptr && !doors->ChooseTemplate(0)) return;
  CViewPage::OnPrintInvoice(toFile);
}
