// Winsock. Asked for version 1.1, the level the calls below need; the socket
// is put into non-blocking mode so that every wait goes through select() with
// the time left until the caller's deadline.
#include "platform/win32/windows_api.h"

#include <winsock2.h>

#include "platform/files.h"
#include "platform/name_lookup_backend.h"
#include "platform/sockets.h"
#include "platform/system.h"

namespace platform {

namespace {

constexpr std::intptr_t kNoSocket = static_cast<std::intptr_t>(INVALID_SOCKET);

SOCKET asSocket(std::intptr_t handle) { return static_cast<SOCKET>(handle); }

// Waits until the socket can be written (or a connection attempt ended) or
// read; false on an error or when the deadline passes.
bool waitFor(SOCKET socket, bool forWriting, std::uint64_t deadline) {
  std::uint64_t now = tickMilliseconds();
  std::uint64_t left = now >= deadline ? 0 : deadline - now;
  fd_set ready;
  fd_set failed;
  FD_ZERO(&ready);
  FD_ZERO(&failed);
  FD_SET(socket, &ready);
  FD_SET(socket, &failed);
  timeval limit;
  limit.tv_sec = static_cast<long>(left / 1000);
  limit.tv_usec = static_cast<long>((left % 1000) * 1000);
  int n = forWriting ? select(0, nullptr, &ready, &failed, &limit)
                     : select(0, &ready, nullptr, &failed, &limit);
  if (n == 0) {
    setLastError(WSAETIMEDOUT);
    return false;
  }
  if (n == SOCKET_ERROR) {
    setLastError(WSAGetLastError());
    return false;
  }
  if (FD_ISSET(socket, &failed)) {
    int error = 0;
    int size = sizeof error;
    getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
    setLastError(error != 0 ? error : WSAECONNREFUSED);
    return false;
  }
  return true;
}

}  // namespace

bool startSockets() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return false;
  return true;
}

void stopSockets() { WSACleanup(); }

bool numericIpv4(const std::string& host, Ipv4Address* address) {
  unsigned long numeric = inet_addr(host.c_str());
  if (numeric == INADDR_NONE && host != "255.255.255.255") return false;
  address->networkOrder = numeric;
  return true;
}

long systemLookUpIpv4(const std::string& host, Ipv4Address* address) {
  // The look-up holds the socket library itself: its caller may have let
  // go of it by the time the resolver answers.
  WSADATA data;
  if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return WSANOTINITIALISED;
  long status = 0;
  const hostent* found = gethostbyname(host.c_str());
  if (found == nullptr || found->h_addrtype != AF_INET || found->h_addr_list[0] == nullptr) {
    status = WSAGetLastError();
    if (status == 0) status = WSAHOST_NOT_FOUND;
  } else {
    const auto* bytes = reinterpret_cast<const unsigned char*>(found->h_addr_list[0]);
    std::uint32_t value = 0;
    auto* out = reinterpret_cast<unsigned char*>(&value);
    for (int i = 0; i < 4; ++i) out[i] = bytes[i];
    address->networkOrder = value;
  }
  WSACleanup();
  return status;
}

int timedOutError() { return WSAETIMEDOUT; }

bool environmentHttpProxy(const std::string&, std::string*) { return false; }

TcpSocket::TcpSocket() : handle_(kNoSocket) {}

TcpSocket::~TcpSocket() {
  if (handle_ != kNoSocket) closesocket(asSocket(handle_));
}

bool TcpSocket::open() {
  if (handle_ != kNoSocket) close();
  SOCKET created = socket(AF_INET, SOCK_STREAM, 0);
  if (created == INVALID_SOCKET) {
    setLastError(WSAGetLastError());
    return false;
  }
  u_long nonBlocking = 1;
  if (ioctlsocket(created, FIONBIO, &nonBlocking) != 0) {
    setLastError(WSAGetLastError());
    closesocket(created);
    return false;
  }
  handle_ = static_cast<std::intptr_t>(created);
  return true;
}

bool TcpSocket::isOpen() const { return handle_ != kNoSocket; }

bool TcpSocket::connect(Ipv4Address address, std::uint16_t port, std::uint64_t deadline) {
  SOCKET s = asSocket(handle_);
  sockaddr_in peer = {};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  peer.sin_addr.s_addr = address.networkOrder;
  if (::connect(s, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0) return true;
  int error = WSAGetLastError();
  if (error != WSAEWOULDBLOCK) {
    setLastError(error);
    return false;
  }
  return waitFor(s, true, deadline);
}

bool TcpSocket::sendAll(const char* data, std::size_t size, std::uint64_t deadline) {
  SOCKET s = asSocket(handle_);
  while (size > 0) {
    int chunk = size > 0x40000000 ? 0x40000000 : static_cast<int>(size);
    int n = send(s, data, chunk, 0);
    if (n > 0) {
      data += n;
      size -= static_cast<std::size_t>(n);
      continue;
    }
    int error = n == 0 ? WSAECONNRESET : WSAGetLastError();
    if (error != WSAEWOULDBLOCK) {
      setLastError(error);
      return false;
    }
    if (!waitFor(s, true, deadline)) return false;
  }
  return true;
}

int TcpSocket::receive(char* buffer, int size, std::uint64_t deadline) {
  SOCKET s = asSocket(handle_);
  for (;;) {
    int n = recv(s, buffer, size, 0);
    if (n >= 0) return n;
    int error = WSAGetLastError();
    if (error != WSAEWOULDBLOCK) {
      setLastError(error);
      return -1;
    }
    if (!waitFor(s, false, deadline)) return -1;
  }
}

bool TcpSocket::close() {
  if (handle_ == kNoSocket) return true;
  SOCKET s = asSocket(handle_);
  handle_ = kNoSocket;
  if (closesocket(s) != 0) {
    setLastError(WSAGetLastError());
    return false;
  }
  return true;
}

}  // namespace platform
