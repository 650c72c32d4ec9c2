#pragma once
// The password-change scrambling shared with the client: seven substitution
// tables, the single-character table and the final table, and the routines
// that undo the client's two scrambled forms.
//
// Table k: 0..6 = T1..T7, 7 = the single-character table, 8 = the final
// table (PasswordTables.inc).  Entry 0 of each is 0, so no password byte
// ever scrambles to a NUL.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace localserver {

const std::array<uint8_t, 256>& ScrambleTable(int k);
// The ordered choice of three of T1..T7 (indices 0..6) for byte value v.
void PickScrambleTables(uint8_t v, int out[3]);

// The client's forms, for tests of this server.
std::string ScramblePasswordChars(std::string_view password);
std::string ScramblePasswordHex(std::string_view password, uint8_t xorValue, uint32_t seed);

// Undo them; false when the form is malformed.
bool UnscramblePasswordChars(std::string_view form, std::string& password);
bool RecoverPasswordFromHex(std::string_view hex, uint8_t xorValue, std::string& password);

}  // namespace localserver
