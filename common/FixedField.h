#pragma once
// The fixed-size text fields of the stored records (char arrays holding a
// GBK text up to its first NUL, or filling the array when it has none).

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

// The text of a field, up to its first NUL or its end.
template <size_t N>
std::string_view FixedText(const char (&field)[N]) {
  return std::string_view(field, strnlen(field, N));
}

// Zeroes the field and copies as much of `value` as leaves room for a
// closing NUL.
template <size_t N>
void SetFixedText(char (&field)[N], std::string_view value) {
  std::memset(field, 0, N);
  std::memcpy(field, value.data(), std::min(value.size(), N - 1));
}
