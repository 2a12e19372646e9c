#include "monitor/converter_start.h"

#include <fcntl.h>
#include <signal.h>
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

}  // namespace

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
#ifdef VELLORA_CONVERTER_UI_SCRIPTS
  // Test builds only: a test's scheduler gives printed jobs a script for the
  // converter's windows and a record of them (platform/scripted_ui.h).
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
  pid_t pid = fork();
  if (pid < 0) {
    outcome.startError = std::strerror(errno);
    for (int fd : {status[0], status[1], output[0], output[1], null}) close(fd);
    return outcome;
  }
  if (pid == 0) {
    if (null < 0 || dup2(null, 0) < 0 || dup2(output[1], 1) < 0 || dup2(output[1], 2) < 0)
      platform::posix::reportExecFailure(status[1], errno);
    if (!job.folder.empty() && chdir(job.folder.c_str()) != 0) platform::posix::reportExecFailure(status[1], errno);
    platform::posix::resetSignalsInChild();
    // Should the monitor be ended while the converter works, the job still
    // finishes: a write to the closed log pipe fails instead of killing it.
    signal(SIGPIPE, SIG_IGN);
    execve(job.program.c_str(), argv.argv(), envp.argv());
    platform::posix::reportExecFailure(status[1], errno);
  }
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
    return outcome;
  }
  outcome.started = true;
  std::string pending;
  char buffer[4096];
  for (;;) {
    ssize_t n = read(output[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    pending.append(buffer, static_cast<std::size_t>(n));
    passOn(&pending, false);
  }
  passOn(&pending, true);
  close(output[0]);
  int waited = 0;
  while (waitpid(pid, &waited, 0) < 0 && errno == EINTR) {
  }
  outcome.exitCode = WIFEXITED(waited) ? WEXITSTATUS(waited) : 128 + WTERMSIG(waited);
  return outcome;
}

}  // namespace monitor
}  // namespace vellora
