// The transports: plain and TLS sockets, the TLS connect BIO, the relay, and
// the URL GET and POST through libcurl.

#include "net/HttpTransports.h"

#include "platform/Signals.h"

#include <curl/curl.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <new>

#include "net/HostPool.h"
#include "net/HttpInternal.h"
#include "platform/CodePage.h"

using namespace http_detail;

namespace {

constexpr const char* kBioCiphers = "HIGH:!aNULL:!kRSA:!PSK:!SRP:!MD5:!RC4";

// --- Sockets -------------------------------------------------------------

class SocketStream : public Stream {
 public:
  explicit SocketStream(int fd) : fd_(fd) {}
  int Read(char* buffer, int size) override {
    for (;;) {
      ssize_t n = recv(fd_, buffer, static_cast<size_t>(size), 0);
      if (n >= 0) return static_cast<int>(n);
      if (errno == EINTR || errno == EMSGSIZE) continue;
      return -1;
    }
  }
  int Peek(char* buffer, int size) override {
    for (;;) {
      ssize_t n = recv(fd_, buffer, static_cast<size_t>(size), MSG_PEEK);
      if (n >= 0) return static_cast<int>(n);
      if (errno == EINTR || errno == EMSGSIZE) continue;
      return -1;
    }
  }
  bool WriteAll(std::string_view bytes) override { return WriteAll(bytes, {}); }
  // Head and body leave in one segment where they fit one.
  bool WriteAll(std::string_view first, std::string_view second) override {
    while (!first.empty() || !second.empty()) {
      iovec parts[2] = {{const_cast<char*>(first.data()), first.size()},
                        {const_cast<char*>(second.data()), second.size()}};
      msghdr message{};
      message.msg_iov = first.empty() ? parts + 1 : parts;
      message.msg_iovlen = first.empty() ? 1 : 2;
      ssize_t n = sendmsg(fd_, &message, MSG_NOSIGNAL);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      size_t sent = static_cast<size_t>(n);
      const size_t fromFirst = std::min(sent, first.size());
      first.remove_prefix(fromFirst);
      second.remove_prefix(sent - fromFirst);
    }
    return true;
  }

