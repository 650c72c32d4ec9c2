#pragma once
// The two vocabularies between a template's text and a waybill's values:
// the print-field dictionary (116 numbered names a list block binds to
// cells) and the field markers (42 bracketed captions replaced by values in
// the QR Code content of a template).

#include <array>
#include <string>
#include <string_view>
#include <vector>

class CLanguageTable;
struct WaybillRecord;

inline constexpr int kPrintFieldCount = 116;
inline constexpr int kFieldMarkerCount = 42;

class CPrintFieldDictionary {
 public:
  // Fills the names, the three template-kind names and their captions
  // (language texts 190005..190007).
  void Build(const CLanguageTable& language);

  // GBK name of a slot (empty for slots without a name or out of range).
  const std::string& Name(int slot) const;
  const std::u16string& NameW(int slot) const;
  // The slot of a GBK name, -1 when none.
  int SlotOf(std::string_view gbkName) const;
  const std::string& KindName(int kindSlot) const { return kindNames_.at(kindSlot); }
  const std::u16string& KindCaption(int kindSlot) const { return kindCaptions_.at(kindSlot); }
  bool Built() const { return built_; }

 private:
  std::array<std::string, kPrintFieldCount> names_{};
  std::array<std::u16string, kPrintFieldCount> namesW_{};
  std::array<std::string, 3> kindNames_{};
  std::array<std::u16string, 3> kindCaptions_{};
  bool built_ = false;
};

class CFieldMarkers {
 public:
  struct Entry {
    std::string caption;  // GBK, "[运单号]"
    std::string openTag;  // "$NUM$"
    std::string closeTag; // "$/NUM$"
    std::string value;
  };

  CFieldMarkers();
  virtual ~CFieldMarkers() = default;

  // Entry n's caption; n outside 0..41 gives entry 0.
  const char* Caption(int n) const;
  std::u16string CaptionW(int n) const;
  const Entry& At(int n) const;

  // Replaces, for n = 0..41 in order, every occurrence of caption n in the
  // content by values[n]; a value holding a later caption is replaced again.
  static void Replace(std::u16string& content, const std::array<std::u16string, kFieldMarkerCount>& values);

 private:
  std::vector<Entry> entries_;
};

// What the markers stand for in one waybill: the record's texts (GBK to
// UTF-16, no apostrophes), the captions of its item type and pay way, and
// the code and English name of its destination (empty when the destination
// directory has none).
struct FieldMarkerContext {
  std::u16string itemTypeCaption;
  std::u16string payWayCaption;
  std::u16string destinationCode;
  std::u16string destinationEnglish;
};
std::array<std::u16string, kFieldMarkerCount> FieldMarkerValues(const WaybillRecord& record,
                                                                const FieldMarkerContext& context);
