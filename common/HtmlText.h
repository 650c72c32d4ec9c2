#pragma once
// Small filters between markup and plain text: markup removal for GBK text
// taken from web pages and message definitions, the reader of one HTML
// table cell and of one XML element, and plain UTF-16 text turned into HTML
// for display.  They are text filters, not parsers: each rule is applied
// over the whole text in a fixed order.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Removes markup in place: "&nbsp;"/"&#160;", comments, scripts, "<br>",
// tags, then decodes "&amp;" (one level), "&lt;", "&gt;", "&quot;".  With
// collapse every run of blanks, tabs and line ends becomes one blank and the
// ends are trimmed (ideographic blanks too).  Returns the text.
std::string& StripHtml(std::string& text, bool collapse);

// The simpler markup remover of the print path: comments, "<br>", everything
// from "<" to ">", "&nbsp;", the entities, blank runs collapsed and trimmed.
std::string& HtmlToText(std::string& text);

// The text of the n-th table cell ("<td" ... "</td" or "<\/td") found from
// `start` in `page`, or nothing.  `end` gets the position in `page` where the
// cell ends.  A cell that runs into the next "<td" ends there; that "<td" is
// then moved one byte on in `page` so that a later search from `end` still
// finds the next cell.  With `unescape` the cell goes through
// UnescapeBackslashes, with `strip` through StripHtml with collapse.
std::optional<std::string> GetHtmlTableCell(std::string& page, size_t start, size_t& end,
                                            int n, bool strip, bool unescape);

// Decodes \" \' \/ \\ \a \n \r \t in place; double-byte characters are
// copied whole and any other backslash stays.
std::string& UnescapeBackslashes(std::string& text);

// The text of the first element `name` in `text`: "<name>" or "<name ...>"
// up to "</name>" (which must not start beyond `limit`), a CDATA section
// unwrapped.  `dest` gets the text (StripHtml with collapse when `strip`);
// true when its length lies within [minLen, maxLen].  An element written as
// "<name/>" gives true with an empty text when minLen is 0.
bool XmlGetElementText(std::string_view name, std::string_view text, std::string& dest,
                       size_t minLen, size_t maxLen, bool strip,
                       size_t limit = std::string_view::npos);

// HTML for display: runs of blanks as "&nbsp;", CR as "<br>", "<" and ">"
// escaped, and break hints in very long runs; ends with one blank.
std::u16string TextToHtml(std::u16string_view text);
