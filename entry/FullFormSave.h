#pragma once
// The full waybill form's values and what it does with them, without a
// widget: the load of a server waybill into the form, the clear for the
// next waybill, the save ("cp_client_rec_mod_part") and the delete
// ("cp_client_rec_del") of the loaded waybill.
//
// The full form never creates a waybill: it saves only one it loaded.  The
// save checks every text, prices an editable waybill again, sends the call,
// then the piece rows, the values the call has no argument for (goods unit,
// the settled freight and cash-on-delivery amounts, the goods net weight to
// the gram) and, when the goods lines were changed, the goods rows.  Each of
// these statements is checked: when one fails the operator is told what was
// not stored and the form keeps the waybill loaded, so that saving again
// completes it.  Only a save that stored everything is reported to the page
// (WM_PAGE_NOTIFY 1, a copy of the working record) and clears the form.

#include <QPointer>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "entry/WaybillSave.h"
#include "refdata/RecordStores.h"

class QObject;

// The form's texts, in the order the save checks them.
enum FullFormText : int {
  kFfNum, kFfAddrFrom, kFfDepart, kFfDes, kFfGoods, kFfMark, kFfMemo, kFfMoney, kFfOrigin,
  kFfPack, kFfTransNote, kFfPayDir, kFfRAddr, kFfRCity, kFfRCountry, kFfReceiver, kFfREMail,
  kFfRPhone, kFfRPostcode, kFfRProvince, kFfRSms, kFfRUnit, kFfRIDCard, kFfSAddr, kFfSCity,
  kFfSCountry, kFfSender, kFfSEMail, kFfSPhone, kFfSPostcode, kFfSProvince, kFfSSms, kFfSUnit,
  kFfSIDCard, kFfNo, kFfRNo, kFfCNo, kFfReserve, kFfBy1, kFfBy2, kFfBy3, kFfBy4, kFfBy5,
  kFfGoodsA, kFfGCodeA, kFfGCodeB, kFfGCodeC, kFfGUnit, kFfTextCount
};

// The form's numbers, as typed.
enum FullFormNumber : int {
  kFfWeight, kFfAmount, kFfDValue, kFfIValue, kFfPrice, kFfItem, kFfQuantity, kFfGCustom,
  kFfGCRate, kFfGWeight, kFfReserveNo, kFfNumberCount
};

// Everything the form shows of a waybill: what copy-all keeps.
struct FullFormValues {
  std::array<std::u16string, kFfTextCount> texts;
  std::array<std::u16string, kFfNumberCount> numbers;
  std::u16string kind;      // cZizKind
  std::u16string date;      // business date "%Y.%m.%d"
  int payIndex = 1;         // 月结, 现付, 到付
  int classIndex = 0;       // 大陆, 华语, 外语 (nLanguage)
  int itemType = 1;         // nItemType
};

// The loaded waybill behind the form.
struct FullFormState {
  int32_t loadedId = 0;     // 0: none loaded
  int32_t customerId = 0;
  int editable = 1;         // none of the link keys at 1 or more
  InputWaybillRecord working{};
  std::vector<PieceLine> pieces;
  std::vector<GoodsLine> goods;
  bool goodsChanged = false;
  // The cash-on-delivery and freight-collect amounts: fAmountC, fGoods, fGoodsC.
  double freightSettled = 0, codTotal = 0, codSettled = 0;
};

// The texts one record field takes (tests and the page use it).
std::u16string FullFormTextOf(const WaybillRecord& record, int text);

// The form from a "sRecData" reply: false (and nothing changed) when the
// reply carries no waybill of a customer.
bool LoadFullForm(std::string_view reply, FullFormValues& values, FullFormState& state);
// Clears for the next waybill: the receiver block, the goods and the
// numbers go; the kind, currency, payment index, origin, department and
// sender block stay.  today: "%Y.%m.%d", used when the date is empty.
void ClearFullForm(FullFormValues& values, FullFormState& state, std::u16string_view today);

// ---- statements ----
std::string BuildModPartCall(const WaybillRecord& record, int32_t loadedId);
// The values "cp_client_rec_mod_part" has no argument for.
std::string BuildFullFormExtrasStatement(int32_t irid, const WaybillRecord& record);
std::string BuildFullFormDeleteCall(int32_t id, std::string_view userName, bool userHasStation);

// The cash-on-delivery dialog's confirm: 0 accepted (settled amounts of 0
// become the totals; without freight collect the freight settled is 0),
// 1 freight settled above its total, 2 goods settled above their total.
int ConfirmCodAmounts(bool freightCollect, double freightTotal, double& freightSettled,
                      double codTotal, double& codSettled);

class CFullFormSaver {
 public:
  enum class Outcome { Saved, PartlySaved, Stopped, NothingLoaded };

  CFullFormSaver(WaybillSaveLink& link, FullFormValues& values, FullFormState& state);

  QPointer<QObject> page;                   // gets WM_PAGE_NOTIFY
  std::function<QObject*()> captureWindow;  // the visible camera window, or null
  std::function<void()> clearForm;          // after a save or delete
  std::function<void(int text)> focus;      // a FullFormText that failed its check
  std::function<void(int number)> focusNumber;  // a FullFormNumber that is no number
  char volumeLetter = 0;                    // the application's class letter

  Outcome Save();
  // The business date: true when the date text (8 to 30 bytes) is a valid
  // date, which goes into the record's year, month and day; otherwise the
  // check's message and false.
  bool CheckBusinessDate(WaybillRecord& w);
  // Asks, then deletes the loaded waybill; true when it was deleted.
  bool Delete();
  const InputWaybillRecord& Working() const { return state_.working; }

 private:
  WaybillSaveLink& link_;
  FullFormValues& values_;
  FullFormState& state_;
};
