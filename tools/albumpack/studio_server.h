// The studio's HTTP server: listens on 127.0.0.1 only, reads each request
// within the parser's limits and a time limit, answers it through a handler
// (one request at a time, so handlers need no locks) and closes the
// connection. Each connection is read on its own thread, so a browser's idle
// or slow connections never hold up the others.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/albumpack/studio_http.h"

namespace lantern::albumpack::studio {

using Handler = std::function<Response(const Request&)>;

struct ServerOptions {
  uint16_t port = 0;  // 0: a free port
  Limits limits;
  int request_seconds = 30;  // a request not received whole by then: 408
  size_t connections = 32;   // more at once: 503
};

class Server {
 public:
  // Listening, or nullptr with the reason in `why` ("Address already in use").
  static std::unique_ptr<Server> Listen(const ServerOptions& options, std::string& why);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  uint16_t port() const { return port_; }
  // Answers requests until Stop; returns once every connection has ended.
  void Run(const Handler& handler);
  // From any thread: Run returns soon after.
  void Stop();

 private:
  struct Connection {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  Server(const ServerOptions& options, int listener, uint16_t port, int wake_read, int wake_write);
  void Accept(const Handler& handler);
  void Serve(int socket, const Handler& handler);
  // True with the request, or false with the answer to give (status 0: none,
  // the peer went away).
  bool Receive(int socket, Request& request, Response& refusal);
  void ReapConnections(bool all);

  ServerOptions options_;
  int listener_;
  uint16_t port_;
  int wake_read_;
  int wake_write_;
  std::atomic<bool> stopping_{false};
  std::mutex handler_mutex_;
  std::vector<Connection> connections_;
};

}  // namespace lantern::albumpack::studio
