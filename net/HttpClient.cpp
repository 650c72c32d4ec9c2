// Request dispatch, the request head, the response head and the body reader.

#include "net/HttpClient.h"

#include <arpa/inet.h>
#include <openssl/ssl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <mutex>
#include <new>

#include "net/HostPool.h"
#include "net/HttpInternal.h"
#include "net/HttpTransports.h"

using namespace http_detail;

namespace {

constexpr std::string_view kDefaultAccept =
    "Accept: text/html, application/xhtml+xml, image/png, image/gif, image/jpeg, "
    "image/svg+xml, application/vnd.ms-excel, application/msword, application/poscript, "
    "application/pdf, application/json, text/javascript, */*\r\n";
constexpr std::string_view kMobileAgent =
    "User-Agent: Mozilla/5.0 (Linux; Android 6.0; Nexus 5 Build/MRA58N) AppleWebKit/537.36 "
    "(KHTML, like Gecko) Chrome/78.0.3904.87 Mobile Safari/537.36\r\n";
constexpr std::string_view kDesktopAgent =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.0; Trident/5.0)\r\n";
constexpr std::string_view kRequestedWith = "x-requested-with: XMLHttpRequest\r\n";

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// atoi-like: blanks, an optional sign, digits; clamped to the int range.
int LeadingNumber(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  long long v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    v = v * 10 + (s[i] - '0');
    if (v > INT_MAX) {
      v = INT_MAX;
      break;
    }
  }
  return static_cast<int>(negative ? -v : v);
}

// The value of the head field found by "\n<name>": after the colon and any
// blanks, up to the end of its line.  npos-free: nullopt when absent.
std::optional<std::string_view> FieldValue(std::string_view head, std::string_view name) {
  std::string key = "\n";
  key += name;
  size_t p = FindNoCase(head, key);
  if (p == std::string_view::npos) return std::nullopt;
  std::string_view line = LineAt(head, p + 1);
  size_t colon = line.find(':');
  if (colon == std::string_view::npos) return std::string_view();
  line.remove_prefix(colon + 1);
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  return line;
}

std::string PortPart(const HttpRequest& r) {
  if ((r.port == 80 && !r.tls) || (r.port == 443 && r.tls)) return {};
  return ":" + std::to_string(static_cast<unsigned>(r.port));
}

std::string VersionText(double version) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%3.1f", version);
  return buf;
}

// A head area of 0 bytes or less becomes 8,192 bytes (65,536 for a response
// room above 96,000), never more than the response room.
void ChooseHeadBufferSize(HttpRequest& r) {
  if (r.headBufferSize > 0) return;
  r.headBufferSize = r.responseCapacity < 96001 ? 8192 : 65536;
  if (r.responseCapacity < 8192) r.headBufferSize = r.responseCapacity;
}

// The longest chunk size line read, its extensions and line end included.
constexpr size_t kChunkLineLimit = 1024;

// Reads one head into request.head, taking nothing of the body with it: up
// to the first line of at most three bytes.
void ReadHead(HttpRequest& r, Stream& s, long headRoom) {
  std::string& h = r.head;
  h.clear();
  if (headRoom <= 0) return;
  long previousLf = 0;
  TakeBytes(s, static_cast<size_t>(headRoom), [&](char c) {
    if (c == '\n') {
      long at = static_cast<long>(h.size());
      if (at - previousLf < 5) return false;
      previousLf = at;
    }
    h.push_back(c);
    return true;
  });
}

}  // namespace

