#pragma once
// Bag sealing without widgets: the number a scan loads, the seal, unseal
// and quick-seal calls with their result texts, the rules for sealing and
// for the unseal button, and the label values of a loaded bag.  The bag
// header, item rows, weights, totals, history and the sealable rule are the
// bagging form's (BaggingLogic.h); the seal form (BagSealForm.h) calls
// both.

#include <cstdint>
#include <string>
#include <string_view>

#include "consolidation/BagLabels.h"
#include "consolidation/BaggingLogic.h"

namespace bagseal {

// ---- Language texts of this desk without a number of their own ----
inline constexpr int kPrintOnScanText = 708000;     // 扫描立即打印
inline constexpr int kSkipItemsText = 708001;       // 不加载快件明细
inline constexpr int kSecondLabelText = 708002;     // 联打装签
inline constexpr int kSaveListText = 708003;        // 保存列表...
inline constexpr int kUnsealText = 708004;          // 解封！

// The bag number as a scan loads it: trimmed on both sides and upper-cased
// (empty: nothing is loaded).
std::u16string ScanNumber(std::u16string_view typed);

// Sealable: an open bag (state 0) on no master air waybill, the user's own,
// shared in the station or beyond, or the user holds the supervision right
// (the bagging form's editable rule).
bool Sealable(int state, bool onAwb, bool ownBag, int shareMode, bool supervisionRight);
// The unseal button: only with the supervision right, for a sealed bag
// (state 1) on no master air waybill.
bool UnsealOffered(int state, bool onAwb, bool supervisionRight);

// "{?=CALL brantle.dbo.cp_client_rec_xbag_pack(id,'user',kg,l,w,h,volume)}"
// with the volume of BagVolume (64-bit product held at 2,100,000,000).
std::string SealBagSql(int32_t bagId, std::u16string_view account, double weight, int32_t length,
                       int32_t width, int32_t height);
std::string UnsealBagSql(int32_t bagId, std::u16string_view account);
std::string SealPickedBagSql(int32_t bagId, std::u16string_view account);
// The text id of a refusal (0: the server's error text).
int SealCodeText(int32_t code);
int UnsealCodeText(int32_t code);

// The audit times a label carries: a seal or loading time not after the
// year 2000 is no time.
std::u16string AuditTime(std::u16string_view time);

}  // namespace bagseal
