#pragma once
// The program's own HTTP/1.1 client.
//
// A caller fills one HttpRequest and hands it to SendHttpRequest, which picks
// a transport (plain socket, TLS socket, TLS connect-BIO, relay, or the
// libcurl-backed URL GET and POST), sends the request head and body, reads the
// response head into `head` and the body into `response`, decodes chunked and
// gzip/deflate bodies, keeps the cookie jar and notes a redirect target.  The
// result is the body length (0 or more) or one of the negative codes below.
//
// A record belongs to one thread for the duration of a call.  The only shared
// state of the client is the host pool (net/HostPool.h).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;

// Result codes of SendHttpRequest and the transports.
enum HttpResult : int {
  kHttpNoBuffer = -1,          // no response buffer or no host (URL POST: no session)
  kHttpBadMode = -2,           // mode neither 0 nor 10 (URL POST: request not set up)
  kHttpNoPath = -3,            // no path (URL POST: sending failed)
  kHttpPostOverflow = -4,      // URL POST: the body would not fit the room
  kHttpPostException = -5,     // URL POST: unexpected failure of the library
  kHttpTlsNoSession = -10,
  kHttpTlsHandshake = -11,
  kHttpTlsWrite = -12,         // TLS: writing the head or body failed
  kHttpNoSocket = -100,
  kHttpBadStatus = -102,       // status outside 100..999, 400 not accepted, empty head
  kHttpHostNotFound = -103,
  kHttpSendFailed = -120,      // send time-out option, or sending failed (relay: connect)
  kHttpRecvTimeoutOption = -121,
  kHttpNonBlocking = -122,
  kHttpConnectTimeout = -123,
  kHttpBlockingAgain = -124,
  kHttpTlsClosed = -180,
  kHttpTlsWantRead = -181,
  kHttpTlsWantWrite = -182,
  kHttpTlsWantConnect = -183,
  kHttpTlsWantAccept = -184,
  kHttpTlsWantX509 = -185,
  kHttpTlsSyscall = -186,
  kHttpTlsProtocol = -187,
  kHttpTlsOther = -189,
  kHttpNoMemory = -200,
  kHttpInflateFailed = -201,   // also: TLS context could not be made
  kHttpBodyTooLarge = -204,    // the body does not fit the room
  kHttpBodyShort = -299,       // the body ended before its announced end
  kHttpBioNoMethod = -401,
  kHttpBioNoContext = -402,
  kHttpBioNoBio = -404,
  kHttpBioTarget = -405,
  kHttpBioNoSsl = -406,
  kHttpBioCiphers = -407,
  kHttpBioServerName = -408,
  kHttpBioConnect = -410,
  kHttpBioHandshake = -411,
  kHttpSmallBuffer = -900,     // response capacity below 4,096 bytes
};

// Where a 301 or 302 answer points (filled by FollowRedirect).
struct HttpRedirectTarget {
  int tls = 0;
  int port = 0;
  std::string host;  // shorter than 96 characters
  std::string path;
};

struct HttpRequest {
  // Kept connection: socket (-1 none), TLS context and session (null when plain).
  int socket = -1;
  SSL_CTX* tlsContext = nullptr;
  SSL* tlsSession = nullptr;

  int mode = 0;               // 0 automatic; 10 URL POST transport; other: nothing sent
  double httpVersion = 1.1;   // written with "HTTP/%3.1f"
  int post = 0;               // marks a POST for the relay and URL transports
  int acceptCompressed = 0;   // adds "Accept-Encoding: gzip, deflate"
  int tls = 0;                // https
  int keepAlive = 0;          // ask for a kept connection
  int requestedWith = 0;      // adds "x-requested-with: XMLHttpRequest"
  int english = 0;            // Accept-Language en-us instead of zh-cn
  int port = 80;
  int sendTimeoutMs = 30000;
  int receiveTimeoutMs = 30000;
  int connectTimeoutSeconds = 10;
  int responseCapacity = 0;   // room of the response buffer in bytes
  int cookieJarCapacity = 0;  // room of the cookie jar in bytes
  int bodyLength = 0;         // 0: the length of `body` (set by the client)

