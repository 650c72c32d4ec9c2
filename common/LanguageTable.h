#pragma once
// The language table: every caption, menu text, column caption and message
// of the user interface is a numbered text read from the language file
// "<program folder>TolvaneLan_<code>.txt" (UTF-16LE with byte-order mark).
//
// Each entry of the file is
//   "<D>" + one unit that is skipped + id + "," + text 1 + "[*==*]" + text 2 + "</D>"
// and scanning starts at byte offset 6.  Language code "00" shows text 1,
// any other code text 2.  A missing id reads "???" ("??" while the table is
// empty); "\n" and "\t" (backslash pairs) in a text become CR LF and a tab.
//
// The whole file is kept in the table as one UTF-16 string; entries hold
// offsets into it, so copies and moves of the table stay valid.
//
// Look-ups return their text by value.  The table is written only by Load
// (at start-up) and read afterwards; it takes no lock.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One loaded text pair.  The texts are ranges of the table's file text.
struct LanguageEntry {
  int32_t id = 0;
  size_t firstTextStart = 0;   // text 1
  size_t firstTextLength = 0;
  size_t textStart = 0;        // the text shown: text 1 for "00", else text 2
  size_t textLength = 0;
};

// Number of list-column kinds a work page can show.
inline constexpr int kListColumnKinds = 78;

// One column of a work page's list.
struct ListColumnDesc {
  int32_t kind = 0;
  int32_t index = 0;          // position of the column in the list
  int32_t width = 0;          // pixels
  int32_t format = 0;         // 0 left, 1 right, 2 centred
  std::u16string caption;     // at most 31 characters
};

// Column position of each kind in a page's list, -1 for a kind not shown.
struct ListColumnPositions {
  ListColumnPositions() { positions.fill(-1); }
  int32_t& operator[](size_t kind) { return positions[kind]; }
  int32_t operator[](size_t kind) const { return positions[kind]; }
  std::array<int32_t, kListColumnKinds> positions;
};

class CLanguageTable {
 public:
  // Caption id of each fixed list-column kind 0..77.
  static const std::array<int32_t, kListColumnKinds> kListColumnCaptionIds;
  // The freight payment codes "PP", "CC", "COD", "DP", "MTH", "AEM", "OTH".
  static const std::array<std::u16string_view, 7> kAwbPaymentCodes;

  CLanguageTable();

  // Reads "<programFolder>TolvaneLan_<languageCode>.txt" (the folder ends in
  // its separator) and builds the table.  True when at least one entry was
  // kept.  When the file cannot be opened only the language code changes.
  bool Load(std::string_view programFolder, std::string_view languageCode);

  // The text of an id with "\n" expanded to CR LF and "\t" to a tab.  A
  // missing id gives defaultText when given, else "???"; an empty table gives
  // defaultText when given, else "??".
  std::u16string Text(int32_t id,
                      std::optional<std::u16string_view> defaultText = std::nullopt) const;

  // Text 1 of an id as stored (no expansion), none when the id is missing.
  // The view lives as long as the table is not loaded again or destroyed.
  std::optional<std::u16string_view> FirstText(int32_t id) const;

  // Text(10000 + position of the command in the toolbar list), "???" for a
  // command not in the list.
  std::u16string CommandText(int32_t commandId) const;

  // The text with every "%1" replaced by the number ("%d"), the given text,
  // or the decimal written "%.1f".."%.4f" for 1..4 decimals, "%f" otherwise.
  std::u16string TextWithNumber(int32_t id, int value) const;
  std::u16string TextWithString(int32_t id, std::u16string_view value) const;
  std::u16string TextWithDecimal(int32_t id, double value, int decimals) const;

  // Text(id) followed by the given text.
  std::u16string TextAppend(int32_t id, std::u16string_view tail) const;

  // Text(id, defaultText) with " % & * / : < > ? \ | replaced by '_'.
  std::u16string FileNameText(int32_t id,
                              std::optional<std::u16string_view> defaultText = std::nullopt) const;

  // Enumeration texts: Text(base + code) for a code in range, else the
  // fallback text ("未知", or text 8209 once loaded).
  std::u16string PayWayText(int code) const;        // 20060.., code < 3
  std::u16string FeeTypeText(int code) const;       // 20063.., code < 2
  std::u16string FeePayWayText(int code) const;     // 20065.., code < 5
  std::u16string WaybillStateText(int code) const;  // 20070.., code <= 10
  std::u16string ItemTypeText(int code) const;      // 20090.., code < 3
  std::u16string PickupWayText(int code) const;     // 20100.., code < 2
  std::u16string RecordSourceText(int code) const;  // 20110.., code <= 10
  std::u16string BagStateText(int code) const;      // 20500.., code < 4
  std::u16string AwbStateText(int code) const;      // 20510.., code < 3

  // The first n in 0..2 whose Text(20510 + n) equals the text, else -1.
  int AwbStateIndex(std::u16string_view text) const;

  // Position of a freight payment code in kAwbPaymentCodes, -1 when absent.
  static int AwbPaymentCodeIndex(std::u16string_view code);
  static int AwbPaymentCodeIndex(std::string_view code);
  // The given text when it has 1 to 30 characters, else the code at the
  // index (empty for an index outside 0..6).
  static std::u16string AwbPaymentCodeText(std::u16string_view text, int index);

  // Appends a list-column descriptor and records its position for the kind;
  // returns the position.  Without a caption, kinds 0..77 take the text of
  // their caption id, other kinds an empty caption.
  int AddListColumn(int32_t kind, std::vector<ListColumnDesc>& columns,
                    ListColumnPositions& positions, int32_t width, int32_t format,
                    std::optional<std::u16string_view> caption = std::nullopt) const;

  // Command lists: toolbar (position + 10000 = caption id) and the eight
  // top-level menus 0..7.
  const std::vector<int32_t>& ToolbarCommands() const { return toolbarCommands_; }
  const std::vector<int32_t>& MenuCommands(size_t menu) const { return menuCommands_.at(menu); }
  static constexpr size_t kMenuCount = 8;

  const std::u16string& FallbackText() const { return fallbackText_; }
  const std::string& LanguageCode() const { return languageCode_; }
  bool ShowsFirstTexts() const { return languageCode_ == "00"; }
  const std::vector<LanguageEntry>& Entries() const { return entries_; }
  size_t EntryCount() const { return entries_.size(); }

 private:
  const LanguageEntry* Find(int32_t id) const;
  std::u16string EnumText(int32_t base, int code, int bound) const;
  void FillCommandLists();

  std::vector<int32_t> toolbarCommands_;
  std::array<std::vector<int32_t>, kMenuCount> menuCommands_;
  std::u16string fallbackText_;
  std::string languageCode_;
  std::u16string fileText_;
  std::vector<LanguageEntry> entries_;
};

// The one language table of the program, used by the application and every
// screen.
CLanguageTable& AppLanguage();
