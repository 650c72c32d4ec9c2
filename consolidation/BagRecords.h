#pragma once
// What the bagging form and the seal form share beyond the bag records of
// BaggingLogic.h: the item weights' rules taken from the form's services,
// and the item grid (its 23 columns and one row per item).  The grid
// helpers fill a CListGrid; the rest needs no window.

#include "consolidation/BaggingLogic.h"

class CBaggingServices;
class CListGrid;

namespace bagging {

// The dimension parser, the volumetric weight and the destination's area
// number of the services; empty rules without services.
BagWeightRules BagWeightRulesOf(CBaggingServices* app);

// One column of the item grid: caption text id, width, right-aligned.
struct BagItemColumn {
  int caption;
  int width;
  bool right;
};
extern const BagItemColumn kBagItemGridColumns[kBagItemColumnCount];

// The item grid's columns, in order.
void AddBagItemColumns(CListGrid& grid);
// Appends one item's row: the running number in column 0, the waybill id
// as row id, the row's cells after it.
void AppendBagItemRow(CListGrid& grid, const BagItemRow& row);

}  // namespace bagging