  std::string response;       // receives the body
  std::string* cookieJar = nullptr;  // "name=value;name=value", or none
  std::string host;
  std::string path;
  std::optional<std::string> body;   // none for a GET
  std::string referer;               // empty: no Referer line
  // Prebuilt head: none; empty: the built head is stored here; non-empty:
  // sent unchanged.
  std::optional<std::string> prebuiltHead;
  std::string multipartBoundary;     // non-empty: multipart/form-data

  int64_t lastUseTick = 0;    // milliseconds, set by the client
  int keepAliveIdleMs = 0;    // a kept connection idle longer is not reused
  int expectContinue = 0;     // "Expect: 100-continue"
  int tlsMethod = 0;          // 2 SSLv2, 3 SSLv3, 4 TLS 1.0, 9 connect-BIO, else flexible
  int accept400 = 0;          // let status 400 through
  // Skips the check of the server certificate and its host name.  Off by
  // default; only for peers whose certificate cannot be checked.
  int tlsSkipVerify = 0;

  std::string relayHost;
  int relayPort = 0;
  int relayMode = 0;          // 100 selects the relay transport
  int relayRecordId = 0;
  std::string relayNumber;

  // Results.
  int status = 0;
  int serverKeepAlive = 0;
  int contentEncoding = 0;    // 0 none, 1 gzip, 2 deflate
  int chunked = 0;
  std::string head;           // the response head as read (its last line feed dropped)
  int headBufferSize = 0;     // room for the head; 0 or less: chosen by the client
  // The head shares the response room (the body's room is then smaller by
  // the head's length), as when no separate head area is given.
  bool headInResponse = false;
  int contentLength = -1;     // from the head (-1 none); after the call the body length

  int userAgent = 0;          // 1 the mobile browser line
  std::string contentType;    // of the response, at most 255 characters
  HttpRedirectTarget redirect;

  // Head overrides (empty: the default).
  std::string contentTypeOverride;  // replaces "application/x-www-form-urlencoded"
  std::string contentTypeSuffix;    // appended right after the content type
  std::string acceptLine;           // replaces the default Accept line
  std::string extraHeadLines;       // inserted after the Referer line
};

// Sends the request and reads the response (see above).
int SendHttpRequest(HttpRequest& request);

// Ends a connection kept in the record and clears its keep-alive flags.
void CloseHttpConnection(HttpRequest& request);

// The head the socket transports send.  Sets the body length field; stores
// the built head in an empty prebuilt head.
std::string BuildRequestHead(HttpRequest& request);

// Reads the status and the head fields of request.head into the record,
// updates the cookie jar and the redirect target.  Returns the status (10
// when the first line holds none), or 0 for an empty head.
int ParseResponseHead(HttpRequest& request);

// The size of a chunk from its size line: the hex digits at its start, then
// optional blanks, then the line end or chunk extensions (";..."), which are
// ignored.  -1 when the line does not start with a hex digit, holds anything
// else after the digits, or names a size beyond the int range.
int ParseChunkSize(std::string_view line);

// Raw inflate of a gzip (fixed 10-byte header skipped) or deflate body into
// at most outputSize bytes.  Returns the zlib result: Z_STREAM_END on success.
int InflateBody(std::string_view compressed, std::string& output, size_t outputSize,
                bool gzip);

std::string_view UserAgentLine(int choice);
std::string_view DefaultAcceptLine();
std::string_view RequestedWithLine();

// Milliseconds of a steady clock, as used for lastUseTick.
int64_t HttpTickCount();

// --- Cookie jar and redirect target ---

// Trims trailing LF, CR, blanks and semicolons off a jar longer than 2 bytes.
void TrimCookieJar(std::string& jar);
// "Cookie: <jar>\r\n" for a jar that is longer than 2 bytes once trimmed.
std::string CookieHeadLine(std::string* jar);
// Removes every entry of that name from the jar.
void RemoveCookie(std::string& jar, std::string_view name);
// Bytes 1..8 become '_', TAB/LF/CR blanks, runs of blanks one blank.
std::string SanitizeCookieText(std::string_view text);
// Applies the "Set-Cookie:" lines of a response head to the jar.
void UpdateCookieJar(std::string& jar, int capacity, std::string_view head);
// Fills request.redirect from the "Location:" field of request.head: 0 none
// (or host too long), 1 same host, 2 another host.
int FollowRedirect(HttpRequest& request);
