#include "localserver/HttpServer.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <nlohmann/json.hpp>

#include "localserver/RequestOrigin.h"
#include "localserver/Service.h"
#include "localserver/Wire.h"

namespace localserver {

bool ReplyDelay::AppliesTo(const std::string& body) const {
  if (delay.count() <= 0) return false;
  if (requestNames.empty()) return true;
  nlohmann::json request = nlohmann::json::parse(body, nullptr, false);
  if (!request.is_object() || !request.contains("RequestName") ||
      !request["RequestName"].is_string())
    return false;
  std::string name = request["RequestName"].get<std::string>();
  return std::find(requestNames.begin(), requestNames.end(), name) != requestNames.end();
}

namespace {

// Waits for `events` on one socket; false on a time-out or an error.
bool WaitFor(int fd, short events, int ms) {
  for (;;) {
    pollfd p{fd, events, 0};
    int n = ::poll(&p, 1, ms);
    if (n < 0 && errno == EINTR) continue;
    return n > 0;
  }
}

bool StartsNoCase(std::string_view text, std::string_view word) {
  if (text.size() < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != word[i]) return false;
  return true;
}

// Whether the bytes hold a whole request: its head, and as many body bytes
// as its Content-Length names (none without one).  A head with a transfer
// coding or a length that cannot be read is never taken as whole.
bool WholeRequest(std::string_view bytes) {
  const size_t headEnd = bytes.find("\r\n\r\n");
  if (headEnd == std::string_view::npos) return false;
  const std::string_view head = bytes.substr(0, headEnd + 2);
  size_t length = 0;
  for (size_t pos = head.find("\r\n"); pos + 2 < head.size();) {
    const size_t lineEnd = head.find("\r\n", pos + 2);
    const std::string_view line = head.substr(pos + 2, lineEnd - pos - 2);
    pos = lineEnd;
    if (StartsNoCase(line, "transfer-encoding:")) return false;
    if (!StartsNoCase(line, "content-length:")) continue;
    std::string_view value = line.substr(15);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
    if (value.empty() || value.size() > 9) return false;
    length = 0;
    for (char c : value) {
      if (c < '0' || c > '9') return false;
      length = length * 10 + static_cast<size_t>(c - '0');
    }
  }
  return bytes.size() - (headEnd + 4) >= length;
}

// One connection as the request reader sees it.  Reading goes through a
// buffer (the reader takes the head a byte at a time) and waits at most the
// read time-out for each block; the reply is gathered and leaves in one
// send, never waiting longer than the write time-out for room.
class Connection : public httplib::Stream {
 public:
  enum class Sent { kAll, kBlocked, kFailed };

  Connection(int fd, int readTimeoutMs, int writeTimeoutMs)
      : fd_(fd), readTimeoutMs_(readTimeoutMs), writeTimeoutMs_(writeTimeoutMs) {}
  ~Connection() override {
    ::shutdown(fd_, SHUT_RDWR);
    ::close(fd_);
  }

  bool is_readable() const override { return start_ < end_ || WaitFor(fd_, POLLIN, readTimeoutMs_); }
  // The reply is gathered; Send waits for room.
  bool is_writable() const override { return true; }
  ssize_t read(char* ptr, size_t size) override {
    if (start_ == end_) {
      // What has arrived is taken without waiting; only then is there a wait.
      ssize_t n;
      do n = ::recv(fd_, in_, sizeof in_, MSG_DONTWAIT);
      while (n < 0 && errno == EINTR);
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        // What the peer may be waiting for ("100 Continue") leaves first.
        if (Send(true) != Sent::kAll || !WaitFor(fd_, POLLIN, readTimeoutMs_)) return -1;
        do n = ::recv(fd_, in_, sizeof in_, MSG_DONTWAIT);
        while (n < 0 && errno == EINTR);
      }
      if (n <= 0) return n;
      start_ = 0;
      end_ = static_cast<size_t>(n);
    }
    const size_t k = std::min(size, end_ - start_);
    std::memcpy(ptr, in_ + start_, k);
    start_ += k;
    return static_cast<ssize_t>(k);
  }
  ssize_t write(const char* ptr, size_t size) override {
    out_.append(ptr, size);
    return static_cast<ssize_t>(size);
  }
  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    Address(::getpeername, ip, port);
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    Address(::getsockname, ip, port);
  }
  int socket() const override { return fd_; }

