#pragma once
// The label batches of a page's label print: sheets of ids handed to the
// label job one after the other, the job removing what it placed.  The loop
// ends when the ids are used up, and also when a call places nothing or
// reports a failure; the ids left unprinted come back.

#include <cstdint>
#include <functional>
#include <vector>

class CLabelLayout;
class CPrintDoors;

// Sheets for `count` labels at `perSheet` a sheet.
int LabelSheetCount(int count, int perSheet);

// Whether the layout places the piece-order field "分单序" (piece labels:
// one label per piece, a record may take more than one sheet).
bool LabelHasPieceOrder(const CLabelLayout& layout);

// Labels per sheet of the application's label layout, loaded from the
// current label template when it holds none yet; -1 without a label
// template.
int CurrentLabelsPerSheet(CPrintDoors& doors);

std::vector<int32_t> RunLabelBatches(CPrintDoors& doors, std::vector<int32_t> chosen, int perSheet,
                                     bool pieceField, int copies,
                                     const std::function<void(int ms)>& pause);