 private:
  int fd_;
};

void SetTimeout(int fd, int option, int ms, bool& ok) {
  timeval tv{};
  if (ms > 0) {
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
  }
  ok = setsockopt(fd, SOL_SOCKET, option, &tv, sizeof tv) == 0;
}

// Waits for a started connect within `seconds`; true when it succeeded.
bool WaitConnected(int fd, int seconds) {
  const int64_t deadline = HttpTickCount() + std::max(seconds, 0) * 1000LL;
  for (;;) {
    pollfd p{fd, POLLOUT, 0};
    const int64_t left = std::max<int64_t>(deadline - HttpTickCount(), 0);
    int n = poll(&p, 1, static_cast<int>(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    int error = 0;
    socklen_t len = sizeof error;
    return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0;
  }
}

// A TCP connection to the host's first IPv4 address with the record's
// time-outs; the connect waits at most the connect time-out.  Returns the
// socket (>= 0) or a negative code.  The relay maps connect failures to -120.
int OpenConnection(const std::string& host, int port, const HttpRequest& r, bool relay) {
  // Made non-blocking for the bounded connect; blocking again once connected.
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return kHttpNoSocket;
  auto fail = [fd](int code) {
    close(fd);
    return code;
  };
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return fail(kHttpHostNotFound);
  sockaddr_in address = *reinterpret_cast<sockaddr_in*>(found->ai_addr);
  freeaddrinfo(found);
  address.sin_port = htons(static_cast<uint16_t>(port));

  // Requests are short exchanges: nothing waits for a fuller segment.
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  bool ok = false;
  SetTimeout(fd, SO_SNDTIMEO, r.sendTimeoutMs, ok);
  if (!ok) return fail(kHttpSendFailed);
  SetTimeout(fd, SO_RCVTIMEO, r.receiveTimeoutMs, ok);
  if (!ok) return fail(kHttpRecvTimeoutOption);
  int rc = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  if (rc != 0 && !(errno == EINPROGRESS && WaitConnected(fd, r.connectTimeoutSeconds)))
    return fail(relay ? kHttpSendFailed : kHttpConnectTimeout);
  // A new socket has no other status flag to keep.
  if (fcntl(fd, F_SETFL, 0) != 0) return fail(relay ? kHttpSendFailed : kHttpBlockingAgain);
  return fd;
}

// Closes the connection held in the record without touching its flags.
void DropConnection(HttpRequest& r) {
  const bool keepAlive = r.keepAlive;
  const bool serverKeepAlive = r.serverKeepAlive;
  CloseHttpConnection(r);
  r.keepAlive = keepAlive;
  r.serverKeepAlive = serverKeepAlive;
}

// Whether the connection kept in the record can carry this request; one
// that cannot is closed.
bool ReuseKept(HttpRequest& r, bool tls) {
  if (r.socket < 0) {
    DropConnection(r);  // frees a stray TLS context or session
    return false;
  }
  bool ok = r.keepAlive == 1 && r.serverKeepAlive == 1 &&
            HttpTickCount() - r.lastUseTick <= r.keepAliveIdleMs &&
            (tls ? (r.tlsContext && r.tlsSession) : (!r.tlsContext && !r.tlsSession));
  if (ok) {
    char c;
    ssize_t n = recv(r.socket, &c, 1, MSG_PEEK | MSG_DONTWAIT);
    ok = n == 1 || (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
  }
  if (!ok) DropConnection(r);
  return ok;
}

// Sends head and body; with expect-continue the interim answer is read
// between them.
bool SendHeadAndBody(HttpRequest& r, Stream& s, const std::string& head, bool waitContinue) {
  std::string_view body;
  if (r.body) {
    if (r.bodyLength <= 0) r.bodyLength = static_cast<int>(std::min<size_t>(r.body->size(), INT_MAX));
    const size_t n = std::min<size_t>(static_cast<size_t>(r.bodyLength), r.body->size());
    body = std::string_view(*r.body).substr(0, n);
  }
  if (!(waitContinue && r.expectContinue == 1)) return s.WriteAll(head, body);
  if (!s.WriteAll(head)) return false;
  int lineFeeds = 0;
  if (r.responseCapacity > 1024) {
    TakeBytes(s, static_cast<size_t>(r.responseCapacity - 1024), [&lineFeeds](char c) {
      if (c == '\n') ++lineFeeds;
      return lineFeeds < 2;
    });
  }
  return body.empty() || s.WriteAll(body);
}

// --- TLS -----------------------------------------------------------------

// True when the last I/O call failed because the socket time-out ran out.
bool TimedOut() { return errno == EAGAIN || errno == EWOULDBLOCK; }

class SslStream : public Stream {
 public:
  explicit SslStream(SSL* ssl) : ssl_(ssl) {}
  int Read(char* buffer, int size) override { return Receive(SSL_read, buffer, size); }
  int Peek(char* buffer, int size) override { return Receive(SSL_peek, buffer, size); }
  bool WriteAll(std::string_view bytes) override {
    int tries = 0;
    while (!bytes.empty()) {
      errno = 0;
      int n = SSL_write(ssl_, bytes.data(), static_cast<int>(std::min<size_t>(bytes.size(), INT_MAX)));
      if (n > 0) {
        bytes.remove_prefix(static_cast<size_t>(n));
        continue;
      }
      int e = SSL_get_error(ssl_, n);
      if ((e == SSL_ERROR_WANT_WRITE || e == SSL_ERROR_WANT_READ) && !TimedOut() && ++tries < 1000) continue;
      return false;
    }
    return true;
  }
  // A head and body that fit one record go in one.
  bool WriteAll(std::string_view first, std::string_view second) override {
    if (first.empty() || second.empty() || first.size() + second.size() > kOneRecord)
      return WriteAll(first) && WriteAll(second);
    std::string both;
    both.reserve(first.size() + second.size());
    both.append(first).append(second);
    return WriteAll(both);
  }

 private:
  static constexpr size_t kOneRecord = 16384;
  int Receive(int (*call)(SSL*, void*, int), char* buffer, int size) {
    for (int tries = 0; tries < 1000; ++tries) {
      errno = 0;
      int n = call(ssl_, buffer, size);
      if (n > 0) return n;
      int e = SSL_get_error(ssl_, n);
      if (e == SSL_ERROR_ZERO_RETURN) return 0;
      if (e == SSL_ERROR_WANT_READ && !TimedOut()) continue;
      return -1;
    }
    return -1;
  }
  SSL* ssl_;
};

class BioStream : public Stream {
 public:
  explicit BioStream(BIO* bio) : bio_(bio) {}
  using Stream::WriteAll;
  int Read(char* buffer, int size) override {
    for (int tries = 0; tries < 1000; ++tries) {
      errno = 0;
      int n = BIO_read(bio_, buffer, size);
      if (n > 0) return n;
      if (BIO_should_retry(bio_) && !TimedOut()) continue;
      return n == 0 ? 0 : -1;
    }
    return -1;
  }
  bool WriteAll(std::string_view bytes) override {
    int tries = 0;
    while (!bytes.empty()) {
      errno = 0;
      int n = BIO_write(bio_, bytes.data(), static_cast<int>(std::min<size_t>(bytes.size(), INT_MAX)));
      if (n > 0) {
        bytes.remove_prefix(static_cast<size_t>(n));
        continue;
      }
      if (BIO_should_retry(bio_) && !TimedOut() && ++tries < 1000) continue;
      return false;
    }
    return true;
  }

 private:
  BIO* bio_;
};

// Certificate checking of a new context: the system's trusted authorities,
// peer verification unless the record skips it.
void ConfigureContext(SSL_CTX* ctx, const HttpRequest& r) {
  SSL_CTX_set_options(ctx, SSL_OP_IGNORE_UNEXPECTED_EOF);
  if (r.tlsSkipVerify == 1) {
    SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, nullptr);
    return;
  }
  SSL_CTX_set_default_verify_paths(ctx);
  SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
}

// The server name for the handshake and the name the certificate must carry.
bool SetPeerName(SSL* ssl, const HttpRequest& r) {
  const bool ip = IsIpLiteral(r.host);
  if (!ip && SSL_set_tlsext_host_name(ssl, r.host.c_str()) != 1) return false;
  if (r.tlsSkipVerify == 1) return true;
  if (ip) return X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), r.host.c_str()) == 1;
  return SSL_set1_host(ssl, r.host.c_str()) == 1;
}

int HandshakeCode(int error) {
  switch (error) {
    case SSL_ERROR_NONE: return kHttpTlsHandshake;
    case SSL_ERROR_SSL: return kHttpTlsProtocol;
    case SSL_ERROR_WANT_READ: return kHttpTlsWantRead;
    case SSL_ERROR_WANT_WRITE: return kHttpTlsWantWrite;
    case SSL_ERROR_WANT_X509_LOOKUP: return kHttpTlsWantX509;
    case SSL_ERROR_SYSCALL: return kHttpTlsSyscall;
    case SSL_ERROR_ZERO_RETURN: return kHttpTlsClosed;
    case SSL_ERROR_WANT_CONNECT: return kHttpTlsWantConnect;
    case SSL_ERROR_WANT_ACCEPT: return kHttpTlsWantAccept;
    default: return kHttpTlsOther;
  }
}

// --- libcurl -------------------------------------------------------------

void CurlStartup() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlSink {
  std::string* out;
  long capacity;
  bool overflow = false;
};

size_t CurlWrite(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<CurlSink*>(user);
  const size_t n = size * count;
  sink->out->append(data, n);
  // The room left must stay above one read of 1,023 bytes.
  if (sink->capacity - static_cast<long>(sink->out->size()) <= 1023) {
    sink->overflow = true;
    return 0;
  }
  return n;
}

// A narrow (GBK) URL as libcurl takes it: UTF-8, non-ASCII bytes and blanks
// percent-encoded.
std::string UrlFromNarrow(std::string_view narrow) {
  std::string text(narrow);
  if (std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
    text = platform::EncodeCodePage(platform::kCodePageUtf8, platform::DecodeCodePage(platform::kCodePageAnsi, text));
  std::string url;
  static const char kHex[] = "0123456789ABCDEF";
  for (unsigned char c : text) {
    if (c >= 0x80 || c == ' ') {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 15];
    } else {
      url += static_cast<char>(c);
    }
  }
  return url;
}

curl_slist* AppendLines(curl_slist* list, std::string_view lines) {
  while (!lines.empty()) {
    size_t end = lines.find('\n');
    std::string_view line = lines.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty()) list = curl_slist_append(list, std::string(line).c_str());
    if (end == std::string_view::npos) break;
    lines.remove_prefix(end + 1);
  }
  return list;
}

