#include "entry/QuickEntryPrints.h"

#include <algorithm>

namespace quickentry {

int SheetsFor(int count, int perSheet) {
  if (perSheet <= 0) return count;
  return count / perSheet + (count % perSheet != 0 ? 1 : 0);
}

LabelRun RunLabelBatches(std::vector<int32_t> ids, int perSheet, bool hasSequence,
                         const LabelJob& job, const std::function<void()>& pause) {
  LabelRun run;
  if (perSheet <= 0) perSheet = 1;
  std::vector<int32_t> batch;
  int sequence = hasSequence ? 1 : -1;
  int position = 1;
  int marker = 0;
  size_t next = 0;
  auto call = [&]() -> bool {
    const size_t before = batch.size();
    const int result = job(batch, sequence, position, marker);
    marker = -1;
    ++run.calls;
    if (pause) pause();
    // No id placed: what is left cannot be printed.
    return result != 0 && batch.size() < before;
  };
  auto stop = [&] {
    run.notPrinted = batch;
    run.notPrinted.insert(run.notPrinted.end(), ids.begin() + static_cast<std::ptrdiff_t>(next),
                          ids.end());
  };
  while (next < ids.size()) {
    while (static_cast<int>(batch.size()) < perSheet && next < ids.size()) batch.push_back(ids[next++]);
    if (!call()) {
      stop();
      return run;
    }
  }
  if (hasSequence) {
    while (!batch.empty()) {
      if (!call()) {
        stop();
        return run;
      }
    }
  }
  return run;
}

}  // namespace quickentry
