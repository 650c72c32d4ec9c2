#include "entry/PieceWeights.h"

#include <algorithm>
#include <cstdio>

#include "common/ChargeableWeight.h"
#include "refdata/StationCacheSync.h"

namespace {

constexpr int kNumberCaption = 30002;
constexpr int kTransferCaption = 30003;

}  // namespace

bool PieceValues::IsBlank() const {
  const PieceValues empty;
  return grams == 0 && length == 0 && width == 0 && height == 0 && name.empty() &&
         quantity == empty.quantity && price == empty.price && alias.empty() &&
         codeA.empty() && codeB.empty() && codeC.empty() && customs == 0 && rate == 0 &&
         number.empty() && transferNo.empty();
}

CPieceWeightsModel::CPieceWeightsModel(int declared,
                                       const std::vector<std::unique_ptr<PieceLine>>& pieces,
                                       char classLetter)
    : declared_(std::max(declared, 1)), letter_(classLetter) {
  for (const auto& piece : pieces)
    if (piece) pieces_.push_back(std::make_unique<PieceLine>(*piece));
}

void CPieceWeightsModel::Advance() {
  const int listed = static_cast<int>(pieces_.size());
  if (listed < declared_) {
    current_ = listed;
    newPiece_ = true;
    return;
  }
  current_ = current_ + 1 >= declared_ ? 0 : current_ + 1;
  newPiece_ = false;
}

bool CPieceWeightsModel::MakeCurrent(int index) {
  if (index < 0 || index >= static_cast<int>(pieces_.size())) return false;
  current_ = index;
  newPiece_ = false;
  return true;
}

PieceValues CPieceWeightsModel::ValuesOf(int index) const {
  PieceValues v;
  if (index < 0 || index >= static_cast<int>(pieces_.size())) return v;
  const PieceLine& p = *pieces_[index];
  v.grams = p.ixWeight;
  v.length = p.ixLong;
  v.width = p.ixWidth;
  v.height = p.ixHeight;
  v.percent = p.nxPercent;
  v.name = WideOfField(p.cxGoods);
  v.quantity = p.ixQuantity;
  v.price = p.ixPrice / 100.0;
  ReadGoodsCodes(p.cxGoodsA, p.cxGCodeA, p.cxGCodeB, p.cxGCodeC, v);
  v.customs = p.fxGCustom;
  v.rate = p.fxGCRate;
  v.number = WideOfField(p.cxNum);
  v.transferNo = WideOfField(p.cxNo);
  return v;
}

int CPieceWeightsModel::AddCount(int asked, int remaining) {
  return std::max(1, std::min(asked, remaining));
}

CPieceWeightsModel::ConfirmResult CPieceWeightsModel::Confirm(const PieceValues& values) {
  std::u16string goods = values.name;
  std::string goodsNarrow;
  if (!CheckFieldLength(goods, goodsNarrow, 0, kGoodsBytes, AppLanguage().Text(kGoodsNameCaption),
                        false))
    return ConfirmResult::kGoodsRefused;
  const uint8_t percent = static_cast<uint8_t>(std::clamp(values.percent, 0, 255));
  if (ChargeableGrams(values.length, values.width, values.height, values.grams, percent,
                      letter_) < 1)
    return ConfirmResult::kNoWeight;

  const int listedBefore = static_cast<int>(pieces_.size());
  PieceLine* piece;
  if (newPiece_ || current_ < 0 || current_ >= listedBefore) {
    pieces_.push_back(std::make_unique<PieceLine>());
    piece = pieces_.back().get();
    newPiece_ = true;
  } else {
    piece = pieces_[current_].get();
  }
  piece->ixLong = values.length;
  piece->ixWidth = values.width;
  piece->ixHeight = values.height;
  piece->ixWeight = values.grams;
  piece->nxPercent = percent;
  piece->ixQuantity = values.quantity;
  piece->ixPrice = RoundScaled(values.price, 100);
  stationcache::SetField(piece->cxGoods, sizeof piece->cxGoods, goodsNarrow);
  PutGoodsCodes(piece->cxGoodsA, piece->cxGCodeA, piece->cxGCodeB, piece->cxGCodeC, values);
  PutCheckedField(piece->cxNum, values.number, 0, kNumberBytes, kNumberCaption);
  PutCheckedField(piece->cxNo, values.transferNo, 0, kNumberBytes, kTransferCaption);
  piece->fxGCustom = values.customs;
  piece->fxGCRate = values.rate;

  if (newPiece_ && values.addCount > 1) {
    const int copies = AddCount(values.addCount, declared_ - listedBefore) - 1;
    const PieceLine stored = *piece;
    for (int i = 0; i < copies; ++i) pieces_.push_back(std::make_unique<PieceLine>(stored));
  }
  changed_ = true;
  Advance();
  return ConfirmResult::kStored;
}

int32_t CPieceWeightsModel::ChargeableOf(const PieceLine& piece) const {
  return ChargeableGrams(piece.ixLong, piece.ixWidth, piece.ixHeight, piece.ixWeight,
                         piece.nxPercent, letter_);
}

int64_t CPieceWeightsModel::TotalChargeable() const {
  int64_t total = 0;
  for (const auto& piece : pieces_) total += ChargeableOf(*piece);
  return total;
}

int64_t CPieceWeightsModel::VolumetricOf(int32_t length, int32_t width, int32_t height) const {
  return VolumetricGrams(length, width, height, letter_);
}

DivisorLabel DivisorLabelOf(char classLetter) {
  switch (classLetter) {
    case 'T': return {u"÷3000", 0x0000FF};
    case 'D': return {u"÷5000", 0x008080};
    case 'E': return {u"÷8000", 0xFF00FF};
    case 'S': return {u"÷7000", 0xFF8000};
    case 'W': return {u"÷12000", 0x808000};
    default: return {u"÷6000", 0x008000};
  }
}

std::u16string KilogramText(int64_t grams) {
  char text[48];
  std::snprintf(text, sizeof text, "%.3f", static_cast<double>(grams) * 0.001);
  return std::u16string(text, text + std::char_traits<char>::length(text));
}
