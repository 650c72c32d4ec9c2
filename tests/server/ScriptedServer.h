#pragma once
// A loopback HTTP endpoint for the server link's tests: it answers each
// connection with the next prepared response (raw bytes) and keeps the
// request bodies it was sent.  One connection at a time, as the link makes.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ScriptedServer {
 public:
  ScriptedServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listener_, 8);
    socklen_t len = sizeof addr;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Run(); });
  }
  ~ScriptedServer() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
  }

  int Port() const { return port_; }

  // A 200 response with the JSON body and its Content-Length.
  static std::string Ok(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
  }
  void Queue(std::string response) {
    std::lock_guard<std::mutex> lock(mutex_);
    responses_.push_back(std::move(response));
  }
  void QueueJson(const std::string& body) { Queue(Ok(body)); }
  // Answered when the queue is empty.
  void SetDefault(std::string response) {
    std::lock_guard<std::mutex> lock(mutex_);
    default_ = std::move(response);
  }

  std::vector<std::string> Bodies() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return bodies_;
  }
  size_t Count() const { return Bodies().size(); }
  std::string LastBody() const {
    auto bodies = Bodies();
    return bodies.empty() ? std::string() : bodies.back();
  }
  std::vector<std::string> Heads() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return heads_;
  }

 private:
  void Run() {
    while (!stop_) {
      pollfd p{listener_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      int fd = ::accept(listener_, nullptr, nullptr);
      if (fd < 0) continue;
      Serve(fd);
      ::close(fd);
    }
  }

  void Serve(int fd) {
    std::string data;
    char buffer[65536];
    size_t headEnd = std::string::npos;
    size_t need = 0;
    while (true) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 5000) <= 0) return;
      ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      data.append(buffer, static_cast<size_t>(n));
      if (headEnd == std::string::npos) {
        headEnd = data.find("\r\n\r\n");
        if (headEnd != std::string::npos) {
          size_t cl = data.find("Content-Length: ");
          need = cl < headEnd ? std::strtoul(data.c_str() + cl + 16, nullptr, 10) : 0;
        }
      }
      if (headEnd != std::string::npos && data.size() >= headEnd + 4 + need) break;
    }
    if (headEnd == std::string::npos) return;
    std::string response;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      heads_.push_back(data.substr(0, headEnd + 4));
      bodies_.push_back(data.substr(headEnd + 4));
      if (!responses_.empty()) {
        response = std::move(responses_.front());
        responses_.pop_front();
      } else {
        response = default_;
      }
    }
    size_t sent = 0;
    while (sent < response.size()) {
      ssize_t n = ::send(fd, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<size_t>(n);
    }
    ::shutdown(fd, SHUT_WR);
  }

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  mutable std::mutex mutex_;
  std::deque<std::string> responses_;
  std::string default_ = Ok("{\"ReturnValue\":0}");
  std::vector<std::string> bodies_;
  std::vector<std::string> heads_;
};
