#pragma once
// The small sample place dictionary and address library this project ships
// (made up here, a few dozen entries each), the writers of both file
// formats, and made-up libraries of any size for the benchmarks.

#include <cstdint>
#include <string>
#include <vector>

#include "refdata/AddressLibrary.h"
#include "refdata/PlaceDictionary.h"

// The bytes of a place dictionary file: the 8-byte header, then the entries.
std::string BuildPlaceDictionaryFile(const std::vector<PlaceEntry>& entries);
// A place entry with the texts given in UTF-16 (stored GBK, cut to fit).
PlaceEntry MakePlaceEntry(int32_t id, std::u16string_view code, std::u16string_view chinese,
                          std::u16string_view english);

std::vector<PlaceEntry> SamplePlaceEntries();
std::vector<CitySource> SampleCities();
// `count` made-up cities over 104 regions (deterministic for a seed).
std::vector<CitySource> GeneratedCities(size_t count, uint32_t seed);

// Writes DATA_SYS/brantle7_0.dat and city.dat (keyed for this program's
// identification text) into the program folder, which ends in its
// separator; false when a file could not be written.
bool WriteSamplePlaceFiles(const std::string& programFolder);
