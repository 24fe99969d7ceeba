// The studio's HTTP server on POSIX sockets (studio_server.h).
#include "tools/albumpack/studio_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace lantern::albumpack::studio {

namespace {

constexpr int kBacklog = 64;
constexpr int kSliceMs = 200;  // how often a waiting connection looks at Stop
constexpr size_t kChunk = 64 * 1024;
constexpr size_t kDrainBytes = 1024 * 1024;

std::string SystemError(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

void SendAll(int socket, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

// After an answer to a request that was refused part way, reads a little of
// what the client still sends, so that closing does not reset the connection
// before the client has read the answer.
void CloseGently(int socket) {
  ::shutdown(socket, SHUT_WR);
  char buffer[4096];
  size_t drained = 0;
  pollfd p{socket, POLLIN, 0};
  while (drained<kDrainBytes&& ::poll(&p, 1, kSliceMs)> 0) {
    const ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    drained += static_cast<size_t>(n);
  }
  ::close(socket);
}

int OpenListener(uint16_t port, uint16_t& bound, std::string& why) {
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener < 0) {
    why = SystemError("socket");
    return -1;
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener, kBacklog) != 0 ||
      ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    why = SystemError("cannot listen on 127.0.0.1");
    ::close(listener);
    return -1;
  }
  bound = ntohs(address.sin_port);
  return listener;
}

}  // namespace

std::unique_ptr<Server> Server::Listen(const ServerOptions& options, std::string& why) {
  uint16_t bound = 0;
  const int listener = OpenListener(options.port, bound, why);
  if (listener < 0) return nullptr;
  int wake[2];
  if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
    why = SystemError("pipe");
    ::close(listener);
    return nullptr;
  }
  return std::unique_ptr<Server>(new Server(options, listener, bound, wake[0], wake[1]));
}

Server::Server(const ServerOptions& options, int listener, uint16_t port, int wake_read,
               int wake_write)
    : options_(options),
      listener_(listener),
      port_(port),
      wake_read_(wake_read),
      wake_write_(wake_write) {}

Server::~Server() {
  Stop();
  ReapConnections(true);
  ::close(listener_);
  ::close(wake_read_);
  ::close(wake_write_);
}

void Server::Stop() {
  stopping_ = true;
  const char byte = 0;
  [[maybe_unused]] const ssize_t n = ::write(wake_write_, &byte, 1);
}

void Server::Run(const Handler& handler) {
  while (!stopping_) {
    pollfd polled[2] = {{listener_, POLLIN, 0}, {wake_read_, POLLIN, 0}};
    if (::poll(polled, 2, -1) < 0 && errno != EINTR) break;
    if ((polled[0].revents & POLLIN) != 0 && !stopping_) Accept(handler);
    ReapConnections(false);
  }
  ReapConnections(true);
}

void Server::Accept(const Handler& handler) {
  const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
  if (socket < 0) return;
  if (connections_.size() >= options_.connections) {
    SendAll(socket, SerializeResponse(TextResponse(503, "too many connections at once")));
    ::close(socket);
    return;
  }
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::thread thread([this, socket, &handler, done] {
    Serve(socket, handler);
    *done = true;
  });
  connections_.push_back({std::move(thread), std::move(done)});
}

void Server::ReapConnections(bool all) {
  for (auto it = connections_.begin(); it != connections_.end();) {
    if (all || *it->done) {
      it->thread.join();
      it = connections_.erase(it);
    } else {
      ++it;
    }
  }
}

bool Server::Receive(int socket, Request& request, Response& refusal) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(options_.request_seconds);
  std::string received;
  std::string chunk(kChunk, '\0');
  while (!stopping_) {
    const ParseResult parsed = ParseRequest(received, options_.limits, request);
    if (parsed.state == ParseState::kDone) return true;
    if (parsed.state == ParseState::kRefused) {
      refusal = TextResponse(parsed.status, parsed.reason);
      return false;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      refusal = TextResponse(408, "the request did not arrive in time");
      return false;
    }
    pollfd p{socket, POLLIN, 0};
    if (::poll(&p, 1, kSliceMs) <= 0) continue;
    const ssize_t n = ::recv(socket, chunk.data(), chunk.size(), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    received.append(chunk.data(), static_cast<size_t>(n));
  }
  refusal = Response();
  refusal.status = 0;
  return false;
}

void Server::Serve(int socket, const Handler& handler) {
  Request request;
  Response response;
  if (Receive(socket, request, response)) {
    const std::lock_guard<std::mutex> lock(handler_mutex_);
    response = handler(request);
  }
  if (response.status != 0) SendAll(socket, SerializeResponse(response));
  CloseGently(socket);
}

}  // namespace lantern::albumpack::studio
