#include "testsupport/posix/file_modes.h"

#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {
namespace posix {

int permissionBits(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return -1;
  return static_cast<int>(info.st_mode & 07777);
}

long ownerId(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return -1;
  return static_cast<long>(info.st_uid);
}

bool setPermissionBits(const std::string& path, int bits) {
  return ::chmod(path.c_str(), static_cast<mode_t>(bits)) == 0;
}

bool makeSymbolicLink(const std::string& target, const std::string& link) {
  return ::symlink(target.c_str(), link.c_str()) == 0;
}

}  // namespace posix
}  // namespace testsupport
