#pragma once
// CGoodsLinesModel: the goods lines of one waybill while the goods lines
// dialog edits them, without widgets.
//
// Every row carries a key of its own, given when the row is loaded or added
// and never reused while the dialog runs.  Lines read from the server all
// have the id 0, so the stored id cannot tell rows apart: the current line is
// tracked by its key, and editing or deleting one line of several loaded ones
// touches that line only.
//
// The model keeps the values as keyed; the grid shows them formatted.  The
// caller's list is rebuilt from the rows only by BuildLines, which the
// dialog calls on OK when lines were added or deleted.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "entry/GoodsFields.h"
#include "refdata/RecordStores.h"

// One goods line as the edits of the dialog hold it.
struct GoodsLineValues : GoodsFields {
  std::u16string unit;
  double netWeight = 0;  // kg
};

class CGoodsLinesModel {
 public:
  // Byte limits of the texts in GBK.
  static constexpr int kNameBytes = 62;
  static constexpr int kUnitBytes = 15;

  struct Row {
    int32_t key;
    GoodsLineValues values;
  };

  // Replaces the rows with the lines, in order; the change count becomes 0
  // and no line is current.
  void Load(const std::vector<std::unique_ptr<GoodsLine>>& lines);

  const std::vector<Row>& Rows() const { return rows_; }
  int RowOfKey(int32_t key) const;
  // Adds and deletes since the last load.
  int ChangeCount() const { return changes_; }
  // The key of the line being edited, -1 for none.
  int32_t CurrentKey() const { return currentKey_; }
  void ClearCurrent() { currentKey_ = -1; }
  // Makes the row current and returns its values; null for no such row.
  const GoodsLineValues* MakeCurrent(int row);

  // Checks the name (1 to 62 bytes of GBK; the message of the check tells
  // the operator otherwise) and then rewrites the current line when it is
  // still listed, else appends a line.  The row written, or -1 when the name
  // was refused.  No line is current afterwards.
  int AddOrUpdate(const GoodsLineValues& values);
  // Deletes the current line; false when none is current.
  bool DeleteCurrent();

  // The sum of the quantities.
  int64_t QuantitySum() const;

  // The lines of the rows in order: ids 0, 1, 2 ..., owner `ownerId`; each
  // text converted to GBK within its limit (a text that fails is reported
  // and left empty).
  std::vector<std::unique_ptr<GoodsLine>> BuildLines(int32_t ownerId) const;

 private:
  std::vector<Row> rows_;
  int changes_ = 0;
  int32_t currentKey_ = -1;
  int32_t nextKey_ = 1;
};

// The values of a stored line (texts from GBK).
GoodsLineValues ValuesOfGoodsLine(const GoodsLine& line);
