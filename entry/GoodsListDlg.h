#pragma once
// CGoodsListDlg: the goods lines of one waybill (name, quantity, unit price,
// customs value, tax rate, alias, three tariff codes, unit, net weight) in a
// grid with the edits of one line above it.
//
// The caller hands over its list, the waybill's id (0 for a new waybill) and
// whether the lines are detached from the local goods store, then runs the
// dialog.  The list is rebuilt only by OK after lines were added or deleted;
// the close box, and OK without such a change, leave it as it was.
//
//   CGoodsListDlg dlg(this);
//   dlg.lines = &goods_;
//   dlg.ownerId = record_.irID;
//   dlg.storeDetached = false;
//   dlg.goodsStore = &goodsStore;
//   dlg.SetPlaceDictionary(&theApp.PlaceDictionary());
//   if (dlg.DoModal() == platform::kIdOk) ...

#include <QDialog>

#include <array>
#include <memory>
#include <vector>

#include "entry/GoodsLinesModel.h"
#include "ui/SuggestPopup.h"

class CEntryDialogKeys;
class CListGrid;
class QLabel;
class QLineEdit;
class QPushButton;

class CGoodsListDlg : public QDialog {
  Q_OBJECT

 public:
  enum Field {
    kName, kQuantity, kPrice, kCustoms, kRate, kAlias, kCodeA, kCodeB, kCodeC, kUnit,
    kNetWeight, kFieldCount
  };

  explicit CGoodsListDlg(QWidget* parent = nullptr);
  ~CGoodsListDlg() override;

  // Set before the dialog starts.
  std::vector<std::unique_ptr<GoodsLine>>* lines = nullptr;
  int32_t ownerId = 0;
  bool storeDetached = false;
  // The local goods store whose records the lines of a saved waybill are;
  // their records are removed when the lines are rebuilt.  May be null.
  CGoodsLineTable* goodsStore = nullptr;
  // The application's place dictionary, which the goods name suggestions
  // search (null: no suggestions).
  void SetPlaceDictionary(const CPlaceDictionary* dictionary) {
    places_->Source().SetSource(dictionary);
  }
  CPlaceSuggestPopup* PlacePopup() const { return places_; }

  // Starts the dialog (the first DoModal or show does it too): captions,
  // grid columns and the caller's lines.
  void InitDialog();
  // Runs the dialog modally; kIdOk after OK, kIdCancel after the close box.
  int DoModal();

  QLineEdit* Edit(Field field) const { return edits_[field]; }
  QPushButton* AddButton() const { return addButton_; }
  QPushButton* DeleteButton() const { return deleteButton_; }
  QPushButton* ReloadButton() const { return reloadButton_; }
  QPushButton* OkButton() const { return okButton_; }
  CListGrid* Grid() const { return grid_; }
  QLabel* CountLabel() const { return countLabel_; }
  const CGoodsLinesModel& Model() const { return model_; }

  // Add or update (button, Ctrl+S, Enter on the add button).
  void AddOrUpdate();
  // Makes the grid's row the current line (double click).
  void MakeCurrent(int row);

 public slots:
  void accept() override;

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void Load();
  void ClearEdits();
  void DeleteCurrent();
  void WriteRow(int row, const GoodsLineValues& values);
  void UpdateCountLabel();
  GoodsLineValues ReadEdits() const;
  void ShowValues(const GoodsLineValues& values);

  CGoodsLinesModel model_;
  bool started_ = false;
  std::array<QLineEdit*, kFieldCount> edits_{};
  std::array<QLabel*, kFieldCount> labels_{};
  QPushButton* addButton_;
  QPushButton* deleteButton_;
  QPushButton* reloadButton_;
  QPushButton* okButton_;
  CListGrid* grid_;
  QLabel* countLabel_;
  CEntryDialogKeys* keys_ = nullptr;
  CPlaceSuggestPopup* places_ = nullptr;
};
