#include "monitor/converter_start.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "monitor/cups_log.h"
#include "platform/posix/exec_support.h"

namespace vellora {
namespace monitor {

namespace {

constexpr std::size_t kMaxLine = 1000;
// How often the wait for the converter looks whether it has ended while its
// output is quiet.
constexpr int kWaitPollMs = 100;

volatile sig_atomic_t gTerminationRequested = 0;
volatile sig_atomic_t gConverter = 0;

void onTermination(int) {
  const int saved = errno;
  gTerminationRequested = 1;
  const pid_t converter = static_cast<pid_t>(gConverter);
  if (converter > 0) ::kill(converter, SIGTERM);
  errno = saved;
}

void passOn(std::string* pending, bool flush) {
  std::string::size_type end;
  while ((end = pending->find_first_of("\r\n")) != std::string::npos) {
    std::string line = pending->substr(0, end);
    pending->erase(0, end + 1);
    if (!line.empty()) cupsLog(LogLevel::kDebug, "vlconv: " + line);
  }
  if (pending->size() > kMaxLine || (flush && !pending->empty())) {
    cupsLog(LogLevel::kDebug, "vlconv: " + *pending);
    pending->clear();
  }
}

// Reads what is there now; false once the output has ended (or failed).
bool readAvailable(int fd, std::string* pending) {
  char buffer[4096];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    if (n <= 0) return false;
    pending->append(buffer, static_cast<std::size_t>(n));
    passOn(pending, false);
  }
}

// Passes the converter's output on until the converter itself has ended.
// Its end, not the end of its output, ends the wait: a program it started
// for the user (a viewer, a post-process command) may hold the output open
// for as long as the user keeps it.
int waitForConverter(pid_t pid, int output) {
  ::fcntl(output, F_SETFL, ::fcntl(output, F_GETFL) | O_NONBLOCK);
  // A descriptor that becomes readable when the converter ends, so that its
  // end is seen at once; without one (an older kernel) it is looked for at
  // every poll.
  int ending = -1;
#if defined(SYS_pidfd_open)
  ending = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#endif
  std::string pending;
  bool open = true;
  int status = 0;
  bool reaped = false;
  for (;;) {
    pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      gConverter = 0;
      reaped = true;
      break;
    }
    if (done < 0 && errno != EINTR) break;
    struct pollfd ready[2];
    nfds_t count = 0;
    if (open) ready[count++] = {output, POLLIN, 0};
    if (ending >= 0) ready[count++] = {ending, POLLIN, 0};
    int r = ::poll(ready, count, kWaitPollMs);
    if (r > 0 && open && ready[0].revents != 0) open = readAvailable(output, &pending);
  }
  if (ending >= 0) ::close(ending);
  // What it wrote before it ended is still in the pipe.
  if (open) readAvailable(output, &pending);
  passOn(&pending, true);
  if (!reaped) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

}  // namespace

void passTerminationToConverter() {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = &onTermination;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
}

bool terminationRequested() { return gTerminationRequested != 0; }

std::vector<std::string> converterEnvironment(const std::string& user, const std::string& home,
                                              const std::string& shell,
                                              const std::vector<std::string>& desktop) {
  std::vector<std::string> environment = {
      "PATH=/usr/local/bin:/usr/bin:/bin", "LANG=C.UTF-8",     "HOME=" + home,
      "USER=" + user,                      "LOGNAME=" + user, "SHELL=" + (shell.empty() ? "/bin/sh" : shell)};
  // An administrator (or a test) who keeps the machine elsewhere tells the
  // monitor through the scheduler's environment; the converter must look
  // in the same place.
  const char* root = std::getenv("VELLORA_ROOT");
  if (root && *root) environment.push_back(std::string("VELLORA_ROOT=") + root);
#ifdef VELLORA_TEST_HOOKS
  // Test builds only: a test's scheduler gives printed jobs a script for the
  // converter's windows and a record of them (scripted_ui/scripted_ui.h).
  for (const char* name : {"VELLORA_UI_SCRIPT", "VELLORA_UI_LOG"}) {
    const char* value = std::getenv(name);
    if (value && *value) environment.push_back(std::string(name) + "=" + value);
  }
#endif
  environment.insert(environment.end(), desktop.begin(), desktop.end());
  return environment;
}

ConverterOutcome runConverter(const ConverterJob& job) {
  ConverterOutcome outcome;
  platform::posix::ExecArguments argv(
      {job.program, std::to_string(job.pages), job.spoolFile, job.title, job.printer});
  platform::posix::ExecArguments envp(job.environment);
  int status[2], output[2];
  if (pipe2(status, O_CLOEXEC) != 0) {
    outcome.startError = std::strerror(errno);
    return outcome;
  }
  if (pipe2(output, O_CLOEXEC) != 0) {
    outcome.startError = std::strerror(errno);
    close(status[0]);
    close(status[1]);
    return outcome;
  }
  int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
  const pid_t monitor = getpid();
  pid_t pid = fork();
  if (pid < 0) {
    outcome.startError = std::strerror(errno);
    for (int fd : {status[0], status[1], output[0], output[1], null}) close(fd);
    return outcome;
  }
  if (pid == 0) {
    // Should the monitor end without passing a cancel on (the scheduler
    // kills it outright), the job ends as a cancelled one does.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != monitor) _exit(127);
    if (null < 0 || dup2(null, 0) < 0 || dup2(output[1], 1) < 0 || dup2(output[1], 2) < 0)
      platform::posix::reportExecFailure(status[1], errno);
    // The scheduler's back-channel and side-channel (3 and 4) and whatever
    // else the monitor was handed are not the converter's business, nor of
    // the programs it starts.
    platform::posix::closeDescriptorsAboveStandard(status[1]);
    if (!job.folder.empty() && chdir(job.folder.c_str()) != 0) platform::posix::reportExecFailure(status[1], errno);
    platform::posix::resetSignalsInChild();
    // A write to the log pipe of a monitor that is gone fails instead of
    // killing the converter, which then ends the job itself.
    signal(SIGPIPE, SIG_IGN);
    execve(job.program.c_str(), argv.argv(), envp.argv());
    platform::posix::reportExecFailure(status[1], errno);
  }
  gConverter = pid;
  // A cancel that came before the converter's number was known.
  if (gTerminationRequested) ::kill(pid, SIGTERM);
  close(status[1]);
  close(output[1]);
  if (null >= 0) close(null);
  int code = platform::posix::readExecStatus(status[0]);
  close(status[0]);
  if (code != 0) {
    outcome.startError = std::strerror(code);
    close(output[0]);
    int ignored;
    while (waitpid(pid, &ignored, 0) < 0 && errno == EINTR) {
    }
    gConverter = 0;
    return outcome;
  }
  outcome.started = true;
  outcome.exitCode = waitForConverter(pid, output[0]);
  close(output[0]);
  outcome.terminated = gTerminationRequested != 0;
  return outcome;
}

}  // namespace monitor
}  // namespace vellora
