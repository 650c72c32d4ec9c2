#pragma once
// How a waybill travels from an entry form to the server and back: the
// waybill loaded for editing (with the reasons a stored waybill can no
// longer be edited), and the save and delete sequences of the quick entry
// form, which the streamlined entry and the import send in the same way.
// No widget here: the forms keep a WaybillEntry, hand it to a CWaybillSaver
// and answer its hooks (focus, clear, print, customer defaults).
//
// The save checks, numbers and prices the waybill, sends the procedure call
// ("cp_client_rec_fast_add" for a new waybill, "cp_client_rec_fast_mod" for
// a loaded one), then its piece rows, the fields the call has no argument
// for (operator fields 3 and 4, goods unit, identity card numbers, goods net
// weight) and, when the goods lines were changed, the goods rows.  Each of
// these statements is checked: when one fails the operator is told what was
// not stored, the form keeps its values and the waybill, now on the server,
// counts as loaded, so that saving again completes it.  Only a save that
// stored everything is reported to the page (WM_PAGE_NOTIFY, wParam 1 saved
// or 0 deleted) and the camera window (WM_CAPTURE_PARCEL, wParam the customer
// id), each with a copy of the working record (irID the waybill id) as the
// message's payload.

#include <QPointer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "refdata/RecordStores.h"

class CServerLink;
class CServiceKind;
class CWaybillCache;
class QObject;
struct PriceQuery;

// The requests the save, the delete and the load make.
class WaybillSaveLink {
 public:
  virtual ~WaybillSaveLink() = default;
  // "sFetchNo": 1 when a number of more than 6 characters came, else 0 with
  // `number` empty.
  virtual int FetchNumber(unsigned series, std::string& number, std::string_view kindCode,
                          int32_t customerId) = 0;
  // "sQueryPrice": 1 with the query's results filled, else 0.
  virtual int QueryPrice(PriceQuery& query) = 0;
  // "sSqlExe": the transfer result (above 0 when a reply came) with the
  // reply body in `reply`.
  virtual int Execute(std::string_view sql, std::span<const uint32_t> types,
                      std::string& reply) = 0;
  // "sRecData" by id: the reply body, empty when no waybill came.
  virtual std::string FetchRecord(int32_t id) = 0;
  // Text 20023 with the last "ReturnValue".
  virtual std::u16string LastErrorText() = 0;
  // The logged-in user's name (GBK) and whether the login has a station.
  virtual std::string UserName() = 0;
  virtual bool UserHasStation() = 0;
};

// The link's requests, each made through platform::WaitForWork.
std::unique_ptr<WaybillSaveLink> MakeServerWaybillSaveLink(CServerLink& link);
// The link of a form without an application: every request fails.
std::unique_ptr<WaybillSaveLink> MakeNoWaybillSaveLink();

inline constexpr int kWaybillFieldKinds = 69;

// What an entry form holds of one waybill.
struct WaybillEntry {
  std::array<std::u16string, kWaybillFieldKinds> texts;  // the text table, by field kind
  int32_t loadedId = 0;           // 0 for a new waybill
  InputWaybillRecord loaded{};    // the loaded copy
  int32_t customerId = 0;
  std::string customerStation;    // cstation of the customer's ClientDetail (GBK)
  const CServiceKind* kind = nullptr;  // the current express kind, owned by the caller
  std::u16string dateText;        // business date
  int32_t itemCount = 0;
  uint8_t itemType = 0;
  uint8_t language = 0;
  uint8_t payWay = 0;
  uint8_t state = 0;
  std::u16string money, origin, payDir;  // the three payment codes
  std::vector<PieceLine> pieces;
  std::vector<GoodsLine> goods;
  bool goodsChanged = false;      // set by the goods dialog
  bool showsNumberSlot = false;   // the form shows a slot of kind 2 or 3
  char volumeLetter = 0;          // the application's volume-divisor letter
};

// The payment codes stand in the tables of field kinds under these kinds.
inline constexpr int kMoneyKind = -10, kOriginKind = -11, kPayDirKind = -12;
// The language text naming a field kind (or payment code) in messages.
int WaybillFieldCaption(int kind);