namespace http_detail {

size_t FindNoCase(std::string_view text, std::string_view word, size_t from) {
  if (word.empty()) return from <= text.size() ? from : std::string_view::npos;
  size_t i = from;
  while (i + word.size() <= text.size()) {
    size_t k = 0;
    while (k < word.size() && LowerAscii(text[i + k]) == LowerAscii(word[k])) ++k;
    if (k == word.size()) return i;
    i += (static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size()) ? 2 : 1;
  }
  return std::string_view::npos;
}

std::string_view LineAt(std::string_view text, size_t pos) {
  if (pos > text.size()) return {};
  size_t end = text.find_first_of("\r\n", pos);
  if (end == std::string_view::npos) end = text.size();
  return text.substr(pos, end - pos);
}

bool IsIpLiteral(const std::string& host) {
  unsigned char buf[sizeof(struct in6_addr)];
  return inet_pton(AF_INET, host.c_str(), buf) == 1 || inet_pton(AF_INET6, host.c_str(), buf) == 1;
}

ReadResult ReadResponse(HttpRequest& r, Stream& s, bool relay) {
  r.response.clear();
  ChooseHeadBufferSize(r);
  const long headRoom = (r.headInResponse ? r.responseCapacity : r.headBufferSize) - 1L;
  for (;;) {
    ReadHead(r, s, headRoom);
    if (!r.head.empty() && (r.head[0] == 'V' || r.head[0] == 'v')) continue;
    ParseResponseHead(r);
    if (r.status != 100) break;
  }
  const bool refused = relay ? (r.status >= 400 && r.status <= 499) : (r.status == 400 && r.accept400 != 1);
  if (r.status < 100 || r.status >= 1000 || refused) return {kHttpBadStatus, false};

  const bool keep = r.keepAlive == 1 && r.serverKeepAlive == 1;
  if (r.contentLength == 0) return {0, keep};

  const long room = r.responseCapacity - 64L - (r.headInResponse ? static_cast<long>(r.head.size()) : 0L);
  if (r.contentLength > room) return {kHttpBodyTooLarge, false};

  std::string& body = r.response;
  if (r.chunked) {
    for (;;) {
      // The size line, extensions and all, must end within its limit; a
      // line that does not, or whose size cannot be read, leaves the rest of
      // the body unknown.
      std::string line;
      TakeBytes(s, kChunkLineLimit, [&line](char c) {
        line.push_back(c);
        return c != '\n';
      });
      if (line.empty() || line.back() != '\n') return {kHttpBodyShort, false};
      const int size = ParseChunkSize(line);
      if (size < 0) return {kHttpBodyShort, false};
      const bool last = size == 0;
      if (static_cast<long>(body.size()) + size > room - 1) return {kHttpBodyTooLarge, false};
      const size_t start = body.size();
      const size_t need = static_cast<size_t>(size) + 2;
      body.resize(start + need);
      size_t got = 0;
      while (got < need) {
        int n = s.Read(&body[start + got], static_cast<int>(std::min<size_t>(need - got, 1 << 20)));
        if (n <= 0) break;
        got += static_cast<size_t>(n);
      }
      if (got < need && !last) return {kHttpBodyShort, false};
      body.resize(start + static_cast<size_t>(size));
      if (last) break;
    }
  } else {
    const long limit = (r.contentLength > 0 && r.contentLength <= room) ? r.contentLength : room - 1;
    bool ended = false;
    bool failed = false;
    while (static_cast<long>(body.size()) < limit) {
      const size_t start = body.size();
      const size_t want = static_cast<size_t>(std::min<long>(limit - static_cast<long>(start), 16384));
      body.resize(start + want);
      int n = s.Read(&body[start], static_cast<int>(want));
      if (n <= 0) {
        body.resize(start);
        (n < 0 ? failed : ended) = true;
        break;
      }
      body.resize(start + static_cast<size_t>(n));
    }
    if (r.contentLength > 0) {
      if (static_cast<long>(body.size()) < r.contentLength) return {kHttpBodyShort, false};
    } else if (failed) {
      // The peer went silent (or failed) before closing: the body may be cut.
      return {kHttpBodyShort, false};
    } else if (!ended) {
      // The room is full; the body is whole only if the peer closes now.
      char c;
      if (s.Read(&c, 1) != 0) return {kHttpBodyTooLarge, false};
    }
  }

  if (r.contentEncoding == 0 || body.size() < 2) {
    if (r.chunked || r.contentLength <= 0) r.contentLength = static_cast<int>(body.size());
    return {r.contentLength, keep};
  }
  if (r.status >= 300 && r.status <= 399 && body.size() < 80) return {0, keep};
  std::string compressed;
  try {
    compressed = body;
  } catch (const std::bad_alloc&) {
    return {kHttpNoMemory, false};
  }
  std::string decoded;
  int z = InflateBody(compressed, decoded, static_cast<size_t>(room), r.contentEncoding == 1);
  if (z == Z_STREAM_END && static_cast<long>(decoded.size()) < room) {
    body = std::move(decoded);
    r.contentLength = static_cast<int>(body.size());
    return {r.contentLength, keep};
  }
  return {(r.status >= 300 && r.status <= 399) ? 0 : kHttpInflateFailed, keep};
}

}  // namespace http_detail

