#include "print/LabelLayout.h"

#include "print/TemplateModel.h"

CLabelLayout::CLabelLayout() { cells_.fill({-1, -1}); }

void CLabelLayout::Reset() {
  model_ = nullptr;
  cells_.fill({-1, -1});
  down_ = across_ = rowsPerLabel_ = columnsPerLabel_ = 1;
  rowGap_ = columnGap_ = 0;
}

int CLabelLayout::Load(CTemplateModel* model, const CPrintFieldDictionary& fields) {
  if (model == nullptr || !model->HasWorkbook()) return 0;
  if (model_ != nullptr && model_->NameGbk() == model->NameGbk()) return 1;
  Reset();
  int32_t v = model->GetInt(u"横向标签个数");
  if (v >= 2 && v <= 4) across_ = v;
  v = model->GetInt(u"纵向标签个数");
  if (v >= 2 && v <= 100) down_ = v;
  v = model->GetInt(u"横向每标签占有栏数");
  if (v > 1) columnsPerLabel_ = v;
  v = model->GetInt(u"纵向每标签占有行数");
  if (v > 1) rowsPerLabel_ = v;
  v = model->GetInt(u"标签横向间隔栏数");
  if (v > 0) columnGap_ = v;
  v = model->GetInt(u"标签纵向间隔行数");
  if (v > 0) rowGap_ = v;
  for (int slot = 0; slot < kPrintFieldCount; ++slot) {
    int32_t column = -1, row = -1;
    if (model->ListFieldCell(fields.Name(slot), column, row))
      cells_[slot] = {row, column};
    else
      cells_[slot] = {-1, -1};
  }
  model_ = model;
  return 1;
}

void CLabelLayout::Place(int& column, int& row, int k) const {
  column += (k % across_) * (columnsPerLabel_ + columnGap_);
  row += (k / across_) * (rowsPerLabel_ + rowGap_);
}

int CLabelLayout::FieldCellAt(int slot, int& column, int& row, int k) const {
  if (model_ == nullptr || slot < 0 || slot >= kPrintFieldCount) return 0;
  auto [r, c] = cells_[slot];
  if (r < 1 || c < 1) return 0;
  column = c;
  row = r;
  Place(column, row, k);
  return 1;
}

int CLabelLayout::CellOfField(std::string_view name, int& column, int& row, int k) const {
  if (model_ == nullptr) return 0;
  int32_t c = -1, r = -1;
  if (!model_->ListFieldCell(name, c, r)) return 0;
  column = c;
  row = r;
  Place(column, row, k);
  return 1;
}
