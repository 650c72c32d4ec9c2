#include "localserver/HttpServer.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
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

HttpServer::HttpServer(Service& service, std::string endpoint, ReplyDelay replyDelay)
    : service_(service),
      endpoint_(std::move(endpoint)),
      replyDelay_(std::move(replyDelay)),
      server_(std::make_unique<httplib::Server>()) {
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