std::string_view UserAgentLine(int choice) { return choice == 1 ? kMobileAgent : kDesktopAgent; }
std::string_view DefaultAcceptLine() { return kDefaultAccept; }
std::string_view RequestedWithLine() { return kRequestedWith; }

int64_t HttpTickCount() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string BuildRequestHead(HttpRequest& r) {
  if (r.body) {
    const int length = static_cast<int>(std::min<size_t>(r.body->size(), INT_MAX));
    if (r.multipartBoundary.empty() || r.bodyLength <= 0 || r.bodyLength > length) r.bodyLength = length;
  }
  if (r.prebuiltHead && !r.prebuiltHead->empty()) return *r.prebuiltHead;

  std::string h;
  h.reserve(768);
  h += r.body ? "POST " : "GET ";
  h += r.path;
  h += " HTTP/";
  h += VersionText(r.httpVersion);
  h += "\r\n";
  if (r.requestedWith == 1) h += kRequestedWith;
  h += r.acceptLine.empty() ? kDefaultAccept : std::string_view(r.acceptLine);
  h += "Accept-Language: ";
  h += r.english == 1 ? "en-us" : "zh-cn";
  h += "\r\n";
  if (r.acceptCompressed == 1) h += "Accept-Encoding: gzip, deflate\r\n";
  h += "Host: ";
  h += r.host;
  h += PortPart(r);
  h += "\r\n";
  if (!r.referer.empty()) h += "Referer: " + r.referer + "\r\n";
  h += r.extraHeadLines;
  h += UserAgentLine(r.userAgent);
  if (r.body) {
    h += "Content-Length: " + std::to_string(r.bodyLength) + "\r\n";
    if (!r.multipartBoundary.empty()) {
      h += "Content-Type: multipart/form-data; boundary=" + r.multipartBoundary + "\r\n";
    } else {
      h += "Content-Type: ";
      h += r.contentTypeOverride.empty() ? std::string("application/x-www-form-urlencoded")
                                         : r.contentTypeOverride;
      h += r.contentTypeSuffix;
      h += "\r\n";
    }
  }
  if (r.expectContinue == 1) h += "Expect: 100-continue\r\n";
  h += r.keepAlive == 1 ? "Connection: Keep-Alive\r\n" : "Connection: Close\r\n";
  h += "Cache-Control: no-cache\r\n";
  h += CookieHeadLine(r.cookieJar);
  h += "\r\n";
  if (r.prebuiltHead) *r.prebuiltHead = h;
  return h;
}

int ParseResponseHead(HttpRequest& r) {
  r.status = 10;
  r.serverKeepAlive = 0;
  r.contentLength = -1;
  r.chunked = 0;
  r.contentEncoding = 0;
  r.contentType.clear();
  const std::string_view h = r.head;
  if (h.empty()) return 0;

  const std::string_view first = LineAt(h, 0);
  const size_t blank = first.find(' ');
  if (blank != std::string_view::npos) r.status = LeadingNumber(first.substr(blank + 1));
  if (r.status < 100 || r.status > 999 || (r.status == 400 && r.accept400 != 1)) return r.status;
  if (r.status < 200) return r.status;

  if (r.keepAlive == 1) {
    r.serverKeepAlive = 1;
    if (auto v = FieldValue(h, "Connection"); v && FindNoCase(*v, "close") != std::string_view::npos)
      r.serverKeepAlive = 0;
  }
  for (std::string_view name : {"Content-Length", "Cteonnt-Length", "ntCoent-Length"}) {
    if (auto v = FieldValue(h, name)) {
      r.contentLength = LeadingNumber(*v);
      break;
    }
  }
  if (auto v = FieldValue(h, "Content-Type")) r.contentType = std::string(v->substr(0, 255));
  if (auto v = FieldValue(h, "Transfer-Encoding"); v && FindNoCase(*v, "chunked") != std::string_view::npos)
    r.chunked = 1;
  if (auto v = FieldValue(h, "Content-Encoding")) {
    if (FindNoCase(*v, "gzip") != std::string_view::npos)
      r.contentEncoding = 1;
    else if (FindNoCase(*v, "deflate") != std::string_view::npos)
      r.contentEncoding = 2;
  }
  if (r.cookieJar && FindNoCase(h, "Set-Cookie:") != std::string_view::npos)
    UpdateCookieJar(*r.cookieJar, r.cookieJarCapacity, h);
  if (r.status == 301 || r.status == 302) FollowRedirect(r);
  return r.status;
}

