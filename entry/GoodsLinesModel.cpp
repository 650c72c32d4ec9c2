#include "entry/GoodsLinesModel.h"

namespace {
constexpr int kUnitCaption = 30065;
}  // namespace

GoodsLineValues ValuesOfGoodsLine(const GoodsLine& line) {
  GoodsLineValues v;
  v.name = WideOfField(line.cgoods);
  v.quantity = line.iquantity;
  v.price = line.fprice;
  ReadGoodsCodes(line.cgoodsa, line.cgcodea, line.cgcodeb, line.cgcodec, v);
  v.customs = line.fgcustom;
  v.rate = line.fgcrate;
  v.unit = WideOfField(line.cunit);
  v.netWeight = line.fgweight;
  return v;
}

void CGoodsLinesModel::Load(const std::vector<std::unique_ptr<GoodsLine>>& lines) {
  rows_.clear();
  for (const auto& line : lines)
    if (line) rows_.push_back({nextKey_++, ValuesOfGoodsLine(*line)});
  changes_ = 0;
  currentKey_ = -1;
}

int CGoodsLinesModel::RowOfKey(int32_t key) const {
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].key == key) return static_cast<int>(i);
  return -1;
}

const GoodsLineValues* CGoodsLinesModel::MakeCurrent(int row) {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return nullptr;
  currentKey_ = rows_[row].key;
  return &rows_[row].values;
}

int CGoodsLinesModel::AddOrUpdate(const GoodsLineValues& values) {
  std::u16string name = values.name;
  std::string narrow;
  if (!CheckFieldLength(name, narrow, 1, kNameBytes, AppLanguage().Text(kGoodsNameCaption), false))
    return -1;
  ++changes_;
  GoodsLineValues kept = values;
  kept.name = name;  // trimmed by the check
  int row = currentKey_ > 0 ? RowOfKey(currentKey_) : -1;
  if (row >= 0) {
    rows_[row].values = kept;
  } else {
    rows_.push_back({nextKey_++, kept});
    row = static_cast<int>(rows_.size()) - 1;
  }
  currentKey_ = -1;
  return row;
}

bool CGoodsLinesModel::DeleteCurrent() {
  int row = currentKey_ > 0 ? RowOfKey(currentKey_) : -1;
  if (row < 0) return false;
  rows_.erase(rows_.begin() + row);
  ++changes_;
  currentKey_ = -1;
  return true;
}

int64_t CGoodsLinesModel::QuantitySum() const {
  int64_t sum = 0;
  for (const Row& r : rows_) sum += r.values.quantity;
  return sum;
}

std::vector<std::unique_ptr<GoodsLine>> CGoodsLinesModel::BuildLines(int32_t ownerId) const {
  std::vector<std::unique_ptr<GoodsLine>> lines;
  for (size_t i = 0; i < rows_.size(); ++i) {
    const GoodsLineValues& v = rows_[i].values;
    auto line = std::make_unique<GoodsLine>();
    line->id = static_cast<int32_t>(i);
    line->owner = ownerId;
    PutCheckedField(line->cgoods, v.name, 1, kNameBytes, kGoodsNameCaption);
    PutGoodsCodes(line->cgoodsa, line->cgcodea, line->cgcodeb, line->cgcodec, v);
    PutCheckedField(line->cunit, v.unit, 0, kUnitBytes, kUnitCaption);
    line->iquantity = v.quantity;
    line->fprice = v.price;
    line->fgcrate = v.rate;
    line->fgcustom = v.customs;
    line->fgweight = v.netWeight;
    lines.push_back(std::move(line));
  }
  return lines;
}
