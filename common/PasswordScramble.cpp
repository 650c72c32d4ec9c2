// Password-change scrambling: the two scrambled forms and the strength test.

#include "common/PasswordScramble.h"

#include <chrono>
#include <random>

namespace {

#include "common/PasswordTables.inc"

// T1..T7, the single-character table and the final table.
const std::array<ScrambleTable, 9> kTables = [] {
  std::array<ScrambleTable, 9> tables{};
  for (int k = 0; k < 9; ++k)
    for (int i = 0; i < 256; ++i) tables[k][i] = kScrambleTables[k][i];
  return tables;
}();

// Position of byte b in table k (0..8 as in kTables).
uint8_t PositionIn(int k, uint8_t b) {
  static const auto inverse = [] {
    std::array<ScrambleTable, 9> inv{};
    for (int k = 0; k < 9; ++k)
      for (int i = 0; i < 256; ++i) inv[k][kTables[k][i]] = static_cast<uint8_t>(i);
    return inv;
  }();
  return inverse[k][b];
}

}  // namespace

const ScrambleTable& PasswordScrambleTable(int number) {
  if (number < 1 || number > 7) number = 1;
  return kTables[number - 1];
}

const ScrambleTable& PasswordSingleCharTable() { return kTables[7]; }
const ScrambleTable& PasswordFinalTable() { return kTables[8]; }

std::array<int, 3> PickScrambleTables(uint8_t value) {
  int w = value % 210;
  int combination = w / 6;
  int order = w % 6;
  // The combination-th choice of three out of seven, in lexicographic order.
  int a = 0, b = 0, c = 0, n = 0;
  for (int i = 1; i <= 5; ++i)
    for (int j = i + 1; j <= 6; ++j)
      for (int k = j + 1; k <= 7; ++k)
        if (n++ == combination) a = i, b = j, c = k;
  switch (order) {
    case 0: return {a, b, c};
    case 1: return {a, c, b};
    case 2: return {b, a, c};
    case 3: return {b, c, a};
    case 4: return {c, a, b};
    default: return {c, b, a};
  }
}

std::string& ScramblePasswordChars(std::string& password) {
  size_t len = password.size();
  if (len == 0) return password;
  if (len == 1) {
    password[0] = static_cast<char>(
        PositionIn(7, static_cast<uint8_t>(password[0])));
    return password;
  }
  size_t middle = len / 2;
  uint8_t m = static_cast<uint8_t>(password[middle]);
  std::array<int, 3> picked = PickScrambleTables(m);
  if (m == 1)
    m = 127;
  else if (m >= 2 && m <= 127)
    --m;
  password[middle] = static_cast<char>(m);
  int counter = static_cast<int>(len % 3);
  for (size_t i = 0; i < len; ++i) {
    if (i == middle) continue;
    password[i] = static_cast<char>(
        PositionIn(picked[counter] - 1, static_cast<uint8_t>(password[i])));
    counter = (counter + 1) % 3;
  }
  return password;
}

std::string ScramblePasswordHex(std::string_view password, uint8_t xorValue) {
  // Beyond 32 bytes the interleaved password would not fit the 64 bytes.
  if (password.size() > kMaxHexPasswordBytes) return {};
  std::random_device device;
  auto tick = static_cast<uint32_t>(
      std::chrono::steady_clock::now().time_since_epoch().count());
  std::mt19937 rng(device() ^ tick);
  uint8_t block[64];
  for (auto& b : block) b = static_cast<uint8_t>(rng() % 254 + 1);
  size_t pos = password.size() % 2 ? 2 : 1;
  for (char c : password) {
    block[pos] = static_cast<uint8_t>(static_cast<uint8_t>(c) ^ xorValue);
    pos += 2;
  }
  const ScrambleTable& final = PasswordFinalTable();
  for (auto& b : block) b = final[b];
  block[0] = static_cast<uint8_t>(password.size());
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(128);
  for (uint8_t b : block) {
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 15]);
  }
  return out;
}

bool IsStrongPassword(std::string_view text) {
  if (text.size() <= 5) return false;
  bool digit = false, letter = false, other = false;
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c >= '0' && c <= '9')
      digit = true;
    else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
      letter = true;
    else
      other = true;
  }
  return digit && letter && other;
}
