#include "common/SafeFileName.h"

namespace {

bool IsUnsafeCharacter(char32_t c) {
  static constexpr std::u32string_view kReserved = U"/\\\"%&*:<>?|";
  return c < 0x20 || c == 0x7F || kReserved.find(c) != std::u32string_view::npos;
}

// Shared by both forms, after the characters are replaced: leading dots and
// the empty name.
template <class String>
String MakeSafe(String name) {
  using Unit = typename String::value_type;
  size_t i = 0;
  while (i < name.size() && name[i] == Unit('.')) name[i++] = Unit('_');
  if (name.empty()) name.push_back(Unit('_'));
  return name;
}

}  // namespace

std::string SafeFileName(std::string_view gbkText) {
  std::string name(gbkText);
  for (size_t i = 0; i < name.size(); ++i) {
    auto byte = static_cast<unsigned char>(name[i]);
    if (byte >= 0x81 && byte <= 0xFE && i + 1 < name.size()) {
      ++i;  // the second byte of a double-byte character stays as it is
      continue;
    }
    if (IsUnsafeCharacter(byte)) name[i] = '_';
  }
  return MakeSafe(std::move(name));
}

std::u16string SafeFileNameW(std::u16string_view text) {
  std::u16string name(text);
  for (char16_t& c : name)
    if (IsUnsafeCharacter(c)) c = u'_';
  return MakeSafe(std::move(name));
}
