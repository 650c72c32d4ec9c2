#include "ui/SuggestRows.h"

#include <algorithm>

#include "common/GbkText.h"
#include "common/TextCodec.h"
#include "refdata/AirlineTable.h"
#include "refdata/ServiceKinds.h"
#include "refdata/StationCacheSync.h"
#include "refdata/UserEnvironment.h"

namespace {

constexpr uint32_t kGreen = 0x008000;
constexpr uint32_t kGrey = 0x646464;
constexpr uint32_t kBlack = 0x000000;

// Dialog units to pixels, and the height that holds every row.
SuggestLook MakeLook(int message, int rows, int widthUnits, int heightUnits, uint32_t background,
                     uint32_t numberColor, int numberWidth, SuggestLook::HideOnClick hide,
                     int rowPitch = 15, int lineHeight = 14) {
  SuggestLook look;
  look.refreshMessage = message;
  look.rows = rows;
  look.rowPitch = rowPitch;
  look.lineHeight = lineHeight;
  look.width = widthUnits * 3 / 2;
  look.height = std::max(heightUnits * 3 / 2, look.firstY + rows * rowPitch + 2);
  look.background = background;
  look.numberColor = numberColor;
  look.numberWidth = numberWidth;
  look.hide = hide;
  return look;
}

SuggestCell Cell(int left, int right, std::string_view gbk, uint32_t rgb, int line = 0,
                 SuggestCell::Font font = SuggestCell::kText) {
  SuggestCell c;
  c.left = left;
  c.right = right;
  c.line = line;
  c.text = WideFromGbk(gbk);
  c.rgb = rgb;
  c.font = font;
  return c;
}

// The text padded with blanks to `width` bytes; a text of `width` bytes or
// more gets one blank.
std::string PaddedColumn(std::string_view text, size_t width) {
  std::string out(text);
  out.append(text.size() < width ? width - text.size() : 1, ' ');
  return out;
}

template <typename Row, size_t N>
bool Filled(const Row (&rows)[N], int row) {
  return row >= 0 && static_cast<size_t>(row) < N && rows[row] != nullptr;
}

}  // namespace

// ---- shared ----

bool CSuggestRows::AnyFilled() const {
  for (int i = 0; i < look_.rows; ++i)
    if (IsFilled(i)) return true;
  return false;
}

std::u16string CSuggestRows::NumberText(int row) const {
  // "% Nd": a blank for the sign, then padded on the left to N; "%d" for 0.
  std::string text = std::to_string(row + 1);
  if (look_.numberWidth > 0) {
    text.insert(0, 1, ' ');
    if (text.size() < static_cast<size_t>(look_.numberWidth))
      text.insert(0, static_cast<size_t>(look_.numberWidth) - text.size(), ' ');
  }
  return WideFromGbk(text);
}

// ---- destination ----

CDestinationSuggestRows::CDestinationSuggestRows(CDestinationTable* source)
    : CSuggestRows(MakeLook(kWmDestinationSuggest, 5, 247, 41, 0xF0F0FF, 0xE8E8FF, 8,
                            SuggestLook::HideOnClick::kOnRelease)),
      source_(source) {}

void CDestinationSuggestRows::Search(std::string& text, int64_t) {
  rows_.fill(nullptr);
  std::fill(std::begin(marks_), std::end(marks_), false);
  if (!source_) return;
  source_->Lookup(rows_, text);
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (!rows_[i]) continue;
    marks_[i] = !kind_ || kind_->HasArea(rows_[i]->Name());
  }
}

bool CDestinationSuggestRows::IsFilled(int row) const {
  return row >= 0 && row < 5 && rows_[static_cast<size_t>(row)] != nullptr;
}

bool CDestinationSuggestRows::IsMarked(int row) const { return IsFilled(row) && marks_[row]; }

std::vector<SuggestCell> CDestinationSuggestRows::Cells(int row) const {
  const DestinationRecord* d = GetHit(row);
  if (!d) return {};
  const uint32_t colour = IsMarked(row) ? kGreen : kGrey;
  std::string right = std::string(d->Name()) + ' ' + std::string(d->NameEn());
  if (!d->Postcode().empty()) right += "[" + std::string(d->Postcode()) + "]";
  return {Cell(3, 60, d->Code(), colour), Cell(60, 300, right, colour)};
}

std::u16string CDestinationSuggestRows::PickText(int row) const {
  std::u16string name;
  GetHit(row, &name);
  return name;
}

const DestinationRecord* CDestinationSuggestRows::GetHit(int row, std::u16string* name) const {
  if (!IsFilled(row)) return nullptr;
  const DestinationRecord* d = rows_[static_cast<size_t>(row)];
  if (name) *name = WideFromGbk(d->Name());
  return d;
}

// ---- city ----

CCitySuggestRows::CCitySuggestRows(const CAddressLibrary* source)
    : CSuggestRows(MakeLook(kWmCitySuggest, 5, 248, 40, 0xF0F0FF, 0xE8E8FF, 7,
                            SuggestLook::HideOnClick::kNever)),
      source_(source) {}

