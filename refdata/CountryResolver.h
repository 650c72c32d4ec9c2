#pragma once
// The built-in country table and the resolver that turns the free text of an
// imported receiver country (a two- or three-letter code, a Chinese or
// English name, an abbreviation, an address line that merely names the
// country) into one of its rows.
//
// Texts are GBK.  Names compare with ASCII case ignored where said; a
// double-byte character is always compared whole.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct CountryRecord {
  std::string alpha2;    // ISO 3166-1 alpha-2 (two rows depart: see the table)
  std::string alpha3;
  std::string numeric;   // three digits
  std::string customs;   // customs country code, three digits, "000" when none
  int32_t phone = 99999;  // telephone country code, 99999 when none
  int32_t offset = 0;     // time-zone offset, hours x 100, negative west
  std::string chinese;    // GBK
  std::string english;
};

// The 246 rows in their fixed order.  Some alpha-2 codes (BW, KG, MH, MS,
// PF) and the alpha-3 code PYF occur twice; searches by code give the first.
const std::vector<CountryRecord>& CountryTable();

// Upper-cased two-letter code ("UK" reads as "GB"): the first row with that
// alpha-2 code, or null (also for a text of another length).
const CountryRecord* FindCountryByCode(std::string_view code);
// Upper-cased three-letter code: the first row with that alpha-3 code, or null.
const CountryRecord* FindCountryByCode3(std::string_view code);

// The row a country text names, or null.  `loose` allows the containment
// searches of the last step; `excluded` is an alpha-2 code (empty: none)
// that the prefix and loose searches skip; "CN" also refuses texts that name
// Inner Mongolia, so that they are not read as Mongolia.
const CountryRecord* ResolveCountry(std::string_view text, bool loose,
                                    std::string_view excluded = {});

// The text as the name searches read it: "Great Britain" or "England" alone
// become "英国" (GBK); a word "Is." after a blank becomes "Islands" and "Is"
// becomes "Island".  At most 255 bytes, never cut inside a character.
std::string NormalizeCountryText(std::string_view text);
