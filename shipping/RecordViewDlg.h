#pragma once
// CRecordViewDlg: the single-waybill view beside the record list of page 8.
// Four number boxes (inner, transfer, reference, customs number) with a
// match mode find one waybill; its details and its latest tracking line are
// shown as two HTML documents side by side, with links to the tracking
// editor and to the waybill's captured pictures.
//
// The panes are QTextBrowser views: the documents are plain HTML with
// tables and font marks and need no script, and a QTextBrowser runs none.
// A link in a document opens in the desktop's browser (only http and https
// addresses are ever written as links).

#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "shipping/RecordViewQuery.h"
#include "shipping/WaybillDetail.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QTextBrowser;
class QUrl;
class CLinkLabel;
class CTrackEditDlg;
class TrackingEditorLink;

// What the view needs of the application; RecordViewPage.cpp builds it from
// the host, tests build their own.
struct RecordViewServices {
  // "sSqlQuery" into `reply`: the transfer result.
  std::function<int(std::string_view sql, std::span<const uint32_t> types, std::string& reply)>
      query;
  // The number normaliser of the application (scanned barcodes, blanks and
  // quotes); the text unchanged when none is given.
  std::function<std::u16string(std::u16string_view text)> normalizeNumber;
  // The operator's station and client kind ("cStation", "cClientKind").
  std::u16string operatorStation;
  std::u16string operatorKind;
  // Rights, dictionary values and look-ups of the documents.
  WaybillDetailContext context;
  // The tracking editor's requests (null: the link does nothing).
  std::shared_ptr<TrackingEditorLink> trackingLink;
  bool canEditTracking = false;       // xRight:4/0x08
  bool showTrackingWeight = false;
  // The captured pictures of a waybill (record id, customer id).
  std::function<void(int32_t irid, int32_t icid)> openPictures;
  // Opens an address in the desktop's browser.
  std::function<void(const QString& address)> openUrl;
  // The common prompt picker of the tracking editor.
  std::function<bool(std::u16string& prompt)> chooseCommonPrompt;
};

class CRecordViewDlg : public QWidget {
  Q_OBJECT

 public:
  CRecordViewDlg(RecordViewServices services, QWidget* parent = nullptr);
  ~CRecordViewDlg() override;

  // Looks a waybill up (kind 0..3 by the box of that kind, 4 by the id)
  // and shows it; 1 when shown, 0 when not.
  int ShowRecord(int kind, int32_t id = 0);
  // Lays the panes out for the page's size (the screen size).
  void LayoutFor(QSize screen);
  // Opens the tracking editor for the current record.
  void OpenTracking();
  void OpenPictures();

  // ---- what the view holds ----
  std::array<QLineEdit*, 4> numberBoxes{};
  QComboBox* matchMode = nullptr;
  CLinkLabel* trackingLink = nullptr;
  CLinkLabel* picturesLink = nullptr;
  QTextBrowser* leftPane = nullptr;
  QTextBrowser* rightPane = nullptr;
  QLabel* restrictionNote = nullptr;
  CTrackEditDlg* trackEditor = nullptr;

  int32_t irid = 0;
  int32_t icid = 0;
  std::u16string businessDate, destination, expressKind;
  std::u16string leftHtml, rightHtml;  // the fragments last written
  int access = 1;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OpenLink(const QUrl& url);
  RecordViewServices services_;
  std::array<QLabel*, 4> boxLabels_{};
};