int ParseChunkSize(std::string_view line) {
  size_t i = 0;
  long long value = 0;
  for (; i < line.size(); ++i) {
    const char c = line[i];
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      break;
    value = value * 16 + d;
    if (value > INT_MAX) return -1;
  }
  if (i == 0) return -1;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  // A chunk extension (";name=value", any number of them) says nothing about
  // the size.
  if (i < line.size() && line[i] == ';') return static_cast<int>(value);
  if (i < line.size() && line[i] == '\r') ++i;
  if (i < line.size() && line[i] == '\n') ++i;
  return i == line.size() ? static_cast<int>(value) : -1;
}

int InflateBody(std::string_view compressed, std::string& output, size_t outputSize, bool gzip) {
  output.clear();
  if (gzip) {
    if (compressed.size() < 10) return Z_DATA_ERROR;
    compressed.remove_prefix(10);
  }
  z_stream zs{};
  if (inflateInit2(&zs, -15) != Z_OK) return Z_MEM_ERROR;
  output.resize(outputSize);
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  zs.avail_in = static_cast<uInt>(std::min<size_t>(compressed.size(), UINT_MAX));
  zs.next_out = reinterpret_cast<Bytef*>(output.data());
  zs.avail_out = static_cast<uInt>(std::min<size_t>(outputSize, UINT_MAX));
  int rc = inflate(&zs, Z_FINISH);
  output.resize(outputSize - zs.avail_out);
  inflateEnd(&zs);
  return rc;
}

void CloseHttpConnection(HttpRequest& r) {
  if (r.socket >= 0) {
    if (r.tlsSession) SSL_shutdown(r.tlsSession);
    shutdown(r.socket, SHUT_RDWR);
    close(r.socket);
    r.socket = -1;
  }
  if (r.tlsSession) SSL_free(r.tlsSession);
  if (r.tlsContext) SSL_CTX_free(r.tlsContext);
  r.tlsSession = nullptr;
  r.tlsContext = nullptr;
  r.keepAlive = 0;
  r.serverKeepAlive = 0;
}

int SendHttpRequest(HttpRequest& r) {
  r.response.clear();
  int result;
  if (r.responseCapacity <= 0 || r.host.empty()) {
    result = kHttpNoBuffer;
  } else {
    ChooseHeadBufferSize(r);
    if (r.mode == 0) {
      if (r.path.empty()) {
        result = kHttpNoPath;
      } else if (r.relayMode == 100 && !r.relayHost.empty() && r.relayPort > 0) {
        result = HttpSendRelay(r);
      } else if (r.path.compare(0, 4, "http") == 0) {
        result = HttpGetWinInet(r);
      } else if (r.tls) {
        if (r.tlsMethod != 9 && HostPool().Find(r.host)) r.tlsMethod = 9;
        result = 0;
        if (r.tlsMethod != 9) {
          r.expectContinue = 0;
          result = HttpSendTls(r);
          if (result == kHttpTlsSyscall || result == kHttpTlsProtocol) {
            HostPool().Add(r.host, true);
            r.tlsMethod = 9;
            r.expectContinue = 0;
          }
        }
        if (r.tlsMethod == 9) result = HttpSendTlsBio(r);
      } else {
        result = HttpSendPlain(r);
      }
    } else if (r.mode == 10) {
      result = HttpPostWinInet(r);
    } else {
      result = kHttpBadMode;
    }
  }
  r.lastUseTick = HttpTickCount();
  return result;
}
