// The TLS transports against a TLS server with a certificate made here.

#include <gtest/gtest.h>

#include <chrono>

#include "TestServers.h"
#include "net/HostPool.h"
#include "net/HttpClient.h"
#include "net/HttpTransports.h"

using nettest::Certificate;
using nettest::ScopedEnv;
using nettest::TlsServer;

namespace {

const Certificate& LocalhostCertificate() {
  static const Certificate cert = nettest::MakeSelfSignedCertificate("localhost");
  return cert;
}

const std::string& TrustFile() {
  static const std::string path = nettest::WriteTempFile("trusted.pem", LocalhostCertificate().certPem);
  return path;
}

HttpRequest TlsRequest(const std::string& host, int port) {
  HttpRequest r;
  r.host = host;
  r.port = port;
  r.tls = 1;
  r.path = "/s";
  r.responseCapacity = 8192;
  r.receiveTimeoutMs = 3000;
  r.sendTimeoutMs = 3000;
  r.connectTimeoutSeconds = 2;
  return r;
}

const char* kAnswer = "HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nsecure";

}  // namespace

TEST(TlsTransport, CertificateAndHostNameAreChecked) {
  TlsServer server(LocalhostCertificate(), kAnswer);
  struct Case {
    const char* name;
    bool trusted;
    const char* host;
    int skipVerify;
    int socketResult;
    int bioResult;
  } cases[] = {
      {"untrusted certificate", false, "localhost", 0, -187, -411},
      {"trusted certificate", true, "localhost", 0, 6, 6},
      {"trusted, wrong host name", true, "127.0.0.1", 0, -187, -411},
      {"untrusted, checks skipped", false, "localhost", 1, 6, 6},
  };
  for (const auto& c : cases) {
    std::optional<ScopedEnv> trust;
    if (c.trusted) trust.emplace("SSL_CERT_FILE", TrustFile());
    HttpRequest r = TlsRequest(c.host, server.port());
    r.tlsSkipVerify = c.skipVerify;
    EXPECT_EQ(HttpSendTls(r), c.socketResult) << c.name;
    if (c.socketResult > 0) {
      EXPECT_EQ(r.response, "secure") << c.name;
      EXPECT_EQ(server.LastServerName(), "localhost") << c.name;
      EXPECT_NE(server.LastRequest().find("Host: localhost:"), std::string::npos) << c.name;
    }
    EXPECT_EQ(r.socket, -1) << c.name;
    HttpRequest b = TlsRequest(c.host, server.port());
    b.tlsSkipVerify = c.skipVerify;
    b.tlsMethod = 9;
    EXPECT_EQ(HttpSendTlsBio(b), c.bioResult) << c.name;
    if (c.bioResult > 0) {
      EXPECT_EQ(b.response, "secure") << c.name;
      EXPECT_EQ(server.LastServerName(), "localhost") << c.name;
    }
  }
}

TEST(TlsTransport, FailedHandshakeMovesTheHostToTheBioTransport) {
  TlsServer server(LocalhostCertificate(), kAnswer);
  // "127.1" names 127.0.0.1 but is not the certificate's name.
  HttpRequest r = TlsRequest("127.1", server.port());
  EXPECT_EQ(SendHttpRequest(r), -411);  // socket: -187, then at once the BIO
  EXPECT_EQ(r.tlsMethod, 9);
  EXPECT_NE(HostPool().Find("127.1"), nullptr);

  HttpRequest next = TlsRequest("127.1", server.port());
  next.tlsSkipVerify = 1;
  next.keepAlive = 1;
  EXPECT_EQ(SendHttpRequest(next), 6);
  EXPECT_EQ(next.tlsMethod, 9);  // straight to the BIO, which keeps nothing
  EXPECT_EQ(next.socket, -1);
}

TEST(TlsTransport, KeptTlsConnectionIsClosedByCloseHttpConnection) {
  TlsServer server(LocalhostCertificate(), "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
  ScopedEnv trust("SSL_CERT_FILE", TrustFile());
  HttpRequest r = TlsRequest("localhost", server.port());
  r.keepAlive = 1;
  r.keepAliveIdleMs = 10000;
  EXPECT_EQ(SendHttpRequest(r), 2);
  EXPECT_GE(r.socket, 0);
  EXPECT_NE(r.tlsSession, nullptr);
  CloseHttpConnection(r);
  EXPECT_EQ(r.socket, -1);
  EXPECT_EQ(r.tlsSession, nullptr);
  EXPECT_EQ(r.tlsContext, nullptr);
}

TEST(TlsTransport, SilentPeerEndsWithinTheReceiveTimeOut) {
  nettest::ScriptedServer silent([](nettest::Connection& c) { c.Stall(10000); });
  for (int method : {0, 9}) {
    HttpRequest r = TlsRequest("localhost", silent.port());
    r.tlsMethod = method;
    r.receiveTimeoutMs = 300;
    const auto start = std::chrono::steady_clock::now();
    const int result = method == 9 ? HttpSendTlsBio(r) : HttpSendTls(r);
    EXPECT_LT(result, 0) << method;
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 2.0) << method;
  }
}

TEST(TlsTransport, UnavailableMethodsFail) {
  TlsServer server(LocalhostCertificate(), kAnswer);
  HttpRequest r = TlsRequest("localhost", server.port());
  r.tlsSkipVerify = 1;
  r.tlsMethod = 2;  // SSLv2: no context
  EXPECT_EQ(HttpSendTls(r), -201);
  r.tlsMethod = 3;  // SSLv3: refused by both ends
  EXPECT_LT(HttpSendTls(r), -179);
}
