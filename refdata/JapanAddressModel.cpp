#include "refdata/JapanAddressModel.h"

#include <cstdio>

#include "common/TextCodec.h"
#include "refdata/JapanPostcodeBook.h"

CJapanAddressModel::CJapanAddressModel(const CJapanPostcodeBook* book) : book_(book) {}

void CJapanAddressModel::ToggleDisplayLanguage() {
  displayJapanese_ = !displayJapanese_;
  prefecture_ = -1;
  city_ = -1;
}

std::u16string CJapanAddressModel::Text(const char* japanese, const char* romanised) const {
  const char* text = displayJapanese_ ? japanese : romanised;
  return text ? WideFromGbk(text) : std::u16string();
}

std::vector<CJapanAddressModel::Row> CJapanAddressModel::PrefectureRows() const {
  std::vector<Row> rows;
  if (!book_) return rows;
  const auto& prefectures = book_->Prefectures();
  for (size_t i = 0; i < prefectures.size(); ++i) {
    rows.push_back({static_cast<int>(i), {}, Text(prefectures[i].japanese, prefectures[i].romanised)});
  }
  return rows;
}

std::vector<CJapanAddressModel::Row> CJapanAddressModel::CityRows() const {
  std::vector<Row> rows;
  if (!book_ || prefecture_ < 0) return rows;
  const auto& cities = book_->Cities();
  for (size_t i = book_->Prefectures()[prefecture_].first;
       i < cities.size() && cities[i].first == prefecture_; ++i) {
    rows.push_back({static_cast<int>(i), {}, Text(cities[i].japanese, cities[i].romanised)});
  }
  return rows;
}

std::vector<CJapanAddressModel::Row> CJapanAddressModel::PostcodeRows() const {
  std::vector<Row> rows;
  if (!book_ || city_ < 0) return rows;
  const auto& postcodes = book_->Postcodes();
  const int32_t firstPostcode = book_->Cities()[city_].number;
  if (firstPostcode < 0) return rows;
  for (size_t i = static_cast<size_t>(firstPostcode);
       i < postcodes.size() && postcodes[i].second == city_; ++i) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%07d", postcodes[i].number);
    rows.push_back({static_cast<int>(i), WideFromGbk(digits),
                    Text(postcodes[i].japanese, postcodes[i].romanised)});
  }
  return rows;
}

bool CJapanAddressModel::SelectPrefecture(int index) {
  if (!book_ || index < 0 || index >= static_cast<int>(book_->Prefectures().size())) return false;
  if (index == prefecture_) return false;
  prefecture_ = index;
  city_ = -1;
  return true;
}

bool CJapanAddressModel::SelectCity(int index) {
  if (!book_ || index < 0 || index >= static_cast<int>(book_->Cities().size())) return false;
  if (index == city_) return false;
  city_ = index;
  return true;
}

void CJapanAddressModel::ChoosePostcode(int index) {
  if (book_ && index >= 0 && index < static_cast<int>(book_->Postcodes().size())) chosen_ = index;
}

int32_t CJapanAddressModel::ParsePostcode(std::u16string_view typed) {
  typed = typed.substr(0, 16);
  int64_t value = 0;
  for (char16_t c : typed) {
    if (c == u'-' || c == u' ' || c == u'\uFF0D' || c == u'\u3000' || c == u'\u2212') continue;
    if (c >= u'0' && c <= u'9') {
      value = value * 10 + (c - u'0');
    } else if (c >= u'\uFF10' && c <= u'\uFF19') {
      value = value * 10 + (c - u'\uFF10');
    } else {
      break;
    }
    if (value > 99999999) return 0;
  }
  return static_cast<int32_t>(value);
}

int CJapanAddressModel::Search(std::u16string_view typed) {
  const int32_t number = ParsePostcode(typed);
  if (number < 1 || !book_) return -1;
  const int index = book_->FindPostcode(number);
  if (index < 0) return -1;
  const JapanAddressEntry& entry = book_->Postcodes()[index];
  SelectPrefecture(entry.first);
  SelectCity(entry.second);
  chosen_ = index;
  return index;
}

int32_t CJapanAddressModel::PostcodeNumber(int index) const {
  if (!book_ || index < 0 || index >= static_cast<int>(book_->Postcodes().size())) return -1;
  return book_->Postcodes()[index].number;
}
