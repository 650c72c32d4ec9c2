// brantle-server: the local stand-in for the company server.
//   brantle-server [--port N] [--db FILE] [--lang DIR] [--endpoint PATH]
//                  [--session-seconds N] [--clock-skew N] [--page-rows N]
//                  [--reply-delay-ms N] [--reply-delay-for NAME[,NAME...]]
//                  [--proc-pause-ms N --proc-pause-for NAME[,NAME...]
//                   [--proc-pause-at write|commit]]
// Port 0 picks a free port.  The first line printed names the address.
// --reply-delay-ms holds every reply back by N milliseconds, or only the
// replies to the requests named by --reply-delay-for (e.g. sLogin,sSqlQuery).
// --proc-pause-ms stops the procedures named by --proc-pause-for for N
// milliseconds after their first write (inside their transaction) or, with
// --proc-pause-at commit, after their commit, and prints a line as the pause
// begins: a test can kill the server exactly there.
#include <signal.h>

#include <chrono>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "localserver/HttpServer.h"
#include "localserver/Service.h"

using namespace localserver;

// "a,b,,c" as {"a", "b", "c"}.
static std::vector<std::string> Names(const std::string& names) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= names.size()) {
    size_t comma = names.find(',', start);
    if (comma == std::string::npos) comma = names.size();
    if (comma > start) out.push_back(names.substr(start, comma - start));
    start = comma + 1;
  }
  return out;
}

static void Usage() {
  std::cerr << "usage: brantle-server [--port N] [--db FILE] [--lang DIR] [--endpoint PATH]\n"
               "                      [--session-seconds N] [--clock-skew N] [--page-rows N]\n"
               "                      [--reply-delay-ms N] [--reply-delay-for NAME[,NAME...]]\n"
               "                      [--proc-pause-ms N --proc-pause-for NAME[,NAME...]\n"
               "                       [--proc-pause-at write|commit]]\n";
}

int main(int argc, char** argv) {
  ServiceOptions options;
  int port = kDefaultPort;
  std::string endpoint = kDefaultEndpoint;
  ReplyDelay replyDelay;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) {
        Usage();
        exit(2);
      }
      return argv[++i];
    };
    if (a == "--port") port = std::atoi(value().c_str());
    else if (a == "--db") options.dbPath = value();
    else if (a == "--lang") options.langDir = value();
    else if (a == "--endpoint") endpoint = value();
    else if (a == "--session-seconds") options.sessionSeconds = std::atoi(value().c_str());
    else if (a == "--clock-skew") options.clockSkewSeconds = std::atoi(value().c_str());
    else if (a == "--page-rows") options.pageRows = std::strtoul(value().c_str(), nullptr, 10);
    else if (a == "--reply-delay-ms")
      replyDelay.delay = std::chrono::milliseconds(std::atoi(value().c_str()));
    else if (a == "--reply-delay-for") {
      for (std::string& name : Names(value())) replyDelay.requestNames.push_back(std::move(name));
    }
    else if (a == "--proc-pause-ms")
      options.procPause.delay = std::chrono::milliseconds(std::atoi(value().c_str()));
    else if (a == "--proc-pause-for") {
      for (std::string name : Names(value())) {
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        options.procPause.names.push_back(std::move(name));
      }
    }
    else if (a == "--proc-pause-at") {
      const std::string at = value();
      if (at == "write") options.procPause.at = ProcPause::Point::FirstWrite;
      else if (at == "commit") options.procPause.at = ProcPause::Point::Commit;
      else {
        Usage();
        return 2;
      }
    }
    else {
      Usage();
      return 2;
    }
  }
  // Block the stop signals in every thread; the main thread waits for them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  try {
    Service service(options);
    HttpServer http(service, endpoint, replyDelay);
    int bound = http.Start("127.0.0.1", port);
    if (bound < 0) {
      std::cerr << "brantle-server: cannot listen on 127.0.0.1:" << port << "\n";
      return 1;
    }
    std::cout << "brantle-server listening on http://127.0.0.1:" << bound << endpoint
              << " port " << bound << std::endl;
    int sig = 0;
    sigwait(&stopSignals, &sig);
    // Statements stop at once; a connection that lingers may not keep the
    // program alive beyond a second (every commit is on disk already).
    std::thread([] {
      std::this_thread::sleep_for(std::chrono::milliseconds(900));
      std::_Exit(0);
    }).detach();
    http.Stop();
  } catch (const std::exception& e) {
    std::cerr << "brantle-server: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
