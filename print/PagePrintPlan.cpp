#include "print/PagePrintPlan.h"

#include "common/TextCodec.h"
#include "print/LabelLayout.h"
#include "print/PrintDoors.h"

int LabelSheetCount(int count, int perSheet) {
  if (perSheet < 1) perSheet = 1;
  return count / perSheet + (count % perSheet != 0 ? 1 : 0);
}

bool LabelHasPieceOrder(const CLabelLayout& layout) {
  int column = 0, row = 0;
  return layout.CellOfField(GbkFromWide(u"分单序"), column, row, 0) != 0;
}

int CurrentLabelsPerSheet(CPrintDoors& doors) {
  if (!doors.LabelLayout().HasTemplate() && doors.CurrentTemplate(2) != nullptr)
    doors.ReloadLabelLayout();
  return doors.LabelLayout().HasTemplate() ? doors.LabelLayout().LabelsPerSheet() : -1;
}

std::vector<int32_t> RunLabelBatches(CPrintDoors& doors, std::vector<int32_t> chosen, int perSheet,
                                     bool pieceField, int copies,
                                     const std::function<void(int ms)>& pause) {
  if (perSheet < 1) perSheet = 1;
  std::vector<int32_t> batch;
  int pieceCounter = pieceField ? 1 : -1;
  int labelCount = 1;
  int serial = 0;
  size_t next = 0;
  // One call: false when it placed nothing, so the loop must stop.
  auto call = [&]() {
    size_t before = batch.size();
    int before1 = pieceCounter;
    int result = doors.PrintLabels(batch, 0, perSheet, pieceCounter, labelCount, copies, serial);
    serial = -1;
    if (pause) pause(200);
    bool progressed = batch.size() < before || pieceCounter != before1;
    return result != 0 && progressed;
  };
  bool stopped = false;
  while (next < chosen.size()) {
    while (batch.size() < static_cast<size_t>(perSheet) && next < chosen.size())
      batch.push_back(chosen[next++]);
    if (!call()) {
      stopped = true;
      break;
    }
  }
  // With piece labels a record can take more than one sheet: the job is
  // called until the batch is empty.
  while (!stopped && pieceField && !batch.empty()) {
    if (!call()) stopped = true;
  }
  std::vector<int32_t> left = batch;
  left.insert(left.end(), chosen.begin() + static_cast<long>(next), chosen.end());
  return left;
}
