#pragma once
// The geometry of a parcel label template: how many labels share a sheet
// (across, then down), the block of columns and rows each label takes, the
// gaps between labels, and the cell of every print field on the first
// label.  The cell of a field on label k follows from these.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "print/PrintFields.h"

class CTemplateModel;

class CLabelLayout {
 public:
  static constexpr int kFieldCells = 130;

  CLabelLayout();
  virtual ~CLabelLayout() = default;

  // 1 loaded (or already loaded from a template of that name), 0 when the
  // template has no workbook.
  int Load(CTemplateModel* model, const CPrintFieldDictionary& fields);
  int HasTemplate() const { return model_ != nullptr ? 1 : 0; }
  CTemplateModel* Template() const { return model_; }
  int LabelsPerSheet() const { return across_ * down_; }
  int Across() const { return across_; }
  int Down() const { return down_; }
  // The cell of dictionary slot `slot` on label k; 0 when there is none.
  int FieldCellAt(int slot, int& column, int& row, int k) const;
  // The cell of the named (GBK) list field on label k; 0 when none.
  int CellOfField(std::string_view name, int& column, int& row, int k) const;
  // Emptied before the layout is reloaded from a newly chosen template.
  std::vector<std::u16string>& Strings() { return strings_; }
  // Forgets the template (the next Load reads it again).
  void Reset();

 private:
  void Place(int& column, int& row, int k) const;

  CTemplateModel* model_ = nullptr;
  std::vector<std::u16string> strings_;
  std::array<std::pair<int32_t, int32_t>, kFieldCells> cells_{};  // (row, column)
  int32_t down_ = 1;
  int32_t across_ = 1;
  int32_t rowsPerLabel_ = 1;
  int32_t columnsPerLabel_ = 1;
  int32_t rowGap_ = 0;
  int32_t columnGap_ = 0;
};