// Redirects followed before the transfer is given up as a loop.
constexpr long kMaxRedirects = 10;

// The hosts reached without a proxy: loopback addresses always, whatever
// proxy the environment names, besides the exceptions the environment lists
// itself (which setting the option would otherwise replace).
std::string NoProxyList() {
  const char* env = std::getenv("no_proxy");
  if (env == nullptr || *env == '\0') env = std::getenv("NO_PROXY");
  std::string list = env ? env : "";
  while (!list.empty() && (list.back() == ' ' || list.back() == '\t')) list.pop_back();
  list.erase(0, std::min(list.find_first_not_of(" \t"), list.size()));
  if (list == "*") return list;
  if (!list.empty()) list += ',';
  list += "localhost,127.0.0.0/8,::1";
  return list;
}

bool CommonCurlOptions(CURL* c, HttpRequest& r, CurlSink& sink) {
  const std::string noProxy = NoProxyList();
  bool ok = curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
            curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
            curl_easy_setopt(c, CURLOPT_MAXREDIRS, kMaxRedirects) == CURLE_OK &&
            curl_easy_setopt(c, CURLOPT_NOPROXY, noProxy.c_str()) == CURLE_OK &&
            curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, CurlWrite) == CURLE_OK &&
            curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink) == CURLE_OK;
  if (r.tlsSkipVerify == 1) {
    ok = ok && curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 0L) == CURLE_OK &&
         curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 0L) == CURLE_OK;
  }
  if (r.connectTimeoutSeconds > 0)
    ok = ok && curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(r.connectTimeoutSeconds)) == CURLE_OK;
  if (r.receiveTimeoutMs > 0) {
    // A stalled peer ends the transfer after the receive time-out; one that
    // keeps it alive (a trickle of bytes, one redirect after another) after
    // the connect and receive time-outs together.
    const long long whole = std::max(r.connectTimeoutSeconds, 0) * 1000LL + r.receiveTimeoutMs;
    ok = ok && curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L) == CURLE_OK &&
         curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, std::max(1L, (r.receiveTimeoutMs + 999L) / 1000L)) == CURLE_OK &&
         curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(std::min<long long>(whole, LONG_MAX))) == CURLE_OK;
  }
  return ok;
}

