#pragma once
// UTF-16 text of the program (std::u16string) to and from QString.

#include <QString>

#include <string>
#include <string_view>

namespace platform {

inline QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::u16string FromQString(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                        static_cast<size_t>(text.size()));
}

}  // namespace platform
