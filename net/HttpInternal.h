#pragma once
// Pieces shared by the client and its transports; not for other callers.

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "net/HttpClient.h"

namespace http_detail {

// One connection as the response reader sees it.
class Stream {
 public:
  virtual ~Stream() = default;
  // Bytes read (> 0), 0 when the peer closed the connection, < 0 on an error
  // or a time-out.
  virtual int Read(char* buffer, int size) = 0;
  // Copies up to `size` bytes that have arrived without taking them off the
  // stream, waiting for the first one as Read does: bytes copied (> 0), 0
  // when the peer closed the connection, < 0 on an error or a time-out.
  // kCannotPeek from a stream that cannot look ahead.
  static constexpr int kCannotPeek = -1000;
  virtual int Peek(char* /*buffer*/, int /*size*/) { return kCannotPeek; }
  // Sends every byte; false on failure.
  virtual bool WriteAll(std::string_view bytes) = 0;
  // Sends both texts, one after the other, in as few writes as the stream
  // allows.
  virtual bool WriteAll(std::string_view first, std::string_view second) {
    return WriteAll(first) && WriteAll(second);
  }
};

// Takes bytes off the stream and hands them to `keep` one at a time until
// `keep` returns false (that byte is taken too), `most` bytes are taken, or
// the stream ends or fails.  Never takes a byte beyond the one that stopped
// it: a stream that can look ahead is read in blocks of what has arrived,
// any other one byte at a time.
template <class Keep>
void TakeBytes(Stream& s, size_t most, Keep&& keep) {
  char block[4096];
  size_t taken = 0;
  while (taken < most) {
    const int want = static_cast<int>(std::min(most - taken, sizeof block));
    const int seen = s.Peek(block, want);
    if (seen == Stream::kCannotPeek) {
      char c;
      if (s.Read(&c, 1) <= 0) return;
      ++taken;
      if (!keep(c)) return;
      continue;
    }
    if (seen <= 0) return;
    int used = 0;
    bool more = true;
    while (used < seen && more) more = keep(block[used++]);
    // The bytes looked at are there already: reading them cannot wait.
    for (int got = 0; got < used;) {
      const int n = s.Read(block + got, used - got);
      if (n <= 0) return;
      got += n;
    }
    taken += static_cast<size_t>(used);
    if (!more) return;
  }
}

// Reads the response of a sent request into the record.  `keep` tells
// whether the connection may stay open in the record.
struct ReadResult {
  int result = 0;
  bool keep = false;
};
// With `relay`, status 400..499 is refused whatever the accept-400 flag.
ReadResult ReadResponse(HttpRequest& request, Stream& stream, bool relay);

// Case-insensitive (ASCII letters only) search that never matches inside a
// double-byte GBK character.  npos when absent.
size_t FindNoCase(std::string_view text, std::string_view word, size_t from = 0);

// The part of `text` from `pos` up to the next CR, LF or the end.
std::string_view LineAt(std::string_view text, size_t pos);

// True when the host is an IPv4 or IPv6 literal.
bool IsIpLiteral(const std::string& host);

}  // namespace http_detail
