#include "platform/posix/dde_wire.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

#include "platform/files.h"
#include "platform/system.h"

namespace platform {
namespace posix {

namespace {

// The user's private folder for service sockets; empty (errno set) when it
// cannot be made or is not the user's own.
std::string serviceFolder() {
  std::string user;
  for (char c : userName())
    user += (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-') ? c : '_';
  std::string folder = tempPath() + "vellora-dde-" + user;
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return std::string();
  struct stat info;
  if (::lstat(folder.c_str(), &info) != 0) return std::string();
  if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid() || (info.st_mode & 077) != 0) {
    errno = EACCES;
    return std::string();
  }
  return folder;
}

}  // namespace

std::string ddeLower(const std::string& text) {
  std::string result(text);
  for (char& c : result)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return result;
}

bool ddeSocketAddress(const std::string& service, sockaddr_un* address) {
  if (service.empty()) return false;
  std::string folder = serviceFolder();
  if (folder.empty()) return false;
  std::string name;
  for (char c : ddeLower(service))
    name += (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.') ? c : '_';
  std::string path = folder + "/" + name;
  std::memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  if (path.size() >= sizeof address->sun_path) {
    errno = ENAMETOOLONG;
    return false;
  }
  std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
  return true;
}

int ddeConnectTo(const sockaddr_un& address) {
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool ddeWriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::uint32_t ddeFrameLength(const char* header) {
  const unsigned char* h = reinterpret_cast<const unsigned char*>(header);
  return h[1] | (h[2] << 8) | (h[3] << 16) | (static_cast<std::uint32_t>(h[4]) << 24);
}

}  // namespace posix
}  // namespace platform
