#pragma once
// The company's bag and master air waybill defaults: airports, stations,
// bag type, labels, customs code, transport and trade mode, packing and a
// set of switches.  Start-up reads them once from the bag settings text
// (a DATA_SYS file the server provides) and from the "xbag_" rows of the
// server dictionary, and keeps one record for the whole run (held through
// the server link, CServerLink::bagDefaults).
//
// The settings text is GBK "KEY=value" lines in three sections: the head
// (before the first marker), the bag section after "<装袋默认值配置开始>" and
// the master air waybill section after "<总单默认值配置开始>", each running
// to the next marker or the end of the text.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class CServerLink;

struct BagDefaults {
  // Capacities in bytes; a text holds at most capacity - 1 of them.
  static constexpr size_t kAirportCapacity = 64;
  static constexpr size_t kStationCapacity = 16;
  static constexpr size_t kBagTypeCapacity = 16;
  static constexpr size_t kLabelCapacity = 16;
  static constexpr size_t kSpareCapacity = 64;
  static constexpr size_t kFlightCapacity = 16;
  static constexpr size_t kAwbAirportCapacity = 8;
  static constexpr size_t kPlaceCapacity = 64;
  static constexpr size_t kModeCapacity = 16;
  static constexpr size_t kPackingCapacity = 32;
  static constexpr size_t kMemoCapacity = 64;
  static constexpr size_t kCustomsCodeCapacity = 4;

  // head
  int32_t bagCodeDigits = 0;
  int32_t bagSequenceFormat = 0;
  int32_t multiPieceColumns = 0;
  // bag section
  std::string departureAirport;    // xbag_8
  std::string destinationAirport;  // xbag_9
  std::string departureStation;    // xbag_10
  std::string destinationStation;  // xbag_11
  std::string bagType;             // xbag_12
  std::string bagLabel;
  std::string spare1;
  std::string spare2;
  int32_t checkAirport = 0;          // xbag_14
  int32_t checkCustomerBalance = 0;  // xbag_15
  int32_t checkWeights = 0;          // xbag_16, weights in and out
  int32_t switch19 = 0;
  int32_t switch20 = 0;
  int32_t shared = 0;                // xbag_13
  int32_t switch21 = 0;
  int32_t switch22 = 0;
  int32_t switch24 = 0;
  int32_t switch27 = 0;
  // master air waybill section
  std::string firstFlight;      // xbag_0
  std::string airport;          // xbag_1
  std::string origin;           // xbag_2
  std::string destination;      // xbag_3
  std::string waybillLabel;
  std::string transportMode;    // xbag_5
  std::string tradeMode;        // xbag_6
  std::string packing;
  std::string consignmentMemo;
  std::string customsCode;      // xbag_4, three letters
  int32_t switch17 = 0;
  int32_t switch18 = 0;
  int32_t switch23 = 0;
  int32_t switch25 = 0;
  int32_t switch26 = 0;
  int32_t type = 0;             // xbag_7
};

// The settings text's section markers (GBK, 20 bytes each).
std::string_view BagSectionMarker();
std::string_view AwbSectionMarker();

// The defaults of a settings text (GBK; a NUL byte ends it); nullptr when
// either marker is missing.
std::unique_ptr<BagDefaults> ParseBagDefaults(std::string_view settingsText);

// Applies one "xbag_N" dictionary row (N 0..27) to the defaults.  Texts are
// cut to their field without splitting a character; rows 7 and 13 are
// numbers; rows 14 to 27 switch their flag on when the value begins with
// "1" and off otherwise.  False (nothing changed) for any other name.
bool ApplyBagDictionaryRow(BagDefaults& defaults, std::string_view name, std::string_view value);

// Reads the "xbag_" rows of the server dictionary into the defaults; the
// number of rows applied.  A failed query leaves the defaults as they are.
int ApplyBagDictionary(CServerLink& link, BagDefaults& defaults);

// The defaults of a settings text, overridden by the server dictionary;
// nullptr (and no query) when the text gives no defaults.
std::unique_ptr<BagDefaults> LoadBagDefaults(CServerLink& link, std::string_view settingsText);
