#include "testsupport/private_cups.h"

#include <cups/cups.h>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sstream>

#include "platform/files.h"
#include "platform/posix/listening_process.h"
#include "platform/process.h"
#include "platform/system.h"
#include "testsupport/fresh_machine.h"

#ifndef VELLORA_CUPS_SERVERBIN
#define VELLORA_CUPS_SERVERBIN "/usr/lib/cups"
#endif

namespace testsupport {

namespace {

constexpr int kStartTimeoutMs = 15000;
constexpr int kStopTimeoutMs = 15000;
constexpr int kPollMs = 20;
constexpr const char kCupsd[] = "/usr/sbin/cupsd";
// The server's configuration as the package installs it (cups-daemon).
constexpr const char kStockConfiguration[] = "/usr/share/cups/cupsd.conf.default";

bool socketAnswers(const std::string& path) {
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  struct sockaddr_un address;
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  bool connected = ::connect(fd, reinterpret_cast<struct sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return connected;
}

// The child's status when it has ended (reaping it), -1 while it runs.
int endedStatus(pid_t pid) {
  int status = 0;
  pid_t r = waitpid(pid, &status, WNOHANG);
  if (r == pid) return status;
  return -1;
}

// A connection to the server for one query; nullptr when it does not answer.
http_t* connectTo(const std::string& socket) {
  return httpConnect2(socket.c_str(), 0, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_NEVER, 1, 5000,
                      nullptr);
}

ipp_t* jobAttributes(const std::string& socket, int jobId) {
  http_t* http = connectTo(socket);
  if (!http) return nullptr;
  ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
  std::string uri = "ipp://localhost/jobs/" + std::to_string(jobId);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, "root");
  ipp_t* response = cupsDoRequest(http, request, "/");
  httpClose(http);
  if (response && ippGetStatusCode(response) > IPP_STATUS_OK_EVENTS_COMPLETE) {
    ippDelete(response);
    return nullptr;
  }
  return response;
}

// The <Policy> sections of the configuration CUPS ships with, but those named.
std::string stockPolicies(const std::vector<std::string>& leftOut) {
  std::istringstream lines(readFile(kStockConfiguration));
  std::string line, policies;
  bool inPolicy = false, kept = false;
  while (std::getline(lines, line)) {
    if (line.compare(0, 8, "<Policy ") == 0) {
      inPolicy = true;
      const std::string name = line.substr(8, line.find('>') - 8);
      kept = std::find(leftOut.begin(), leftOut.end(), name) == leftOut.end();
    }
    if (inPolicy && kept) policies += line + "\n";
    if (line.compare(0, 9, "</Policy>") == 0) inPolicy = false;
  }
  return policies;
}

}  // namespace

std::string privateCupsUnavailableReason() {
  if (::access(kCupsd, X_OK) != 0)
    return "cupsd is not installed (package cups): the tests that need a CUPS server of their "
           "own are skipped";
  if (::access(kStockConfiguration, R_OK) != 0)
    return std::string(kStockConfiguration) +
           " is missing: a private cupsd takes the stock policies from it, so the tests that need one are skipped";
  if (geteuid() != 0)
    return "not running as root: a private cupsd runs its backends as root or as lp, so the "
           "tests that need one are skipped";
  return std::string();
}

PrivateCups::PrivateCups(const std::string& folder) : folder_(folder) {
  platform::createDirectories(folder_);
  socket_ = folder_ + "/cups.sock";
  if (socket_.size() >= sizeof(sockaddr_un::sun_path)) {
    // Local socket paths are short; a deep test folder gets a short one in /tmp.
    char templ[] = "/tmp/vlcups.XXXXXX";
    if (mkdtemp(templ)) socket_ = std::string(templ) + "/cups.sock";
  }
}

PrivateCups::~PrivateCups() {
  stop();
  if (socket_.compare(0, 12, "/tmp/vlcups.") == 0) {
    ::unlink(socket_.c_str());
    ::rmdir(socket_.substr(0, socket_.rfind('/')).c_str());
  }
  for (auto it = savedEnvironment_.rbegin(); it != savedEnvironment_.rend(); ++it) {
    if (it->second.first)
      platform::setEnvironment(it->first, it->second.second);
    else
      platform::unsetEnvironment(it->first);
  }
}

void PrivateCups::setEnv(const char* name, const std::string& value) {
  bool known = false;
  for (const auto& entry : savedEnvironment_) known = known || entry.first == name;
  if (!known) {
    std::string previous;
    bool present = platform::getEnvironment(name, &previous);
    savedEnvironment_.push_back({name, {present, previous}});
  }
  platform::setEnvironment(name, value);
}

void PrivateCups::setBackendEnvironment(const std::string& name, const std::string& value) {
  backendEnvironment_.push_back({name, value});
}

void PrivateCups::linkSystemPrograms() {
  // Filters, the daemon helpers (cups-exec runs every filter and backend)
  // and the rest come from the system; the backend folder starts empty, for
  // the backends the test brings.
  const std::string system = VELLORA_CUPS_SERVERBIN;
  std::vector<std::string> folders;
  platform::listDirectory(system, "*", &folders);
  for (const std::string& sub : folders) {
    if (sub == "backend" || !platform::isDirectory(system + "/" + sub)) continue;
    std::string mine = serverBin() + "/" + sub;
    platform::createDirectories(mine);
    std::vector<std::string> programs;
    platform::listDirectory(system + "/" + sub, "*", &programs);
    for (const std::string& program : programs)
      if (::symlink((system + "/" + sub + "/" + program).c_str(), (mine + "/" + program).c_str()) != 0 &&
          errno != EEXIST)
        ADD_FAILURE() << "cannot link " << program << " into " << mine;
  }
  platform::createDirectories(backendFolder());
}

bool PrivateCups::writeConfiguration() {
  // Who may do what is the system's own rule: the server takes the stock
  // policies ("default", "authenticated", ...), so that tests see what an
  // installation sees.
  const std::string policies = stockPolicies(leftOutPolicies_);
  if (policies.empty()) return false;
  for (const char* sub : {"conf", "spool/tmp", "cache", "state", "log"})
    if (!platform::createDirectories(folder_ + "/" + sub)) return false;
  linkSystemPrograms();
  std::ostringstream server;
  server << "LogLevel debug\n"
            "MaxLogSize 0\n"
            "Listen "
         << socket_
         << "\n"
            "Browsing No\n"
            "WebInterface No\n"
            "DefaultAuthType Basic\n"
            "DirtyCleanInterval 0\n"
            "<Location />\n  Order allow,deny\n  Allow localhost\n</Location>\n"
         << policies;
  std::ostringstream files;
  files << "ServerRoot " << folder_ << "/conf\n"
        << "RequestRoot " << folder_ << "/spool\n"
        << "TempDir " << folder_ << "/spool/tmp\n"
        << "CacheDir " << folder_ << "/cache\n"
        << "StateDir " << folder_ << "/state\n"
        << "ServerBin " << serverBin() << "\n"
        << "ErrorLog " << errorLogPath() << "\n"
        << "AccessLog " << folder_ << "/log/access_log\n"
        << "PageLog " << folder_ << "/log/page_log\n"
        << "SystemGroup root\n"
        << "PeerCred on\n";
  for (const auto& entry : backendEnvironment_) files << "SetEnv " << entry.first << " " << entry.second << "\n";
  return platform::writeTextFile(folder_ + "/conf/cupsd.conf", server.str()) &&
         platform::writeTextFile(folder_ + "/conf/cups-files.conf", files.str());
}

bool PrivateCups::start() {
  startError_.clear();
  if (!privateCupsUnavailableReason().empty()) {
    startError_ = privateCupsUnavailableReason();
    return false;
  }
  if (!writeConfiguration()) {
    startError_ = "cannot write the configuration under " + folder_ + " (or read the stock policies)";
    return false;
  }
  const std::string conf = folder_ + "/conf/cupsd.conf";
  const std::string filesConf = folder_ + "/conf/cups-files.conf";
  const std::string output = folder_ + "/log/cupsd.out";
  pid_t pid = fork();
  if (pid < 0) {
    startError_ = "fork failed";
    return false;
  }
  if (pid == 0) {
    // A test that dies must not leave its server behind.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int in = ::open("/dev/null", O_RDONLY);
    if (out >= 0) {
      dup2(out, 1);
      dup2(out, 2);
    }
    if (in >= 0) dup2(in, 0);
    setpgid(0, 0);
    execl(kCupsd, kCupsd, "-f", "-c", conf.c_str(), "-s", filesConf.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  child_ = pid;
  for (int waited = 0; waited < kStartTimeoutMs; waited += kPollMs) {
    if (socketAnswers(socket_)) {
      setEnv("CUPS_SERVER", socket_);
      setEnv("CUPS_SERVERBIN", serverBin());
      return true;
    }
    int status = endedStatus(child_);
    if (status >= 0) {
      child_ = 0;
      startError_ = "cupsd ended at start: " + readFile(output) + readFile(errorLogPath());
      return false;
    }
    platform::sleepMilliseconds(kPollMs);
  }
  startError_ = "cupsd did not answer on " + socket_ + " within 15 s";
  stop();
  return false;
}

pid_t PrivateCups::serverProcess() const { return platform::posix::processListeningOnSocket(socket_); }

bool PrivateCups::answering() const { return socketAnswers(socket_); }

bool PrivateCups::stop() {
  int signal = SIGTERM;
  for (int waited = 0; waited <= kStopTimeoutMs + 2000; waited += kPollMs) {
    if (child_ > 0 && endedStatus(child_) >= 0) child_ = 0;
    pid_t serving = serverProcess();
    if (child_ == 0 && serving == 0) return true;
    if (waited == 0 || waited >= kStopTimeoutMs) {
      if (waited >= kStopTimeoutMs) signal = SIGKILL;
      if (child_ > 0) ::kill(child_, signal);
      if (serving > 0 && serving != child_) ::kill(serving, signal);
      // A server someone else restarted is not our child: wait for it to go.
      if (serving > 0 && !platform::posix::processAlive(serving)) serving = 0;
    }
    platform::sleepMilliseconds(kPollMs);
  }
  return child_ == 0 && serverProcess() == 0;
}

std::string PrivateCups::errorLog() const { return readFile(errorLogPath()); }

std::string PrivateCups::jobLog(int jobId) const {
  const std::string marker = "[Job " + std::to_string(jobId) + "]";
  std::istringstream lines(errorLog());
  std::string line, found;
  while (std::getline(lines, line))
    if (line.find(marker) != std::string::npos) found += line + "\n";
  return found;
}

JobState PrivateCups::jobState(int jobId) const {
  ipp_t* response = jobAttributes(socket_, jobId);
  if (!response) return kJobUnknown;
  ipp_attribute_t* state = ippFindAttribute(response, "job-state", IPP_TAG_ENUM);
  JobState result = state ? static_cast<JobState>(ippGetInteger(state, 0)) : kJobUnknown;
  ippDelete(response);
  return result;
}

std::string PrivateCups::jobMessage(int jobId) const {
  ipp_t* response = jobAttributes(socket_, jobId);
  if (!response) return std::string();
  ipp_attribute_t* message = ippFindAttribute(response, "job-printer-state-message", IPP_TAG_TEXT);
  std::string text = message && ippGetString(message, 0, nullptr) ? ippGetString(message, 0, nullptr) : "";
  ippDelete(response);
  return text;
}

std::string PrivateCups::queueAttribute(const std::string& queue, const std::string& attribute) const {
  http_t* http = connectTo(socket_);
  if (!http) return std::string();
  ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  std::string uri = "ipp://localhost/printers/" + queue;
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
  ipp_t* response = cupsDoRequest(http, request, "/");
  httpClose(http);
  ipp_attribute_t* found = response ? ippFindAttribute(response, attribute.c_str(), IPP_TAG_ZERO) : nullptr;
  std::string value;
  if (found) {
    char text[1024];
    ippAttributeString(found, text, sizeof text);
    value = text;
  }
  ippDelete(response);
  return value;
}

JobState PrivateCups::waitForJobEnd(int jobId, int timeoutMilliseconds) const {
  JobState state = kJobUnknown;
  for (int waited = 0; waited <= timeoutMilliseconds; waited += 50) {
    state = jobState(jobId);
    if (state >= kJobCanceled) return state;
    platform::sleepMilliseconds(50);
  }
  return state;
}

int jobIdFromLpOutput(const std::string& output) {
  const std::string marker = "request id is ";
  std::string::size_type at = output.find(marker);
  if (at == std::string::npos) return 0;
  std::string::size_type end = output.find(' ', at + marker.size());
  std::string id = output.substr(at + marker.size(), end == std::string::npos ? std::string::npos : end - at - marker.size());
  std::string::size_type dash = id.rfind('-');
  if (dash == std::string::npos) return 0;
  return std::atoi(id.c_str() + dash + 1);
}

}  // namespace testsupport
