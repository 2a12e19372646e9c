#include "monitor/job_result.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vellora {
namespace monitor {

namespace {

// A word and a line for the printer's status; anything longer is cut.
constexpr std::size_t kResultBytes = 2048;

}  // namespace

bool createResultFile(const std::string& spoolFile, std::string* path, std::string* why) {
  std::string::size_type dot = spoolFile.rfind('.');
  *path = (dot == std::string::npos ? spoolFile : spoolFile.substr(0, dot)) + ".end";
  int fd = ::open(path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    *why = "cannot create " + *path + ": " + std::strerror(errno);
    path->clear();
    return false;
  }
  ::close(fd);
  return true;
}

JobResult takeJobResult(const std::string& path) {
  JobResult result;
  int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (fd >= 0) {
    std::string text;
    char buffer[512];
    while (text.size() < kResultBytes) {
      ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    text.resize(std::min(text.size(), kResultBytes));
    std::string::size_type end = text.find('\n');
    result.end = text.substr(0, end);
    if (end != std::string::npos) result.message = text.substr(end + 1, text.find('\n', end + 1) - end - 1);
  }
  ::unlink(path.c_str());
  return result;
}

}  // namespace monitor
}  // namespace vellora
