#pragma once
// The label batches of a page's label print: sheets of ids handed to the
// label job one after the other, the job removing what it placed.  The loop
// ends when the ids are used up, and also when a call places nothing or
// reports a failure; the ids left unprinted come back.

#include <cstdint>
#include <functional>
#include <vector>

class CPrintDoors;

// Sheets for `count` labels at `perSheet` a sheet.
int LabelSheetCount(int count, int perSheet);

std::vector<int32_t> RunLabelBatches(CPrintDoors& doors, std::vector<int32_t> chosen, int perSheet,
                                     bool pieceField, int copies,
                                     const std::function<void(int ms)>& pause);
