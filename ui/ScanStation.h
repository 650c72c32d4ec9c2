#pragma once
// CScanStation: the steps of the scan station over the local input records.
// A scanned inner number (waybill number) or transfer number finds its
// record; as the mode says, the scale's weight is written into it, its
// waybill printed and it is given a new transfer number; the full waybill
// page is then told (record id, grams).  No window is needed: the dialog
// hands each step the fields' texts and the weight, and applies the
// outcome to its fields.
//
// A commit or a print that fails is told by its door and no notice
// claims it: the weight of a failed commit counts as not taken, a print
// that failed as not made.

#include <cstdint>
#include <functional>
#include <string>

class CWaybillRecordTable;
struct InputWaybillRecord;

class CScanStation {
 public:
  static constexpr int kWeigh = 1;
  static constexpr int kPrint = 10;
  static constexpr int kRelabel = 100;
  // Numbers shorter than this are ignored.
  static constexpr size_t kShortestNumber = 5;

  struct Doors {
    std::function<void(int hertz, int milliseconds)> beep;
    // The waybill of the record printed; false when nothing was printed.
    std::function<bool(int32_t recordId)> print;
    // The store's changes written; false (already told) when not.
    std::function<bool()> commit;
    // The page told of a record: its id and grams (0 when no weight was taken).
    std::function<void(int32_t recordId, int32_t grams)> notify;
  };

  enum class Field { kNone, kInner, kTransfer };
  struct Outcome {
    Field focus = Field::kNone;
    Field select = Field::kNone;
    bool clearInner = false;
    bool clearTransfer = false;
    // The status line ("原重:%.3f"), empty when it stays.
    std::u16string status;
  };

  CScanStation(CWaybillRecordTable& store, Doors doors);

  // The mode of the ticked options; none ticked is weigh alone (the caller
  // ticks weigh again when `weigh` comes back true and was false).
  int SetOptions(bool& weigh, bool print, bool relabel);
  int Mode() const { return mode_; }
  bool HasRecordInProcess() const { return inProcess_ >= 0; }

  Outcome InnerStep(std::u16string_view inner, double weight);
  Outcome TransferStep(std::u16string_view transfer, double weight);
  Outcome ConfirmStep(std::u16string_view inner, std::u16string_view transfer, double weight);

  // A number as the steps read it: trimmed on both sides and upper-cased.
  static std::u16string CleanNumber(std::u16string_view text);

 private:
  // The index of a record of the store, -1 for none.
  int IndexOf(const InputWaybillRecord* record) const;
  InputWaybillRecord* At(int index) const;
  void BeepNotFound();
  // Grams taken, 0 when no weight was taken.
  int32_t Weigh(int index, double weight);
  bool Print(int index);
  std::u16string OldWeight(int index) const;

  CWaybillRecordTable& store_;
  Doors doors_;
  int mode_ = kWeigh + kPrint + kRelabel;
  int inProcess_ = -1;
};
