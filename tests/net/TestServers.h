#pragma once
// Servers on 127.0.0.1 for the client tests: a socket server whose handler
// plays scripted bytes on each connection, and a TLS server with a
// certificate made at test time.  Both stop and join their threads in their
// destructors.

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;

namespace nettest {

// One accepted connection as the handler sees it.
class Connection {
 public:
  Connection(int fd, const std::atomic<bool>& stopping, class ScriptedServer* server)
      : fd_(fd), stopping_(stopping), server_(server) {}
  // Reads a request head (through its empty line) and the body its
  // Content-Length announces; returns both as received and records them
  // with the server.
  std::string ReadRequest();
  // Reads up to the head's empty line only.
  std::string ReadHead();
  std::string ReadExactly(size_t n);
  void Send(std::string_view bytes);
  // Waits until the server stops or `ms` pass, sending nothing.
  void Stall(int ms);
  int fd() const { return fd_; }

 private:
  int fd_;
  const std::atomic<bool>& stopping_;
  class ScriptedServer* server_;
};

class ScriptedServer {
 public:
  using Handler = std::function<void(Connection&)>;
  // backlog < 0: the server listens but never accepts.
  explicit ScriptedServer(Handler handler, int backlog = 16);
  ~ScriptedServer();
  int port() const { return port_; }
  // Every request text the handlers read, in order of arrival.
  std::vector<std::string> Requests();
  int Connections() const { return connections_; }
  void Stop();

 private:
  void AcceptLoop();
  Handler handler_;
  int listenFd_ = -1;
  int port_ = 0;
  bool accepting_ = true;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  std::thread acceptThread_;
  std::mutex mutex_;
  std::vector<std::thread> workers_;
  std::vector<int> fds_;
  std::vector<std::string> requests_;
  friend class Connection;

 public:
  void Record(std::string request);
};

// A self-signed certificate for `dnsName` (also the common name).
struct Certificate {
  std::string certPem;
  std::string keyPem;
};
Certificate MakeSelfSignedCertificate(const std::string& dnsName);

// Answers every TLS request with `response`; counts the requests served.
class TlsServer {
 public:
  TlsServer(const Certificate& cert, std::string response);
  ~TlsServer();
  int port() const { return port_; }
  int Served() const { return served_; }
  std::string LastRequest();
  std::string LastServerName();

 private:
  void Loop();
  SSL_CTX* ctx_ = nullptr;
  std::string response_;
  int listenFd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> served_{0};
  std::mutex mutex_;
  std::string lastRequest_;
  std::string lastServerName_;
  std::thread thread_;
};

// Writes text to a new file in a temporary folder; returns its path.
std::string WriteTempFile(const std::string& name, const std::string& text);

// Compresses text as a gzip member (10-byte header) or as raw deflate.
std::string Gzip(std::string_view text);
std::string RawDeflate(std::string_view text);

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();

 private:
  std::string name_;
  std::string old_;
  bool had_ = false;
};

}  // namespace nettest
