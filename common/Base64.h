#pragma once
// Base64 of byte strings, the CRC-32 check number of request texts, and the
// clock functions of the server protocol (request time stamps, UTC time,
// packed date numbers, age of a date text).

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// ---- Base64 (alphabet A-Z a-z 0-9 + /, "=" filling, no line breaks) ----

// Encodes `count` bytes into `out`.  `capacity` is the room of the caller's
// field in characters, terminating NUL not counted as needed: when it is below
// the needed length 4 * ceil(count / 3) the result is -2 and `out` is left
// alone.  Otherwise `out` holds the text and the result is 0.  *needed, when
// given, always receives the needed length.
int Base64Encode(const void* bytes, size_t count, std::string& out, size_t capacity,
                 size_t* needed = nullptr);
// Convenience form without a limit.
std::string Base64Encode(std::string_view bytes);
// Appends the Base64 text of `bytes` to `out`.
std::string& Base64Append(std::string& out, std::string_view bytes);

// Removes every TAB, LF, CR and blank.
std::string& StripWhitespace(std::string& text);

// Decodes `text` in place: blanks/TAB/CR/LF are removed and "\u00XX" escapes
// of ASCII characters are turned back into the character first.  Returns the
// number of decoded bytes (text then holds exactly those bytes); 0 for a
// cleaned text shorter than 4 characters (text emptied); -2 when its length is
// not a multiple of 4 and -1 at a character outside the alphabet (text then
// holds the cleaned, undecoded characters).
int Base64Decode(std::string& text);

// Decodes the Base64 text of a narrow field ("?B?" form): blanks, tabs, CR
// and LF are removed, "\u00XX" escapes undone and a leading "+ " skipped; a
// trailing part of fewer than 4 characters is ignored.  Returns 0 with the
// bytes in `out`, or -1 (out empty) for an empty remainder or a character
// outside the alphabet.
int Base64DecodeText(std::string_view text, std::string& out);

// ---- CRC-32 (ISO-HDLC / zlib: reflected EDB88320, init and final ~0) ----

uint32_t Crc32(const void* bytes, size_t count);
uint32_t Crc32(std::string_view bytes);

// ---- Clock ----

// The local zone's bias in whole hours east of UTC, standard time (daylight
// saving not applied), fraction dropped toward zero: UTC+5:30 gives 5,
// UTC-3:30 gives -3.
int TimeZoneHours();
// The same rule for a given bias in minutes west of UTC (as the system
// reports it): -480 gives 8, 210 gives -3.
int TimeZoneHoursFromBias(int biasMinutesWest);

// Computes TimeZoneHours again and keeps it for CurrentUtcTime (the hours are
// first kept when the program starts); call before any thread starts.
// Returns the stored value.
int StoreTimeZoneHours();
// The value kept for CurrentUtcTime.
int StoredTimeZoneHours();

// The TimeStamp of a request: the current Unix time minus 3600 * TimeZoneHours.
// The zone is read once and again only when TZ changes, not per request.
int64_t ServerTimeStamp();

// Sets `out` to the current time in UTC (the local wall clock less the stored
// zone hours), less `seconds` when that is above 0.  Returns the stored zone
// hours.
int CurrentUtcTime(std::chrono::sys_seconds& out, int seconds = 0);

// year*10^10 + month*10^8 + day*10^6 + hour*10^4 + minute*100 + second.
int64_t PackDateTimeNumber(int year, int month, int day, int hour, int minute, int second);

inline constexpr int kBadDateText = -999999999;

// Reads year, month and day as the first three runs of digits (a year below
// 100 means 2000 plus it) and returns the whole days from that date at
// midnight to now (positive for a past date), or kBadDateText.
int ParseDateText(std::string_view text);
// The same against a given "now" in local wall-clock time, for tests.
int ParseDateText(std::string_view text, std::chrono::local_seconds now);
