// BSD sockets. The socket is non-blocking from the start so that every wait
// goes through poll() with the time left until the caller's deadline.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/files.h"
#include "platform/name_lookup_backend.h"
#include "platform/sockets.h"
#include "platform/system.h"

namespace platform {

namespace {

constexpr std::intptr_t kNoSocket = -1;

// Milliseconds left until the deadline for poll(); 0 once it has passed.
int remaining(std::uint64_t deadline) {
  std::uint64_t now = tickMilliseconds();
  if (now >= deadline) return 0;
  std::uint64_t left = deadline - now;
  return left > 0x7fffffff ? 0x7fffffff : static_cast<int>(left);
}

// Waits until the socket is ready for `events`; false on an error or time-out
// (errno ETIMEDOUT then).
bool waitFor(int fd, short events, std::uint64_t deadline) {
  for (;;) {
    struct pollfd entry;
    entry.fd = fd;
    entry.events = events;
    entry.revents = 0;
    int left = remaining(deadline);
    int n = ::poll(&entry, 1, left);
    if (n > 0) return true;
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = ETIMEDOUT;
    return false;
  }
}

// Does `host` match an entry of a "no_proxy" list ("a.example,.b.example,*")?
bool listedInNoProxy(const std::string& host, const std::string& list) {
  std::string name = host.substr(0, host.find(':'));
  std::string::size_type start = 0;
  while (start <= list.size()) {
    std::string::size_type end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    std::string entry = list.substr(start, end - start);
    start = end + 1;
    std::string::size_type first = entry.find_first_not_of(' ');
    std::string::size_type last = entry.find_last_not_of(' ');
    if (first == std::string::npos) continue;
    entry = entry.substr(first, last - first + 1);
    if (entry == "*") return true;
    entry = entry.substr(0, entry.find(':'));
    if (!entry.empty() && entry[0] == '.') entry.erase(0, 1);
    if (entry.empty()) continue;
    if (strcasecmp(name.c_str(), entry.c_str()) == 0) return true;
    if (name.size() > entry.size() && name[name.size() - entry.size() - 1] == '.' &&
        strcasecmp(name.c_str() + name.size() - entry.size(), entry.c_str()) == 0)
      return true;
  }
  return false;
}

}  // namespace

bool startSockets() { return true; }
void stopSockets() {}

bool numericIpv4(const std::string& host, Ipv4Address* address) {
  struct in_addr numeric;
  if (inet_pton(AF_INET, host.c_str(), &numeric) != 1) return false;
  address->networkOrder = numeric.s_addr;
  return true;
}

long systemLookUpIpv4(const std::string& host, Ipv4Address* address) {
  struct addrinfo hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  struct addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return ENOENT;
  const auto* ipv4 = reinterpret_cast<const struct sockaddr_in*>(found->ai_addr);
  address->networkOrder = ipv4->sin_addr.s_addr;
  freeaddrinfo(found);
  return 0;
}

int timedOutError() { return ETIMEDOUT; }

bool environmentHttpProxy(const std::string& host, std::string* proxy) {
  const char* value = std::getenv("http_proxy");
  if (value == nullptr || *value == '\0') return false;
  const char* bypass = std::getenv("no_proxy");
  if (bypass != nullptr && listedInNoProxy(host, bypass)) return false;
  std::string text = value;
  std::string::size_type authority = text.find("://");
  authority = authority == std::string::npos ? 0 : authority + 3;
  std::string::size_type at = text.find('@', authority);
  std::string::size_type slash = text.find('/', authority);
  if (at != std::string::npos && (slash == std::string::npos || at < slash))
    text.erase(authority, at + 1 - authority);
  *proxy = text;
  return true;
}

TcpSocket::TcpSocket() : handle_(kNoSocket) {}

TcpSocket::~TcpSocket() {
  if (handle_ != kNoSocket) ::close(static_cast<int>(handle_));
}

bool TcpSocket::open() {
  if (handle_ != kNoSocket) close();
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    setLastError(errno);
    return false;
  }
  handle_ = fd;
  return true;
}

bool TcpSocket::isOpen() const { return handle_ != kNoSocket; }

bool TcpSocket::connect(Ipv4Address address, std::uint16_t port, std::uint64_t deadline) {
  int fd = static_cast<int>(handle_);
  struct sockaddr_in peer;
  std::memset(&peer, 0, sizeof peer);
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  peer.sin_addr.s_addr = address.networkOrder;
  if (::connect(fd, reinterpret_cast<struct sockaddr*>(&peer), sizeof peer) == 0) return true;
  if (errno != EINPROGRESS && errno != EINTR) {
    setLastError(errno);
    return false;
  }
  if (!waitFor(fd, POLLOUT, deadline)) {
    setLastError(errno);
    return false;
  }
  int error = 0;
  socklen_t size = sizeof error;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
  if (error != 0) {
    setLastError(error);
    return false;
  }
  return true;
}

bool TcpSocket::sendAll(const char* data, std::size_t size, std::uint64_t deadline) {
  int fd = static_cast<int>(handle_);
  while (size > 0) {
    // MSG_NOSIGNAL: a peer that has gone away gives an error, not SIGPIPE.
    ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n > 0) {
      data += n;
      size -= static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!waitFor(fd, POLLOUT, deadline)) {
        setLastError(errno);
        return false;
      }
      continue;
    }
    setLastError(n < 0 ? errno : EIO);
    return false;
  }
  return true;
}

int TcpSocket::receive(char* buffer, int size, std::uint64_t deadline) {
  int fd = static_cast<int>(handle_);
  for (;;) {
    ssize_t n = ::recv(fd, buffer, static_cast<std::size_t>(size), 0);
    if (n >= 0) return static_cast<int>(n);
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      setLastError(errno);
      return -1;
    }
    if (!waitFor(fd, POLLIN, deadline)) {
      setLastError(errno);
      return -1;
    }
  }
}

bool TcpSocket::close() {
  if (handle_ == kNoSocket) return true;
  int fd = static_cast<int>(handle_);
  handle_ = kNoSocket;
  // After EINTR the descriptor is gone on Linux: retrying could close another.
  if (::close(fd) != 0 && errno != EINTR) {
    setLastError(errno);
    return false;
  }
  return true;
}

}  // namespace platform
