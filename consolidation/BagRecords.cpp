#include "consolidation/BagRecords.h"

#include <string>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "consolidation/BaggingServices.h"
#include "ui/ListGrid.h"

namespace bagging {

BagWeightRules BagWeightRulesOf(CBaggingServices* app) {
  BagWeightRules rules;
  if (app == nullptr) return rules;
  rules.parseDimensions = [app](std::string_view text, int32_t& l, int32_t& w, int32_t& h) {
    return app->ParseDimensions(text, l, w, h);
  };
  rules.volumetric = [app](int32_t l, int32_t w, int32_t h, char k) {
    return app->VolumetricWeight(l, w, h, k);
  };
  rules.area = [app](std::string_view kind, std::string_view destination) {
    return app->AreaText(kind, destination);
  };
  return rules;
}

const BagItemColumn kBagItemGridColumns[kBagItemColumnCount] = {
    {30076, 50, false},  {370010, 85, false}, {30002, 85, false},  {30003, 85, false},
    {370011, 50, true},  {30072, 50, true},   {370012, 80, true},  {370013, 80, true},
    {370014, 80, true},  {370015, 80, true},  {30073, 85, false},  {30001, 85, false},
    {30311, 50, true},   {30013, 85, false},  {30026, 85, false},  {30111, 50, false},
    {30031, 80, true},   {30071, 50, false},  {30070, 75, false},  {30040, 60, false},
    {30022, 85, false},  {360045, 110, false}, {360046, 85, false}};

void AddBagItemColumns(CListGrid& grid) {
  for (int c = 0; c < kBagItemColumnCount; ++c)
    grid.InsertColumn(c, kBagItemGridColumns[c].width, AppLanguage().Text(kBagItemGridColumns[c].caption),
                      kBagItemGridColumns[c].right ? kGridAlignRight : kGridAlignLeft);
}

void AppendBagItemRow(CListGrid& grid, const BagItemRow& row) {
  const int r = grid.InsertRow(grid.RowCount(), WideFromGbk(std::to_string(grid.RowCount() + 1)));
  grid.SetRowId(r, row.waybillId);
  for (int c = 1; c < kBagItemColumnCount; ++c) grid.SetCellText(r, c, row.cells[static_cast<size_t>(c)]);
}

}  // namespace bagging
