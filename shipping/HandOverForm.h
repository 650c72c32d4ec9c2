#pragma once
// CSendScanDlg: the hand-over form at the left of the hand-over page.  The
// operator chooses the next carrier, the form makes the day's batch number
// for it, and every number scanned or keyed is checked and handed over by
// the server (HandOverLogic.h).  Besides single scans the form hands over
// number lists, the unsent waybills of a master air waybill and records the
// sent-record query dialog asks for with WM_SEND_RECORD.
//
// A successful hand-over is posted to the page (WM_PAGE_NOTIFY 1 with the
// record id) and to the open camera window (WM_CAPTURE_PARCEL).  The
// next-carrier waybill and the proforma invoice print only for a parcel
// that was handed over.

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shipping/HandOverLogic.h"

class CBrantleClientApp;
class CViewHost;
class CLinkLabel;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The request block of WM_SEND_RECORD.  It travels as the message's
// payload: the sender gives it up with the request, the form hands it back
// with its answer, so only one side holds it at any time.
struct SendRecordRequest {
  int32_t recordId = 0;
  QPointer<QObject> replyWindow;
  std::string internalNumber;  // GBK, at most 31 bytes
  std::string transferNumber;  // GBK, at most 31 bytes
  std::u16string failureText;  // filled by the form, at most 255 characters
};

class CSendScanDlg : public QWidget {
  Q_OBJECT

 public:
  CSendScanDlg(CBrantleClientApp* app, QWidget* parent = nullptr);
  ~CSendScanDlg() override;

  // The page that receives WM_PAGE_NOTIFY and the view's host (camera window).
  QObject* pageWindow = nullptr;
  CViewHost* view = nullptr;
  // The print doors used after a hand-over (the application's print jobs
  // unless replaced): the next-carrier waybill, and the proforma invoice
  // with its copies.
  std::function<int(int32_t recordId)> printWaybill;
  std::function<int(int32_t recordId, int copies)> printInvoice;

  // ---- operations ----
  int SendToNextCarrier(double weight, const std::u16string& number, int showMessages);
  void OnGo();
  void OnChooseCarrier();
  // The carrier becomes the next carrier (its name shown, batch made).
  void SetCarrier(const SupplierEntry* carrier);
  void MakeBatchNumber();
  void ToggleNumberMode();
  void SendNumberList(int kind);
  void OnQueryRecords();
  void SendByMasterAwb();
  // Hands over the numbers one after another without messages (20 ms apart).
  void SendNumbers(const std::vector<std::u16string>& numbers);
  // The internal numbers the master air waybill pick returned, sent in the
  // internal-number mode.
  void SendMasterAwbNumbers(const std::vector<std::u16string>& numbers);
  void OnListBatch();
  void OnCancelBatch();
  void OnEnableWeighing();
  void OpenScale();
  void OnScaleData();
  void Reset();
  void ShowCancelButton(bool show);

  // ---- state ----
  int NumberMode() const { return numberMode_; }
  int32_t LastRecordId() const { return lastRecordId_; }
  const SupplierEntry* Carrier() const { return carrier_; }
  const std::u16string& MessageText() const { return message_; }
  const HandOverSettings& Settings() const { return settings_; }
  // The hand-over statement of the last hand-over that got that far.
  const std::string& LastHandOverSql() const { return lastHandOverSql_; }

  // ---- controls ----
  QLineEdit* NumberEdit() const { return numberEdit_; }
  QLineEdit* BatchEdit() const { return batchEdit_; }
  QLineEdit* WeightEdit() const { return weightEdit_; }
  QLineEdit* CarrierEdit() const { return carrierEdit_; }
  QLineEdit* CopiesEdit() const { return copiesEdit_; }
  QCheckBox* WeighingCheck() const { return weighingCheck_; }
  QCheckBox* WaybillPrintCheck() const { return waybillPrintCheck_; }
  QPushButton* GoButton() const { return goButton_; }
  QPushButton* CancelBatchButton() const { return cancelBatchButton_; }
  QPushButton* ListBatchButton() const { return listBatchButton_; }
  QPushButton* MasterAwbButton() const { return masterAwbButton_; }
  CLinkLabel* CarrierCaptionLabel() const { return carrierCaption_; }
  CLinkLabel* StarLabel() const { return starLabel_; }
  CLinkLabel* NumberCaptionLabel() const { return numberCaption_; }

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Build();
  void ReadSettings();
  void SetNumberMode(int mode);
  void OnSendRequest(std::unique_ptr<SendRecordRequest> request);
  HandOverServices Services();

  CBrantleClientApp* app_;
  const SupplierEntry* carrier_ = nullptr;
  int numberMode_ = 0;
  int scaleOpen_ = 0;
  int32_t lastRecordId_ = 0;
  std::u16string numberCaption_Text_;
  std::u16string message_;
  std::string lastHandOverSql_;
  HandOverSettings settings_;

  CLinkLabel* starLabel_ = nullptr;
  CLinkLabel* numberCaption_ = nullptr;
  CLinkLabel* batchCaption_ = nullptr;
  CLinkLabel* carrierCaption_ = nullptr;
  CLinkLabel* internalListLabel_ = nullptr;
  CLinkLabel* transferListLabel_ = nullptr;
  QLineEdit* numberEdit_ = nullptr;
  QLineEdit* batchEdit_ = nullptr;
  QLineEdit* weightEdit_ = nullptr;
  QLineEdit* carrierEdit_ = nullptr;
  QLineEdit* copiesEdit_ = nullptr;
  QCheckBox* weighingCheck_ = nullptr;
  QCheckBox* waybillPrintCheck_ = nullptr;
  QPushButton* goButton_ = nullptr;
  QPushButton* listBatchButton_ = nullptr;
  QPushButton* cancelBatchButton_ = nullptr;
  QPushButton* masterAwbButton_ = nullptr;
  QLabel* weightLabel_ = nullptr;
  QLabel* copiesLabel_ = nullptr;
  QLabel* noteLabel_ = nullptr;
};
