#pragma once
// Hosts whose TLS socket handshake failed with a system-call or protocol
// error.  Requests to them go through the connect-BIO transport at once.
// The pool lives for the whole run and only grows.

#include <deque>
#include <mutex>
#include <string>
#include <string_view>

class CHostPool {
 public:
  CHostPool() = default;
  virtual ~CHostPool() = default;
  CHostPool(const CHostPool&) = delete;
  CHostPool& operator=(const CHostPool&) = delete;

  // Stores the name and returns the stored copy.  Gives up at once (nullptr,
  // nothing stored) when another thread holds the pool.  With `unique`, a
  // name already present is returned instead of being stored again.
  const std::string* Add(std::string_view name, bool unique);
  // The stored name (compared exactly), or nullptr.
  const std::string* Find(std::string_view name) const;

  // Holds the pool until the returned lock goes (adders give up meanwhile).
  std::unique_lock<std::mutex> Hold() { return std::unique_lock<std::mutex>(mutex_); }

 private:
  mutable std::mutex mutex_;
  std::deque<std::string> names_;  // elements stay in place as the pool grows
};

// The process-wide pool used by SendHttpRequest.
CHostPool& HostPool();
