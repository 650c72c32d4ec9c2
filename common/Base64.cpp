// Placeholder bodies; replaced by the real code.
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include "common/Base64.h"

int Base64Encode(const void* bytes, size_t count, std::string& out, size_t capacity, size_t* needed) { return {}; }
std::string Base64Encode(std::string_view bytes) { return {}; }
std::string& StripWhitespace(std::string& text) { return text; }
int Base64Decode(std::string& text) { return {}; }
int Base64DecodeText(std::string_view text, std::string& out) { return {}; }
uint32_t Crc32(const void* bytes, size_t count) { return {}; }
uint32_t Crc32(std::string_view bytes) { return {}; }
int TimeZoneHours() { return {}; }
int TimeZoneHoursFromBias(int biasMinutesWest) { return {}; }
int StoreTimeZoneHours() { return {}; }
int StoredTimeZoneHours() { return {}; }
int64_t ServerTimeStamp() { return {}; }
int CurrentUtcTime(std::chrono::sys_seconds& out, int seconds) { return {}; }
int64_t PackDateTimeNumber(int year, int month, int day, int hour, int minute, int second) { return {}; }
int ParseDateText(std::string_view text) { return {}; }
int ParseDateText(std::string_view text, std::chrono::local_seconds now) { return {}; }
