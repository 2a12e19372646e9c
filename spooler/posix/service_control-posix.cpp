// The "Spooler" service on POSIX: the CUPS server (how it is controlled:
// service_control.h).
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>

#include "platform/posix/exec_support.h"
#include "platform/posix/listening_process.h"
#include "platform/process.h"
#include "platform/system.h"
#include "spooler/posix/spooler_cups.h"
#include "spooler/service_control.h"

namespace platform {

namespace {

constexpr const char kSystemdUnit[] = "cups.service";
constexpr const char kSystemCupsd[] = "/usr/sbin/cupsd";
// How long a start may take before the server answers.
constexpr int kStartWaitMs = 15000;
constexpr int kPollMs = 50;
constexpr int kSystemctlTimeoutMs = 30000;

// The server's process as it ran before this process stopped it, so that a
// start brings back the same server (the same configuration, the same
// socket); kept for the life of the process.
std::mutex gStoppedLock;
bool gHaveStopped = false;
posix::ProcessStart gStopped;
pid_t gStoppedPid = 0;

bool systemdRuns() {
  struct stat info;
  return ::stat("/run/systemd/system", &info) == 0 && S_ISDIR(info.st_mode);
}

// The local process serving the server; 0 when none. *remote is set for a
// server on another machine.
pid_t serverProcess(const std::string& server, bool* remote) {
  *remote = false;
  if (server.empty()) return 0;
  if (server[0] == '/') return posix::processListeningOnSocket(server);
  std::string host = server;
  int port = ippPort();
  std::string::size_type colon = host.rfind(':');
  if (colon != std::string::npos && host.find(']') == std::string::npos) {
    port = std::atoi(host.c_str() + colon + 1);
    host.resize(colon);
  }
  if (host != "localhost" && host != "127.0.0.1" && host != "[::1]" && host != "::1") {
    *remote = true;
    return 0;
  }
  return posix::processListeningOnPort(port);
}

bool serverAnswers() { return posix::CupsConnection().connected(); }

int runSystemctl(const std::string& command, std::string* output) {
  ChildProcess child;
  StartOptions options;
  options.captureOutput = true;
  if (!child.start("systemctl " + command, options)) return -1;
  char buffer[256];
  int n;
  while ((n = child.readOutputWithin(buffer, sizeof buffer, kSystemctlTimeoutMs)) > 0)
    if (output) output->append(buffer, static_cast<std::size_t>(n));
  if (child.wait(kSystemctlTimeoutMs) != kWaitDone) {
    child.kill();
    child.wait(kWaitForever);
    return -1;
  }
  return child.exitCode();
}

ServiceState systemdState() {
  std::string output;
  runSystemctl(std::string("is-active ") + kSystemdUnit, &output);
  output = output.substr(0, output.find('\n'));
  if (output == "active" || output == "reloading") return kServiceRunning;
  if (output == "activating") return kServiceStartPending;
  if (output == "deactivating") return kServiceStopPending;
  return kServiceStopped;
}

// Waits for the server to answer after a start, then gives the queues the
// settings the spooler keeps for them.
void settleAfterStart() {
  for (int waited = 0; waited < kStartWaitMs; waited += kPollMs) {
    if (serverAnswers()) {
      posix::applyRegisteredPageSizes();
      return;
    }
    sleepMilliseconds(kPollMs);
  }
}

}  // namespace

struct ServiceControl::Handles {
  bool manager = false;
  bool service = false;
  bool systemd = false;
  std::string server;
};

ServiceControl::ServiceControl() : handles_(new Handles) {}
ServiceControl::~ServiceControl() = default;

int ServiceControl::openManager() {
  // Starting and stopping the print server is the administrator's business.
  if (geteuid() != 0) return kServiceAccessDenied;
  handles_->manager = true;
  return kServiceOk;
}

int ServiceControl::openService(const std::string& name) {
  if (!handles_->manager) return kServiceManagerNotOpen;
  if (name != kSpoolerService) return kServiceDoesNotExist;
  handles_->server = posix::currentCupsServer();
  bool remote = false;
  serverProcess(handles_->server, &remote);
  if (remote) return kServiceDoesNotExist;
  handles_->systemd = posix::isSystemCupsServer(handles_->server) && systemdRuns();
  handles_->service = true;
  return kServiceOk;
}

int ServiceControl::queryState(ServiceState* state) {
  if (!handles_->service) return kServiceManagerNotOpen;
  if (handles_->systemd) {
    *state = systemdState();
    return kServiceOk;
  }
  bool remote = false;
  pid_t pid = serverProcess(handles_->server, &remote);
  std::lock_guard<std::mutex> lock(gStoppedLock);
  if (pid != 0)
    *state = pid == gStoppedPid && posix::processAlive(pid) ? kServiceStopPending : kServiceRunning;
  else
    *state = kServiceStopped;
  return kServiceOk;
}

int ServiceControl::stop() {
  if (!handles_->service) return kServiceManagerNotOpen;
  if (handles_->systemd) {
    if (systemdState() == kServiceStopped) return kServiceNotActive;
    return runSystemctl(std::string("stop --no-block ") + kSystemdUnit, nullptr) == 0
               ? kServiceOk
               : kServiceAccessDenied;
  }
  bool remote = false;
  pid_t pid = serverProcess(handles_->server, &remote);
  if (pid == 0) return kServiceNotActive;
  posix::ProcessStart start;
  if (!posix::readProcessStart(pid, &start)) return kServiceAccessDenied;
  if (::kill(pid, SIGTERM) != 0) return kServiceAccessDenied;
  std::lock_guard<std::mutex> lock(gStoppedLock);
  gStopped = start;
  gStoppedPid = pid;
  gHaveStopped = true;
  return kServiceOk;
}

int ServiceControl::start() {
  if (!handles_->service) return kServiceManagerNotOpen;
  if (handles_->systemd) {
    if (systemdState() == kServiceRunning) return kServiceAlreadyRunning;
    if (runSystemctl(std::string("start --no-block ") + kSystemdUnit, nullptr) != 0)
      return kServiceAccessDenied;
    settleAfterStart();
    return kServiceOk;
  }
  bool remote = false;
  if (serverProcess(handles_->server, &remote) != 0) return kServiceAlreadyRunning;
  int code;
  {
    std::lock_guard<std::mutex> lock(gStoppedLock);
    if (gHaveStopped) {
      code = posix::startDetached(gStopped.executable, gStopped.arguments, &gStopped.environment,
                                  gStopped.directory);
    } else if (posix::isSystemCupsServer(handles_->server) && ::access(kSystemCupsd, X_OK) == 0) {
      // The system's server, never started here: the daemon puts itself
      // into the background with its own configuration.
      code = posix::startDetached(kSystemCupsd, {kSystemCupsd}, nullptr, "/");
    } else {
      return kServiceDisabled;
    }
    if (code == 0) gStoppedPid = 0;
  }
  if (code != 0) return kServiceAccessDenied;
  settleAfterStart();
  return kServiceOk;
}

void ServiceControl::closeService() { handles_->service = false; }

}  // namespace platform
