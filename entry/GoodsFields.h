#pragma once
// What the goods lines and the pieces of a waybill share: the goods data as
// the entry dialogs key it, and the moves of their texts between the dialogs
// and the fixed GBK fields of the records.

#include <cstdint>
#include <string>

#include "common/FieldCheck.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "refdata/StationCacheSync.h"

// The goods data of a goods line or a piece, with the defaults of an empty
// form.
struct GoodsFields {
  std::u16string name;
  int32_t quantity = 1;
  double price = 1.0;
  std::u16string alias;
  std::u16string codeA;  // tariff codes
  std::u16string codeB;
  std::u16string codeC;
  double customs = 0;  // customs value
  double rate = 0;     // tax rate
};

// Captions (field kinds) of the goods texts in the checks' messages.
inline constexpr int kGoodsNameCaption = 30026;
inline constexpr int kGoodsAliasCaption = 30058;
inline constexpr int kGoodsCodeACaption = 30059;
inline constexpr int kGoodsCodeBCaption = 30060;
inline constexpr int kGoodsCodeCCaption = 30061;
// Byte limit in GBK of the alias and the tariff codes.
inline constexpr int kGoodsCodeBytes = 62;

// The text of a fixed GBK field.
template <size_t N>
std::u16string WideOfField(const char (&field)[N]) {
  return WideFromGbk(stationcache::FieldText(field, N));
}

// The text in GBK within [minimum, maximum] bytes into the field; a text
// that fails is reported by the field check (caption: language text
// `caption`) and leaves the field empty.
template <size_t N>
void PutCheckedField(char (&field)[N], std::u16string text, int minimum, int maximum,
                     int caption) {
  std::string narrow;
  if (!CheckFieldLength(text, narrow, minimum, maximum, AppLanguage().Text(caption), false))
    narrow.clear();
  stationcache::SetField(field, N, narrow);
}

// The alias and the three tariff codes of a record into the fields, and
// back; each written text is checked as PutCheckedField does.
template <size_t A, size_t C>
void PutGoodsCodes(char (&alias)[A], char (&codeA)[C], char (&codeB)[C], char (&codeC)[C],
                   const GoodsFields& v) {
  PutCheckedField(alias, v.alias, 0, kGoodsCodeBytes, kGoodsAliasCaption);
  PutCheckedField(codeA, v.codeA, 0, kGoodsCodeBytes, kGoodsCodeACaption);
  PutCheckedField(codeB, v.codeB, 0, kGoodsCodeBytes, kGoodsCodeBCaption);
  PutCheckedField(codeC, v.codeC, 0, kGoodsCodeBytes, kGoodsCodeCCaption);
}
template <size_t A, size_t C>
void ReadGoodsCodes(const char (&alias)[A], const char (&codeA)[C], const char (&codeB)[C],
                    const char (&codeC)[C], GoodsFields& v) {
  v.alias = WideOfField(alias);
  v.codeA = WideOfField(codeA);
  v.codeB = WideOfField(codeB);
  v.codeC = WideOfField(codeC);
}
