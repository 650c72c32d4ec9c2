#pragma once
// The master air waybill editor without its window: the header of one
// master air waybill (the 68 columns of client_rec_pack the form shows or
// keeps), the header query, the save and delete calls, the form's flags and
// the operator's rights, the airline prefix, the flight rules and the pane
// row of the quick-search list.  CAwbEditorDlg shows the fields and calls
// CAwbEditor; tests fill, save and delete without a window.
//
// Texts are kept as the form shows them (amounts and weights as their edit
// texts, dates cut to 16 characters); the save reads the numbers from them.

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "server/ProcedureCall.h"

class CAirlineTable;
struct BagDefaults;
struct FlightEntry;

namespace awb {

// The five fees in the order of their marks, supplier ids and amount edits.
enum Fee : int { kFreight = 0, kDeclaration = 1, kClearance = 2, kForwarding = 3, kOther = 4 };
inline constexpr int kFeeCount = 5;
// The seven fee parts kept for the save (not shown).
inline constexpr int kFeePartCount = 7;

// The header of one master air waybill as the form holds it.
struct AwbHeader {
  std::u16string cairline, cfrom, cdes, ddate;
  int32_t ipcs = 0;     // stored parcel count
  int32_t iweight = 0;  // stored chargeable weight, grams
  std::u16string weight;  // itweight as kilograms
  std::u16string cpacking, ctransnote, csize, cmemo;
  int32_t nstate = 0;
  std::u16string cinput, creceiver, cagent, cphone;
  std::u16string cflightno, dfdate, cairport, cflightno2, dfdate2, cairport2;
  std::u16string cothercharge, cmark, cbroker;
  // The five amount edits (freight, declaration, clearance, forwarding,
  // other).  Declaration shows fcustin, clearance fcustout.
  std::array<std::u16string, kFeeCount> amounts;
  // ifreight, icustout, icustin, idelivery, iother.
  std::array<int32_t, kFeeCount> marks{};
  std::u16string detd, deta, cccode, dcdate, ccno, ctranstype, ctradetype;
  int32_t ntype = 0;  // 0 import, 1 export
  // isfreight, iscustout, iscustin, isdelivery, isother.
  std::array<int32_t, kFeeCount> suppliers{};
  std::u16string csname, csaddr, csphone, cspostcode;
  int32_t nsendway = 0;
  std::u16string iitemi;  // entered piece count
  std::u16string gross;   // iweightg as kilograms
  std::u16string cpaynote;
  // fabase, faaddon, fadoc, fatruck, fasafe, faother, faprice.
  std::array<double, kFeePartCount> feeParts{};
  double faaddrate = 0;
  int32_t nptype = 0;
  std::u16string cpayway, cgtype, cgoods;
};

// The fee mark that locks each amount edit: the declaration amount by
// icustout, the clearance amount by icustin.
inline constexpr std::array<int, kFeeCount> kAmountLockMark = {kFreight, kDeclaration, kClearance,
                                                              kForwarding, kOther};

// The operator's rights that the form reads.
struct AwbRights {
  bool awbEdit = false;     // xRight byte 9, 0x20
  bool attachments = false; // xRight byte 13, 0x10 | 0x08 | 0x04
  bool stateText = false;   // xRighte byte 2, 0x10
};

// The form's three flags.
struct AwbFlags {
  bool editable = true;
  bool bagsOpen = false;
  bool deletable = false;
};

// The flags after a load of a header in `state` with its fee marks.
AwbFlags LoadedFlags(int32_t state, const std::array<int32_t, kFeeCount>& marks,
                     const AwbRights& rights);
// Whether each amount edit may be typed into: with the AWB-edit right,
// while its fee mark is 0 (a new AWB has no marks).
std::array<bool, kFeeCount> AmountsEnabled(const std::array<int32_t, kFeeCount>& marks,
                                           const AwbRights& rights);

// The state label after a load: its text id and colour (0xRRGGBB).
struct StateLabel {
  int32_t textId = 0;
  uint32_t rgb = 0;
};
StateLabel LoadedStateLabel(int32_t state, const AwbRights& rights);

// The header query of an AWB number (GBK; quotes doubled) and its 68
// column types.
std::string HeaderSql(std::u16string_view number);
std::span<const uint32_t> HeaderTypes();
// The first row of a header reply into `header`; false (header untouched)
// for a reply of 9 bytes or less, without "List" or without a row.
bool ReadHeader(std::string_view reply, AwbHeader& header);

// The AWB number of a load text: a quick-search row (holding "<") is cut
// at "<" and loses its first character (the state mark); any other text is
// the number itself.
std::u16string NumberOfLoadText(std::u16string_view text);
// The number split at its first "-": the prefix with its "-", and the rest
// (no "-": an empty prefix).
void SplitPrefix(std::u16string_view number, std::u16string& prefix, std::u16string& rest);

// 0 when a new AWB number may be sent, else the message: 410085 empty,
// 410086 holding ' " & < or >.
int32_t CheckNewNumber(std::u16string_view number);

// The airport check of switch 14 on trimmed, upper-cased origin and
// destination: 0, or 410087 / 410088 / 410089.
using FlightPortCheck =
    std::function<bool(std::string_view port, std::string_view flight, bool departure)>;
int32_t CheckAirports(std::u16string_view origin, std::u16string_view destination,
                      std::u16string_view firstFlight, const FlightPortCheck& check);

// Whether the save asks the flight price for the freight: freight mark 0
// or less, switch 18, the AWB-edit right, a weight of at least 0.001 kg
// and a freight amount below 0.01.
bool FreightFromPriceApplies(int32_t freightMark, bool switch18, bool awbEdit, double weightKg,
                             double freight);

// The first airport sent: the field trimmed; when that is empty and origin
// and destination are both exactly three characters, "%s/%s" of them.
std::u16string AirportToSend(std::u16string_view airport, std::u16string_view origin,
                             std::u16string_view destination);

// What the save sends besides the fields.
struct SaveInput {
  bool isNew = true;
  std::u16string number;   // loaded number, or prefix + edit text (upper-cased by the call)
  std::u16string userName;  // the operator
  std::u16string station;   // the operator's station text
  int32_t parcelRows = 0;        // argument 6
  int32_t chargeableGrams = 0;   // argument 7
  bool awbEdit = false;          // amounts sent, else 0.00
};

// The save call "{?=CALL brantle.dbo.cp_client_rec_x_pack_set(...)}" in
// GBK.  Every text argument, the airline too, goes through the one quoting
// function (trimmed, cut to its column, quotes doubled).
std::string SaveSql(const AwbHeader& header, const SaveInput& input);
// The delete call with the number (at most 60 bytes) and the user.
std::string DeleteSql(std::u16string_view number, std::u16string_view userName);

// The message of a refused save / delete code; 0 for "the server's error
// text" (any other code).
int32_t SaveRefusalText(int32_t code);
int32_t DeleteRefusalText(int32_t code);

// The quick-search row of a saved AWB: state mark, number, "<",
// destination, ">", "[first 10 of ETD]" when the ETD read as an integer is
// above 2000, then the clearance consignee.
std::u16string PaneRowText(int32_t state, std::u16string_view number, std::u16string_view destination,
                           std::u16string_view etd, std::u16string_view agent);

// "Σ%.2f" of the five amount texts read as numbers (a text that is no
// number counts 0).
std::u16string AmountSumText(const std::array<std::u16string, kFeeCount>& amounts);

// The defaults of a new AWB (Clear, step 3).
void ApplyDefaults(AwbHeader& header, const BagDefaults* defaults, std::u16string_view userName);

// The flight look-up applied to the header (7.113): route, first airport,
// dates, shipper and suppliers as the rules say.  `today` and `tomorrow`
// are "%Y.%m.%d".  Supplier names are left to the caller (the ids that
// were filled are returned as true).
std::array<bool, kFeeCount> ApplyFlight(const FlightEntry& flight, AwbHeader& header,
                                        std::u16string_view today, std::u16string_view tomorrow);
// The caption 托运姓名: all four shipper fields from the flight.
void ApplyFlightShipper(const FlightEntry& flight, AwbHeader& header);

// "%Y.%m.%d 12:30" of a date.
std::u16string DateAtHalfPastTwelve(std::u16string_view date);

// The template list query.
std::string TemplateListSql();

// ---- The editor ----

// What the editor needs of the world; every request goes through these
// (the window's versions wrap platform::WaitForWork around the link).
struct EditorServices {
  std::function<int(std::string_view sql, std::span<const uint32_t> types, std::string& reply)> query;
  serverlink::ProcedureSender execute;
  std::function<std::u16string()> lastErrorText;
  // The message box (text id) and the delete question (true: Yes).
  std::function<void(const std::u16string& text)> showMessage;
  std::function<bool()> confirmDelete;
  CAirlineTable* airlines = nullptr;
  const BagDefaults* defaults = nullptr;
  AwbRights rights;
  std::u16string userName;
  std::u16string station;
  std::function<std::u16string(int32_t textId)> text;
};

class CAwbEditor {
 public:
  explicit CAwbEditor(EditorServices services);