void CCitySuggestRows::Search(std::string& text, int64_t) {
  rows_.clear();
  if (!source_ || !source_->IsLoaded() || text.empty()) return;
  GbkUpper(text);
  source_->FindByNameSubstring(text, rows_, 5);
}

bool CCitySuggestRows::IsFilled(int row) const {
  return row >= 0 && static_cast<size_t>(row) < rows_.size();
}

std::vector<SuggestCell> CCitySuggestRows::Cells(int row) const {
  if (!IsFilled(row)) return {};
  const AddressEntry& e = *rows_[static_cast<size_t>(row)];
  return {Cell(3, 50, std::string(e.Nc()) + "-" + std::string(e.Ccd()), 0x0000FF),
          Cell(50, 300, e.Name(), kGreen)};
}

std::u16string CCitySuggestRows::PickText(int row) const {
  return IsFilled(row) ? WideFromGbk(rows_[static_cast<size_t>(row)]->Name()) : std::u16string();
}

const AddressEntry* CCitySuggestRows::GetHit(int row) const {
  if (row >= 5) row = 0;
  return IsFilled(row) ? rows_[static_cast<size_t>(row)] : nullptr;
}

// ---- client ----

CClientSuggestRows::CClientSuggestRows(CClientListCache* source)
    : CSuggestRows(MakeLook(kWmClientSuggest, 5, 238, 66, 0xFFF0F0, 0xFFC8E8, 8,
                            SuggestLook::HideOnClick::kOnRelease, 15, 13)),
      source_(source) {}

void CClientSuggestRows::Search(std::string& text, int64_t) {
  std::fill(std::begin(rows_), std::end(rows_), nullptr);
  if (!source_) return;
  source_->FindByPrefix(rows_, text);
}

bool CClientSuggestRows::IsFilled(int row) const { return Filled(rows_, row); }

std::string CClientSuggestRows::RowText(const ClientEntry& entry) {
  return PaddedColumn(entry.Code(), 9) + std::string(entry.Name());
}

std::vector<SuggestCell> CClientSuggestRows::Cells(int row) const {
  if (!IsFilled(row)) return {};
  return {Cell(2, 350, RowText(*rows_[row]), kBlack)};
}

std::u16string CClientSuggestRows::PickText(int row) const {
  std::u16string name;
  GetHit(row, &name);
  return name;
}

int32_t CClientSuggestRows::GetHit(int row, std::u16string* name) const {
  if (!IsFilled(row)) return -1;
  if (name) *name = WideFromGbk(rows_[row]->Name());
  return rows_[row]->id;
}

// ---- directory ----

CDirectorySuggestRows::CDirectorySuggestRows(CDirectoryIndex* source)
    : CSuggestRows(MakeLook(kWmDirectorySuggest, 5, 248, 40, 0xFFE8E8, 0xFFE8E8, 11,
                            SuggestLook::HideOnClick::kNever)),
      source_(source) {}

void CDirectorySuggestRows::Search(std::string& text, int64_t lParam) {
  rows_.fill(nullptr);
  if (!source_) return;
  if (lParam == 1) source_->SearchByPhone(rows_, text);
  else source_->Search(rows_, text);
}

bool CDirectorySuggestRows::IsFilled(int row) const {
  return row >= 0 && row < 5 && rows_[static_cast<size_t>(row)] != nullptr;
}

std::vector<SuggestCell> CDirectorySuggestRows::Cells(int row) const {
  const DirectoryRecord* r = GetHit(row);
  if (!r) return {};
  const std::string right = std::string(stationcache::FieldText(r->name, sizeof r->name)) + "[" +
                            std::string(stationcache::FieldText(r->phone, sizeof r->phone)) + "]";
  return {Cell(3, 80, stationcache::FieldText(r->code, sizeof r->code), kGreen),
          Cell(80, 300, right, kGreen)};
}

std::u16string CDirectorySuggestRows::PickText(int row) const {
  const DirectoryRecord* r = GetHit(row);
  return r ? WideFromGbk(stationcache::FieldText(r->name, sizeof r->name)) : std::u16string();
}

const DirectoryRecord* CDirectorySuggestRows::GetHit(int row) const {
  return IsFilled(row) ? rows_[static_cast<size_t>(row)] : nullptr;
}

// ---- place ----

CPlaceSuggestRows::CPlaceSuggestRows(const CPlaceDictionary* source)
    : CSuggestRows(MakeLook(kWmPlaceSuggest, 4, 248, 40, 0xE8E8E8, 0xC4C4C4, 0,
                            SuggestLook::HideOnClick::kNever, 25, 12)),
      source_(source) {}

void CPlaceSuggestRows::Search(std::string& text, int64_t) {
  rows_.fill(nullptr);
  if (!source_) return;
  source_->Suggest(rows_, text);
}

bool CPlaceSuggestRows::IsFilled(int row) const {
  return row >= 0 && row < 4 && rows_[static_cast<size_t>(row)] != nullptr;
}

