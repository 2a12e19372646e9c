// Opening a document with the desktop's handler. xdg-open is started through
// a short-lived middle process so it is adopted by init and never lingers
// as a zombie of ours, and with /dev/null as its standard streams so it
// holds none of our pipes open (the shell on Windows hands over no handles).
#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files.h"
#include "platform/posix/exec_support.h"
#include "platform/shell.h"

extern char** environ;

namespace platform {

bool shellOpen(const std::string& path) {
  std::string program = posix::findProgram("xdg-open");
  if (program.empty()) {
    setLastError(ENOENT);
    return false;
  }
  posix::ExecArguments argv({"xdg-open", path});
  int status[2];
  if (pipe2(status, O_CLOEXEC) != 0) {
    setLastError(errno);
    return false;
  }
  int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  pid_t middle = fork();
  if (middle < 0) {
    int code = errno;
    ::close(status[0]);
    ::close(status[1]);
    if (null >= 0) ::close(null);
    setLastError(code);
    return false;
  }
  if (middle == 0) {
    pid_t opener = fork();
    if (opener < 0) posix::reportExecFailure(status[1], errno);
    if (opener > 0) _exit(0);
    setsid();
    if (null >= 0) {
      dup2(null, 0);
      dup2(null, 1);
      dup2(null, 2);
    }
    posix::resetSignalsInChild();
    execve(program.c_str(), argv.argv(), environ);
    posix::reportExecFailure(status[1], errno);
  }
  ::close(status[1]);
  if (null >= 0) ::close(null);
  int ignored;
  while (waitpid(middle, &ignored, 0) < 0 && errno == EINTR) {
  }
  int code = posix::readExecStatus(status[0]);
  ::close(status[0]);
  if (code != 0) {
    setLastError(code);
    return false;
  }
  return true;
}

}  // namespace platform
