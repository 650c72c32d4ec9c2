#include "TestServers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "../WaitUntil.h"

namespace nettest {

namespace {

int ListenOnLoopback(int backlog, int* port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket");
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) throw std::runtime_error("bind");
  if (listen(fd, backlog) != 0) throw std::runtime_error("listen");
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  *port = ntohs(a.sin_port);
  return fd;
}

// Waits up to `ms` for the fd to become readable; false on time-out or stop.
bool WaitReadable(int fd, const std::atomic<bool>& stopping, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!stopping) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 20) > 0) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
  }
  return false;
}

size_t ContentLengthOf(const std::string& head) {
  std::string lower = head;
  for (auto& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  size_t p = lower.find("\ncontent-length:");
  if (p == std::string::npos) return 0;
  return static_cast<size_t>(atol(lower.c_str() + p + 16));
}

}  // namespace

std::string Connection::ReadHead() {
  std::string head;
  char c;
  while (head.size() < 65536 && WaitReadable(fd_, stopping_, 10000)) {
    if (recv(fd_, &c, 1, 0) != 1) break;
    head.push_back(c);
    if (head.size() >= 4 && head.compare(head.size() - 4, 4, "\r\n\r\n") == 0) break;
  }
  return head;
}

std::string Connection::ReadExactly(size_t n) {
  std::string out;
  char buf[4096];
  while (out.size() < n && WaitReadable(fd_, stopping_, 10000)) {
    ssize_t k = recv(fd_, buf, std::min(sizeof buf, n - out.size()), 0);
    if (k <= 0) break;
    out.append(buf, static_cast<size_t>(k));
  }
  return out;
}

std::string Connection::ReadRequest() {
  std::string head = ReadHead();
  std::string request = head + ReadExactly(ContentLengthOf(head));
  server_->Record(request);
  return request;
}

void Connection::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n <= 0) return;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

void Connection::Stall(int ms) {
  testsupport::WaitUntil([this] { return stopping_.load(); }, std::chrono::milliseconds(ms));
}

ScriptedServer::ScriptedServer(Handler handler, int backlog) : handler_(std::move(handler)) {
  accepting_ = backlog >= 0;
  listenFd_ = ListenOnLoopback(backlog < 0 ? 0 : backlog, &port_);
  if (accepting_) acceptThread_ = std::thread([this] { AcceptLoop(); });
}

ScriptedServer::~ScriptedServer() { Stop(); }

void ScriptedServer::Record(std::string request) {
  std::lock_guard<std::mutex> lock(mutex_);
  requests_.push_back(std::move(request));
}

std::vector<std::string> ScriptedServer::Requests() {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void ScriptedServer::AcceptLoop() {
  while (!stopping_) {
    pollfd p{listenFd_, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0) continue;
    int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    ++connections_;
    std::lock_guard<std::mutex> lock(mutex_);
    fds_.push_back(fd);
    workers_.emplace_back([this, fd] {
      Connection c(fd, stopping_, this);
      handler_(c);
      shutdown(fd, SHUT_WR);
    });
  }
}

void ScriptedServer::Stop() {
  if (stopping_.exchange(true)) return;
  if (acceptThread_.joinable()) acceptThread_.join();
  std::vector<std::thread> workers;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (int fd : fds_) shutdown(fd, SHUT_RDWR);
    workers.swap(workers_);
  }
  for (auto& t : workers) t.join();
  for (int fd : fds_) close(fd);
  close(listenFd_);
}

Certificate MakeSelfSignedCertificate(const std::string& dnsName) {
  EVP_PKEY* key = EVP_EC_gen("P-256");
  X509* x = X509_new();
  X509_set_version(x, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(x), 1);
  X509_gmtime_adj(X509_getm_notBefore(x), -3600);
  X509_gmtime_adj(X509_getm_notAfter(x), 3600L * 24);
  X509_set_pubkey(x, key);
  X509_NAME* name = X509_get_subject_name(x);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(dnsName.c_str()), -1, -1, 0);
  X509_set_issuer_name(x, name);
  X509V3_CTX v3;
  X509V3_set_ctx_nodb(&v3);
  X509V3_set_ctx(&v3, x, x, nullptr, nullptr, 0);
  const std::string san = "DNS:" + dnsName;
  for (auto [nid, value] : {std::pair{NID_subject_alt_name, san.c_str()},
                            std::pair{NID_basic_constraints, "critical,CA:TRUE"}}) {
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &v3, nid, value);
    X509_add_ext(x, ext, -1);
    X509_EXTENSION_free(ext);
  }
  X509_sign(x, key, EVP_sha256());

  Certificate out;
  BIO* b = BIO_new(BIO_s_mem());
  PEM_write_bio_X509(b, x);
  char* data = nullptr;
  long n = BIO_get_mem_data(b, &data);
  out.certPem.assign(data, static_cast<size_t>(n));
  BIO_free(b);
  b = BIO_new(BIO_s_mem());
  PEM_write_bio_PrivateKey(b, key, nullptr, nullptr, 0, nullptr, nullptr);
  n = BIO_get_mem_data(b, &data);
  out.keyPem.assign(data, static_cast<size_t>(n));
  BIO_free(b);
  X509_free(x);
  EVP_PKEY_free(key);
  return out;
}

