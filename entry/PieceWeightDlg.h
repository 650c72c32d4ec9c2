#pragma once
// CPieceWeightDlg: the pieces of a multi-piece waybill, recorded one at a
// time: dimensions, weight (typed or read from the scale), volumetric
// percentage, the goods data of the piece and its numbers.  The grid shows
// each piece's chargeable weight; the labels show the total, the volumetric
// weight of the dimensions being typed and the divisor of the class letter.
//
// The dialog hands every confirmed piece to the caller's list at once
// (piecesChanged tells whether a piece was stored); OK confirms the piece in
// the edits and closes, the close box closes with the confirmed pieces kept.
// Esc closes nothing.
//
//   CPieceWeightDlg dlg(record.iItem, &pieces_, record.fWeight, record.irID,
//                       kind.ClassLetter(), settings.divisorLetterOverride, this);
//   dlg.SetScaleSource(&scale);
//   dlg.SetPlaceDictionary(&theApp.PlaceDictionary());
//   dlg.DoModal();
//   if (dlg.piecesChanged) ...

#include <QDialog>

#include <array>
#include <memory>
#include <vector>

#include "entry/PieceWeights.h"
#include "ui/SuggestPopup.h"

class CEntryDialogKeys;
class CListGrid;
class IScaleSource;
class QLabel;
class QLineEdit;
class QPushButton;

class CPieceWeightDlg : public QDialog {
  Q_OBJECT

 public:
  enum Field {
    kWeight, kLength, kWidth, kHeight, kPercent, kAddCount, kGoods, kQuantity, kPrice, kAlias,
    kCodeA, kCodeB, kCodeC, kCustoms, kRate, kNumber, kTransferNo, kFieldCount
  };

  // `classLetter` is the waybill's volumetric class; a non-zero
  // `overrideLetter` (the application's) replaces it and hides the divisor.
  CPieceWeightDlg(int declaredCount, std::vector<std::unique_ptr<PieceLine>>* pieces,
                  double declaredWeight, int32_t waybillId, char classLetter, char overrideLetter,
                  QWidget* parent = nullptr);
  ~CPieceWeightDlg() override;

  // The scale whose readings fill the weight (opened when the dialog starts,
  // closed when it ends).  May be null: no scale.
  void SetScaleSource(IScaleSource* scale) { scale_ = scale; }
  // The application's place dictionary, which the goods name suggestions
  // search (null: no suggestions).
  void SetPlaceDictionary(const CPlaceDictionary* dictionary) {
    places_->Source().SetSource(dictionary);
  }
  CPlaceSuggestPopup* PlacePopup() const { return places_; }

  void InitDialog();
  // Runs the dialog modally; kIdOk after OK, kIdCancel after the close box.
  int DoModal();

  // Set when a confirmed piece was handed to the caller's list.
  bool piecesChanged = false;
  double DeclaredWeight() const { return declaredWeight_; }
  int32_t WaybillId() const { return waybillId_; }

  QLineEdit* Edit(Field field) const { return edits_[field]; }
  QPushButton* ConfirmButton() const { return confirmButton_; }
  QPushButton* ReenterButton() const { return reenterButton_; }
  QPushButton* OkButton() const { return okButton_; }
  CListGrid* Grid() const { return grid_; }
  QLabel* PieceLabel() const { return pieceLabel_; }
  QLabel* TotalLabel() const { return totalLabel_; }
  QLabel* VolumeLabel() const { return volumeLabel_; }
  QLabel* DivisorLabelWidget() const { return divisorLabel_; }
  const CPieceWeightsModel& Model() const { return model_; }

  // Confirms the piece in the edits; true when it was stored.
  bool ConfirmPiece();
  void Reenter();
  // Makes the grid's row the current piece (double click).
  void MakeCurrent(int row);

 public slots:
  void accept() override;
  void done(int result) override;

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void Refresh();
  void HandBack();
  void ShowPiece(int index);
  void UpdatePieceLabel();
  void UpdateVolumeLabel();
  void TakeScaleReading();
  PieceValues ReadEdits() const;

  CPieceWeightsModel model_;
  std::vector<std::unique_ptr<PieceLine>>* callerPieces_;
  double declaredWeight_;
  int32_t waybillId_;
  bool overridden_;
  IScaleSource* scale_ = nullptr;
  bool scaleOpen_ = false;
  bool started_ = false;
  std::array<QLineEdit*, kFieldCount> edits_{};
  std::array<QLabel*, kFieldCount> labels_{};
  QLabel* centimetresLabel_;
  QLabel* piecesUnitLabel_;
  QPushButton* confirmButton_;
  QPushButton* confirmButton2_;
  QPushButton* reenterButton_;
  QPushButton* okButton_;
  CListGrid* grid_;
  QLabel* pieceLabel_;
  QLabel* totalLabel_;
  QLabel* volumeLabel_;
  QLabel* divisorLabel_;
  CEntryDialogKeys* keys_ = nullptr;
  CPlaceSuggestPopup* places_ = nullptr;
};
