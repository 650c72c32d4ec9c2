#pragma once
// The type-ahead suggestion lists shown under an edit box while the
// operator types: what each list searches, what its rows show and what the
// owner takes when a row is picked.  No widgets here: the popup window
// (ui/SuggestPopup.h) paints the cells a list gives it.
//
// Seven lists share one design and differ in their source, their number of
// rows and their row content:
//   destination  5 rows  refresh 0x46A  CDestinationTable::Lookup
//   city         5 rows  refresh 0x474  CAddressLibrary::FindByNameSubstring
//   client       5 rows  refresh 0x47A  CClientListCache::FindByPrefix
//   directory    5 rows  refresh 0x46F  CDirectoryIndex::Search (lParam 0)
//                                       or SearchByPhone (lParam 1)
//   place        4 rows  refresh 0x470  CPlaceDictionary::Suggest
//   flight       9 rows  refresh 0x480  CAirlineTable::FindFlights
//   name         5 rows  refresh 0x482  the mode-A staff by account or name
// Every search clears the rows first; the popup shows when a row is filled.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "refdata/AddressLibrary.h"
#include "refdata/ClientListCache.h"
#include "refdata/DestinationTable.h"
#include "refdata/DirectoryTable.h"
#include "refdata/PlaceDictionary.h"

class CServiceKind;
class CAirlineTable;
struct FlightEntry;
struct StaffEntry;

// The window messages that ask a popup for a search, and the one the world
// city dialog posts with its chosen city.
inline constexpr int kWmDestinationSuggest = 0x46A;
inline constexpr int kWmDirectorySuggest = 0x46F;
inline constexpr int kWmPlaceSuggest = 0x470;
inline constexpr int kWmCityChosen = 0x473;
inline constexpr int kWmCitySuggest = 0x474;
inline constexpr int kWmClientSuggest = 0x47A;
inline constexpr int kWmFlightSuggest = 0x480;
inline constexpr int kWmNameSuggest = 0x482;

// One text of a row: where it stands, its colour and font.
struct SuggestCell {
  enum Font { kText, kNumber, kNarrow };
  int left = 0, right = 0;  // pixels from the popup's left edge
  int line = 0;             // 0 upper, 1 lower (two-line rows)
  std::u16string text;
  uint32_t rgb = 0;
  Font font = kText;
  bool ellipsis = true;  // cut with "..." when too wide
};

// How a popup looks and behaves.
struct SuggestLook {
  enum class HideOnClick { kNever, kOnRelease, kOnPress };
  int refreshMessage = 0;
  int rows = 5;
  int width = 0, height = 0;  // the window, pixels (dialog units x 1.5)
  int firstY = 2;             // top of row 0
  int rowPitch = 15;          // rows this far apart
  int lineHeight = 14;        // the height of one line of a row
  int rowRight = 300;         // the white row rectangle spans x 1 to this
  uint32_t background = 0;
  uint32_t numberColor = 0;
  int numberWidth = 8;        // "% 8d": the row number padded to this width
  HideOnClick hide = HideOnClick::kNever;
};

class CSuggestRows {
 public:
  explicit CSuggestRows(const SuggestLook& look) : look_(look) {}
  virtual ~CSuggestRows() = default;
  CSuggestRows(const CSuggestRows&) = delete;
  CSuggestRows& operator=(const CSuggestRows&) = delete;

  const SuggestLook& Look() const { return look_; }

  // Runs the search for the owner's text (GBK; some lists change it in
  // place, as their search does); the rows are cleared first.
  virtual void Search(std::string& text, int64_t lParam) = 0;
  virtual bool IsFilled(int row) const = 0;
  // The texts of a filled row, the row number not included.
  virtual std::vector<SuggestCell> Cells(int row) const = 0;
  // What the owner writes into its edit when the row is picked; empty for
  // an empty row.
  virtual std::u16string PickText(int row) const = 0;

  bool AnyFilled() const;
  // The row number as the popup paints it ("% 8d" and the like: padded
  // with blanks to the list's number width).
  std::u16string NumberText(int row) const;

 private:
  SuggestLook look_;
};

class CDestinationSuggestRows : public CSuggestRows {
 public:
  explicit CDestinationSuggestRows(CDestinationTable* source = nullptr);
  void SetSource(CDestinationTable* source) { source_ = source; }
  // The service kind chosen on the form (or none): rows whose destination
  // it does not serve are shown grey.
  void SetServiceKind(const CServiceKind* kind) { kind_ = kind; }

