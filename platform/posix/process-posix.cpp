// Child processes on POSIX: fork and exec of the split command line, never a
// shell, so that ";", "$" and quotes reach the program as typed. Every
// descriptor this code creates is close-on-exec, so children started at the
// same time from other threads never hold each other's pipes open.
#include <fcntl.h>
#include <signal.h>
#include <strings.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <poll.h>
#include <unistd.h>

#if defined(__linux__)
#include <sys/prctl.h>
#include <sys/syscall.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "platform/posix/exec_support.h"
#include "platform/process.h"
#include "platform/system.h"

extern char** environ;

namespace platform {

struct ChildProcess::State {
  pid_t pid = -1;
  int output = -1;
  int input = -1;  // the write end of the child's standard input, when fed
  bool reaped = false;
  int status = 0;
  bool ownGroup = false;
};

namespace {

// Children started with endWithCaller, each the leader of its own process
// group, until they are reaped.
std::mutex gOwnedMutex;
std::vector<pid_t> gOwned;

void addOwned(pid_t pid) {
  std::lock_guard<std::mutex> hold(gOwnedMutex);
  gOwned.push_back(pid);
}

void dropOwned(pid_t pid) {
  std::lock_guard<std::mutex> hold(gOwnedMutex);
  gOwned.erase(std::remove(gOwned.begin(), gOwned.end(), pid), gOwned.end());
}

void noteReaped(bool* reaped, bool ownGroup, pid_t pid) {
  *reaped = true;
  if (ownGroup) dropOwned(pid);
}

void closeFd(int* fd) {
  if (*fd >= 0) ::close(*fd);
  *fd = -1;
}

// Keeps our descriptors off 0, 1 and 2, which the child rewires: a parent
// started with a standard stream closed would otherwise hand out those numbers.
int aboveStandard(int fd) {
  if (fd < 0 || fd > 2) return fd;
  int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  ::close(fd);
  return moved;
}

bool makePipe(int fds[2]) {
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  fds[0] = aboveStandard(fds[0]);
  fds[1] = aboveStandard(fds[1]);
  if (fds[0] < 0 || fds[1] < 0) {
    closeFd(&fds[0]);
    closeFd(&fds[1]);
    return false;
  }
  return true;
}

// Lets go of a child without ending it, as closing its handles does on
// Windows; a waiter reaps it later so that no zombie stays behind.
void release(int* output, pid_t pid, bool reaped, bool ownGroup) {
  closeFd(output);
  if (pid <= 0 || reaped) return;
  int status;
  if (waitpid(pid, &status, WNOHANG) != 0) {
    if (ownGroup) dropOwned(pid);
    return;
  }
  try {
    std::thread([pid, ownGroup] {
      int ignored;
      while (waitpid(pid, &ignored, 0) < 0 && errno == EINTR) {
      }
      if (ownGroup) dropOwned(pid);
    }).detach();
  } catch (...) {
  }
}

}  // namespace

ChildProcess::ChildProcess() : state_(new State) {}

ChildProcess::~ChildProcess() {
  closeFd(&state_->input);
  release(&state_->output, state_->pid, state_->reaped, state_->ownGroup);
}

bool ChildProcess::start(const std::string& commandLine, const StartOptions& options) {
  closeFd(&state_->input);
  release(&state_->output, state_->pid, state_->reaped, state_->ownGroup);
  state_.reset(new State);

  std::vector<std::string> arguments = splitCommandLine(commandLine);
  if (arguments.empty() || arguments[0].empty()) {
    setLastError(ENOENT);
    return false;
  }
  std::string program = posix::findProgram(arguments[0]);
  if (program.empty()) {
    setLastError(errno ? errno : ENOENT);
    return false;
  }
  posix::ExecArguments argv(arguments);
  const std::string directory = options.currentDirectory;

  int status[2] = {-1, -1};
  int output[2] = {-1, -1};
  int input = -1;
  if (!makePipe(status)) {
    setLastError(errno);
    return false;
  }
  // A child that inherits nothing gets the null device as its standard
  // streams, in place of ours.
  const bool detached = !options.inheritHandles && !options.captureOutput;
  if (detached) {
    input = aboveStandard(::open("/dev/null", O_RDWR | O_CLOEXEC));
    if (input < 0) {
      int code = errno;
      closeFd(&status[0]);
      closeFd(&status[1]);
      setLastError(code);
      return false;
    }
  }
  if (options.captureOutput) {
    input = aboveStandard(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    if (input < 0 || !makePipe(output)) {
      int code = errno;
      closeFd(&input);
      closeFd(&status[0]);
      closeFd(&status[1]);
      setLastError(code);
      return false;
    }
  }
  int fed[2] = {-1, -1};
  if (options.feedInput && !makePipe(fed)) {
    int code = errno;
    closeFd(&input);
    closeFd(&output[0]);
    closeFd(&output[1]);
    closeFd(&status[0]);
    closeFd(&status[1]);
    setLastError(code);
    return false;
  }

  const bool ownGroup = options.endWithCaller;
  const pid_t parent = getpid();
  pid_t pid = fork();
  if (pid < 0) {
    int code = errno;
    closeFd(&status[0]);
    closeFd(&status[1]);
    closeFd(&output[0]);
    closeFd(&output[1]);
    closeFd(&input);
    closeFd(&fed[0]);
    closeFd(&fed[1]);
    setLastError(code);
    return false;
  }
  if (pid == 0) {
    // Only async-signal-safe calls from here on.
    if (ownGroup) {
      // A group of its own, so that everything it starts can be stopped
      // with it; and, where the system offers it, its end when the caller
      // dies without a chance to stop it (killed outright, crashed).
      setpgid(0, 0);
#if defined(__linux__)
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(127);
#endif
    }
    if (!directory.empty() && chdir(directory.c_str()) != 0)
      posix::reportExecFailure(status[1], errno);
    if (options.captureOutput) {
      if (dup2(input, 0) < 0 || dup2(output[1], 1) < 0 || dup2(output[1], 2) < 0)
        posix::reportExecFailure(status[1], errno);
    }
    if (detached) {
      // Nothing of ours, not even our session: the program lives on its
      // own, as one the user started.
      if (!ownGroup) setsid();
      if (dup2(input, 0) < 0 || dup2(input, 1) < 0 || dup2(input, 2) < 0)
        posix::reportExecFailure(status[1], errno);
    }
    posix::resetSignalsInChild();
    if (options.feedInput && dup2(fed[0], 0) < 0) posix::reportExecFailure(status[1], errno);
    execve(program.c_str(), argv.argv(), environ);
    posix::reportExecFailure(status[1], errno);
  }

  if (ownGroup) {
    // Set from both sides: whichever runs first, the group exists before
    // anyone may want to stop it.
    setpgid(pid, pid);
    addOwned(pid);
  }
  closeFd(&status[1]);
  closeFd(&output[1]);
  closeFd(&input);
  closeFd(&fed[0]);
  int code = posix::readExecStatus(status[0]);
  closeFd(&status[0]);
  if (code != 0) {
    int ignored;
    while (waitpid(pid, &ignored, 0) < 0 && errno == EINTR) {
    }
    if (ownGroup) dropOwned(pid);
    closeFd(&output[0]);
    closeFd(&fed[1]);
    setLastError(code);
    return false;
  }
  state_->pid = pid;
  state_->ownGroup = ownGroup;
  state_->output = output[0];
  state_->input = fed[1];
  setLastError(0);
  return true;
}

bool ChildProcess::writeInput(const std::string& data) {
  if (state_->input < 0) {
    setLastError(EBADF);
    return false;
  }
  // A reader that has gone would raise SIGPIPE, which ends the caller:
  // held back for this thread and taken back if raised, it is an error.
  sigset_t pipeSignal, previous;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
  std::size_t done = 0;
  int code = 0;
  while (done < data.size()) {
    ssize_t n = ::write(state_->input, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      code = errno;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (code == EPIPE) {
    const struct timespec now = {0, 0};
    while (sigtimedwait(&pipeSignal, nullptr, &now) < 0 && errno == EINTR) {
    }
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  if (code != 0) {
    setLastError(code);
    return false;
  }
  return true;
}

void ChildProcess::closeInput() { closeFd(&state_->input); }

int ChildProcess::readOutput(char* buffer, int size) {
  if (state_->output < 0 || size <= 0) return 0;
  for (;;) {
    ssize_t n = ::read(state_->output, buffer, static_cast<std::size_t>(size));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) setLastError(errno);
    return n > 0 ? static_cast<int>(n) : 0;
  }
}

int ChildProcess::readOutputWithin(char* buffer, int size, int timeoutMilliseconds) {
  if (state_->output < 0 || size <= 0) return 0;
  std::uint64_t deadline = tickMilliseconds() + static_cast<std::uint64_t>(timeoutMilliseconds);
  for (;;) {
    std::uint64_t now = tickMilliseconds();
    int left = now >= deadline ? 0 : static_cast<int>(deadline - now);
    struct pollfd ready = {state_->output, POLLIN, 0};
    int r = ::poll(&ready, 1, left);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) {
      setLastError(errno);
      return 0;
    }
    if (r == 0) return kReadTimedOut;
    return readOutput(buffer, size);
  }
}

WaitResult ChildProcess::wait(int timeoutMilliseconds) {
  if (state_->pid <= 0) {
    setLastError(ECHILD);
    return kWaitFailed;
  }
  if (state_->reaped) return kWaitDone;
  if (timeoutMilliseconds < 0) {
    for (;;) {
      pid_t r = waitpid(state_->pid, &state_->status, 0);
      if (r == state_->pid) break;
      if (r < 0 && errno != EINTR) {
        setLastError(errno);
        return kWaitFailed;
      }
    }
    noteReaped(&state_->reaped, state_->ownGroup, state_->pid);
    return kWaitDone;
  }
  const std::uint64_t deadline = tickMilliseconds() + static_cast<std::uint64_t>(timeoutMilliseconds);
#if defined(__linux__) && defined(SYS_pidfd_open)
  // Woken the moment the child ends: a child that closed its output is
  // usually not quite gone yet, and a nap of a millisecond or more before
  // the next look would be added to every short program's run.
  const int ended = static_cast<int>(::syscall(SYS_pidfd_open, state_->pid, 0));
  if (ended >= 0) {
    for (;;) {
      pid_t r = waitpid(state_->pid, &state_->status, WNOHANG);
      if (r == state_->pid) {
        ::close(ended);
        noteReaped(&state_->reaped, state_->ownGroup, state_->pid);
        return kWaitDone;
      }
      if (r < 0 && errno != EINTR) {
        int code = errno;
        ::close(ended);
        setLastError(code);
        return kWaitFailed;
      }
      std::uint64_t now = tickMilliseconds();
      if (now >= deadline) {
        ::close(ended);
        return kWaitTimeout;
      }
      struct pollfd ready = {ended, POLLIN, 0};
      ::poll(&ready, 1, static_cast<int>(std::min<std::uint64_t>(deadline - now, 1u << 30)));
    }
  }
#endif
  int pause = 1;
  for (;;) {
    pid_t r = waitpid(state_->pid, &state_->status, WNOHANG);
    if (r == state_->pid) {
      noteReaped(&state_->reaped, state_->ownGroup, state_->pid);
      return kWaitDone;
    }
    if (r < 0 && errno != EINTR) {
      setLastError(errno);
      return kWaitFailed;
    }
    std::uint64_t now = tickMilliseconds();
    if (now >= deadline) return kWaitTimeout;
    std::uint64_t left = deadline - now;
    sleepMilliseconds(static_cast<int>(left < static_cast<std::uint64_t>(pause) ? left : pause));
    if (pause < 20) pause *= 2;
  }
}

int ChildProcess::exitCode() const {
  if (!state_->reaped) return -1;
  if (WIFEXITED(state_->status)) return WEXITSTATUS(state_->status);
  if (WIFSIGNALED(state_->status)) return 128 + WTERMSIG(state_->status);
  return -1;
}

void ChildProcess::kill() {
  if (state_->pid <= 0 || state_->reaped) return;
  ::kill(state_->ownGroup ? -state_->pid : state_->pid, SIGKILL);
}

long ChildProcess::id() const { return static_cast<long>(state_->pid); }

bool ChildProcess::running() const {
  if (state_->pid <= 0 || state_->reaped) return false;
  if (waitpid(state_->pid, &state_->status, WNOHANG) == state_->pid) {
    noteReaped(&state_->reaped, state_->ownGroup, state_->pid);
    return false;
  }
  return true;
}

void stopOwnedChildren() {
  std::lock_guard<std::mutex> hold(gOwnedMutex);
  // A child not yet reaped keeps its number, so the group named here can
  // only be one of ours.
  for (pid_t pid : gOwned) ::kill(-pid, SIGKILL);
}

std::string programCommandLine(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += quoteArgument(argv[i] ? argv[i] : "");
  }
  return line;
}

bool getEnvironment(const std::string& name, std::string* value) {
  const char* found = std::getenv(name.c_str());
  if (!found) return false;
  if (value) *value = found;
  return true;
}

bool getEnvironmentIgnoreCase(const std::string& name, std::string* value) {
  if (getEnvironment(name, value)) return true;
  if (name.empty()) return false;
  for (char** entry = environ; entry && *entry; ++entry) {
    const char* equals = std::strchr(*entry, '=');
    if (!equals || static_cast<std::size_t>(equals - *entry) != name.size()) continue;
    if (strncasecmp(*entry, name.c_str(), name.size()) == 0) {
      if (value) *value = equals + 1;
      return true;
    }
  }
  return false;
}

bool setEnvironment(const std::string& name, const std::string& value) {
  if (name.empty() || name.find('=') != std::string::npos) {
    setLastError(EINVAL);
    return false;
  }
  if (setenv(name.c_str(), value.c_str(), 1) != 0) {
    setLastError(errno);
    return false;
  }
  return true;
}

bool unsetEnvironment(const std::string& name) {
  if (name.empty() || name.find('=') != std::string::npos) {
    setLastError(EINVAL);
    return false;
  }
  if (unsetenv(name.c_str()) != 0) {
    setLastError(errno);
    return false;
  }
  return true;
}

void sleepMilliseconds(int milliseconds) {
  if (milliseconds <= 0) return;
  struct timespec left;
  left.tv_sec = milliseconds / 1000;
  left.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

std::string findProgramPath(const std::string& name) { return posix::findProgram(name); }

}  // namespace platform
