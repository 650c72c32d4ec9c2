#pragma once
// CPieceWeightsModel: the pieces of a multi-piece waybill while the piece
// weights dialog records them, without widgets.
//
// The model works on its own copy of the caller's pieces; the dialog hands
// the copy back on OK.  Pieces are confirmed one at a time: while fewer are
// listed than declared the next confirm adds a piece (new-piece mode), then
// the confirms cycle through the listed pieces (edit mode).
//
// Weights are grams, dimensions centimetres, prices hundredths; the
// chargeable and volumetric weights follow common/ChargeableWeight.h with
// the dialog's class letter.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "entry/GoodsFields.h"
#include "refdata/RecordStores.h"

// One piece as the edits of the dialog hold it; its goods name is `name`.
struct PieceValues : GoodsFields {
  int32_t grams = 0;
  int32_t length = 0;
  int32_t width = 0;
  int32_t height = 0;
  int percent = 100;   // volumetric percentage, 0 .. 255
  int addCount = 1;    // identical pieces to add
  std::u16string number;      // the piece's waybill number
  std::u16string transferNo;  // the piece's transfer number

  // Whether nothing but the defaults of an empty form is keyed (the
  // percentage does not count: it keeps its value between pieces).
  bool IsBlank() const;
};

class CPieceWeightsModel {
 public:
  static constexpr int kGoodsBytes = 62;
  static constexpr int kNumberBytes = 30;

  enum class ConfirmResult {
    kStored,         // written, the next piece is current
    kGoodsRefused,   // the goods name is too long (the operator was told)
    kNoWeight,       // chargeable weight below 1 gram: nothing stored
  };

  // `declared` pieces (at least 1 counts); the pieces are copied.
  CPieceWeightsModel(int declared, const std::vector<std::unique_ptr<PieceLine>>& pieces,
                     char classLetter);

  int Declared() const { return declared_; }
  char ClassLetter() const { return letter_; }
  const std::vector<std::unique_ptr<PieceLine>>& Pieces() const { return pieces_; }
  // Hands the pieces over (the model is empty afterwards).
  std::vector<std::unique_ptr<PieceLine>> TakePieces() { return std::move(pieces_); }
  // The current piece index; in new-piece mode the index the next piece
  // gets.
  int CurrentIndex() const { return current_; }
  bool IsNewPiece() const { return newPiece_; }
  // Whether a confirm stored a piece.
  bool PiecesChanged() const { return changed_; }

  // Chooses the piece to edit next: the next new piece while fewer are
  // listed than declared, else the piece after the current one, wrapping to
  // the first at the declared count.
  void Advance();
  // Makes the listed piece current (edit mode); false for no such piece.
  bool MakeCurrent(int index);
  // The values of a listed piece.
  PieceValues ValuesOf(int index) const;

  // Stores the values as the current piece (see ConfirmResult); a new piece
  // with an add count above 1 is stored that many times, at most as many as
  // are still missing.  Advances after a store.
  ConfirmResult Confirm(const PieceValues& values);

  int32_t ChargeableOf(const PieceLine& piece) const;
  // Sum of the chargeable weights of the listed pieces, grams.
  int64_t TotalChargeable() const;
  // Volumetric weight in grams of the dimensions with the class letter.
  int64_t VolumetricOf(int32_t length, int32_t width, int32_t height) const;

  // The number of identical pieces a confirm adds: the count asked, at most
  // the pieces still missing, at least one.
  static int AddCount(int asked, int remaining);

 private:
  std::vector<std::unique_ptr<PieceLine>> pieces_;
  int declared_;
  char letter_;
  int current_ = -1;
  bool newPiece_ = true;
  bool changed_ = false;
};

// The divisor label of a class letter: its text ("÷6000" ...) and colour
// (0x00BBGGRR, as the grid's colours).
struct DivisorLabel {
  const char16_t* text;
  uint32_t color;
};
DivisorLabel DivisorLabelOf(char classLetter);

// Kilograms as the weight edit shows them ("%.3f"), grams from a scale.
std::u16string KilogramText(int64_t grams);