// Whether a typed text reads as a number as a whole: blanks around it, a
// sign, digits and (unless `whole`) one decimal point; an empty text counts
// as 0.  A form refuses any other text in a number field.
bool IsTypedNumber(std::u16string_view text, bool whole);
// Tells the operator that the field named `caption` takes a number.
void ShowNotANumber(std::u16string_view caption);
// A number typed into a form: its leading digits read as ASCII (anything
// else, and a value that is not finite, gives 0; an integer is held to 32
// bits).
double TypedDecimal(std::u16string_view text);
int32_t TypedInteger(std::u16string_view text);
// A number shown in a form, printf-formatted.
std::u16string FormattedNumber(const char* format, double value);

// Arguments of a statement joined by commas; texts single-quoted with their
// quotes doubled.
class SqlArgList {
 public:
  SqlArgList& Int(long long v) { return Raw(std::to_string(v)); }
  SqlArgList& Unsigned(uint32_t v) { return Raw(std::to_string(v)); }
  SqlArgList& Fixed(double v, int decimals);
  SqlArgList& Text(std::string_view v);
  SqlArgList& Raw(std::string_view v);
  const std::string& Joined() const { return text_; }

 private:
  std::string text_;
  bool first_ = true;
};

// ---- statement texts ----

// The procedure call of a save: fast_add (116 arguments) for loadedId 0,
// else fast_mod (107).  Every text argument is quoted with its single quotes
// doubled, the kind code, cLwh and the station code included.
std::string BuildWaybillSaveCall(const WaybillRecord& record, int32_t loadedId,
                                 std::string_view userName, std::string_view kindCode,
                                 std::string_view station);
// The piece rows of waybill `irid` (wpos from 1); empty for no pieces.
std::string BuildPieceRowsStatement(int32_t irid, std::span<const PieceLine> pieces);
// The fields of the record that the procedure call has no argument for
// (operator fields 3 and 4, goods unit, identity card numbers, goods net
// weight and the collection returned).
std::string BuildWaybillExtrasStatement(int32_t irid, const WaybillRecord& record);
// "DELETE brantle.dbo.client_rec_goods WHERE irid=%d".
std::string BuildGoodsDeleteStatement(int32_t irid);
// The goods rows of waybill `irid` (wpos from 0); empty for no lines.
std::string BuildGoodsRowsStatement(int32_t irid, std::span<const GoodsLine> goods);
std::string BuildWaybillDeleteCall(int32_t id, bool userHasStation);

// The message of a negative procedure result; 0 for the server's own text.
int SaveRefusalMessageId(int32_t result);
int DeleteRefusalMessageId(int32_t result);
// The message of a waybill reply that may not be edited (120041 .. 120047),
// 0 when it may.
int EditRefusalMessageId(std::string_view reply);

// A "sRecData" reply as the record of waybill `id` of customer `customerId`
// and its piece and goods lines; the record's line counts are 0 (the lines
// are kept apart from it).
void ReadWaybillReply(std::string_view reply, int32_t id, int32_t customerId,
                      InputWaybillRecord& record, std::vector<PieceLine>& pieces,
                      std::vector<GoodsLine>& goods);

// ---- steps every waybill save takes ----
// The quick entry save and the full form save send different procedure
// calls but check, price and complete the waybill in the same way.

// The surcharges a waybill's amount holds besides its freight.
double WaybillSurcharges(const WaybillRecord& record);
// The business date (its first three runs of digits) into the record; false
// (record unchanged) when they are no calendar date the record can hold.
bool TakeWaybillDate(std::string_view date, WaybillRecord& record);
// Quantity and item count of at least 1; a declared value below 1 becomes
// price times quantity.  False with text 21354 shown when that product is
// beyond the field (it is refused, never wrapped).
bool SettleWaybillQuantities(WaybillRecord& record);
// The actual weight (fWeightb) from the pieces, the weight when they weigh
// nothing; returns the dimensions: the one piece's "L*W*H" when it has all
// three, else the record's cLwh.
std::string TakePieceMeasures(std::span<const PieceLine> pieces, WaybillRecord& record);
// Asks the server for the price of the record's weight, destination and
// kind; on an answer the price parts go into the record and `price` is the
// freight, else false with the record unchanged.
bool PriceWaybill(WaybillSaveLink& link, WaybillRecord& record, double& price);

// Sends a procedure call with `outputs` output values (1: the result; 2: the
// result and the server's text; the reply's "ReturnValue" counts them).
// False after the link's error message when no usable reply came, else true
// with the procedure's result.
bool CallWaybillProcedure(WaybillSaveLink& link, std::string_view sql, int outputs,
                          int32_t& result);
