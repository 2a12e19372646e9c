#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/posix/exec_support.h"

extern char** environ;

namespace platform {
namespace posix {

namespace {

bool isExecutableFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string findProgram(const std::string& name) {
  if (name.empty()) {
    errno = ENOENT;
    return std::string();
  }
  if (name.find('/') != std::string::npos) return name;
  const char* env = std::getenv("PATH");
  std::string path = env ? env : "/usr/local/bin:/usr/bin:/bin";
  std::string::size_type start = 0;
  for (;;) {
    std::string::size_type end = path.find(':', start);
    std::string dir = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
    if (isExecutableFile(candidate)) return candidate;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  errno = ENOENT;
  return std::string();
}

ExecArguments::ExecArguments(const std::vector<std::string>& arguments) : strings_(arguments) {
  for (auto& s : strings_) pointers_.push_back(&s[0]);
  pointers_.push_back(nullptr);
}

void resetSignalsInChild() {
  struct sigaction action;
  action.sa_handler = SIG_DFL;
  action.sa_flags = 0;
  sigemptyset(&action.sa_mask);
  for (int sig = 1; sig < NSIG; ++sig) sigaction(sig, &action, nullptr);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
}

namespace {

void closeRange(unsigned first, unsigned last) {
  if (first > last) return;
#if defined(SYS_close_range)
  if (::syscall(SYS_close_range, first, last, 0) == 0) return;
#endif
  // Without close_range, every number the process may have open.
  struct rlimit limit;
  unsigned most = 65536;
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < most)
    most = static_cast<unsigned>(limit.rlim_cur);
  for (unsigned fd = first; fd <= last && fd < most; ++fd) ::close(static_cast<int>(fd));
}

}  // namespace

void closeDescriptorsAboveStandard(int keep) {
  const unsigned highest = ~0U;
  if (keep < 3) {
    closeRange(3, highest);
    return;
  }
  closeRange(3, static_cast<unsigned>(keep) - 1);
  closeRange(static_cast<unsigned>(keep) + 1, highest);
}

void reportExecFailure(int statusFd, int code) {
  ssize_t ignored = ::write(statusFd, &code, sizeof code);
  (void)ignored;
  _exit(127);
}

int readExecStatus(int statusFd) {
  int code = 0;
  std::size_t got = 0;
  char* bytes = reinterpret_cast<char*>(&code);
  while (got < sizeof code) {
    ssize_t n = ::read(statusFd, bytes + got, sizeof code - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got == 0) return 0;  // closed by a successful exec
  return got == sizeof code && code != 0 ? code : ECHILD;
}

int startDetached(const std::string& program, const std::vector<std::string>& arguments,
                  const std::vector<std::string>* environment, const std::string& directory) {
  ExecArguments argv(arguments);
  ExecArguments envp(environment ? *environment : std::vector<std::string>());
  char* const* env = environment ? envp.argv() : environ;
  int status[2];
  if (pipe2(status, O_CLOEXEC) != 0) return errno;
  int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  pid_t middle = fork();
  if (middle < 0) {
    int code = errno;
    ::close(status[0]);
    ::close(status[1]);
    if (null >= 0) ::close(null);
    return code;
  }
  if (middle == 0) {
    pid_t started = fork();
    if (started < 0) reportExecFailure(status[1], errno);
    if (started > 0) _exit(0);
    setsid();
    if (!directory.empty() && chdir(directory.c_str()) != 0) reportExecFailure(status[1], errno);
    if (null >= 0) {
      dup2(null, 0);
      dup2(null, 1);
      dup2(null, 2);
    }
    resetSignalsInChild();
    execve(program.c_str(), argv.argv(), env);
    reportExecFailure(status[1], errno);
  }
  ::close(status[1]);
  if (null >= 0) ::close(null);
  int ignored;
  while (waitpid(middle, &ignored, 0) < 0 && errno == EINTR) {
  }
  int code = readExecStatus(status[0]);
  ::close(status[0]);
  return code;
}

}  // namespace posix
}  // namespace platform
