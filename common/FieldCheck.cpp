#include "common/FieldCheck.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "platform/MessageBox.h"

namespace {

// Room of the GBK-with-references form of the plain checks.
constexpr size_t kEscapedRoom = 1024;
// Byte limit of the narrow-field encoding used by the "Encoded" checks.
constexpr size_t kEncodedRoom = 4000;

constexpr int kTitleFieldCheck = 20003;
constexpr int kTextTooShort = 20012;
constexpr int kTextTooLong = 20013;
constexpr int kTextRowTooShort = 20014;
constexpr int kTextRowTooLong = 20015;

bool IsFrameworkBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// The trim of framework strings: blanks, tabs and line ends at both ends.
void TrimFramework(std::u16string& text) {
  size_t end = text.size();
  while (end > 0 && IsFrameworkBlank(text[end - 1])) --end;
  size_t start = 0;
  while (start < end && IsFrameworkBlank(text[start])) ++start;
  text = text.substr(start, end - start);
}

std::u16string AsciiToWide(std::string_view ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

std::u16string FormatInt(const char* format, int value) {
  char buf[32];
  int len = std::snprintf(buf, sizeof buf, format, value);
  return AsciiToWide(std::string_view(buf, len > 0 ? static_cast<size_t>(len) : 0));
}

// The narrow form of a field and whether it is too long whatever the limits.
struct NarrowForm {
  std::string text;
  bool tooLong = false;
};

NarrowForm PlainForm(const std::u16string& text, bool references) {
  NarrowForm form;
  if (references) {
    // Every code unit needs at most 8 bytes ("&#65535;"); convert it whole so
    // that a text beyond the room is refused rather than cut.
    form.text = GbkFromWideEscaped(text, text.size() * 8 + 8, true);
    if (form.text.size() > kEscapedRoom) form.tooLong = true;
  } else {
    std::u16string folded = text;
    FoldAccentsW(folded);
    form.text = GbkFromWide(folded);
  }
  return form;
}

NarrowForm EncodedForm(const std::u16string& text) {
  NarrowForm form;
  bool tooLong = false;
  form.text = FieldTextFromWide(text, kEncodedRoom, &tooLong);
  // A text that fits neither form encodes as empty: refuse it as too long.
  form.tooLong = tooLong || (form.text.empty() && !text.empty() && text[0] != u'\0');
  return form;
}

enum class Fault { kNone, kTooShort, kTooLong };

Fault Judge(const NarrowForm& form, int minimum, int maximum) {
  if (form.tooLong) return Fault::kTooLong;
  long long length = static_cast<long long>(form.text.size());
  if (length < minimum) return Fault::kTooShort;
  if (length > maximum) return Fault::kTooLong;
  return Fault::kNone;
}

void ShowFieldMessage(Fault fault, std::u16string_view caption, int minimum, int maximum) {
  const CLanguageTable& table = AppLanguage();
  bool tooShort = fault == Fault::kTooShort;
  std::u16string message = table.Text(tooShort ? kTextTooShort : kTextTooLong);
  // The limit first, so that a caption holding "%2" is shown as it stands.
  ReplaceAllW(message, u"%2", FormatInt("%d", tooShort ? minimum : maximum));
  ReplaceAllW(message, u"%1", caption);
  platform::ShowMessageBox(message, table.Text(kTitleFieldCheck),
                           platform::kMbOk | platform::kMbIconError);
}

bool Finish(const NarrowForm& form, std::string& dest, int minimum, int maximum,
            std::u16string_view caption) {
  Fault fault = Judge(form, minimum, maximum);
  if (fault != Fault::kNone) {
    ShowFieldMessage(fault, caption, minimum, maximum);
    return false;
  }
  dest = form.text;
  return true;
}

}  // namespace

// ---- Field checks ----

bool CheckFieldLength(std::u16string& text, std::string& dest, int minimum, int maximum,
                      std::u16string_view caption, bool references) {
  TrimFramework(text);
  return Finish(PlainForm(text, references), dest, minimum, maximum, caption);
}

bool CheckTextLength(std::u16string& text, std::string& dest, int minimum, int maximum,
                     std::u16string_view caption, bool references) {
  TrimW(text);
  return Finish(PlainForm(text, references), dest, minimum, maximum, caption);
}

bool CheckFieldLengthEncoded(std::u16string& text, std::string& dest, int minimum,
                             int maximum, std::u16string_view caption) {
  TrimFramework(text);
  return Finish(EncodedForm(text), dest, minimum, maximum, caption);
}

bool CheckTextLengthEncoded(std::u16string& text, std::string& dest, int minimum,
                            int maximum, std::u16string_view caption) {
  TrimW(text);
  return Finish(EncodedForm(text), dest, minimum, maximum, caption);
}

bool CheckImportFieldLength(std::u16string& text, std::string& dest, int minimum,
                            int maximum, std::u16string_view caption,
                            std::u16string& errors, int row) {
  TrimFramework(text);
  NarrowForm form = PlainForm(text, false);
  Fault fault = Judge(form, minimum, maximum);
  if (fault == Fault::kNone) {
    dest = form.text;
    return true;
  }
  bool tooShort = fault == Fault::kTooShort;
  errors += u"第 ";
  errors += FormatInt("% 4d", row);
  errors += u" 行,[";
  errors += caption;
  errors += tooShort ? u"]短于 " : u"]超过 ";
  errors += FormatInt("%d", tooShort ? minimum : maximum);
  errors += u" 字符。";
  return false;
}

bool CheckImportFieldLengthEncoded(std::u16string& text, std::string& dest, int minimum,
                                   int maximum, std::u16string_view caption,
                                   std::u16string& errors, int row) {
  TrimFramework(text);
  NarrowForm form = EncodedForm(text);
  Fault fault = Judge(form, minimum, maximum);
  if (fault == Fault::kNone) {
    dest = form.text;
    return true;
  }
  bool tooShort = fault == Fault::kTooShort;
  std::u16string message = AppLanguage().Text(tooShort ? kTextRowTooShort : kTextRowTooLong);
  ReplaceAllW(message, u"%1", FormatInt("% 4d", row));
  ReplaceAllW(message, u"%3", FormatInt("%d", tooShort ? minimum : maximum));
  ReplaceAllW(message, u"%2", caption);
  errors += message;
  return false;
}

// ---- SQL text ----

std::u16string QuoteSql(std::u16string_view text) {
  std::u16string trimmed(text);
  TrimFramework(trimmed);
  std::u16string out;
  out.reserve(trimmed.size() + 8);
  for (char16_t c : trimmed) {
    out += c;
    if (c == u'\'') out += c;
  }
  return out;
}

std::string QuoteSqlNarrow(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (i == 0 && c == '\x07') c = '\x06';
    out += c;
    if (c == '\'') out += c;
  }
  return out;
}

