#include "print/PrintText.h"

#include <QString>

#include <cstdarg>
#include <cstdio>

#include "common/FieldCheck.h"
#include "common/HtmlText.h"
#include "common/TextCodec.h"

std::u16string W(std::string_view gbk) {
  size_t nul = gbk.find('\0');
  if (nul != std::string_view::npos) gbk = gbk.substr(0, nul);
  return WideFromGbk(gbk);
}

std::u16string DigitText(std::string_view gbk) {
  size_t nul = gbk.find('\0');
  if (nul != std::string_view::npos) gbk = gbk.substr(0, nul);
  if (gbk.empty()) return {};
  if (IsNumberText(gbk)) return u"'" + WideFromGbk(gbk);
  return WideFromGbk(gbk);
}

std::u16string Decoded(std::string_view gbk) {
  size_t nul = gbk.find('\0');
  if (nul != std::string_view::npos) gbk = gbk.substr(0, nul);
  if (gbk.empty()) return {};
  return WideFromFieldText(gbk, 4096);
}

std::u16string Upper(std::u16string_view text) {
  QString s = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())).toUpper();
  return s.toStdU16String();
}

std::u16string Trimmed(std::u16string_view text) {
  auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; };
  size_t b = 0, e = text.size();
  while (b < e && blank(text[b])) ++b;
  while (e > b && blank(text[e - 1])) --e;
  return std::u16string(text.substr(b, e - b));
}

std::u16string Printf16(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return WideFromGbk(buffer);
}

namespace {

// The cut of a GBK text longer than `length`: before the last blank within
// the first `length` bytes, else at the end of that span (a double-byte
// character that straddles it stays whole, ending the span after it).
size_t CutPoint(std::string_view text, size_t length) {
  size_t i = 0, lastBlank = 0;
  bool blank = false;
  while (i < length && i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x81 && i + 1 < text.size()) {
      i += 2;
      continue;
    }
    if (c == ' ' && i > 0) {
      lastBlank = i;
      blank = true;
    }
    ++i;
  }
  return blank ? lastBlank : i;
}

}  // namespace

void SplitAddressLines(std::string_view gbk, std::string& line1, std::string& line2,
                       std::string& line3, size_t length) {
  line1.clear();
  line2.clear();
  line3.clear();
  size_t nul = gbk.find('\0');
  if (nul != std::string_view::npos) gbk = gbk.substr(0, nul);
  if (gbk.empty()) return;
  size_t lf = gbk.find('\n');
  if (lf != std::string_view::npos) {
    line1 = gbk.substr(0, lf);
    std::string_view rest = gbk.substr(lf + 1);
    size_t lf2 = rest.find('\n');
    if (lf2 != std::string_view::npos) {
      line2 = rest.substr(0, lf2);
      line3 = rest.substr(lf2 + 1);
    } else {
      line2 = rest;
    }
  } else if (gbk.size() <= length) {
    line1 = gbk;
  } else {
    size_t cut = CutPoint(gbk, length);
    line1 = gbk.substr(0, cut);
    std::string_view rest = gbk.substr(cut);
    if (rest.size() <= length) {
      line2 = rest;
    } else {
      size_t cut2 = CutPoint(rest, length);
      line2 = rest.substr(0, cut2);
      line3 = rest.substr(cut2);
    }
  }
  for (std::string* line : {&line1, &line2, &line3}) {
    if (!line->empty() && line->back() == '\r') line->pop_back();
    HtmlToText(*line);
  }
}

int CopiesToPrint(int count) {
  if (count > kForcedCopies) count -= kForcedCopies;
  if (count < 1) count = 1;
  if (count > kMaxCopies) count = kMaxCopies;
  return count;
}

void PutAddressLines(std::map<std::u16string, std::u16string>& values, std::u16string_view name,
                     std::string_view gbk) {
  std::string lines[3];
  SplitAddressLines(gbk, lines[0], lines[1], lines[2], 30);
  for (int i = 0; i < 3; ++i)
    values[std::u16string(name) + static_cast<char16_t>(u'1' + i)] = W(lines[i]);
}