TlsServer::TlsServer(const Certificate& cert, std::string response) : response_(std::move(response)) {
  ctx_ = SSL_CTX_new(TLS_server_method());
  BIO* b = BIO_new_mem_buf(cert.certPem.data(), static_cast<int>(cert.certPem.size()));
  X509* x = PEM_read_bio_X509(b, nullptr, nullptr, nullptr);
  BIO_free(b);
  b = BIO_new_mem_buf(cert.keyPem.data(), static_cast<int>(cert.keyPem.size()));
  EVP_PKEY* key = PEM_read_bio_PrivateKey(b, nullptr, nullptr, nullptr);
  BIO_free(b);
  SSL_CTX_use_certificate(ctx_, x);
  SSL_CTX_use_PrivateKey(ctx_, key);
  X509_free(x);
  EVP_PKEY_free(key);
  listenFd_ = ListenOnLoopback(16, &port_);
  thread_ = std::thread([this] { Loop(); });
}

TlsServer::~TlsServer() {
  stopping_ = true;
  thread_.join();
  close(listenFd_);
  SSL_CTX_free(ctx_);
}

std::string TlsServer::LastRequest() {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastRequest_;
}

std::string TlsServer::LastServerName() {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastServerName_;
}

void TlsServer::Loop() {
  while (!stopping_) {
    pollfd p{listenFd_, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0) continue;
    int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    timeval tv{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    SSL* ssl = SSL_new(ctx_);
    SSL_set_fd(ssl, fd);
    if (SSL_accept(ssl) == 1) {
      const char* sni = SSL_get_servername(ssl, TLSEXT_NAMETYPE_host_name);
      std::string request;
      char buf[4096];
      while (request.find("\r\n\r\n") == std::string::npos) {
        int n = SSL_read(ssl, buf, sizeof buf);
        if (n <= 0) break;
        request.append(buf, static_cast<size_t>(n));
      }
      size_t headEnd = request.find("\r\n\r\n");
      if (headEnd != std::string::npos) {
        size_t want = headEnd + 4 + ContentLengthOf(request.substr(0, headEnd + 4));
        while (request.size() < want) {
          int n = SSL_read(ssl, buf, sizeof buf);
          if (n <= 0) break;
          request.append(buf, static_cast<size_t>(n));
        }
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        lastRequest_ = request;
        lastServerName_ = sni ? sni : "";
      }
      SSL_write(ssl, response_.data(), static_cast<int>(response_.size()));
      ++served_;
      SSL_shutdown(ssl);
    }
    ERR_clear_error();
    SSL_free(ssl);
    close(fd);
  }
}

std::string WriteTempFile(const std::string& name, const std::string& text) {
  // One folder per test program, removed when the program ends.
  struct Folder {
    std::string path;
    Folder() {
      char tmpl[] = "/tmp/brantle-net-XXXXXX";
      if (const char* d = mkdtemp(tmpl)) path = d;
    }
    ~Folder() {
      std::error_code ec;
      if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
  };
  static const Folder folder;
  if (folder.path.empty()) throw std::runtime_error("no temporary folder");
  const std::string path = folder.path + "/" + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

namespace {
std::string Deflate(std::string_view text, int windowBits) {
  z_stream zs{};
  deflateInit2(&zs, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&zs, static_cast<uLong>(text.size())) + 32, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  zs.avail_in = static_cast<uInt>(text.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}
}  // namespace

std::string Gzip(std::string_view text) { return Deflate(text, 15 + 16); }
std::string RawDeflate(std::string_view text) { return Deflate(text, -15); }

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
  if (const char* old = getenv(name)) {
    had_ = true;
    old_ = old;
  }
  setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
  if (had_)
    setenv(name_.c_str(), old_.c_str(), 1);
  else
    unsetenv(name_.c_str());
}

}  // namespace nettest