std::string& AppendSqlQuoted(std::string& dest, std::string_view text, bool comma) {
  if (comma) dest += ',';
  dest += '\'';
  for (char c : text) {
    dest += c;
    if (c == '\'') dest += c;
  }
  dest += '\'';
  return dest;
}

std::u16string MakeSqlLikePattern(std::u16string_view text, int mode) {
  std::u16string trimmed(text);
  TrimFramework(trimmed);
  if (trimmed.empty()) return trimmed;
  std::u16string out;
  if (mode == 0 || mode == 2) out += u'%';
  // One pass gives the same text as the four replacements in turn: none of
  // the inserted texts holds a character a later replacement looks for.
  for (char16_t c : trimmed) {
    switch (c) {
      case u'[': out += u"[[]"; break;
      case u'%': out += u"[%]"; break;
      case u'_': out += u"[_]"; break;
      case u'\'': out += u"''"; break;
      default: out += c;
    }
  }
  if (mode == 1 || mode == 2) out += u'%';
  return out;
}

// ---- Numbers ----

namespace {

int32_t TruncateToInt32(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

int32_t RoundScaledAt(double x, int n, double threshold) {
  double p = static_cast<double>(n) * x;
  return TruncateToInt32(p >= threshold ? p + 0.1 : p - 0.1);
}

}  // namespace

int32_t RoundScaled(double x, int n) { return RoundScaledAt(x, n, 0.01); }

int32_t RoundScaledFine(double x, int n) { return RoundScaledAt(x, n, 0.0001); }

int32_t RoundScaledHalf(double x, int n) {
  double p = static_cast<double>(n) * x;
  return TruncateToInt32(p >= 0.0001 ? p + 0.5 : p - 0.5);
}

double RoundTo2Decimals(double& x) {
  double scaled = x * 1000.0;
  int64_t t;
  if (std::isnan(scaled))
    t = 0;
  else if (scaled >= 9.2e18)
    t = static_cast<int64_t>(9.2e18);
  else if (scaled <= -9.2e18)
    t = static_cast<int64_t>(-9.2e18);
  else
    t = static_cast<int64_t>(scaled);
  t = t > 0 ? t + 5 : t - 5;
  x = static_cast<double>(t / 10) * 0.01;
  return x;
}

double DivideToReal(int32_t a, int32_t b) {
  return static_cast<double>(a) / static_cast<double>(b);
}

double DivideToReal64(int64_t a, int32_t b) {
  return static_cast<double>(a) / static_cast<double>(b);
}

bool IsSignedNumberText(std::string_view text) {
  if (text.data() == nullptr) return false;
  for (char c : text) {
    if (!((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')) return false;
  }
  return true;
}

bool IsSignedNumberText(const char* text) {
  if (text == nullptr) return false;
  return IsSignedNumberText(std::string_view(text));
}

bool IsNumberText(std::string_view text) { return IsSignedNumberText(text); }

bool IsNumberText(const char* text) { return IsSignedNumberText(text); }

// ---- Batch ids ----

std::string BatchIdToText(int32_t id) {
  if (id < 1 || id > 2112999999) return {};
  std::string digits = std::to_string(id);
  if (digits.size() <= 8) return digits;
  if (digits.size() == 9) {
    digits.insert(digits.begin(), '0');
  } else if (digits[0] == '1' && digits[2] >= '2') {
    int t = digits[2] - '0';
    digits[0] = static_cast<char>('0' + 1 + t / 2);
    digits[2] = static_cast<char>('0' + t % 2);
  }
  return digits.substr(0, 6) + "-" + digits.substr(6, 3) + "-" + digits.substr(9, 1);
}

int32_t BatchTextToId(std::u16string_view text) {
  if (text.size() > 15) return 0;
  // Digits are ASCII in GBK and no trail byte is a digit, so the digits of
  // the GBK form are the digits of the text itself.
  std::string digits;
  bool started = false;
  for (char16_t c : text) {
    if (c == u'\0') break;
    if (!started) {
      if (c < u'1' || c > u'9') continue;
      started = true;
    }
    if (c >= u'0' && c <= u'9') digits += static_cast<char>(c);
  }
  if (digits.empty()) return 0;
  int64_t number = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (number < 1 || number > 5912310000LL) return 0;
  if (number > 2112310000LL) {
    int64_t d = number / 1000000000LL;  // the first of ten digits
    number = number - (d - 1) * 1000000000LL + 2 * (d - 1) * 10000000LL;
  }
  return static_cast<int32_t>(number);
}

// ---- Amount in capitals ----

std::u16string FormatAmountInCapitals(double amount) {
  if (!(amount >= 0.0) || amount >= 1e15) return {};
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, amount, std::chars_format::fixed, 2);
  if (res.ec != std::errc()) return {};
  std::string digits;
  for (const char* p = buf; p < res.ptr; ++p)
    if (*p >= '0' && *p <= '9') digits += *p;
  if (digits.size() > 12) return {};

  static const char16_t* const kNumerals[10] = {u"零", u"壹", u"贰", u"叁", u"肆",
                                                u"伍", u"陆", u"柒", u"捌", u"玖"};
  static const char16_t* const kUnits[12] = {u"分", u"角", u"圆", u"拾", u"佰", u"仟",
                                             u"万", u"拾", u"佰", u"仟", u"亿", u"拾"};
  std::u16string out;
  int zeros = 0;
  bool hasFen = false;
  for (size_t i = 0; i < digits.size(); ++i) {
    int place = static_cast<int>(digits.size() - 1 - i);
    int digit = digits[i] - '0';
    if (digit == 0) {
      ++zeros;
      if (place == 10) {
        if (!out.empty()) out += u"亿";
        zeros = 0;
      } else if (place == 6) {
        if (zeros < 4) {
          out += u"万";
          zeros = 0;
        }
      } else if (place == 2) {
        out += u"圆";
        zeros = 0;
      }
      continue;
    }
    if (zeros > 0) out += u"零";
    out += kNumerals[digit];
    out += kUnits[place];
    if (place == 0) hasFen = true;
    zeros = 0;
  }
  if (!hasFen) out += u"整";
  return out;
}