  // Clear: a new AWB with the defaults (the airline and prefix stay).
  void Clear();
  // LoadAwb: true when the header row was found; the form is untouched
  // otherwise.
  bool Load(std::u16string_view text);
  // SaveAwb: 1 when saved (the form is then cleared), 0 otherwise.
  int Save();
  // DeleteAwb: 1 when deleted (the form is cleared), 0 otherwise.
  int Delete();
  // The airline choice: clears the form and takes the prefix of the
  // airline whose short name is the text; no match keeps the prefix.
  void ChooseAirline(std::u16string_view name);
  // PickFlight's rule on a flight (today and tomorrow from the clock).
  std::array<bool, kFeeCount> TakeFlight(const FlightEntry& flight);

  AwbHeader header;
  std::u16string numberEdit;   // the number edit's text
  std::u16string prefix;       // the airline's prefix and "-"
  std::u16string loadedNumber; // empty for a new AWB
  AwbFlags flags;
  StateLabel stateLabel;
  bool loading = false;
  // The sums of the form's parcel list (consolidation/AwbEditorBags.cpp),
  // which the save sends once a load filled it (switch 25: 0 and 0); before
  // any load the stored parcel count and chargeable weight go back.
  bool parcelListLoaded = false;
  int32_t parcelRows = 0;
  int32_t chargeableGrams = 0;

  // After a save or delete: the pane row to add or replace (number, text),
  // or the number whose row goes.
  std::function<void(const std::u16string& number, const std::u16string& rowText)> paneSaved;
  std::function<void(const std::u16string& number)> paneDeleted;

  const EditorServices& Services() const { return services_; }

 private:
  void Show(int32_t textId);
  void ShowServerError();
  void TakeFlightPrice();

  EditorServices services_;
};

}  // namespace awb
