#pragma once
// Who may post to the stand-in: a program on this machine that names the
// loopback in its Host header and sends JSON as the client does.  A web page
// in a local browser can do neither without the browser's consent: a page
// reached through DNS rebinding sends its own host name, and a cross-site
// post with the JSON type needs a preflight this server never answers.

#include <string_view>

namespace localserver {

// "localhost", an address of 127.0.0.0/8 or "[::1]", bare (the client sends
// no port) or followed by ":<port>" of this server.
bool LoopbackHost(std::string_view host, int port);

// "application/json", optionally with parameters ("; charset=utf-8").
bool JsonContentType(std::string_view type);

}  // namespace localserver
