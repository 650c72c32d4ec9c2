#pragma once
// The transit information of one master air waybill without a window: its
// flight, take-off time and state and five dated transit steps, each with a
// detail text and a service place in Chinese and in English.  The load
// reads the row of client_rec_pack; the save sends everything back in one
// procedure call, cp_client_rec_pack_track_ex (30 arguments).

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "server/ProcedureCall.h"

namespace awbtransit {

inline constexpr int kSteps = 5;

// Character limits of the editor's boxes.
inline constexpr size_t kNumberLimit = 30;
inline constexpr size_t kFlightLimit = 15;
inline constexpr size_t kTakeOffLimit = 20;
inline constexpr size_t kStepDateLimit = 20;
inline constexpr size_t kDetailLimit = 255;
inline constexpr size_t kPlaceLimit = 127;

struct TransitFields {
  std::u16string number;
  std::u16string flight;
  std::u16string takeOffTime;
  int32_t state = 0;  // 0..2
  std::array<std::u16string, kSteps> dates;
  std::array<std::u16string, kSteps> details;
  std::array<std::u16string, kSteps> detailsEnglish;
  std::array<std::u16string, kSteps> places;
  std::array<std::u16string, kSteps> placesEnglish;
};

// The SELECT of the row (the number: 30 bytes, quotes doubled) and its
// column types.
std::string LoadSql(std::u16string_view number);
std::span<const uint32_t> LoadColumnTypes();

// Reads the first row of a load reply into `fields` (the number is the one
// given).  False, with `fields` emptied, when the reply holds no row.
bool ReadTransit(std::string_view reply, std::u16string_view number, TransitFields& fields);

// The save call: state, take-off time (normalised), number, flight, 1, then
// per step its date, detail, English detail, place and English place; every
// text cut on a whole character to its byte limit and quoted.
std::string SaveSql(const TransitFields& fields);

enum class SaveOutcome { kSaved, kUnknownAwb, kFailed };
struct SaveResult {
  SaveOutcome outcome = SaveOutcome::kFailed;
  std::u16string failure;  // kFailed: the text to show
};
SaveResult Save(const serverlink::ProcedureSender& send, const TransitFields& fields);

// Every field emptied but the number; state 0.
void Clear(TransitFields& fields);

// Step n (0..4) from a common prompt: the text before its first "|" is the
// detail, the text after it the place (a text without "|" is the detail and
// leaves the place); without a prompt neither changes.  The date becomes
// `now` ("%Y-%m-%d %H:%M") in any case.
void FillStep(TransitFields& fields, int n, const std::u16string* prompt, std::u16string_view now);

}  // namespace awbtransit