  // Sends what is gathered.  Without `wait`, stops where the socket has no
  // room (kBlocked); with it, waits up to the write time-out for room each
  // time.
  Sent Send(bool wait) {
    while (sent_ < out_.size()) {
      ssize_t n = ::send(fd_, out_.data() + sent_, out_.size() - sent_, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) {
        sent_ += static_cast<size_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        if (!wait) return Sent::kBlocked;
        if (WaitFor(fd_, POLLOUT, writeTimeoutMs_)) continue;
      }
      return Sent::kFailed;
    }
    out_.clear();
    sent_ = 0;
    return Sent::kAll;
  }
  // Whether a next request starts within the time.
  bool NextRequest(int ms) const { return start_ < end_ || WaitFor(fd_, POLLIN, ms); }

 private:
  using AddressCall = int (*)(int, sockaddr*, socklen_t*);
  void Address(AddressCall call, std::string& ip, int& port) const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    ip.clear();
    port = 0;
    if (call(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) return;
    char text[INET6_ADDRSTRLEN] = "";
    if (address.ss_family == AF_INET) {
      auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
      inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
      port = ntohs(v4->sin_port);
    } else if (address.ss_family == AF_INET6) {
      auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
      inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
      port = ntohs(v6->sin6_port);
    }
    ip = text;
  }

  int fd_;
  int readTimeoutMs_;
  int writeTimeoutMs_;
  char in_[16384];
  size_t start_ = 0;
  size_t end_ = 0;
  std::string out_;
  size_t sent_ = 0;
};

// The listener's queue runs its work on the listener itself: the server
// decides there what it answers at once and what goes to the pool.
class ListenerQueue : public httplib::TaskQueue {
 public:
  explicit ListenerQueue(size_t threads) : pool(threads) {}
  void enqueue(std::function<void()> work) override { work(); }
  void shutdown() override { pool.shutdown(); }
  httplib::ThreadPool pool;
};

// A request whose bytes are all in when the listener looks is answered on
// the listener (no hand-over to another thread on the way); everything
// else -- a peer still sending or silent, a large request, a reply the peer
// does not take at once, further requests on a kept connection -- goes to
// the pool, so that no peer can hold the listener.  The listener waits for a
// new connection's request only while no other connection is waiting, and
// for kArrivalMs at most.
class LoopbackServer : public httplib::Server {
 public:
  explicit LoopbackServer(bool answerOnListener) : answerOnListener_(answerOnListener) {
    new_task_queue = [this] {
      queue_ = new ListenerQueue(CPPHTTPLIB_THREAD_POOL_COUNT);
      return queue_;
    };
  }

 private:
  static constexpr int kArrivalMs = 50;
  static constexpr size_t kLargestOnListener = 65536;

  int ReadTimeoutMs() const { return static_cast<int>(read_timeout_sec_ * 1000 + read_timeout_usec_ / 1000); }
  int WriteTimeoutMs() const {
    return static_cast<int>(write_timeout_sec_ * 1000 + write_timeout_usec_ / 1000);
  }
  int KeepAliveMs() const { return static_cast<int>(keep_alive_timeout_sec_ * 1000); }

  // Answers one request; true when the connection may carry another (the
  // peer's "Connection: Close" ends it whatever the letters' case).
  bool Answer(Connection& c, bool last) {
    bool closed = false;
    bool peerCloses = false;
    bool ok = process_request(c, last, closed, [&peerCloses](httplib::Request& req) {
      const std::string value = req.get_header_value("Connection");
      peerCloses = value.size() == 5 && StartsNoCase(value, "close");
    });
    return ok && !closed && !peerCloses;
  }

