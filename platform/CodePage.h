#pragma once
// Code-page conversion between narrow byte text and UTF-16, over glibc iconv.
//
// Code pages keep the numbers the stored files and the server use:
// 936 GBK, 65001 UTF-8, 54936 GB18030, 28591 ISO-8859-1.  Code page 0 (the
// "ANSI" code page of the workstation) is GBK on this system.

#include <string>
#include <string_view>

namespace platform {

inline constexpr unsigned kCodePageAnsi = 0;
inline constexpr unsigned kCodePageGbk = 936;
inline constexpr unsigned kCodePageUtf8 = 65001;
inline constexpr unsigned kCodePageGb18030 = 54936;
inline constexpr unsigned kCodePageLatin1 = 28591;

// The iconv name of a code page, or nullptr for one this system does not know.
const char* IconvNameOfCodePage(unsigned codePage);

// Narrow bytes to UTF-16.  With strict set, an invalid or incomplete byte
// sequence fails the whole conversion (returns false, out empty); otherwise
// each byte that cannot start a valid character becomes '?' and the
// conversion goes on.  An unknown code page always fails.
bool DecodeCodePage(unsigned codePage, std::string_view in, std::u16string& out,
                    bool strict = false);

// UTF-16 to narrow bytes.  A character the code page cannot express becomes
// `replacement` (when non-empty) and sets *usedReplacement; with an empty
// replacement such a character fails the conversion (false, out empty).
// Unpaired surrogates count as characters without a code.
bool EncodeCodePage(unsigned codePage, std::u16string_view in, std::string& out,
                    std::string_view replacement = "?",
                    bool* usedReplacement = nullptr);

// Convenience forms that return the result (empty on failure).
std::u16string DecodeCodePage(unsigned codePage, std::string_view in);
std::string EncodeCodePage(unsigned codePage, std::u16string_view in);

}  // namespace platform
