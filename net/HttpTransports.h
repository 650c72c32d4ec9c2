#pragma once
// The transports behind SendHttpRequest.  Each takes the caller's record and
// returns the body length or a negative code of net/HttpClient.h.

#include <string>

#include "net/HttpClient.h"

// Plain socket; with a relay host and port (relay mode not 100) the request
// goes to that host and port unchanged, as to a plain HTTP proxy.
int HttpSendPlain(HttpRequest& request);
// TLS over the program's own socket; the connection may be kept.
int HttpSendTls(HttpRequest& request);
// TLS through an OpenSSL connect BIO; the connection is never kept.
int HttpSendTlsBio(HttpRequest& request);
// The whole request wrapped for the relay server.
int HttpSendRelay(HttpRequest& request);
// The two libcurl transports follow at most 10 redirects; with a receive
// time-out the whole transfer ends after the connect and receive time-outs
// together.  Loopback addresses are never reached through a proxy named by
// the environment.
//
// GET of a full URL (the path) through libcurl: body length, 0 on any failure.
int HttpGetWinInet(HttpRequest& request);
// POST (post flag 1) or GET to host, port and path through libcurl: body
// length or -1 to -5.
int HttpPostWinInet(HttpRequest& request);

// The relay's inner text: the marked sections with the target's head.
std::string BuildRelayInnerText(HttpRequest& request);
// The relay's outer head for an inner text of that length.
std::string BuildRelayOuterHead(const HttpRequest& request, size_t innerLength);
