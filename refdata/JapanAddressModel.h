#pragma once
// What the Japan address dialog shows and remembers, without widgets: the
// prefecture, city and postcode lists of the postcode book in Japanese or
// romanised, the current prefecture and city, the chosen postcode, the
// language the address is wanted in, and the postcode search.
//
// The model works without a book (the data file did not load): its lists
// are empty and every search fails.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CJapanPostcodeBook;

class CJapanAddressModel {
 public:
  // One line of a list: the entry's index in its table and its texts.
  struct Row {
    int index = -1;
    std::u16string postcode;  // postcode list only: "%07d"
    std::u16string text;      // name, or the town part
  };

  explicit CJapanAddressModel(const CJapanPostcodeBook* book);

  const CJapanPostcodeBook* Book() const { return book_; }

  // Display language: true Japanese (at first), false romanised.  Flipping
  // it forgets the current prefecture and city.
  bool DisplayJapanese() const { return displayJapanese_; }
  void ToggleDisplayLanguage();
  // Language of the address the owner form fills: 0 English, 1 Japanese.
  int ReturnLanguage() const { return returnLanguage_; }
  void SetReturnLanguage(int flag) { returnLanguage_ = flag ? 1 : 0; }
  void ToggleReturnLanguage() { SetReturnLanguage(!returnLanguage_); }

  // The lists in the display language: every prefecture; the cities of the
  // current prefecture; the postcodes of the current city.
  std::vector<Row> PrefectureRows() const;
  std::vector<Row> CityRows() const;
  std::vector<Row> PostcodeRows() const;

  int CurrentPrefecture() const { return prefecture_; }
  int CurrentCity() const { return city_; }
  // Makes a prefecture current (forgetting the city); false, with nothing
  // changed, for an index outside the table or the prefecture already current.
  bool SelectPrefecture(int index);
  // The same for a city.
  bool SelectCity(int index);

  // The chosen postcode entry, -1 when none.
  int ChosenPostcode() const { return chosen_; }
  void ChoosePostcode(int index);

  // The postcode number a typed text stands for: at most 16 characters, with
  // hyphens and blanks (also their full-width forms) dropped, read as an
  // integer up to the first other character; 0 when there is none.
  static int32_t ParsePostcode(std::u16string_view typed);
  // Looks a typed postcode up: its first entry, or -1 (nothing typed, or not
  // in the book).  Finding makes its prefecture and city current and
  // chooses it.
  int Search(std::u16string_view typed);
  // The postcode number of a postcode entry (-1 outside the table).
  int32_t PostcodeNumber(int index) const;

 private:
  std::u16string Text(const char* japanese, const char* romanised) const;

  const CJapanPostcodeBook* book_;
  bool displayJapanese_ = true;
  int returnLanguage_ = 0;
  int prefecture_ = -1;
  int city_ = -1;
  int chosen_ = -1;
};
