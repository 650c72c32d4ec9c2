#include "entry/SimpleEntryRules.h"

#include "common/FixedField.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"

namespace simpleentry {

RowLayout LayOutRow(std::span<const uint8_t> kinds) {
  RowLayout row;
  row.kindOfSlot.fill(-1);
  row.slotOfKind.fill(-1);
  int i = 0;
  for (; i < kSlots && i < static_cast<int>(kinds.size()) && kinds[i] < kWaybillFieldKinds; ++i) {
    row.kindOfSlot[i] = kinds[i];
    if (row.slotOfKind[kinds[i]] < 0) row.slotOfKind[kinds[i]] = i;
  }
  row.lastShown = i - 1;
  return row;
}

int LastActiveSlot(std::span<const bool> locked, int lastShown) {
  for (int i = lastShown; i > 0; --i)
    if (i < static_cast<int>(locked.size()) && !locked[i]) return i;
  return 0;
}

bool LockedSlotKeepsText(int kind) { return kind != 2 && kind != 3 && kind != 25; }

RowEnd FinishRow(int pieceCount, int numberedPieces) {
  return pieceCount > 1 && numberedPieces < pieceCount ? RowEnd::PieceNumbers : RowEnd::Save;
}

void CPieceNumbers::Rebuild(int pieceCount, std::span<const PieceLine> pieces) {
  count_ = pieceCount;
  index_ = pieceCount > 1 ? 1 : 0;
  rows_.clear();
  for (const PieceLine& p : pieces) rows_.push_back(WideFromGbk(FixedText(p.cxNum)));
}

void CPieceNumbers::Reset() {
  rows_.clear();
  index_ = 0;
  count_ = 1;
}

CPieceNumbers::Confirm CPieceNumbers::ConfirmNumber(std::u16string_view typed,
                                                    std::vector<PieceLine>& pieces) {
  if (count_ <= 1 || index_ < 1) return Confirm::Ignored;
  std::u16string number(typed);
  TrimW(number);
  if (number.size() < kShortestPieceNumber) return Confirm::Refused;
  const size_t at = static_cast<size_t>(index_ - 1);
  if (rows_.size() <= at) rows_.resize(at + 1);
  rows_[at] = number;
  if (pieces.size() <= at) {
    PieceLine line{};
    line.ixWeight = 1;
    pieces.resize(at + 1, line);
  }
  SetFixedText(pieces[at].cxNum, NarrowFieldFromWide(number, 30, false));
  ++index_;
  return Confirm::Taken;
}

std::u16string CPieceNumbers::CurrentNumber() const {
  if (index_ < 1 || static_cast<size_t>(index_) > rows_.size()) return {};
  return rows_[static_cast<size_t>(index_ - 1)];
}

std::u16string CPieceNumbers::ProgressText() const {
  std::u16string text = AppLanguage().Text(500000);
  ReplaceAllW(text, u"%1", WideFromGbk(std::to_string(index_)));
  ReplaceAllW(text, u"%2", WideFromGbk(std::to_string(count_)));
  return text;
}

}  // namespace simpleentry
