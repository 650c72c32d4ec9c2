#pragma once
// What the main view and its pages need of the application object and the
// main frame.  The program hands the view one host, and the view hands it on
// to its pages; the defaults below are what a view without one does, and what
// the tests replace.

#include <QSize>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CWaybillQueryDlg;
class QWidget;
class CServerLink;
class CBagQueryDlg;
class CAwbQueryDlg;
class CClientListCache;
class CDestinationTable;
class CBrantleClientApp;
class CPrintDoors;
struct AirlineEntry;

class CViewHost {
 public:
  virtual ~CViewHost() = default;

  // The screen size recorded at start-up (a height below 768 counts as 768).
  virtual QSize ScreenSize() const;

  // The main frame learns its view (its view link) and each page shown.
  virtual void AttachView(QWidget* view) { (void)view; }
  virtual void NotifyPageShown(int index) { (void)index; }

  // Whether the logged-in user may use the page of an index (the rights of
  // its command); the view shows no page the user may not use.
  virtual bool PageAllowed(int index) const { (void)index; return true; }

  // The live-camera window when it exists and is visible, else null.
  virtual QWidget* VisibleCaptureWindow() const { return nullptr; }

  // Commits the four local record stores before printing.
  virtual void FlushRecordFiles() {}

  // The application's invoice-to-file switch (on by default).
  virtual bool InvoiceToFileSwitch() const { return true; }

  // Numbered company settings text 4 (GBK): the company web address.
  virtual std::string CompanyWebAddress() const { return {}; }
  // Opens an address in the desktop's browser; the result is not checked.
  virtual void OpenUrl(const QString& address);

  // Runs the common prompts dialog modally with the current prompts; true
  // when it ended with OK, with the edited prompts (one per line) in text.
  virtual bool RunCommonPrompts(std::u16string& text) { (void)text; return false; }
  // Writes the prompts to the prompt file (false when it could not be
  // written), and rebuilds the prompt list.
  virtual bool SavePrompts(std::u16string_view text) { (void)text; return true; }
  virtual void SetPrompts(std::u16string_view text) { (void)text; }

  // Runs the scale settings dialog modally; its result is not used.
  virtual void RunScaleSettings() {}

  // Runs the print dialog; true when the operator confirmed a print job.
  virtual bool RunPrintDialog(QWidget* parent);

  // ---- The shared query dialogs, the record filter and the quick-search lists ----

  // The view's query dialogs (waybill, bag, master air waybill): those the
  // view handed over with SetQueryDialogs (null before).
  virtual CWaybillQueryDlg* WaybillQueryDialog() { return waybillQueryDialog_; }
  virtual CBagQueryDlg* BagQueryDialog() { return bagQueryDialog_; }
  virtual CAwbQueryDlg* AwbQueryDialog() { return awbQueryDialog_; }
  void SetQueryDialogs(CWaybillQueryDlg* waybill, CBagQueryDlg* bag, CAwbQueryDlg* awb) {
    waybillQueryDialog_ = waybill;
    bagQueryDialog_ = bag;
    awbQueryDialog_ = awb;
  }
  // The view's waybill date column of a date kind 0..2.
  virtual std::u16string WaybillDateColumn(int dateKind) const;
  // The code (as stored) of the service kind whose code is the text, ASCII
  // case ignored; none when there is no such kind.
  virtual std::optional<std::u16string> ServiceKindCode(std::u16string_view text) const {
    (void)text;
    return std::nullopt;
  }
  // The codes of the service kinds loaded at start-up, in the application's
  // order, for choice lists.
  virtual std::vector<std::u16string> ServiceKindNames() const { return {}; }
  // The common-prompt picker: true with the prompt chosen.
  virtual bool ChooseCommonPrompt(std::u16string& prompt) { (void)prompt; return false; }
  // The items of the n newest master air waybills or bags appended to the
  // list; the list's size, or 0 when there is none.  Server requests: the
  // caller runs them under platform::WaitForWork.
  virtual int ListRecentAwbs(std::vector<std::u16string>& list, unsigned n) {
    (void)list, (void)n;
    return 0;
  }
  virtual int ListRecentBags(std::vector<std::u16string>& list, unsigned n) {
    (void)list, (void)n;
    return 0;
  }
  // The multi-select list (CMultiSelectDlg) over the active window: offers
  // the items (those in `selection` start selected); on OK `selection` holds
  // the items chosen and `chosen` the text the list returns (one item's
  // text, the several-items marker, or empty when none or all were chosen).
  // False when cancelled.
  virtual bool RunMultiSelect(std::u16string_view caption, std::u16string_view columnTitle,
                              const std::vector<std::u16string>& items,
                              std::vector<std::u16string>& selection, std::u16string& chosen);
  // The server link the lists query through (null: no server).
  virtual CServerLink* ServerLink() { return nullptr; }
  // The airlines loaded at start-up (null: none).
  virtual const std::vector<std::unique_ptr<AirlineEntry>>* Airlines() const { return nullptr; }
  // The staff names in the staff list's order.
  virtual std::vector<std::u16string> StaffNames() const { return {}; }
  // The application's client list and destination table, which the
  // customer and destination popups search (null: no popup rows).
  virtual CClientListCache* ClientList() { return nullptr; }
  virtual CDestinationTable* Destinations() { return nullptr; }

  // The application object whose services the entry forms and pages use
  // (print jobs, stores, look-ups); null in a view without one.
  virtual CBrantleClientApp* Application() { return nullptr; }

  // ---- Single-waybill view (page 8): look-ups of its documents ----
  // The application's number normaliser (a scanned barcode becomes its
  // waybill number; blanks and quotes go); without one the text trimmed.
  virtual std::u16string NormalizeNumber(std::u16string_view text) {
    const size_t first = text.find_first_not_of(u" \t");
    if (first == std::u16string_view::npos) return {};
    return std::u16string(text.substr(first, text.find_last_not_of(u" \t") - first + 1));
  }
  // The name of the service kind of a code; empty when there is none.
  virtual std::u16string ServiceKindName(std::u16string_view code) {
    (void)code;
    return {};
  }
  // The name of a supplier by its id (the application's default text for
  // one it does not list).
  virtual std::u16string SupplierName(int32_t isid) {
    (void)isid;
    return {};
  }
  // Numbered settings text n (GBK); empty when not set.
  virtual std::string DictionaryText(int n) const {
    (void)n;
    return {};
  }

  // ---- printing ----
  // The application's print jobs, templates and label layout as the page
  // print commands use them; null in a view without an application.
  virtual CPrintDoors* PrintDoors() { return nullptr; }

 private:
  CWaybillQueryDlg* waybillQueryDialog_ = nullptr;
  CBagQueryDlg* bagQueryDialog_ = nullptr;
  CAwbQueryDlg* awbQueryDialog_ = nullptr;
};
