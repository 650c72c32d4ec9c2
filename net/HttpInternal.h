#pragma once
// Pieces shared by the client and its transports; not for other callers.

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
  // Sends every byte; false on failure.
  virtual bool WriteAll(std::string_view bytes) = 0;
};

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
