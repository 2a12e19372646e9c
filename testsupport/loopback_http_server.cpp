#include "testsupport/loopback_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace testsupport {

namespace {

constexpr int kPollSliceMs = 50;
constexpr int kReadLimitMs = 5000;
// Bytes still coming after the request's end are waited for this long, so
// that a client sending more than it should is caught.
constexpr int kTrailingWaitMs = 100;
// The longest a silent server holds a connection.
constexpr int kSilenceLimitMs = 60000;
// A trickling server sends a byte this often, for this long.
constexpr int kTrickleGapMs = 50;
constexpr int kTrickleLimitMs = 10000;

using Clock = std::chrono::steady_clock;

int elapsedMs(Clock::time_point since) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// Reads what arrives within `limitMs`; false when the peer closed or failed.
bool readSome(int fd, std::string* into, int limitMs) {
  struct pollfd entry = {fd, POLLIN, 0};
  if (::poll(&entry, 1, limitMs) <= 0) return true;
  char buffer[8192];
  ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
  if (n <= 0) return false;
  into->append(buffer, static_cast<std::size_t>(n));
  return true;
}

// The request's expected length once its headers are in: headers, the body
// of Content-Length bytes and the two line ends the agent sends after it.
std::size_t expectedLength(const std::string& request) {
  std::string::size_type end = request.find("\r\n\r\n");
  if (end == std::string::npos) return std::string::npos;
  std::size_t length = 0;
  std::string::size_type field = request.find("\r\nContent-Length: ");
  if (field != std::string::npos && field < end)
    length = std::strtoul(request.c_str() + field + 18, nullptr, 10);
  return end + 4 + length + 4;
}

sockaddr_in loopback(int port) {
  sockaddr_in address;
  std::memset(&address, 0, sizeof address);
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

int boundPort(int fd) {
  sockaddr_in bound;
  socklen_t size = sizeof bound;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &size) != 0) return 0;
  return ntohs(bound.sin_port);
}

}  // namespace

const char LoopbackHttpServer::kReply[] =
    "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nlogged\r\n";

LoopbackHttpServer::LoopbackHttpServer(Behaviour behaviour, int port) : behaviour_(behaviour) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  int yes = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address = loopback(port);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd, 8) != 0) {
    ::close(fd);
    return;
  }
  listener_ = fd;
  port_ = boundPort(fd);
  thread_ = std::thread([this] { serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
  if (listener_ >= 0) ::close(listener_);
}

std::string LoopbackHttpServer::address() const { return "127.0.0.1:" + std::to_string(port_); }

std::vector<std::string> LoopbackHttpServer::requests() const {
  std::lock_guard<std::mutex> guard(lock_);
  return requests_;
}

bool LoopbackHttpServer::waitForRequests(std::size_t count, int timeoutMilliseconds) const {
  std::unique_lock<std::mutex> guard(lock_);
  return arrived_.wait_for(guard, std::chrono::milliseconds(timeoutMilliseconds),
                           [&] { return requests_.size() >= count; });
}

void LoopbackHttpServer::serve() {
  while (!stopping_) {
    struct pollfd entry = {listener_, POLLIN, 0};
    if (::poll(&entry, 1, kPollSliceMs) <= 0) continue;
    int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    handle(connection);
    ::close(connection);
  }
}

void LoopbackHttpServer::handle(int connection) {
  if (behaviour_ == Behaviour::kReset) {
    // Once the request is there, unread: closing with a zero linger time
    // then sends a reset instead of an orderly end. (Resetting at once could
    // reach the client before it has seen its connection made.)
    struct pollfd entry = {connection, POLLIN, 0};
    ::poll(&entry, 1, kReadLimitMs);
    struct linger reset = {1, 0};
    setsockopt(connection, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    std::lock_guard<std::mutex> guard(lock_);
    requests_.push_back(std::string());
    arrived_.notify_all();
    return;
  }
  std::string request;
  Clock::time_point start = Clock::now();
  while (!stopping_ && elapsedMs(start) < kReadLimitMs && request.size() < expectedLength(request))
    if (!readSome(connection, &request, kPollSliceMs)) break;
  readSome(connection, &request, kTrailingWaitMs);
  {
    std::lock_guard<std::mutex> guard(lock_);
    requests_.push_back(request);
    arrived_.notify_all();
  }
  if (behaviour_ == Behaviour::kNeverAnswer) {
    Clock::time_point silent = Clock::now();
    while (!stopping_ && elapsedMs(silent) < kSilenceLimitMs)
      std::this_thread::sleep_for(std::chrono::milliseconds(kPollSliceMs));
    return;
  }
  if (behaviour_ == Behaviour::kTrickle) {
    // Never silent long enough for a wait on the next byte to run out.
    Clock::time_point trickling = Clock::now();
    for (std::size_t i = 0; !stopping_ && elapsedMs(trickling) < kTrickleLimitMs; ++i) {
      if (::send(connection, kReply + i % (sizeof kReply - 1), 1, MSG_NOSIGNAL) != 1) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(kTrickleGapMs));
    }
    return;
  }
  const char* reply = kReply;
  std::size_t left = std::strlen(reply);
  while (left > 0) {
    ssize_t n = ::send(connection, reply, left, MSG_NOSIGNAL);
    if (n <= 0) break;
    reply += n;
    left -= static_cast<std::size_t>(n);
  }
}

int refusedLoopbackPort() {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
  sockaddr_in address = loopback(0);
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) port = boundPort(fd);
  // Bound but never listening: the port stays ours while nothing accepts.
  // Closing it would free it for anyone; keep it for the process's life.
  return port;
}

}  // namespace testsupport
