// Opening a document with the desktop's handler. xdg-open is started
// detached, holding none of our pipes open (the shell on Windows hands over
// no handles).
#include <cerrno>

#include "platform/files.h"
#include "platform/posix/exec_support.h"
#include "platform/shell.h"

namespace platform {

bool shellOpen(const std::string& path) {
  std::string program = posix::findProgram("xdg-open");
  if (program.empty()) {
    setLastError(ENOENT);
    return false;
  }
  int code = posix::startDetached(program, {"xdg-open", path}, nullptr, std::string());
  if (code != 0) {
    setLastError(code);
    return false;
  }
  return true;
}

}  // namespace platform