std::vector<SuggestCell> CPlaceSuggestRows::Cells(int row) const {
  const PlaceEntry* e = GetHit(row);
  if (!e) return {};
  return {Cell(2, 66, e->Code(), 0xFF0000), Cell(66, 300, e->Chinese(), kGreen),
          Cell(10, 300, e->English(), kBlack, 1, SuggestCell::kNarrow)};
}

std::u16string CPlaceSuggestRows::PickText(int row) const {
  const PlaceEntry* e = GetHit(row);
  return e ? WideFromGbk(e->Chinese()) : std::u16string();
}

const PlaceEntry* CPlaceSuggestRows::GetHit(int row) const {
  return IsFilled(row) ? rows_[static_cast<size_t>(row)] : nullptr;
}

// ---- flight ----

CFlightSuggestRows::CFlightSuggestRows(const CAirlineTable* source)
    : CSuggestRows(MakeLook(kWmFlightSuggest, 9, 248, 40, 0xF0F0FF, 0xE8E8FF, 8,
                            SuggestLook::HideOnClick::kOnPress)),
      source_(source) {}

void CFlightSuggestRows::Search(std::string& text, int64_t) {
  std::fill(std::begin(rows_), std::end(rows_), nullptr);
  if (!source_ || text.empty()) return;
  source_->FindFlights(rows_, text, 9);
}

bool CFlightSuggestRows::IsFilled(int row) const { return Filled(rows_, row); }

std::vector<SuggestCell> CFlightSuggestRows::Cells(int row) const {
  const FlightEntry* f = GetHit(row);
  if (!f) return {};
  const uint32_t colour = f->bstop ? kGrey : kGreen;
  const std::string right = source_->AirlineNameOfFlight(f->iaid) + "[" + f->cportb + "/" +
                            f->cporte + "]" + f->cfrom + "->" + f->cdes;
  return {Cell(3, 60, f->cftno, colour), Cell(60, 300, right, colour)};
}

std::u16string CFlightSuggestRows::PickText(int row) const {
  std::u16string number;
  GetHit(row, &number);
  return number;
}

const FlightEntry* CFlightSuggestRows::GetHit(int row, std::u16string* number) const {
  if (!IsFilled(row)) return nullptr;
  if (number) *number = WideFromGbk(rows_[row]->cftno);
  return rows_[row];
}

// ---- staff names ----

CNameSuggestRows::CNameSuggestRows(const std::vector<StaffEntry>& staff)
    : CSuggestRows(MakeLook(kWmNameSuggest, 5, 202, 40, 0xC4FFC4, 0xC4FFC4, 14,
                            SuggestLook::HideOnClick::kOnRelease)) {
  for (const StaffEntry& s : staff)
    if (s.notModeA == 0) staff_.push_back(s);
  for (const StaffEntry& s : staff_) {
    byAccount_.push_back(&s);
    byName_.push_back(&s);
  }
  // Smallest key first; equal keys keep their list order.
  std::stable_sort(byAccount_.begin(), byAccount_.end(), [](const StaffEntry* a, const StaffEntry* b) {
    return GbkCompareNoCase(a->mcaccount, b->mcaccount) < 0;
  });
  std::stable_sort(byName_.begin(), byName_.end(), [](const StaffEntry* a, const StaffEntry* b) {
    return GbkCompareNoCase(a->mcname, b->mcname) < 0;
  });
}

CNameSuggestRows::~CNameSuggestRows() = default;

void CNameSuggestRows::Search(std::string& text, int64_t) {
  std::fill(std::begin(rows_), std::end(rows_), nullptr);
  if (text.empty()) return;
  const bool byName = IsGbkLead(text[0]);
  const auto& index = byName ? byName_ : byAccount_;
  auto key = [byName](const StaffEntry& s) -> std::string_view {
    return byName ? s.mcname : s.mcaccount;
  };
  const size_t first = stationcache::FirstPrefixHit(index, text, key);
  if (first < index.size()) {
    for (size_t k = 0; k < 5 && first + k < index.size(); ++k) rows_[k] = index[first + k];
    return;
  }
  if (!byName) return;
  size_t n = 0;
  for (const StaffEntry* s : byName_) {
    if (n >= 5) break;
    if (s->mcname.find(text) != std::string::npos) rows_[n++] = s;
  }
}

bool CNameSuggestRows::IsFilled(int row) const { return Filled(rows_, row); }

std::string CNameSuggestRows::RowText(const StaffEntry& entry) {
  return PaddedColumn(entry.mcaccount, 16) + entry.mcname;
}

std::vector<SuggestCell> CNameSuggestRows::Cells(int row) const {
  if (!IsFilled(row)) return {};
  return {Cell(3, 200, RowText(*rows_[row]), kBlack)};
}

std::u16string CNameSuggestRows::PickText(int row) const {
  std::u16string name;
  GetHit(row, &name);
  return name;
}

int CNameSuggestRows::GetHit(int row, std::u16string* name) const {
  if (!IsFilled(row)) return -1;
  if (name) *name = WideFromGbk(rows_[row]->mcname);
  return 0;
}