  void Search(std::string& text, int64_t lParam) override;
  bool IsFilled(int row) const override;
  std::vector<SuggestCell> Cells(int row) const override;
  std::u16string PickText(int row) const override;
  // The destination of a row (null for an empty one) and its name.
  const DestinationRecord* GetHit(int row, std::u16string* name = nullptr) const;
  bool IsMarked(int row) const;

 private:
  CDestinationTable* source_;
  const CServiceKind* kind_ = nullptr;
  CDestinationTable::Rows rows_{};
  bool marks_[5] = {};
};

class CCitySuggestRows : public CSuggestRows {
 public:
  explicit CCitySuggestRows(const CAddressLibrary* source = nullptr);
  void SetSource(const CAddressLibrary* source) { source_ = source; }

  void Search(std::string& text, int64_t lParam) override;
  bool IsFilled(int row) const override;
  std::vector<SuggestCell> Cells(int row) const override;
  std::u16string PickText(int row) const override;
  // The city of a row; a row of 5 or more gives the first row.
  const AddressEntry* GetHit(int row) const;

 private:
  const CAddressLibrary* source_;
  std::vector<const AddressEntry*> rows_;
};

class CClientSuggestRows : public CSuggestRows {
 public:
  explicit CClientSuggestRows(CClientListCache* source = nullptr);
  void SetSource(CClientListCache* source) { source_ = source; }

  void Search(std::string& text, int64_t lParam) override;
  bool IsFilled(int row) const override;
  std::vector<SuggestCell> Cells(int row) const override;
  std::u16string PickText(int row) const override;
  // The client id of a row (-1 for an empty row or one beyond the list) and
  // its name.
  int32_t GetHit(int row, std::u16string* name = nullptr) const;
  // The code padded with blanks to 9 characters (a longer code gets one
  // blank), then the name.
  static std::string RowText(const ClientEntry& entry);

 private:
  CClientListCache* source_;
  const ClientEntry* rows_[5] = {};
};

class CDirectorySuggestRows : public CSuggestRows {
 public:
  explicit CDirectorySuggestRows(CDirectoryIndex* source = nullptr);
  void SetSource(CDirectoryIndex* source) { source_ = source; }

  // lParam 0 searches codes and names, 1 phone numbers.
  void Search(std::string& text, int64_t lParam) override;
  bool IsFilled(int row) const override;
  std::vector<SuggestCell> Cells(int row) const override;
  std::u16string PickText(int row) const override;
  // The directory entry of a row (valid until the store changes).
  const DirectoryRecord* GetHit(int row) const;

 private:
  CDirectoryIndex* source_;
  CDirectoryIndex::Rows rows_{};
};

class CPlaceSuggestRows : public CSuggestRows {
 public:
  explicit CPlaceSuggestRows(const CPlaceDictionary* source = nullptr);
  void SetSource(const CPlaceDictionary* source) { source_ = source; }

  void Search(std::string& text, int64_t lParam) override;
  bool IsFilled(int row) const override;
  std::vector<SuggestCell> Cells(int row) const override;
  std::u16string PickText(int row) const override;
  const PlaceEntry* GetHit(int row) const;

 private:
  const CPlaceDictionary* source_;
  CPlaceDictionary::Slots rows_{};
};

class CFlightSuggestRows : public CSuggestRows {
 public:
  explicit CFlightSuggestRows(const CAirlineTable* source = nullptr);
  void SetSource(const CAirlineTable* source) { source_ = source; }

  void Search(std::string& text, int64_t lParam) override;
  bool IsFilled(int row) const override;
  std::vector<SuggestCell> Cells(int row) const override;
  std::u16string PickText(int row) const override;
  // The flight of a row (null for an empty one or a row of 9 or more) and
  // its flight number.
  const FlightEntry* GetHit(int row, std::u16string* number = nullptr) const;

 private:
  const CAirlineTable* source_;
  const FlightEntry* rows_[9] = {};
};

class CNameSuggestRows : public CSuggestRows {
 public:
  // Keeps the staff whose mode letter is "A".
  explicit CNameSuggestRows(const std::vector<StaffEntry>& staff);
  ~CNameSuggestRows() override;

  void Search(std::string& text, int64_t lParam) override;
  bool IsFilled(int row) const override;
  std::vector<SuggestCell> Cells(int row) const override;
  std::u16string PickText(int row) const override;
  // 0, or -1 for an empty row or a row of 5 or more; the staff name.
  int GetHit(int row, std::u16string* name = nullptr) const;
  // The account padded with blanks to 16 characters (a longer account gets
  // one blank), then the name.
  static std::string RowText(const StaffEntry& entry);

 private:
  std::vector<StaffEntry> staff_;
  std::vector<const StaffEntry*> byAccount_, byName_;
  const StaffEntry* rows_[5] = {};
};
