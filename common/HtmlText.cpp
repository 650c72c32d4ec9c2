// Markup filters, table-cell and XML element readers, text to HTML.

#include "common/HtmlText.h"

#include "common/GbkText.h"

namespace {

constexpr size_t npos = std::string::npos;

size_t FindNoCaseFrom(std::string_view text, std::string_view pattern, size_t from) {
  if (from > text.size()) return npos;
  size_t p = GbkFindNoCase(text.substr(from), pattern);
  return p == npos ? npos : p + from;
}

bool IsRunBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Removes every comment "<!--" ... "-->"; an unclosed one and all after it stay.
void RemoveComments(std::string& text) {
  size_t pos = 0;
  while ((pos = text.find("<!--", pos)) != npos) {
    size_t end = text.find("-->", pos + 4);
    if (end == npos) break;
    text.erase(pos, end + 3 - pos);
  }
}

// Every occurrence of `pattern` (any case) becomes one blank, or goes away
// when it stands at the text start or right after a blank.
void BreakToBlank(std::string& text, std::string_view pattern) {
  size_t pos = 0;
  while ((pos = FindNoCaseFrom(text, pattern, pos)) != npos) {
    if (pos == 0 || text[pos - 1] == ' ') {
      text.erase(pos, pattern.size());
    } else {
      text.replace(pos, pattern.size(), " ");
      ++pos;
    }
  }
}

void DecodeEntities(std::string& text) {
  GbkReplaceAll(text, "&amp;", "&");
  GbkReplaceAll(text, "&lt;", "<");
  GbkReplaceAll(text, "&gt;", ">");
  GbkReplaceAll(text, "&quot;", "\"");
}

// Every run of blanks, tabs and line ends outside double-byte characters
// becomes one blank; a run at the start goes away.
void CollapseRuns(std::string& text) {
  std::string out;
  out.reserve(text.size());
  bool inRun = false;
  for (size_t i = 0; i < text.size();) {
    char c = text[i];
    if (IsRunBlank(c)) {
      inRun = true;
      ++i;
      continue;
    }
    if (inRun && !out.empty()) out.push_back(' ');
    inRun = false;
    size_t len = IsGbkLead(c) && i + 1 < text.size() ? 2 : 1;
    out.append(text, i, len);
    i += len;
  }
  if (inRun && !out.empty()) out.push_back(' ');
  text.swap(out);
}

void TrimRunBlanks(std::string& text) {
  size_t b = 0, e = text.size();
  while (b < e && IsRunBlank(text[b])) ++b;
  while (e > b && IsRunBlank(text[e - 1])) --e;
  text = text.substr(b, e - b);
}

}  // namespace

std::string& StripHtml(std::string& text, bool collapse) {
  if (text.empty()) return text;
  GbkReplaceAll(text, "&nbsp;", " ");
  GbkReplaceAll(text, "&#160;", " ");
  RemoveComments(text);

  size_t pos = 0;
  while ((pos = FindNoCaseFrom(text, "<script", pos)) != npos) {
    size_t end = FindNoCaseFrom(text, "</script>", pos);
    if (end == npos) break;
    text.erase(pos, end + 9 - pos);
  }

  BreakToBlank(text, "<br>");
  BreakToBlank(text, "<br/>");

  for (size_t i = 0; i < text.size();) {
    if (text[i] == '<' && i + 1 < text.size() &&
        (IsAsciiLetter(text[i + 1]) || text[i + 1] == '/' || text[i + 1] == '?')) {
      size_t end = text.find('>', i + 1);
      if (end == npos) break;
      text.replace(i, end + 1 - i, " ");
      ++i;
      continue;
    }
    // "<" is never the trail byte of a double-byte character, so the walk
    // goes byte by byte: a stray lead byte cannot hide the tag after it.
    ++i;
  }

  DecodeEntities(text);
  if (collapse) {
    CollapseRuns(text);
    TrimBlanksIdeo(text);
  }
  return text;
}

std::string& HtmlToText(std::string& text) {
  if (text.empty()) return text;
  RemoveComments(text);
  BreakToBlank(text, "<br>");
  BreakToBlank(text, "<br/>");
  size_t pos = 0;
  while ((pos = text.find('<', pos)) != npos) {
    size_t end = text.find('>', pos + 1);
    if (end == npos) break;
    text.replace(pos, end + 1 - pos, " ");
    ++pos;
  }
  BreakToBlank(text, "&nbsp;");
  DecodeEntities(text);
  CollapseRuns(text);
  TrimRunBlanks(text);
  return text;
}

