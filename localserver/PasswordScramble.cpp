#include "localserver/PasswordScramble.h"

#include <random>
#include <utility>

#include "localserver/Wire.h"

namespace localserver {

namespace {

#include "common/PasswordTables.inc"

std::array<std::array<uint8_t, 256>, 9> BuildTables() {
  std::array<std::array<uint8_t, 256>, 9> all{};
  for (int k = 0; k < 9; ++k)
    for (int i = 0; i < 256; ++i) all[k][i] = kScrambleTables[k][i];
  return all;
}

const std::array<std::array<uint8_t, 256>, 9>& Tables() {
  static const auto tables = BuildTables();
  return tables;
}

uint8_t PositionOf(const std::array<uint8_t, 256>& t, uint8_t b) {
  for (int i = 0; i < 256; ++i)
    if (t[i] == b) return static_cast<uint8_t>(i);
  return 0;
}

}  // namespace

const std::array<uint8_t, 256>& ScrambleTable(int k) { return Tables()[k]; }

void PickScrambleTables(uint8_t v, int out[3]) {
  int w = v % 210;
  int combo = w / 6, order = w % 6;
  int n = 0, a = 0, b = 0, c = 0;
  for (int x = 0; x < 7; ++x)
    for (int y = x + 1; y < 7; ++y)
      for (int z = y + 1; z < 7; ++z)
        if (n++ == combo) { a = x; b = y; c = z; }
  static const int kOrders[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2},
                                    {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
  const int abc[3] = {a, b, c};
  for (int k = 0; k < 3; ++k) out[k] = abc[kOrders[order][k]];
}

std::string ScramblePasswordChars(std::string_view pw) {
  std::string out(pw);
  size_t len = pw.size();
  if (len == 0) return out;
  if (len == 1) {
    out[0] = static_cast<char>(PositionOf(ScrambleTable(7), static_cast<uint8_t>(pw[0])));
    return out;
  }
  size_t m = len / 2;
  uint8_t v = static_cast<uint8_t>(pw[m]);
  int tables[3];
  PickScrambleTables(v, tables);
  out[m] = static_cast<char>(v == 1 ? 127 : (v >= 2 && v <= 127) ? v - 1 : v);
  int counter = static_cast<int>(len % 3);
  for (size_t i = 0; i < len; ++i) {
    if (i == m) continue;
    out[i] = static_cast<char>(
        PositionOf(ScrambleTable(tables[counter]), static_cast<uint8_t>(pw[i])));
    counter = (counter + 1) % 3;
  }
  return out;
}

bool UnscramblePasswordChars(std::string_view form, std::string& pw) {
  pw.assign(form);
  size_t len = form.size();
  if (len == 0) return true;
  if (len == 1) {
    pw[0] = static_cast<char>(ScrambleTable(7)[static_cast<uint8_t>(form[0])]);
    return true;
  }
  size_t m = len / 2;
  uint8_t c = static_cast<uint8_t>(form[m]);
  uint8_t v = c == 127 ? 1 : (c >= 1 && c <= 126) ? c + 1 : c;
  pw[m] = static_cast<char>(v);
  int tables[3];
  PickScrambleTables(v, tables);
  int counter = static_cast<int>(len % 3);
  for (size_t i = 0; i < len; ++i) {
    if (i == m) continue;
    pw[i] = static_cast<char>(ScrambleTable(tables[counter])[static_cast<uint8_t>(form[i])]);
    counter = (counter + 1) % 3;
  }
  return true;
}

std::string ScramblePasswordHex(std::string_view pw, uint8_t xorValue, uint32_t seed) {
  std::mt19937 rng(seed);
  uint8_t block[64];
  for (auto& b : block) b = static_cast<uint8_t>(rng() % 254 + 1);
  size_t start = pw.size() % 2 ? 2 : 1;
  for (size_t i = 0; i < pw.size() && start + 2 * i < 64; ++i)
    block[start + 2 * i] = static_cast<uint8_t>(pw[i]) ^ xorValue;
  const auto& fin = ScrambleTable(8);
  for (auto& b : block) b = fin[b];
  block[0] = static_cast<uint8_t>(pw.size());
  return HexEncode(std::string_view(reinterpret_cast<const char*>(block), 64));
}

bool RecoverPasswordFromHex(std::string_view hex, uint8_t xorValue, std::string& pw) {
  pw.clear();
  std::string block;
  if (hex.size() != 128 || !HexDecode(hex, block)) return false;
  size_t len = static_cast<uint8_t>(block[0]);
  size_t start = len % 2 ? 2 : 1;
  if (len == 0 || start + 2 * (len - 1) > 63) return false;
  std::array<uint8_t, 256> inverse{};
  const auto& fin = ScrambleTable(8);
  for (int i = 0; i < 256; ++i) inverse[fin[i]] = static_cast<uint8_t>(i);
  for (size_t i = 0; i < len; ++i)
    pw += static_cast<char>(inverse[static_cast<uint8_t>(block[start + 2 * i])] ^ xorValue);
  return true;
}

}  // namespace localserver
