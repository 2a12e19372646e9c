#include "testsupport/private_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/files.h"
#include "platform/process.h"
#include "testsupport/gtk_leaks.h"

namespace testsupport {

namespace {

constexpr const char kServer[] = "Xvfb";
constexpr int kStartLimitMilliseconds = 15000;

bool onPath(const std::string& program) {
  std::string path;
  if (!platform::getEnvironment("PATH", &path)) return false;
  std::string::size_type start = 0;
  while (start <= path.size()) {
    std::string::size_type end = path.find(':', start);
    std::string folder = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!folder.empty() && ::access((folder + "/" + program).c_str(), X_OK) == 0) return true;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return false;
}

}  // namespace

std::string privateDisplayUnavailableReason() {
  return onPath(kServer) ? std::string() : "Xvfb is not installed (package xvfb)";
}

PrivateDisplay::PrivateDisplay() = default;

PrivateDisplay::~PrivateDisplay() {
  stop();
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->second.first)
      platform::setEnvironment(it->first, it->second.second);
    else
      platform::unsetEnvironment(it->first);
  }
}

void PrivateDisplay::setEnv(const std::string& name, const std::string& value) {
  bool known = false;
  for (const auto& entry : saved_) known = known || entry.first == name;
  if (!known) {
    std::string old;
    bool present = platform::getEnvironment(name, &old);
    saved_.push_back({name, {present, old}});
  }
  platform::setEnvironment(name, value);
}

bool PrivateDisplay::start() {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) {
    error_ = "pipe failed";
    return false;
  }
  pid_t parent = ::getpid();
  pid_t child = ::fork();
  if (child < 0) {
    error_ = "fork failed";
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    return false;
  }
  if (child == 0) {
    // The server goes when the test goes, however the test ends.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);
    ::close(pipeFds[0]);
    int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::dup2(null, 2);
    std::string fd = std::to_string(pipeFds[1]);
    ::execlp(kServer, kServer, "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
             "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  server_ = child;
  // The server writes its display number once it accepts connections.
  std::string number;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartLimitMilliseconds);
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd wait = {pipeFds[0], POLLIN, 0};
    int ready = ::poll(&wait, 1, 100);
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) continue;
    char buffer[32];
    ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    number.append(buffer, static_cast<std::size_t>(n));
    if (number.find('\n') != std::string::npos) break;
  }
  ::close(pipeFds[0]);
  while (!number.empty() && (number.back() == '\n' || number.back() == ' ')) number.pop_back();
  if (number.empty()) {
    error_ = "Xvfb did not start";
    stop();
    return false;
  }
  name_ = ":" + number;
  setEnv("DISPLAY", name_);
  // GTK without its settings daemon and accessibility bus, and (in the
  // sanitizer build) without reports of what GTK keeps until exit.
  setEnv("GSETTINGS_BACKEND", "memory");
  setEnv("NO_AT_BRIDGE", "1");
  std::string suppressions = platform::tempPath() + "gtk-leaks-" + std::to_string(::getpid()) + ".supp";
  if (FILE* f = std::fopen(suppressions.c_str(), "w")) {
    std::fputs(kGtkLeakSuppressions, f);
    std::fclose(f);
  }
  std::string leakOptions;
  platform::getEnvironment("LSAN_OPTIONS", &leakOptions);
  setEnv("LSAN_OPTIONS", (leakOptions.empty() ? "" : leakOptions + ":") + "suppressions=" +
                             suppressions + ":print_suppressions=0");
  return true;
}

void PrivateDisplay::stop() {
  if (server_ <= 0) return;
  // Asked to go, the server removes its lock and socket; one that does not
  // within two seconds is killed.
  ::kill(server_, SIGTERM);
  for (int i = 0; i < 200; ++i) {
    if (::waitpid(server_, nullptr, WNOHANG) == server_) {
      server_ = -1;
      return;
    }
    ::usleep(10000);
  }
  ::kill(server_, SIGKILL);
  ::waitpid(server_, nullptr, 0);
  server_ = -1;
}

}  // namespace testsupport