  // On the listener: whether the new connection's request is whole.
  bool RequestArrived(int sock) {
    pollfd fds[2] = {{sock, POLLIN, 0}, {svr_sock_.load(), POLLIN, 0}};
    int n;
    do n = ::poll(fds, fds[1].fd >= 0 ? 2 : 1, kArrivalMs);
    while (n < 0 && errno == EINTR);
    if (n <= 0 || !(fds[0].revents & POLLIN)) return false;
    peek_.resize(kLargestOnListener);
    ssize_t got = ::recv(sock, peek_.data(), peek_.size(), MSG_PEEK | MSG_DONTWAIT);
    return got > 0 && WholeRequest(std::string_view(peek_.data(), static_cast<size_t>(got)));
  }

  // On a pool thread: sends the rest of the reply, then serves the kept
  // connection's further requests.
  void Finish(Connection& c, size_t served, bool open) {
    while (c.Send(true) == Connection::Sent::kAll && open && served < keep_alive_max_count_ &&
           c.NextRequest(KeepAliveMs())) {
      ++served;
      open = Answer(c, served == keep_alive_max_count_);
    }
  }

  bool process_and_close_socket(int sock) override {
    auto c = std::make_shared<Connection>(sock, ReadTimeoutMs(), WriteTimeoutMs());
    if (answerOnListener_ && RequestArrived(sock)) {
      const bool open = Answer(*c, keep_alive_max_count_ <= 1);
      Connection::Sent sent = c->Send(false);
      if (sent == Connection::Sent::kBlocked || (sent == Connection::Sent::kAll && open))
        queue_->pool.enqueue([this, c, open] { Finish(*c, 1, open); });
      return true;
    }
    queue_->pool.enqueue([this, c] { Finish(*c, 0, c->NextRequest(KeepAliveMs())); });
    return true;
  }

  const bool answerOnListener_;
  ListenerQueue* queue_ = nullptr;  // made by the listener, used there only
  std::vector<char> peek_;          // the listener's
};

}  // namespace

HttpServer::HttpServer(Service& service, std::string endpoint, ReplyDelay replyDelay)
    : service_(service),
      endpoint_(std::move(endpoint)),
      replyDelay_(std::move(replyDelay)),
      // A reply held back must not hold the listener.
      server_(std::make_unique<LoopbackServer>(replyDelay_.delay.count() <= 0)) {
  server_->Post(endpoint_, [this](const httplib::Request& req, httplib::Response& res) {
    if (!LoopbackHost(req.get_header_value("Host"), port_) ||
        !JsonContentType(req.get_header_value("Content-Type"))) {
      res.status = 403;
      res.set_content(JsonOut()
                          .Int("ReturnValue", rc::kBadRequest)
                          .String("cError", "only local programs that post JSON are served")
                          .Finish(),
                      "application/json");
    } else {
      if (replyDelay_.AppliesTo(req.body)) std::this_thread::sleep_for(replyDelay_.delay);
      res.set_content(service_.Handle(req.body), "application/json");
    }
    res.set_header("Connection", "close");
  });
  server_->set_payload_max_length(kMaxRequestBytes);
  server_->set_keep_alive_timeout(1);
  // The reply's head and body leave at once, not the body after the
  // client's acknowledgement of the head.
  server_->set_tcp_nodelay(true);
}

HttpServer::~HttpServer() { Stop(); }

int HttpServer::Start(const std::string& host, int port) {
  int bound = port == 0 ? server_->bind_to_any_port(host) : (server_->bind_to_port(host, port) ? port : -1);
  if (bound < 0) return -1;
  port_ = bound;
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  for (int i = 0; i < 500 && !server_->is_running(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return bound;
}

void HttpServer::Stop() {
  if (thread_.joinable()) {
    service_.Stop();  // a running statement ends now
    server_->stop();
    thread_.join();
  }
}

}  // namespace localserver
