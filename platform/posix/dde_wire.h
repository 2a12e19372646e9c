// The wire of DDE on POSIX, which the platform's client and the stand-ins'
// server (tools/standins) speak: a Unix socket per service name, named after
// the service (in lower case) in the folder "vellora-dde-USER" of the
// temporary folder, which only the user may enter.
//
// The client sends frames of one kind byte, a four-byte little-endian length
// and that many bytes; the server answers each frame with one byte, 'A'
// (accepted) or 'N' (refused).
//   'C' topic    opens the conversation; a server answers only "System"
//   'X' command  an execute transaction: the command and its zero byte
// Closing the socket ends the conversation, from either side.
#pragma once

#include <sys/un.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {
namespace posix {

constexpr char kDdeConnect = 'C';
constexpr char kDdeExecute = 'X';
constexpr char kDdeAccepted = 'A';
constexpr char kDdeRefused = 'N';
constexpr std::size_t kDdeFrameHeader = 5;
// A server drops a client that announces a longer frame.
constexpr std::uint32_t kDdeLongestFrame = 1 << 20;

// Service names and topics match without regard to letter case (ASCII).
std::string ddeLower(const std::string& text);

// The socket of a service; false (errno set) when the user's folder cannot
// be made, is not the user's own, or the path is too long.
bool ddeSocketAddress(const std::string& service, sockaddr_un* address);

// A connected socket, or -1.
int ddeConnectTo(const sockaddr_un& address);

// Writes everything (no SIGPIPE when the other side has gone).
bool ddeWriteAll(int fd, const char* data, std::size_t size);

// The payload length of a frame header (kDdeFrameHeader bytes).
std::uint32_t ddeFrameLength(const char* header);

}  // namespace posix
}  // namespace platform
