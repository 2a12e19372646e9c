// Opening a document with the desktop's handler. xdg-open is started
// detached, holding none of our pipes open (the shell on Windows hands over
// no handles).
#include <unistd.h>

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

namespace {

std::string folderOfRunningProgram() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return std::string();
  path[n] = '\0';
  std::string program(path);
  return program.substr(0, program.rfind('/'));
}

}  // namespace

bool startRegistryImport(const std::string&, const std::string& file) {
  std::string beside = folderOfRunningProgram() + "/vlreg";
  std::string program = ::access(beside.c_str(), X_OK) == 0 ? beside : posix::findProgram("vlreg");
  if (program.empty()) {
    setLastError(ENOENT);
    return false;
  }
  int code = posix::startDetached(program, {"vlreg", "import", file}, nullptr, std::string());
  if (code != 0) {
    setLastError(code);
    return false;
  }
  return true;
}

}  // namespace platform
