#pragma once
// A cell sink that keeps what the manifest writer wrote, in order.

#include <string>
#include <vector>

#include <QString>

#include "consolidation/AwbManifest.h"

struct RecordedWrite {
  char kind;  // 'v' value, 'i' integer, 't' text, 's' trimmed, 'r' inserted row
  int row;
  int column;
  std::u16string text;
};

class RecordingSink : public manifest::CellSink {
 public:
  void Value(int r, int c, const std::u16string& t) override { cells.push_back({'v', r, c, t}); }
  void Integer(int r, int c, int32_t v) override {
    cells.push_back({'i', r, c, QString::number(v).toStdU16String()});
  }
  void Text(int r, int c, std::u16string_view t) override {
    cells.push_back({'t', r, c, std::u16string(t)});
  }
  void Trimmed(int r, int c, std::u16string_view t) override {
    cells.push_back({'s', r, c, std::u16string(t)});
  }
  void InsertRow(int r) override { cells.push_back({'r', r, 0, {}}); }
  // The last write of a cell ("" when none).
  std::u16string At(int r, int c) const {
    std::u16string out;
    for (const auto& w : cells)
      if (w.row == r && w.column == c && w.kind != 'r') out = w.text;
    return out;
  }
  bool Written(int r, int c) const {
    for (const auto& w : cells)
      if (w.row == r && w.column == c && w.kind != 'r') return true;
    return false;
  }
  std::vector<RecordedWrite> cells;
};
