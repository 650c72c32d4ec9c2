#pragma once
// CPaymentForm: everything the payment dialog of page 9 does, without a
// widget.  It keeps the customer, the page of payments shown, the payment
// on the form with its fields (as the controls show them), the unpaid list
// and the payment's list with their totals in hundredths, and runs the
// loads, the moves between the two lists, the amount rules, the copy and
// paste, the save and the delete.  The dialog binds its controls to the
// fields, calls an operation and redraws from the form.
//
// The server is reached through PaymentLink (the program's link makes each
// request through platform::WaitForWork); messages go through the
// message-box service.

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "shipping/PaymentQueries.h"

class CLanguageTable;
class CServerLink;

namespace payment {

// The requests of the form.
class PaymentLink {
 public:
  virtual ~PaymentLink() = default;
  // "sSqlQuery" / "sSqlExe": the reply body, empty when no reply came.
  virtual std::string Query(std::string_view sql, const std::vector<uint32_t>& types) = 0;
  virtual std::string Execute(std::string_view sql, const std::vector<uint32_t>& types) = 0;
  // The server's error text of the last request (text 20023).
  virtual std::u16string LastErrorText() = 0;
};
// The program's link; each request through platform::WaitForWork.
std::unique_ptr<PaymentLink> MakeServerPaymentLink(CServerLink& link);

// What the form needs of the program.
struct PaymentEnvironment {
  const CLanguageTable* language = nullptr;
  std::function<bool(int byte, unsigned mask)> hasRight;  // xRight byte / mask
  std::function<bool(int n)> dictionaryOn;                // dictionary value n is 1
  std::u16string defaultCurrency = u"CNY";                // dictionary value 97
  int editSpanDays = 60;
  std::string stationGbk;  // the login's station, empty when none
  std::string userNameGbk;
  std::u16string userName;
  // The currency's rate (1.0 for a code the table does not know), and
  // whether the table knows it.
  std::function<double(std::u16string_view code)> currencyRate;
  std::function<bool(std::u16string_view code)> currencyKnown;
  std::function<std::tm()> now;  // local time
  // The page's save (0) and delete (1) command flags.
  std::function<void(int type, bool on)> setCommandFlag;
  // The waybill numbers of a number list (file or clipboard); empty when
  // none was given.
  std::function<std::vector<std::u16string>()> importNumberList;
  // A number as the barcode normalizer gives it (GBK).
  std::function<std::string(std::u16string_view)> normalizeNumber;
  // The currency list of the currency choice ("USD - 美元" ...).
  std::function<std::vector<std::u16string>()> currencyChoices;
  // Runs the attachments dialog of a saved payment (kind 3, its ifid).
  std::function<void(int32_t ifid)> openAttachments;
};

// The fields of the form as the controls show them.
struct PaymentFieldTexts {
  std::u16string invoice, amount, owed, foreign, tag, account, docNo, date, refNo, handler, memo;
  std::u16string lookup;    // the waybill number look-up box
  std::u16string pageBox;   // the page number box
  int payWay = 0;
};

struct RecordList {
  std::vector<RecordRow> rows;
  Cents amount = 0;
  double weight = 0;
  int Count() const { return static_cast<int>(rows.size()); }
  void Clear() {
    rows.clear();
    amount = 0;
    weight = 0;
  }
  int Find(int32_t irid) const;
};

enum class TitleColor { Green, Red, DarkRed };

class CPaymentForm {
 public:
  CPaymentForm(PaymentLink& link, PaymentEnvironment env);

  // ---- loads ----
  int LoadCustomer(int32_t icid);
  void LoadUnpaidRecords(int chunk);
  void ShowPaymentPage();
  int LoadPayment(int32_t ifid, bool checkCustomer);
  void LoadPaymentRecords();

  // ---- the payment on the form ----
  void NewPayment();
  void TakeUnpaidRow(int32_t irid);
  void ReturnPaymentRow(int32_t irid);
  void TakeAllUnpaid();
  void ReturnAll();
  void TakeSelectedUnpaid(const std::vector<int32_t>& irids);
  void ReturnSelected(const std::vector<int32_t>& irids);
  void TakeMonth(int month);
  void TakeNumberList();
  int TakeRecordByNumber(int32_t irid);
  int ForceQuery(int32_t irid);
  void SetCurrency(std::u16string_view code);  // after the currency pick
  void OnForeignAmountChanged();
  void OnAmountChanged(bool amountHasFocus);
  void CopyFields();
  void PasteFields();
  int ConfirmRecordAmounts();
  int SavePayment();
  int DeletePayment();
  // A double-click on an unpaid row: checked like the other moves first.
  void DoubleClickUnpaid(int32_t irid);
  // Puts the rows of both lists in the order the grids show them (after a
  // header sort), so that the moves keep list order.
  void OrderLists(const std::vector<int32_t>& unpaidOrder, const std::vector<int32_t>& payOrder);
  // A click on a row of either list: the last clicked record and the
  // look-up box.
  void ClickRecord(int32_t irid, std::u16string_view number);

  // ---- state the dialog shows ----
  PaymentFieldTexts fields;
  int32_t customerId = 0;
  std::u16string customerName;
  CustomerAccount account;
  std::u16string customerTitle;    // label 1467
  std::u16string customerSummary;  // box 1361
  int paymentCount = 0;
  int pageShown = 0;
  std::vector<PaymentRow> paymentRows;
  int32_t markedPayment = 0;       // the payment row shown in red
  int32_t markedRecord = 0;        // the payment's-list row shown in red
  RecordList unpaid, payList;
  std::u16string unpaidSummary, payListSummary, pagingText;
  bool pageTurnEnabled = false;

  int32_t ifid = 0;
  int kind = 0;
  Ymd loadedDate;
  std::u16string currency;
  double rate = 1.0;
  int reserved = 0;
  bool foreignVisible = false;
  int32_t lastClicked = 0;
  bool editable = false, locked = false, copied = false;
  std::u16string titleText, enteredBy;
  TitleColor titleColor = TitleColor::Green;
  bool audited = false;

  // Called after the form changed the lists or the fields (the dialog
  // redraws); the focus requests name the control.
  std::function<void()> changed;
  std::function<void(const char* control)> focus;

 private:
  const CLanguageTable& Language() const;
  bool HasRight(int byte, unsigned mask) const { return env_.hasRight && env_.hasRight(byte, mask); }
  bool DictOn(int n) const { return env_.dictionaryOn && env_.dictionaryOn(n); }
  bool MoveRefused();  // locked (message), kind 1 or not editable
  bool OwedMode() const { return DictOn(94); }
  void Move(RecordList& from, RecordList& to, size_t index, bool atTop, int roundingMode);
  void AfterMove(bool roundUnpaid);
  void ApplyAmountRule();
  void UpdateListSummaries();
  void UpdatePagingLabel();
  // Every chunk of a record list, loaded on a worker (WaitForWork).
  std::vector<RecordRow> LoadAllChunks(
      const std::function<std::string(uint32_t afterIrid)>& fetch) const;
  void ShowCurrency();
  void Notify();
  std::tm Now() const;
  int Message(int32_t textId, unsigned flags = 0);
  int MessageText(std::u16string_view text, std::u16string_view caption = {}, unsigned flags = 0);

  PaymentLink& link_;
  PaymentEnvironment env_;
  struct CopyBuffer {
    std::u16string amount, invoice, docNo, memo, handler, date, refNo, tag, account, foreign,
        currency;
    int payWay = 0;
  } copy_;
};

}  // namespace payment
