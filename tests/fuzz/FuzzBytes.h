#pragma once
// Deterministic random inputs for the fuzz-style tests: random bytes, and
// random bytes biased towards the characters a reader treats specially.

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <string_view>

namespace fuzz {

class Bytes {
 public:
  explicit Bytes(uint32_t seed) : rng_(seed) {}

  // Up to maxLen random bytes.
  std::string Random(size_t maxLen) {
    std::string s(Length(maxLen), '\0');
    for (auto& c : s) c = static_cast<char>(rng_() & 0xFF);
    return s;
  }

  // Up to maxLen bytes drawn mostly from `alphabet`, with some random bytes.
  std::string From(std::string_view alphabet, size_t maxLen) {
    std::string s(Length(maxLen), '\0');
    for (auto& c : s) {
      if (rng_() % 8 == 0)
        c = static_cast<char>(rng_() & 0xFF);
      else
        c = alphabet[rng_() % alphabet.size()];
    }
    return s;
  }

  // Up to maxLen random UTF-16 units, surrogates and NULs included.
  std::u16string Wide(size_t maxLen) {
    std::u16string s(Length(maxLen), u'\0');
    for (auto& c : s) c = static_cast<char16_t>(rng_() & 0xFFFF);
    return s;
  }

  // A copy of `seed` with a few bytes changed, dropped or added.
  std::string Mutate(std::string seed) {
    int edits = 1 + static_cast<int>(rng_() % 4);
    for (int i = 0; i < edits; ++i) {
      size_t pos = seed.empty() ? 0 : rng_() % seed.size();
      switch (rng_() % 3) {
        case 0:
          if (!seed.empty()) seed[pos] = static_cast<char>(rng_() & 0xFF);
          break;
        case 1:
          if (!seed.empty()) seed.erase(pos, 1 + rng_() % 4);
          break;
        default:
          seed.insert(pos, 1, static_cast<char>(rng_() & 0xFF));
      }
    }
    return seed;
  }

  uint32_t Next() { return rng_(); }

 private:
  size_t Length(size_t maxLen) { return maxLen ? rng_() % (maxLen + 1) : 0; }
  std::mt19937 rng_;
};

// How many random inputs each reader gets.
inline constexpr int kRounds = 20000;

// A copy of the text in a heap block of exactly its size, with no NUL after
// it, so that the sanitizers catch any read past the end.
class ExactBlock {
 public:
  explicit ExactBlock(std::string_view text)
      : size_(text.size()), data_(new char[text.size() ? text.size() : 1]) {
    if (size_) std::memcpy(data_.get(), text.data(), size_);
  }
  std::string_view View() const { return {data_.get(), size_}; }

 private:
  size_t size_;
  std::unique_ptr<char[]> data_;
};

}  // namespace fuzz