// Sends a statement; true when the server ran it.
bool SendWaybillStatement(WaybillSaveLink& link, std::string_view sql);
// A refused call: the message `messageId`, the server's own text for 0.
void ShowWaybillRefusal(WaybillSaveLink& link, int messageId);
// Asks whether the loaded waybill is to be deleted.
bool ConfirmWaybillDelete();

// The statements after a save's procedure call stored waybill `irid`.
struct WaybillFollowUps {
  int32_t irid = 0;
  int32_t replacedGoodsOf = 0;          // goods rows deleted before the new ones; 0: none
  std::span<const PieceLine> pieces;
  std::string extras;                   // the fields the call has no argument for
  int extrasCaption = 21353;            // names them when they were not stored
  std::span<const GoodsLine> goods;
};
// Sends the piece rows, the extras and, when `goodsChanged`, the goods rows
// (cleared once they are stored), each checked.  Returns the names of what
// was not stored joined by ", ", empty when everything was.
std::u16string SendWaybillFollowUps(WaybillSaveLink& link, const WaybillFollowUps& followUps,
                                    bool& goodsChanged);
// Tells the operator what was not stored (text 21350).
void ShowWaybillNotStored(std::u16string_view missing);

class CWaybillSaver {
 public:
  enum class Outcome {
    Saved,        // everything stored, reported and the form cleared
    PartlySaved,  // the waybill is on the server but some rows are not
    Stopped,      // a check or the server refused; nothing changed
    Busy,         // a save was running
  };

  CWaybillSaver(WaybillSaveLink& link, WaybillEntry& entry);

  // The form's side.  Focus: a field kind, kFocusDate or kFocusSave.
  static constexpr int kFocusDate = -1;
  static constexpr int kFocusSave = -2;
  std::function<void(int target)> focus;
  std::function<void()> clearForm;
  // Fills the empty operator fields of a new waybill from its customer.
  std::function<void(WaybillRecord&)> applyCustomerDefaults;
  // The number keyed or scanned into kind 2 or 3 as stored (GBK); without
  // one: trimmed, quotes dropped, upper case.
  std::function<std::string(std::u16string_view)> cleanNumber;
  // Printing after a save (the form's print settings decide).
  std::function<void(const InputWaybillRecord&)> printAfterSave;
  // The one-record waybill cache the print reads: the saved waybill is
  // dropped from it before the print, which so shows what was just saved.
  CWaybillCache* printCache = nullptr;
  // The loaded waybill's customer and kind are selected in the form; false
  // when the customer cannot be selected.
  std::function<bool(int32_t customerId)> selectCustomer;
  std::function<void(std::string_view kindCode)> switchKind;
  QPointer<QObject> page;                       // gets WM_PAGE_NOTIFY
  std::function<QObject*()> captureWindow;      // the visible camera window, or null

  // Where a form's save keeps other rules than the quick form's.
  struct Rules {
    bool queryPrice = true;           // a waybill without an amount is priced
    bool transferNumberRules = true;  // the transfer number's mask and series
    // The piece numbers keyed, when the form keys one a piece: a waybill of
    // several pieces is saved only with as many (text 500020).
    std::function<int()> pieceNumbers;
  } rules;

  Outcome Save();
  // Asks, then deletes the loaded waybill; true when it was deleted.
  bool Delete();
  // Loads waybill `id` for editing into the entry (cleared first); false
  // with the message shown when it may no longer be edited, false without
  // one when it did not come.
  bool LoadForEditing(int32_t id, bool switchToItsKind);

  const InputWaybillRecord& Working() const { return working_; }

 private:
  Outcome SaveSteps();
  bool CheckDate();
  bool TakeNumbers(WaybillRecord& w);
  bool TakeTexts(WaybillRecord& w);
  bool TakeValues(WaybillRecord& w);
  bool TakePieces(WaybillRecord& w);
  void Price(WaybillRecord& w);
  void Focus(int target) const;
  void AfterPartialSave(int32_t id, std::u16string_view missing);

  WaybillSaveLink& link_;
  WaybillEntry& entry_;
  InputWaybillRecord working_{};
  bool saving_ = false;
  bool repriced_ = false;
  int32_t pendingCaptureId_ = 0;  // created here, follow-up rows still missing
};
