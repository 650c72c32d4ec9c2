#pragma once
// The two dialogs that help the hand-over form send many records at once:
// - CSendMasterPickDlg shows the master air waybills of the last 30 days
//   that still carry unsent waybills; a double click lists one's waybills,
//   and OK (answered Yes) returns their internal numbers for sending;
// - CSendRecordQueryDlg queries up to 1000 waybills by service kind,
//   destination and date; a double click on a row asks the hand-over form,
//   with WM_SEND_RECORD, to hand that record over: the row goes on success
//   and turns red with the failure text otherwise.

#include <QDate>
#include <QDialog>
#include <QPointer>

#include <string>
#include <vector>

#include "ui/SuggestPopup.h"

class CBrantleClientApp;
class CServerLink;
class CListGrid;
class CLinkLabel;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The master air waybills entered since `from` that still carry unsent
// waybills, appended to the list; false when the server listed none.
bool ListMasterAwbsWithUnsent(CServerLink& link, QDate from, std::vector<std::u16string>& list);

class CSendMasterPickDlg : public QDialog {
  Q_OBJECT

 public:
  // On entry `list` holds the master air waybills; after OK it holds the
  // internal numbers to send (empty when the operator answered No).
  CSendMasterPickDlg(CBrantleClientApp* app, std::vector<std::u16string>& list,
                     QWidget* parent = nullptr);
  int DoModal();
  // What DoModal does before the dialog shows (tests drive it without the
  // modal loop).
  void InitDialog();
  void OnPickAwb();
  void OnOK();

  QListWidget* AwbList() const { return awbList_; }
  CListGrid* Grid() const { return grid_; }
  QLabel* CountLabel() const { return countLabel_; }

 private:
  CBrantleClientApp* app_;
  std::vector<std::u16string>& list_;
  std::u16string chosen_;
  QListWidget* awbList_ = nullptr;
  CListGrid* grid_ = nullptr;
  QLabel* captionLabel_ = nullptr;
  QLabel* countLabel_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
};

class CSendRecordQueryDlg : public QDialog {
  Q_OBJECT

 public:
  CSendRecordQueryDlg(CBrantleClientApp* app, int listFlag, QWidget* parent = nullptr);
  // The hand-over form that receives WM_SEND_RECORD.
  QPointer<QObject> sendForm;

  int DoModal();
  void InitDialog();
  void OnQuery();
  void OnRowDoubleClick();
  void OnDateLabel();
  void OnKindLabel();
  void UpdateCountLabel();

  QLineEdit* DateFromEdit() const { return dateFromEdit_; }
  QLineEdit* DateToEdit() const { return dateToEdit_; }
  QLineEdit* DestinationEdit() const { return destinationEdit_; }
  QLineEdit* KindEdit() const { return kindEdit_; }
  QPushButton* QueryButton() const { return queryButton_; }
  CListGrid* Grid() const { return grid_; }
  QLabel* CountLabel() const { return countLabel_; }

 protected:
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  CBrantleClientApp* app_;
  int listFlag_;
  CLinkLabel* kindLabel_ = nullptr;
  CLinkLabel* dateLabel_ = nullptr;
  QLineEdit* dateFromEdit_ = nullptr;
  QLineEdit* dateToEdit_ = nullptr;
  QLineEdit* destinationEdit_ = nullptr;
  QLineEdit* kindEdit_ = nullptr;
  QPushButton* queryButton_ = nullptr;
  CListGrid* grid_ = nullptr;
  QLabel* countLabel_ = nullptr;
  CDestinationSuggestPopup* popup_ = nullptr;
  CSuggestEditBinding* binding_ = nullptr;
};
