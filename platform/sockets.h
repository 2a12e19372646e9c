// TCP over IPv4, as the error agent uses it: one connection, one request,
// the reply read until the server closes. BSD sockets on POSIX, Winsock on
// Windows.
//
// Every call that waits on the network takes a deadline (a value of
// tickMilliseconds()), so that a server, proxy or name server that never
// answers cannot hold the program for ever.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Readies the socket library (WSAStartup asking for version 1.1 on Windows;
// nothing to do on POSIX). Each successful call is matched by stopSockets().
bool startSockets();
void stopSockets();

// An IPv4 address in network byte order.
struct Ipv4Address {
  std::uint32_t networkOrder = 0;
};

// The first IPv4 address of a host name, or a dotted address as it stands.
// False (lastError() set) when the name does not resolve, or not before the
// deadline: the system's resolver takes no time-out from its caller, so the
// look-up runs on a thread of its own, which the caller stops waiting for at
// the deadline and which ends by itself whenever the resolver returns.
bool resolveIpv4(const std::string& host, Ipv4Address* address, std::uint64_t deadline);

// A look-up that waits as long as its resolver takes: 0 with the address,
// or an error code.
using BlockingNameLookUp = long (*)(const std::string& host, Ipv4Address* address);
#ifdef VELLORA_TEST_HOOKS
// Tests: the look-up resolveIpv4 runs on its thread in place of the
// system's; nullptr restores the system's. Numeric addresses never reach it.
void setNameLookUpForTesting(BlockingNameLookUp lookUp);
#endif

// The proxy the environment names for plain HTTP to `host`: on POSIX the
// "http_proxy" variable unless "no_proxy" lists the host (or "*"); Windows
// keeps its proxy in the Internet settings only, so there it is never set.
// A "user:password@" part is dropped: the agent cannot answer a proxy's
// request for credentials anyway.
bool environmentHttpProxy(const std::string& host, std::string* proxy);

class TcpSocket {
 public:
  TcpSocket();
  ~TcpSocket();  // closes a socket still open
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;

  // Creates the socket (AF_INET, SOCK_STREAM, protocol 0).
  bool open();
  bool isOpen() const;
  // Connects to the address and port, waiting at most until the deadline.
  bool connect(Ipv4Address address, std::uint16_t port, std::uint64_t deadline);
  // Sends all of the data; false on an error or when the deadline passes first.
  bool sendAll(const char* data, std::size_t size, std::uint64_t deadline);
  // The next bytes received: their count, 0 when the peer has closed the
  // connection, -1 on an error or when the deadline passes first.
  int receive(char* buffer, int size, std::uint64_t deadline);
  // Closes the socket; false when the system reports a failure.
  bool close();

 private:
  std::intptr_t handle_;
};

}  // namespace platform
