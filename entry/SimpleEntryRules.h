#pragma once
// The rules of the streamlined entry form (page 15) that need no widget:
// which field kind each of its six slots shows, which slot ends a row,
// what clearing keeps of a locked slot, and the piece-number list of a
// waybill of several pieces, one sub-waybill number a piece.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "entry/WaybillSave.h"

namespace simpleentry {

inline constexpr int kSlots = 6;
// The row's kinds from slot 0, ended by the first value of 69 or more:
// waybill number, origin address, destination, memo.
inline constexpr uint8_t kRowKinds[kSlots] = {2, 0, 1, 22, 80, 80};

struct RowLayout {
  std::array<int, kSlots> kindOfSlot{};             // -1 for a hidden slot
  std::array<int, kWaybillFieldKinds> slotOfKind{};  // -1 when the row lacks the kind
  int lastShown = -1;
};
RowLayout LayOutRow(std::span<const uint8_t> kinds);

// The slot whose Enter ends the row: the highest shown slot that is not
// locked, slot 0 when every slot is.
int LastActiveSlot(std::span<const bool> locked, int lastShown);

// Whether a locked slot keeps its text when the form is cleared (every
// kind but the numbers 2 and 3 and the weight 25).
bool LockedSlotKeepsText(int kind);

// Enter on the row's last slot: the piece numbers come first when the
// waybill has several pieces and fewer numbers than pieces.
enum class RowEnd { PieceNumbers, Save };
RowEnd FinishRow(int pieceCount, int numberedPieces);

// Sub-waybill numbers shorter than this are refused.
inline constexpr size_t kShortestPieceNumber = 6;

// The piece-number list: its rows (a number each) and the piece being
// keyed (0 for a single-piece waybill, else 1 to count + 1).
class CPieceNumbers {
 public:
  // Rows from the piece lines, the first piece current when there are
  // several.
  void Rebuild(int pieceCount, std::span<const PieceLine> pieces);
  void Reset();
  void SetCount(int pieceCount) { count_ = pieceCount; }

  enum class Confirm { Ignored, Refused, Taken };
  // A number keyed for the current piece: ignored for a single piece,
  // refused under 6 characters (trimmed), else written into its row and its
  // piece line (appended when missing, 1 g) and the next piece is current.
  Confirm ConfirmNumber(std::u16string_view typed, std::vector<PieceLine>& pieces);
  // Every piece has its number: the waybill is saved.
  bool Complete() const { return count_ > 1 && index_ > count_; }
  // The number shown for the current piece (empty when it has none).
  std::u16string CurrentNumber() const;
  void Pick(int row) { index_ = row + 1; }

  int Index() const { return index_; }
  int Count() const { return count_; }
  const std::vector<std::u16string>& Rows() const { return rows_; }
  // Text 500000 with the current piece and the count.
  std::u16string ProgressText() const;

 private:
  std::vector<std::u16string> rows_;
  int index_ = 0;
  int count_ = 1;
};

}  // namespace simpleentry
