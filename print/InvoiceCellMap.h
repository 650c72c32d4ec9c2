#pragma once
// The cells of a proforma-invoice template: 57 named cells read from lines
// "name=<column letter><row>" of the template's text, plus the options the
// invoice renderer follows (description language, goods from piece lines).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

class CTemplateModel;

class CInvoiceCellMap {
 public:
  static constexpr int kCells = 57;

  CInvoiceCellMap() = default;
  virtual ~CInvoiceCellMap() = default;

  // (Re)reads the map from a template (the current invoice template); a null
  // template changes nothing.
  void Load(CTemplateModel* model);
  int IsLoaded() const { return loaded_; }
  CTemplateModel* Template() const { return model_; }
  // (row, column) of cell n, null for n outside 0..56.
  const std::pair<int32_t, int32_t>* FieldCell(int n) const;
  // One "name=A7" line (GBK).
  void ParseLine(std::string_view line);
  // GBK name of cell n.
  static std::string_view Name(int n);

  int DescriptionMode() const { return descriptionMode_; }
  int PieceLines() const { return pieceLines_; }
  int GoodsLineCount() const { return goodsLineCount_; }

 private:
  CTemplateModel* model_ = nullptr;
  int32_t descriptionMode_ = 1;
  int32_t loaded_ = 0;
  int32_t pieceLines_ = 0;
  int32_t numberFileName_ = 0;
  int32_t rowInsertMode_ = 0;
  std::array<std::pair<int32_t, int32_t>, kCells> cells_{};
  int32_t goodsLineCount_ = 5;
};
