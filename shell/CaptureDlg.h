#pragma once
// CCaptureDlg (dialog 177, "实时图像获取"): the live camera window at the
// right edge of the screen.  It shows the preview of its capture window
// and photographs the parcel of a waybill when the operator presses "保存!"
// or an entry form or the hand-over page posts WM_CAPTURE_PARCEL; what a
// capture does lives in CParcelCapture (devices/ParcelCapture.h).  The main
// frame creates it through the factory below, shows, hides and gives it its
// capture kind (ICaptureWindow).

#include <QDialog>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "devices/CaptureWnd.h"
#include "devices/FrameSource.h"
#include "devices/ParcelCapture.h"
#include "shell/MainFrame.h"

class CServerLink;
class QLabel;
class QLineEdit;
class QPushButton;
namespace platform {
class PrivateMessageEvent;
}

// The waybill a WM_CAPTURE_PARCEL names.  The saves of the entry forms post
// a copy of their record (its irID and number), the hand-over page the
// record id in lParam; wParam is the customer id.
struct CaptureParcel {
  int32_t recordId = 0;
  int32_t customerId = 0;
  std::string number;  // GBK; empty when the message brought no record
};
CaptureParcel CaptureParcelOf(const platform::PrivateMessageEvent& message);

class CCaptureDlg : public QDialog, public ICaptureWindow {
  Q_OBJECT

 public:
  // Builds the window hidden at its place and sets up the capture window on
  // the source (failing: the dialog stays without one).
  CCaptureDlg(std::unique_ptr<IFrameSource> source, serverlink::ProcedureSender send,
              std::function<std::string()> account, std::string programFolder, QWidget* parent,
              const QRect& place);
  ~CCaptureDlg() override;

  // ICaptureWindow.
  bool HasCaptureWindow() const override { return captureWindow_ != nullptr; }
  bool IsShown() const override { return isVisible(); }
  void ShowAndStartPreview() override;
  void StopPreviewAndHide() override;
  void SetCaptureKind(int kind) override;

  void StartPreview();
  void StopPreview();
  // Grabs and runs the kind's action; the record id or a negative code.
  int Capture();

  CCaptureWnd* CaptureWindow() const { return captureWindow_.get(); }
  CParcelCapture& Parcel() { return capture_; }
  QLabel* StatusLabel() const { return status_; }
  QLineEdit* PositionEdit() const { return position_; }
  QPushButton* SaveButton() const { return save_; }

 protected:
  bool event(QEvent* event) override;

 private:
  void SetUpCaptureWindow();

  std::unique_ptr<IFrameSource> source_;
  std::unique_ptr<CCaptureWnd> captureWindow_;
  CParcelCapture capture_;
  QLabel* status_ = nullptr;
  QLineEdit* position_ = nullptr;
  QPushButton* save_ = nullptr;
};

// The frame's factory of the camera window: each window gets a new source
// from `sources` and uploads through the link.
CaptureWindowFactory MakeCaptureWindowFactory(
    CServerLink& link, std::string programFolder,
    std::function<std::unique_ptr<IFrameSource>()> sources);
