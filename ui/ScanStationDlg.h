#pragma once
// CScanStationDlg: the scan station.  The operator scans a parcel's inner
// number or transfer number; as ticked, the station writes the scale's
// weight into its local input record, prints its waybill and gives it a
// new transfer number, then tells the target window (the full waybill
// page) with WM_USER+118 (record id, grams).  The steps are CScanStation's.
//
//   CScanStationDlg dlg(store, theApp.ScaleReader(), theApp.Sounds(), doors, form);
//   dlg.target = page;
//   dlg.exec();

#include <QDialog>
#include <QPointer>

#include "ui/ScanStation.h"

class CPrintDoors;
class CScaleReader;
class CSoundService;
class CWaybillRecordTable;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class CScanStationDlg : public QDialog {
  Q_OBJECT

 public:
  CScanStationDlg(CWaybillRecordTable& store, CScaleReader& reader, CSoundService& sounds,
                  CPrintDoors* doors, QWidget* parent = nullptr);

  // The window told of each record done (the full waybill page).
  QPointer<QObject> target;

  const CScanStation& Station() const { return station_; }
  QLineEdit* InnerEdit() const { return inner_; }
  QLineEdit* TransferEdit() const { return transfer_; }
  QLineEdit* WeightEdit() const { return weight_; }
  QCheckBox* WeighBox() const { return weighBox_; }
  QCheckBox* PrintBox() const { return printBox_; }
  QCheckBox* RelabelBox() const { return relabelBox_; }
  QLabel* StatusLabel() const { return status_; }
  QPushButton* ConfirmButton() const { return confirm_; }
  QPushButton* CloseButton() const { return close_; }

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void reject() override {}

 private:
  void OnOptionClicked();
  void Apply(const CScanStation::Outcome& outcome);
  double Weight() const;

  CScaleReader& reader_;
  CScanStation station_;
  QLineEdit* inner_;
  QLineEdit* transfer_;
  QLineEdit* weight_;
  QCheckBox* weighBox_;
  QCheckBox* printBox_;
  QCheckBox* relabelBox_;
  QLabel* status_;
  QPushButton* confirm_;
  QPushButton* close_;
};