void TakeCurlResults(CURL* c, HttpRequest& r) {
  long status = 0;
  if (curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK) r.status = static_cast<int>(status);
  char* type = nullptr;
  if (curl_easy_getinfo(c, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type)
    r.contentType = std::string(type).substr(0, 255);
}

}  // namespace

// --- The transports --------------------------------------------------------

int HttpSendPlain(HttpRequest& r) {
  if (r.responseCapacity < 4096) return kHttpSmallBuffer;
  const bool proxy = !r.relayHost.empty() && r.relayPort > 0;
  const std::string& targetHost = proxy ? r.relayHost : r.host;
  const int targetPort = proxy ? r.relayPort : r.port;
  const std::string head = BuildRequestHead(r);
  if (!ReuseKept(r, false)) {
    int fd = OpenConnection(targetHost, targetPort, r, false);
    if (fd < 0) return fd;
    r.socket = fd;
  }
  SocketStream stream(r.socket);
  if (!SendHeadAndBody(r, stream, head, true)) {
    DropConnection(r);
    return kHttpSendFailed;
  }
  ReadResult rr = ReadResponse(r, stream, false);
  if (!rr.keep) DropConnection(r);
  return rr.result;
}

int HttpSendTls(HttpRequest& r) {
  if (r.responseCapacity < 4096) return kHttpSmallBuffer;
  const std::string head = BuildRequestHead(r);
  platform::IgnoreBrokenPipe();
  if (!ReuseKept(r, true)) {
    int fd = OpenConnection(r.host, r.port, r, false);
    if (fd < 0) return fd;
    SSL_CTX* ctx = r.tlsMethod == 2 ? nullptr : SSL_CTX_new(TLS_client_method());
    if (!ctx) {
      close(fd);
      return kHttpInflateFailed;  // -201: no TLS context
    }
    if (r.tlsMethod == 3 || r.tlsMethod == 4) {
      const int version = r.tlsMethod == 3 ? SSL3_VERSION : TLS1_VERSION;
      SSL_CTX_set_min_proto_version(ctx, version);
      SSL_CTX_set_max_proto_version(ctx, version);
    }
    ConfigureContext(ctx, r);
    SSL* ssl = SSL_new(ctx);
    if (!ssl) {
      close(fd);
      SSL_CTX_free(ctx);
      return kHttpTlsNoSession;
    }
    int code = 0;
    if (!SetPeerName(ssl, r) || SSL_set_fd(ssl, fd) != 1) {
      code = kHttpTlsOther;
    } else {
      int c = SSL_connect(ssl);
      if (c <= 0) code = HandshakeCode(SSL_get_error(ssl, c));
    }
    if (code != 0) {
      ERR_clear_error();
      close(fd);
      SSL_free(ssl);
      SSL_CTX_free(ctx);
      return code;
    }
    r.socket = fd;
    r.tlsContext = ctx;
    r.tlsSession = ssl;
  }
  SslStream stream(r.tlsSession);
  if (!SendHeadAndBody(r, stream, head, false)) {
    DropConnection(r);
    return kHttpTlsWrite;
  }
  ReadResult rr = ReadResponse(r, stream, false);
  if (!rr.keep) DropConnection(r);
  return rr.result;
}

