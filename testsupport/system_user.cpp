#include "testsupport/system_user.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/files.h"
#include "platform/posix/exec_support.h"
#include "platform/process.h"
#include "platform/system.h"

namespace testsupport {

namespace {

std::string freshName() {
  static std::atomic<unsigned> counter{0};
  // Short and unlikely to exist: "vlt", the process id, a counter.
  return "vlt" + std::to_string(getpid()) + "x" + std::to_string(counter.fetch_add(1));
}

std::string environmentEntry(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(name) + "=" + value : std::string();
}

}  // namespace

SystemUser::SystemUser(const std::string& homeParent, Home home) {
  if (geteuid() != 0) {
    error_ = "only root can create accounts";
    return;
  }
  name_ = freshName();
  platform::createDirectories(homeParent);
  home_ = homeParent + "/" + name_;
  RunResult made = testsupport::run({"useradd", "--home-dir", home_, "--no-create-home", "--user-group",
                        "--shell", "/bin/sh", name_});
  if (made.exitCode != 0) {
    error_ = "useradd failed: " + made.output;
    return;
  }
  struct passwd* entry = getpwnam(name_.c_str());
  if (!entry) {
    error_ = "the new account cannot be looked up";
    testsupport::run({"userdel", name_});
    return;
  }
  // The home folder lies below the test's folders, which only root may
  // write; the user owns it alone, as on a real system.
  if (home == Home::kMade && (!platform::createDirectories(home_) || chown(home_.c_str(), entry->pw_uid, entry->pw_gid) != 0 ||
      chmod(home_.c_str(), 0700) != 0)) {
    error_ = "cannot make the home folder " + home_;
    testsupport::run({"userdel", name_});
    return;
  }
  uid_ = entry->pw_uid;
  gid_ = entry->pw_gid;
}

SystemUser::~SystemUser() {
  if (uid_ == 0) return;
  // -f: a process of the user that a test left running must not keep the
  // account on the machine.
  testsupport::run({"userdel", "-f", name_});
}

bool SystemUser::setPassword(const std::string& password) const {
  if (uid_ == 0 || password.find_first_of(":\n") != std::string::npos) return false;
  return testsupport::run({"sh", "-c", "printf '%s:%s\\n' \"$0\" \"$1\" | chpasswd", name_, password}).exitCode == 0;
}

RunResult SystemUser::run(const std::vector<std::string>& arguments,
                          const std::vector<std::string>& extraEnvironment,
                          int timeoutMilliseconds) const {
  RunResult result;
  if (uid_ == 0 || arguments.empty()) {
    result.output = "no user to run as";
    return result;
  }
  std::string program = platform::posix::findProgram(arguments[0]);
  if (program.empty()) {
    result.output = "cannot find " + arguments[0];
    return result;
  }
  std::vector<std::string> environment = {"HOME=" + home_, "USER=" + name_, "LOGNAME=" + name_,
                                          "PATH=/usr/local/bin:/usr/bin:/bin"};
  for (const char* passed : {"CUPS_SERVER", "VELLORA_ROOT"}) {
    std::string entry = environmentEntry(passed);
    if (!entry.empty()) environment.push_back(entry);
  }
  environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
  platform::posix::ExecArguments argv(arguments);
  platform::posix::ExecArguments envp(environment);

  int output[2];
  if (pipe2(output, O_CLOEXEC) != 0) {
    result.output = "pipe failed";
    return result;
  }
  const std::string home = home_;
  const std::string name = name_;
  const uid_t uid = uid_;
  const gid_t gid = gid_;
  pid_t pid = fork();
  if (pid < 0) {
    close(output[0]);
    close(output[1]);
    result.output = "fork failed";
    return result;
  }
  if (pid == 0) {
    int in = open("/dev/null", O_RDONLY);
    if (in >= 0) dup2(in, 0);
    dup2(output[1], 1);
    dup2(output[1], 2);
    if (initgroups(name.c_str(), gid) != 0 || setgid(gid) != 0 || setuid(uid) != 0) _exit(126);
    if (chdir(home.c_str()) != 0) _exit(126);
    platform::posix::resetSignalsInChild();
    execve(program.c_str(), argv.argv(), envp.argv());
    _exit(127);
  }
  close(output[1]);
  const std::uint64_t deadline = platform::tickMilliseconds() + static_cast<std::uint64_t>(timeoutMilliseconds);
  bool open = true;
  while (open) {
    std::uint64_t now = platform::tickMilliseconds();
    if (now >= deadline) break;
    struct pollfd ready = {output[0], POLLIN, 0};
    int r = poll(&ready, 1, static_cast<int>(deadline - now));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    char buffer[4096];
    ssize_t n = read(output[0], buffer, sizeof buffer);
    if (n > 0)
      result.output.append(buffer, static_cast<std::size_t>(n));
    else if (!(n < 0 && errno == EINTR))
      open = false;
  }
  close(output[0]);
  int status = 0;
  if (open) {
    kill(pid, SIGKILL);
    result.output += "\n[timed out]";
    waitpid(pid, &status, 0);
    return result;
  }
  for (int waited = 0; waitpid(pid, &status, WNOHANG) == 0; waited += 10) {
    if (waited >= timeoutMilliseconds) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      result.output += "\n[timed out]";
      return result;
    }
    platform::sleepMilliseconds(10);
  }
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

std::vector<std::string> entriesNotOwnedBy(const std::string& path, uid_t uid) {
  std::vector<std::string> found;
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return found;
  if (info.st_uid != uid) found.push_back(path);
  if (!S_ISDIR(info.st_mode)) return found;
  std::vector<std::string> names;
  platform::listDirectory(path, "*", &names);
  for (const std::string& name : names) {
    std::vector<std::string> below = entriesNotOwnedBy(path + "/" + name, uid);
    found.insert(found.end(), below.begin(), below.end());
  }
  return found;
}

bool SystemUser::canMakeAccounts() { return geteuid() == 0; }

}  // namespace testsupport
