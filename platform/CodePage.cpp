#include "platform/CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <utility>

namespace platform {
namespace {

// iconv descriptors are costly to open; keep one per direction and code page
// for each thread (a descriptor carries state and must not be shared).
class IconvCache {
 public:
  ~IconvCache() {
    for (auto& entry : cache_) iconv_close(entry.second);
  }
  iconv_t Get(const char* to, const char* from) {
    auto key = std::make_pair(std::string(to), std::string(from));
    auto it = cache_.find(key);
    if (it != cache_.end()) {
      iconv(it->second, nullptr, nullptr, nullptr, nullptr);  // reset state
      return it->second;
    }
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return cd;
    cache_.emplace(std::move(key), cd);
    return cd;
  }

 private:
  std::map<std::pair<std::string, std::string>, iconv_t> cache_;
};

iconv_t Descriptor(const char* to, const char* from) {
  thread_local IconvCache cache;
  return cache.Get(to, from);
}

constexpr const char* kUtf16 = "UTF-16LE";

bool IsBad(iconv_t cd) { return cd == reinterpret_cast<iconv_t>(-1); }

}  // namespace

const char* IconvNameOfCodePage(unsigned codePage) {
  switch (codePage) {
    case kCodePageAnsi:
    case kCodePageGbk:
      return "CP936";
    case kCodePageUtf8:
      return "UTF-8";
    case kCodePageGb18030:
      return "GB18030";
    case kCodePageLatin1:
      return "ISO-8859-1";
    default:
      return nullptr;
  }
}

bool DecodeCodePage(unsigned codePage, std::string_view in, std::u16string& out,
                    bool strict) {
  out.clear();
  const char* name = IconvNameOfCodePage(codePage);
  if (!name) return false;
  iconv_t cd = Descriptor(kUtf16, name);
  if (IsBad(cd)) return false;

  std::u16string result;
  result.resize(in.size() + 1);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dstBase = reinterpret_cast<char*>(result.data());
  size_t produced = 0;
  while (srcLeft > 0) {
    char* dst = dstBase + produced;
    size_t dstLeft = result.size() * 2 - produced;
    size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    produced = static_cast<size_t>(dst - dstBase);
    if (rc != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      result.resize(result.size() * 2 + 8);
      dstBase = reinterpret_cast<char*>(result.data());
      continue;
    }
    // EILSEQ or EINVAL: an invalid or incomplete sequence at src.
    if (strict) return false;
    if (produced + 2 > result.size() * 2) {
      result.resize(result.size() * 2 + 8);
      dstBase = reinterpret_cast<char*>(result.data());
    }
    result[produced / 2] = u'?';
    produced += 2;
    ++src;
    --srcLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  result.resize(produced / 2);
  out = std::move(result);
  return true;
}

bool EncodeCodePage(unsigned codePage, std::u16string_view in, std::string& out,
                    std::string_view replacement, bool* usedReplacement) {
  out.clear();
  if (usedReplacement) *usedReplacement = false;
  const char* name = IconvNameOfCodePage(codePage);
  if (!name) return false;
  iconv_t cd = Descriptor(name, kUtf16);
  if (IsBad(cd)) return false;

  std::string result;
  result.resize(in.size() * 2 + 8);
  char* src = reinterpret_cast<char*>(const_cast<char16_t*>(in.data()));
  size_t srcLeft = in.size() * 2;
  size_t produced = 0;
  auto grow = [&](size_t need) {
    if (result.size() - produced < need) result.resize(result.size() * 2 + need);
  };
  while (srcLeft > 0) {
    char* dst = result.data() + produced;
    size_t dstLeft = result.size() - produced;
    size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    produced = static_cast<size_t>(dst - result.data());
    if (rc != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      grow(16);
      continue;
    }
    // A character without a code, or an unpaired surrogate: replace one
    // code unit (a valid pair that has no code is replaced as one).
    if (replacement.empty()) return false;
    size_t skip = 2;
    if (srcLeft >= 4) {
      char16_t first, second;
      std::memcpy(&first, src, 2);
      std::memcpy(&second, src + 2, 2);
      if (first >= 0xD800 && first <= 0xDBFF && second >= 0xDC00 && second <= 0xDFFF)
        skip = 4;
    }
    grow(replacement.size());
    std::memcpy(result.data() + produced, replacement.data(), replacement.size());
    produced += replacement.size();
    if (usedReplacement) *usedReplacement = true;
    src += skip;
    srcLeft -= skip < srcLeft ? skip : srcLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  // Flush any shift state (none of our code pages has one, but be exact).
  grow(16);
  char* dst = result.data() + produced;
  size_t dstLeft = result.size() - produced;
  iconv(cd, nullptr, nullptr, &dst, &dstLeft);
  produced = static_cast<size_t>(dst - result.data());
  result.resize(produced);
  out = std::move(result);
  return true;
}

std::u16string DecodeCodePage(unsigned codePage, std::string_view in) {
  std::u16string out;
  DecodeCodePage(codePage, in, out);
  return out;
}

std::string EncodeCodePage(unsigned codePage, std::u16string_view in) {
  std::string out;
  EncodeCodePage(codePage, in, out);
  return out;
}

}  // namespace platform