int HttpSendTlsBio(HttpRequest& r) {
  const std::string head = BuildRequestHead(r);
  platform::IgnoreBrokenPipe();
  const SSL_METHOD* method = TLS_client_method();
  if (!method) return kHttpBioNoMethod;
  SSL_CTX* ctx = SSL_CTX_new(method);
  if (!ctx) return kHttpBioNoContext;
  SSL_CTX_set_options(ctx, SSL_OP_NO_SSLv2 | SSL_OP_NO_SSLv3 | SSL_OP_NO_COMPRESSION);
  ConfigureContext(ctx, r);
  BIO* bio = BIO_new_ssl_connect(ctx);
  auto finish = [&](int code) {
    if (bio) BIO_free_all(bio);
    SSL_CTX_free(ctx);
    ERR_clear_error();
    return code;
  };
  if (!bio) return finish(kHttpBioNoBio);
  const std::string target = r.host + ":" + std::to_string(static_cast<unsigned>(r.port));
  if (BIO_set_conn_hostname(bio, target.c_str()) != 1) return finish(kHttpBioTarget);
  BIO_set_conn_ip_family(bio, BIO_FAMILY_IPV4);
  SSL* ssl = nullptr;
  BIO_get_ssl(bio, &ssl);
  if (!ssl) return finish(kHttpBioNoSsl);
  if (SSL_set_cipher_list(ssl, kBioCiphers) != 1) return finish(kHttpBioCiphers);
  if (!SetPeerName(ssl, r)) return finish(kHttpBioServerName);

  // The TCP connection first, bounded by the connect time-out; then the
  // socket gets the record's time-outs and the handshake runs.
  BIO* connection = BIO_next(bio);
  BIO_set_nbio(connection, 1);
  const int64_t deadline = HttpTickCount() + std::max(r.connectTimeoutSeconds, 0) * 1000LL;
  int connected = BIO_do_connect(connection);
  while (connected <= 0 && BIO_should_retry(connection)) {
    pollfd p{static_cast<int>(BIO_get_fd(connection, nullptr)), POLLOUT, 0};
    const int64_t left = deadline - HttpTickCount();
    if (left <= 0 || p.fd < 0) break;
    const int ready = poll(&p, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;  // time-out: the connect BIO must not be asked again
    connected = BIO_do_connect(connection);
  }
  if (connected != 1) return finish(kHttpBioConnect);
  const int fd = static_cast<int>(BIO_get_fd(connection, nullptr));
  const int flags = fcntl(fd, F_GETFL);
  bool ok = flags >= 0 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
  if (ok) SetTimeout(fd, SO_SNDTIMEO, r.sendTimeoutMs, ok);
  if (ok) SetTimeout(fd, SO_RCVTIMEO, r.receiveTimeoutMs, ok);
  if (!ok) return finish(kHttpBioConnect);
  if (BIO_do_handshake(bio) != 1) return finish(kHttpBioHandshake);

  BioStream stream(bio);
  if (!SendHeadAndBody(r, stream, head, false)) return finish(kHttpTlsWrite);
  ReadResult rr = ReadResponse(r, stream, false);
  return finish(rr.result);
}

std::string BuildRelayInnerText(HttpRequest& r) {
  std::string head;
  if (r.prebuiltHead && !r.prebuiltHead->empty()) {
    head = *r.prebuiltHead;
  } else {
    char version[64];
    std::snprintf(version, sizeof version, "%3.1f", r.httpVersion);
    head = (r.post == 1 || r.body) ? "POST " : "GET ";
    head += r.path + " HTTP/" + version + "\r\n";
    head += DefaultAcceptLine();
    head += "Accept-Language: ";
    head += r.english == 1 ? "en-us\r\n" : "zh-cn\r\n";
    if (r.acceptCompressed == 1) head += "Accept-Encoding: gzip, deflate\r\n";
    head += "Host: " + r.host;
    if (r.port != 80) head += ":" + std::to_string(static_cast<unsigned>(r.port));
    head += "\r\n";
    if (!r.referer.empty()) head += "Referer: " + r.referer + "\r\n";
    head += UserAgentLine(r.userAgent);
    if (r.body) {
      head += "Content-Length: " + std::to_string(r.body->size()) + "\r\n";
      if (!r.multipartBoundary.empty())
        head += "Content-Type: multipart/form-data; boundary=" + r.multipartBoundary + "\r\n";
      else
        head += "Content-Type: " +
                (r.contentTypeOverride.empty() ? std::string("application/x-www-form-urlencoded")
                                               : r.contentTypeOverride) +
                r.contentTypeSuffix + "\r\n";
      head += "Cache-Control: no-cache\r\n";
    }
    head += CookieHeadLine(r.cookieJar);
    head += r.keepAlive == 1 ? "Connection: Keep-Alive\r\n" : "Connection: Close\r\n";
    head += "\r\n";
  }
  std::string inner = "$aAA_Port$" + std::to_string(static_cast<unsigned>(r.port));
  if (r.tls) inner += "$aAA_nSSL$";
  if (r.post == 1) inner += "$aAA_Post$";
  if (r.relayRecordId > 0) inner += "$aAA_irID$" + std::to_string(static_cast<unsigned>(r.relayRecordId));
  if (!r.relayNumber.empty()) inner += "$aAA_cNum$" + r.relayNumber + "$eEE_cNum$";
  inner += "$aAA_Host$" + r.host + "$eEE_Host$";
  inner += "$aAA_Head$" + head + "$eEE_Head$";
  if (r.body) inner += "$aAA_Body$" + *r.body + "$eEE_Body$";
  return inner;
}

std::string BuildRelayOuterHead(const HttpRequest& r, size_t innerLength) {
  std::string head = "POST /cgi-bin/Vexlo.dll?xProxy HTTP/1.1\r\n";
  head += DefaultAcceptLine();
  head += "Accept-Language: zh-cn\r\nHost: " + r.relayHost;
  if (r.relayPort != 80) head += ":" + std::to_string(static_cast<unsigned>(r.relayPort));
  head += "\r\n";
  head += UserAgentLine(r.userAgent);
  head += "Content-Length: " + std::to_string(innerLength) +
          "\r\nContent-Type: application/x-www-form-urlencoded\r\nCache-Control: no-cache\r\n";
  head += "Connection: Close\r\n\r\n";
  return head;
}

int HttpSendRelay(HttpRequest& r) {
  if (r.responseCapacity < 4096) return kHttpSmallBuffer;
  int fd = OpenConnection(r.relayHost, r.relayPort, r, true);
  if (fd < 0) return fd;
  const std::string inner = BuildRelayInnerText(r);
  const std::string outer = BuildRelayOuterHead(r, inner.size());
  SocketStream stream(fd);
  int result;
  if (!stream.WriteAll(outer) || !stream.WriteAll(inner)) {
    result = kHttpSendFailed;
  } else {
    result = ReadResponse(r, stream, true).result;
  }
  shutdown(fd, SHUT_RDWR);
  close(fd);
  return result;
}

int HttpGetWinInet(HttpRequest& r) {
  r.response.clear();
  try {
    CurlStartup();
    CURL* c = curl_easy_init();
    if (!c) return 0;
    CurlSink sink{&r.response, r.responseCapacity};
    const std::string url = UrlFromNarrow(std::string_view(r.path).substr(0, 4095));
    bool ok = curl_easy_setopt(c, CURLOPT_URL, url.c_str()) == CURLE_OK && CommonCurlOptions(c, r, sink);
    CURLcode rc = ok ? curl_easy_perform(c) : CURLE_FAILED_INIT;
    TakeCurlResults(c, r);
    curl_easy_cleanup(c);
    if (rc != CURLE_OK || sink.overflow) {
      r.response.clear();
      return 0;
    }
    r.contentLength = static_cast<int>(r.response.size());
    return r.contentLength;
  } catch (...) {
    r.response.clear();
    return 0;
  }
}

int HttpPostWinInet(HttpRequest& r) {
  r.response.clear();
  CURL* c = nullptr;
  curl_slist* lines = nullptr;
  int result;
  try {
    CurlStartup();
    c = curl_easy_init();
    if (!c) return kHttpNoBuffer;
    CurlSink sink{&r.response, r.responseCapacity};
    std::string url = r.tls ? "https://" : "http://";
    url += UrlFromNarrow(r.host) + ":" + std::to_string(static_cast<unsigned>(r.port)) + UrlFromNarrow(r.path);
    bool ok = curl_easy_setopt(c, CURLOPT_URL, url.c_str()) == CURLE_OK && CommonCurlOptions(c, r, sink);
    if (!r.referer.empty()) ok = ok && curl_easy_setopt(c, CURLOPT_REFERER, r.referer.c_str()) == CURLE_OK;
    lines = AppendLines(lines, r.extraHeadLines);
    lines = curl_slist_append(lines, "Expect:");
    if (r.post == 1) {
      const std::string type = "Content-Type: " + (r.contentTypeOverride.empty()
                                                       ? std::string("application/x-www-form-urlencoded")
                                                       : r.contentTypeOverride);
      lines = curl_slist_append(lines, type.c_str());
      lines = AppendLines(lines, r.acceptLine);
      const std::string_view body = r.body ? std::string_view(*r.body) : std::string_view();
      ok = ok && curl_easy_setopt(c, CURLOPT_POST, 1L) == CURLE_OK &&
           curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size())) == CURLE_OK &&
           curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.data()) == CURLE_OK;
    } else {
      ok = ok && curl_easy_setopt(c, CURLOPT_HTTPGET, 1L) == CURLE_OK;
    }
    ok = ok && lines && curl_easy_setopt(c, CURLOPT_HTTPHEADER, lines) == CURLE_OK;
    if (!ok) {
      result = kHttpBadMode;
    } else {
      CURLcode rc = curl_easy_perform(c);
      TakeCurlResults(c, r);
      if (sink.overflow)
        result = kHttpPostOverflow;
      else if (rc != CURLE_OK)
        result = kHttpNoPath;
      else
        result = static_cast<int>(r.response.size());
    }
  } catch (...) {
    result = kHttpPostException;
  }
  if (result < 0) r.response.clear();
  else r.contentLength = result;
  if (lines) curl_slist_free_all(lines);
  if (c) curl_easy_cleanup(c);
  return result;
}

// --- Host pool ---------------------------------------------------------------

const std::string* CHostPool::Add(std::string_view name, bool unique) {
  std::unique_lock<std::mutex> lock(mutex_, std::try_to_lock);
  if (!lock.owns_lock()) return nullptr;
  if (unique) {
    for (const auto& n : names_)
      if (n == name) return &n;
  }
  names_.emplace_back(name);
  return &names_.back();
}

const std::string* CHostPool::Find(std::string_view name) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& n : names_)
    if (n == name) return &n;
  return nullptr;
}

CHostPool& HostPool() {
  static CHostPool pool;
  return pool;
}
