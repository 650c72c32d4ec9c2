#include "ui/ScanStation.h"

#include <cstdio>
#include <cstring>

#include "common/FieldCheck.h"
#include "common/TextCodec.h"
#include "refdata/RecordStores.h"

namespace {

void PutText(char* field, size_t width, const std::string& text) {
  std::memset(field, 0, width);
  std::memcpy(field, text.data(), std::min(text.size(), width - 1));
}

}  // namespace

CScanStation::CScanStation(CWaybillRecordTable& store, Doors doors)
    : store_(store), doors_(std::move(doors)) {}

std::u16string CScanStation::CleanNumber(std::u16string_view text) {
  auto space = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; };
  while (!text.empty() && space(text.front())) text.remove_prefix(1);
  while (!text.empty() && space(text.back())) text.remove_suffix(1);
  std::u16string number(text);
  for (char16_t& c : number) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return number;
}

int CScanStation::SetOptions(bool& weigh, bool print, bool relabel) {
  mode_ = (weigh ? kWeigh : 0) + (print ? kPrint : 0) + (relabel ? kRelabel : 0);
  if (mode_ == 0) {
    mode_ = kWeigh;
    weigh = true;
  }
  return mode_;
}

int CScanStation::IndexOf(const InputWaybillRecord* record) const {
  if (record == nullptr) return -1;
  for (int i = store_.GetCount() - 1; i >= 0; --i) {
    if (store_.GetAt(i) == record) return i;
  }
  return -1;
}

InputWaybillRecord* CScanStation::At(int index) const {
  return index >= 0 && index < store_.GetCount()
             ? static_cast<InputWaybillRecord*>(store_.GetAt(index))
             : nullptr;
}

void CScanStation::BeepNotFound() {
  if (!doors_.beep) return;
  doors_.beep(400, 200);
  doors_.beep(700, 400);
}

std::u16string CScanStation::OldWeight(int index) const {
  char text[64];
  std::snprintf(text, sizeof text, "原重:%.3f", At(index)->waybill.fWeight);
  return WideFromNarrow(text, 65001);
}

int32_t CScanStation::Weigh(int index, double weight) {
  InputWaybillRecord* record = At(index);
  if ((mode_ % 10) != kWeigh || weight <= 0 || record == nullptr || weight == record->waybill.fWeight)
    return 0;
  record->waybill.fWeight = weight;
  if (doors_.commit && !doors_.commit()) return 0;
  return RoundScaled(weight, 1000);
}

bool CScanStation::Print(int index) {
  if ((mode_ / 10) % 10 != 1) return false;
  const int32_t id = At(index)->waybill.irID;
  return doors_.print && doors_.print(id);
}

CScanStation::Outcome CScanStation::InnerStep(std::u16string_view text, double weight) {
  Outcome out;
  const std::u16string inner = CleanNumber(text);
  if (inner.size() < kShortestNumber) return out;
  const int index = IndexOf(store_.FindByNumber(GbkFromWide(inner)));
  if (index < 0) {
    BeepNotFound();
    out.select = out.focus = Field::kInner;
    return out;
  }
  out.status = OldWeight(index);
  if (mode_ >= kRelabel) {
    inProcess_ = index;
    out.select = out.focus = Field::kTransfer;
    return out;
  }
  const int32_t grams = Weigh(index, weight);
  const bool printed = Print(index);
  if (grams == 0 && !printed) {
    out.select = out.focus = Field::kInner;
    return out;
  }
  if (doors_.notify) doors_.notify(At(index)->waybill.irID, grams);
  out.clearInner = true;
  out.focus = Field::kInner;
  return out;
}

CScanStation::Outcome CScanStation::TransferStep(std::u16string_view text, double weight) {
  Outcome out;
  const std::u16string transfer = CleanNumber(text);
  if (transfer.size() < kShortestNumber) return out;
  if (mode_ < kRelabel) {
    const int index = IndexOf(store_.FindByTransferNo(GbkFromWide(transfer)));
    if (index < 0) {
      BeepNotFound();
      out.select = out.focus = Field::kTransfer;
      return out;
    }
    out.status = OldWeight(index);
    const int32_t grams = Weigh(index, weight);
    const bool printed = Print(index);
    if (grams == 0 && !printed) {
      out.select = out.focus = Field::kTransfer;
      return out;
    }
    if (doors_.notify) doors_.notify(At(index)->waybill.irID, grams);
    out.clearTransfer = true;
    out.focus = Field::kTransfer;
    return out;
  }
  const int index = inProcess_;
  if (At(index) == nullptr) {
    inProcess_ = -1;
    BeepNotFound();
    out.clearInner = true;
    out.focus = Field::kInner;
    return out;
  }
  PutText(At(index)->waybill.cNo, sizeof At(index)->waybill.cNo, GbkFromWide(transfer));
  const int32_t grams = Weigh(index, weight);
  const bool committed = !doors_.commit || doors_.commit();
  Print(index);
  inProcess_ = -1;
  if (committed) {
    if (doors_.notify) doors_.notify(At(index)->waybill.irID, grams);
    out.clearInner = out.clearTransfer = true;
    out.focus = Field::kInner;
  } else {
    out.select = out.focus = Field::kTransfer;
  }
  return out;
}

CScanStation::Outcome CScanStation::ConfirmStep(std::u16string_view innerText,
                                                std::u16string_view transferText, double weight) {
  Outcome out;
  const std::u16string inner = CleanNumber(innerText);
  const std::u16string transfer = CleanNumber(transferText);
  if (inner.size() < kShortestNumber && transfer.size() < kShortestNumber) {
    if (doors_.beep) {
      doors_.beep(400, 300);
      doors_.beep(700, 400);
    }
    out.select = out.focus = Field::kInner;
    return out;
  }
  int index = -1;
  bool byTransfer = false;
  if (inner.size() >= kShortestNumber) {
    index = IndexOf(store_.FindByNumber(GbkFromWide(inner)));
  } else if (At(inProcess_) != nullptr) {
    index = inProcess_;
  }
  if (index < 0 && transfer.size() >= kShortestNumber) {
    index = IndexOf(store_.FindByTransferNo(GbkFromWide(transfer)));
    byTransfer = index >= 0;
  }
  if (index < 0) {
    BeepNotFound();
    out.select = out.focus = Field::kInner;
    return out;
  }
  out.status = OldWeight(index);
  const int32_t grams = Weigh(index, weight);
  const bool printed = Print(index);
  bool relabelled = false;
  if (mode_ >= kRelabel) {
    if (transfer.size() < kShortestNumber) {
      // A short number would overwrite the record's transfer number.
      BeepNotFound();
    } else {
      PutText(At(index)->waybill.cNo, sizeof At(index)->waybill.cNo, GbkFromWide(transfer));
      relabelled = !doors_.commit || doors_.commit();
    }
  }
  if (grams > 0 || printed || relabelled) {
    if (doors_.notify) doors_.notify(At(index)->waybill.irID, grams);
    out.clearInner = out.clearTransfer = true;
  } else {
    out.select = Field::kTransfer;
  }
  inProcess_ = -1;
  out.focus = byTransfer ? Field::kTransfer : Field::kInner;
  return out;
}
