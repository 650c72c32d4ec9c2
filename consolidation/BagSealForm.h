#pragma once
// CBagSealDlg: the bag seal form of page 11.  The operator scans or types a
// bag number (Enter loads it), sees the bag's header and its parcels with
// their weights, corrects the weight and the dimensions and seals the bag
// (Ctrl+S); a supervisor unseals a sealed bag (解封！).  The form prints the
// bag's labels, exports its items and opens the quick-seal bag list, from
// which bags are sealed one by one without loading them.
//
// The bag records, item rows, weights, totals, history and the sealable
// rule are the bagging form's (BaggingLogic.h, BagRecords.h); the calls and
// texts of sealing are in BagSeal.h.  Nothing of the bag but its state,
// weight and dimensions is written here.  The form reaches the program
// through its services (the bagging form's) and the label hook.

#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "consolidation/BagFormParts.h"
#include "consolidation/BagLabels.h"
#include "consolidation/BagSeal.h"
#include "consolidation/BaggingLogic.h"
#include "consolidation/BaggingServices.h"

class CBagListDlg;
class CLinkLabel;
class CListGrid;
class CQuickSearchList;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

class CBagSealDlg : public QWidget {
  Q_OBJECT

 public:
  CBagSealDlg(CBaggingServices* app, QWidget* parent, QSize screen);
  ~CBagSealDlg() override;

  // The page that receives WM_USER+123 and its quick-search list.
  QObject* pageWindow = nullptr;
  CQuickSearchList* quickList = nullptr;
  // Fills and prints the labels of the sources: "装袋标签" first, then with
  // `bothLabels` "封袋标签"; 1 when the first printed.
  std::function<int(const BagLabelSources& sources, bool bothLabels)> printLabels;

  // ---- operations ----
  void ResetForPage();
  void ClearForm();
  // Id 0: the number in the bag number box.  1 loaded, 0 not.
  int LoadBag(int32_t bagId);
  int SealBag();
  int UnsealBag();
  int PrintLabels();
  void TakeItemWeight();
  void PickSpareText(int n);
  void ExportItems();
  void OpenQuickSeal();
  qintptr OnBagPicked(quintptr bagId, qintptr row);

  // The label values of the loaded bag, read from the form.
  BagLabelSources LabelSources() const;

  // ---- state ----
  int32_t BagId() const { return bagId_; }
  bool IsSealable() const { return sealable_; }
  int BagState() const { return bagState_; }
  bool OwnBag() const { return ownBag_; }
  const std::u16string& AwbNumber() const { return awb_; }
  const bagging::BagTotals& Totals() const { return totals_; }
  // The last SQL text sent (tests read what went out) and how many went.
  const std::string& LastSql() const { return lastSql_; }
  int Requests() const { return requests_; }
  CBagListDlg* BagList() const { return bagList_; }

  // ---- controls ----
  QLineEdit* NumberEdit() const { return head_.number; }
  QLineEdit* WeightEdit() const { return head_.weight; }
  QLineEdit* LengthEdit() const { return head_.length; }
  QLineEdit* WidthEdit() const { return head_.width; }
  QLineEdit* HeightEdit() const { return head_.height; }
  QLineEdit* SpareEdit(int i) const { return head_.spares[static_cast<size_t>(i)]; }
  QPlainTextEdit* MemoEdit() const { return head_.memo; }
  QPlainTextEdit* HistoryEdit() const { return history_; }
  QLabel* StatusLabel() const { return head_.status; }
  QLabel* ItemsHeader() const { return head_.itemsHeader; }
  QLabel* WeightLine() const { return head_.weightLine; }
  QRadioButton* ShareButton(int i) const { return head_.share[static_cast<size_t>(i)]; }
  QCheckBox* SecondLabelBox() const { return secondLabel_; }
  QCheckBox* PrintOnScanBox() const { return printOnScan_; }
  QCheckBox* SkipItemsBox() const { return skipItems_; }
  QPushButton* UnsealButton() const { return unseal_; }
  CLinkLabel* WeightCaption() const { return head_.weightCaption; }
  CLinkLabel* QuickSealLink() const { return quickSealLink_; }
  CLinkLabel* ExportLink() const { return exportLink_; }
  CLinkLabel* SpareCaption(int i) const { return head_.spareCaptions[static_cast<size_t>(i)]; }
  CListGrid* Grid() const { return head_.grid; }

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Build(QSize screen);
  void ShowStatus(int textId, const QColor& color, int32_t bagId);
  void SetSaveFlag(bool on);
  void ShowTotals();
  void Show(const std::u16string& text);
  std::u16string Account() const;
  bool SupervisionRight() const;
  bool Query(const std::string& sql, const std::vector<uint32_t>& types, std::string& reply);
  // Sends a one-column procedure; false when the reply did not count.
  bool Call(const std::string& sql, int32_t& code);

  CBaggingServices* app_;
  int32_t bagId_ = 0;
  bool sealable_ = false;
  int bagState_ = 0;
  bool ownBag_ = false;
  std::u16string awb_;
  // Creator and creation time, sealer and seal time, loader and loading time.
  std::array<std::u16string, 6> audit_{};
  bagging::BagTotals totals_;
  std::string lastSql_;
  int requests_ = 0;
  CBagListDlg* bagList_ = nullptr;

  // The header fields, totals lines and item grid (BagFormParts.h).
  bagform::BagHeaderControls head_;
  QPlainTextEdit* history_ = nullptr;
  QCheckBox* secondLabel_ = nullptr;
  QCheckBox* printOnScan_ = nullptr;
  QCheckBox* skipItems_ = nullptr;
  QPushButton* unseal_ = nullptr;
  CLinkLabel* quickSealLink_ = nullptr;
  CLinkLabel* exportLink_ = nullptr;
};