std::optional<std::string> GetHtmlTableCell(std::string& page, size_t start, size_t& end,
                                            int n, bool strip, bool unescape) {
  size_t td = FindNoCaseFrom(page, "<td", start);
  for (int i = 1; i < n && td != npos; ++i) td = FindNoCaseFrom(page, "<td", td + 4);
  if (td == npos) return std::nullopt;
  size_t open = page.find('>', td);
  if (open == npos) return std::nullopt;
  size_t cellStart = open + 1;
  size_t cellEnd = FindNoCaseFrom(page, "</td", cellStart);
  if (cellEnd == npos) cellEnd = FindNoCaseFrom(page, "<\\/td", cellStart);
  if (cellEnd == npos) return std::nullopt;

  size_t next = FindNoCaseFrom(page, "<td", cellStart);
  if (next != npos && next < cellEnd && next + 3 < page.size() && page[next + 3] != '>') {
    // The cell has no end tag of its own: it ends where the next one starts.
    page[next + 3] = page[next + 2];
    page[next + 2] = page[next + 1];
    page[next + 1] = page[next];
    cellEnd = next;
  }
  end = cellEnd;
  std::string cell = page.substr(cellStart, cellEnd - cellStart);
  if (unescape) UnescapeBackslashes(cell);
  if (strip) StripHtml(cell, true);
  return cell;
}

std::string& UnescapeBackslashes(std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    char c = text[i];
    if (IsGbkLead(c)) {
      out.append(text, i, 2);
      i += 2;
      continue;
    }
    if (c == '\\' && i + 1 < text.size()) {
      char n = text[i + 1];
      char decoded = 0;
      switch (n) {
        case '"': case '\'': case '/': case '\\': decoded = n; break;
        case 'a': decoded = 7; break;
        case 'n': decoded = '\n'; break;
        case 'r': decoded = '\r'; break;
        case 't': decoded = '\t'; break;
        default: break;
      }
      if (decoded) {
        out.push_back(decoded);
        i += 2;
        continue;
      }
    }
    out.push_back(c);
    ++i;
  }
  text.swap(out);
  return text;
}

bool XmlGetElementText(std::string_view name, std::string_view text, std::string& dest,
                       size_t minLen, size_t maxLen, bool strip, size_t limit) {
  dest.clear();
  std::string startTag = "<" + std::string(name) + ">";
  size_t content = text.find(startTag);
  if (content != npos) {
    content += startTag.size();
  } else {
    std::string openTag = "<" + std::string(name) + " ";
    size_t open = text.find(openTag);
    if (open == npos) {
      std::string empty = "<" + std::string(name) + "/>";
      return text.find(empty) != npos && minLen == 0;
    }
    bool quoted = false;
    content = text.size();
    for (size_t i = open + openTag.size(); i < text.size(); ++i) {
      if (text[i] == '"')
        quoted = !quoted;
      else if (text[i] == '>' && !quoted) {
        content = i + 1;
        break;
      }
    }
    if (quoted) return false;
  }

  std::string endTag = "</" + std::string(name) + ">";
  size_t end = text.find(endTag, content);
  if (end == npos || (limit != npos && end > limit)) return false;

  constexpr std::string_view kCdata = "<![CDATA[";
  auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  std::string_view value;
  size_t cdata = text.find(kCdata, content);
  if (cdata != npos && cdata < end) {
    while (content < end && isSpace(text[content])) ++content;
    std::string_view body = text.substr(content, end - content);
    if (body.substr(0, kCdata.size()) == kCdata) {
      while (!body.empty() && isSpace(body.back())) body.remove_suffix(1);
      if (body.size() < kCdata.size() + 3 || body.substr(body.size() - 3) != "]]>")
        return false;
      value = body.substr(kCdata.size(), body.size() - kCdata.size() - 3);
    } else {
      value = body;
    }
  } else {
    value = text.substr(content, end - content);
  }
  if (value.size() > maxLen) return false;
  dest.assign(value);
  if (strip) StripHtml(dest, true);
  return dest.size() >= minLen && dest.size() <= maxLen;
}

std::u16string TextToHtml(std::u16string_view text) {
  std::u16string out;
  if (text.empty()) return out;
  out.reserve(text.size() + text.size() / 4 + 8);
  int wordRun = 0;    // consecutive ASCII letters, digits and punctuation
  int blankRun = 0;   // blanks since the last such character or CR
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    bool word = c > u' ' && c < 0x7F;
    switch (c) {
      case u' ': {
        char16_t prev = i ? text[i - 1] : u'\n';
        out += (prev == u'\n' || prev == u'\r' || prev == u' ') ? u"&nbsp;" : u" ";
        break;
      }
      case u'\r': out += u"<br>"; break;
      case u'\n': out += u' '; break;
      case u'<': out += u"&lt;"; break;
      case u'>': out += u"&gt;"; break;
      default: out += c; break;
    }
    if (word) {
      blankRun = 0;
      if (++wordRun > 80) {
        out += u" -";
        wordRun = blankRun = 0;
      }
    } else {
      wordRun = 0;
      if (c == u'\r') {
        blankRun = 0;
      } else if (c == u' ' && ++blankRun > 80) {
        out += u' ';
        wordRun = blankRun = 0;
      }
    }
  }
  out += u' ';
  return out;
}
