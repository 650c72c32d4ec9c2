#pragma once
// The label print of the quick entry page without any widget: how many
// sheets a selection fills, and the batches handed to the label job one
// sheet at a time.  The job removes from its batch what it placed on the
// sheet; a call that places nothing ends the print (the ids left are
// reported), so a record the job cannot render never loops forever.

#include <cstdint>
#include <functional>
#include <vector>

namespace quickentry {

int SheetsFor(int count, int perSheet);

// The label job: the batch (ids removed as placed), the sequence and
// position values it updates, and the first-call marker (0, then -1).
// Returns 0 when it rendered nothing.
using LabelJob =
    std::function<int(std::vector<int32_t>& batch, int& sequence, int& position, int marker)>;

struct LabelRun {
  int calls = 0;
  std::vector<int32_t> notPrinted;  // ids left when a call made no progress
};

// Hands `ids` to the job in batches of `perSheet`; with `hasSequence` the
// sequence starts at 1 (else -1) and the last batch is handed again until
// it is empty.  `pause` runs after every call.
LabelRun RunLabelBatches(std::vector<int32_t> ids, int perSheet, bool hasSequence,
                         const LabelJob& job, const std::function<void()>& pause);

}  // namespace quickentry
