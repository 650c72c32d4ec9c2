#pragma once
// The bag rules of the bagging desk, without widgets: the bag definitions
// and special-field masks of "Bag_Fill.txt" (CBagRuleSet) and the
// reference-number masks of "Awb_Packing.txt".  All texts are GBK.
//
// "Bag_Fill.txt" is read whole: a file longer than the 16,382 bytes an
// older client could hold is parsed to its end, not cut.  A definition
// field longer than its slot is cut on a whole character to the slot's
// capacity less one byte.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Share modes of a bag (the radio buttons 独占 / 站内 / 共享).
inline constexpr int32_t kBagShareExclusive = 0;
inline constexpr int32_t kBagShareStation = 1;
inline constexpr int32_t kBagShareShared = 2;

// One line of the definitions section.
struct BagDefinition {
  // Slot capacities in bytes (a text holds at most capacity - 1 bytes).
  static constexpr size_t kPrefixCapacity = 16;
  static constexpr size_t kAirportCapacity = 64;
  static constexpr size_t kStationCapacity = 16;
  static constexpr size_t kTypeCapacity = 16;
  static constexpr size_t kNoteCapacity = 64;
  static constexpr size_t kSpecialCapacity = 32;
  static constexpr size_t kLabelCapacity = 16;
  static constexpr size_t kMemoCapacity = 256;
  static constexpr size_t kSpareCapacity = 64;
  static constexpr size_t kSpare5Capacity = 256;

  int32_t shareMode = kBagShareExclusive;  // field 7
  int32_t numberLength = 0;                // field 1, 7..30
  int32_t checkColumn = 0;                 // field 17, 0 when absent
  std::string prefix;                      // field 0
  std::string departureAirport;            // field 2
  std::string destinationAirport;          // field 3
  std::string departureStation;            // field 4
  std::string destinationStation;          // field 5
  std::string bagType;                     // field 8
  std::string consignmentNote;             // field 10
  std::string specialNumber;               // field 6
  std::string label;                       // field 9
  std::string operationMemo;               // field 11
  std::array<std::string, 5> spares;       // fields 12..16
};

// A group of up to 10 masks (each 4 to 30 bytes), in file order.
using BagMaskGroup = std::vector<std::string>;
inline constexpr size_t kBagMaskSlots = 10;

// Reads a mask value: parts between ',' of 4 to 30 bytes (untrimmed), the
// first 10.
BagMaskGroup SplitBagMasks(std::string_view value);

class CBagRuleSet {
 public:
  CBagRuleSet() = default;
  virtual ~CBagRuleSet() = default;

  // Parses the whole text of "Bag_Fill.txt" (GBK); the previous rules are
  // dropped first.
  void Parse(std::string_view text);

  // The first definition whose number length equals the code's and whose
  // prefix fits (a prefix as long as the code is a mask of the whole
  // number); none for codes under 7 bytes.
  const BagDefinition* FindDefinition(std::string_view code) const;
  // FindDefinition when creation by bag number is on, else none.
  const BagDefinition* FindDefinitionForNewBag(std::string_view code) const;
  // The group (0 special-control number, 1..4 spare 1..4) of the first mask
  // the code matches, or -1; codes under 4 bytes are never classified.
  int ClassifyCode(std::string_view code) const;

  bool sectionPresent = false;
  bool createByNumber = false;
  std::array<BagMaskGroup, 5> masks;  // special-control, spare 1..4
  std::vector<std::unique_ptr<BagDefinition>> definitions;
};

// The reference-number masks of "Awb_Packing.txt": the first "参考号掩码="
// anywhere in the text, its value to the end of that line, trimmed and split
// as the mask groups.
BagMaskGroup ParseReferenceMasks(std::string_view text);

// True when the scan (GBK, upper-cased here) fits one of the reference
// masks ('@' only matches 'A'..'Z').
bool MatchReferenceMasks(const BagMaskGroup& masks, std::string_view scan);
