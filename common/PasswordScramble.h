#pragma once
// Scrambling of a new password for the password-change request.  The request
// carries the password twice: a character form for a quoted SQL string and a
// hexadecimal form for a byte literal ("0x%s").  The substitution tables are
// data shared with the server, which recovers the password from either form.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

using ScrambleTable = std::array<uint8_t, 256>;

// The seven substitution tables T1..T7 (number 1 to 7), the single-character
// table and the final table of the hexadecimal form.  Each is a permutation of
// the 256 byte values with entry 0 equal to 0, so a non-zero byte never turns
// into a NUL in the character form.
const ScrambleTable& PasswordScrambleTable(int number);
const ScrambleTable& PasswordSingleCharTable();
const ScrambleTable& PasswordFinalTable();

// The table numbers (1 to 7) chosen by a byte value, in the order first,
// second, third: the 210 values of v mod 210 stand for the 210 ordered
// choices of three different tables.
std::array<int, 3> PickScrambleTables(uint8_t value);

// The character form, in place; returns the text.  A password of one byte
// goes through the single-character table; a longer one keeps its middle byte
// (shifted down by one within 1..127) and replaces every other byte by its
// position in one of the three tables picked by the middle byte.  The result
// is a byte string that may hold any byte value; carry it with its length.
std::string& ScramblePasswordChars(std::string& password);

// Hexadecimal form of a password of at most kMaxHexPasswordBytes bytes:
// 64 bytes of random filler with the password bytes (each XORed with
// xorValue) at every second position, passed through the final table, the
// first byte set to the length, written as 128 upper-case hex digits.
// Returns an empty text for a longer password.
inline constexpr size_t kMaxHexPasswordBytes = 32;
inline constexpr uint8_t kPasswordChangeXor = 0x0B;
std::string ScramblePasswordHex(std::string_view password, uint8_t xorValue);

// True for more than 5 bytes holding at least one ASCII digit, one ASCII
// letter and one byte that is neither.
bool IsStrongPassword(std::string_view text);
