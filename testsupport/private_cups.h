// A CUPS server of the test's own: its configuration, spool, cache, state,
// logs and program folder (ServerBin) under one folder, listening only on a
// local socket there. No system service is touched and nothing listens on
// the network. Who may do what follows the policies CUPS ships ("default",
// "authenticated", ...), taken from the package's stock configuration. While the object lives, CUPS_SERVER names its socket and
// CUPS_SERVERBIN its program folder, so that lp, lpstat, libcups and the
// programs under test reach this server and put backends where it finds
// them.
//
//   testsupport::PrivateCups cups(machine.path("cups"));
//   ASSERT_TRUE(cups.start()) << cups.startError();
//   ... put a backend into cups.backendFolder(), add queues, print ...
//
// cupsd runs backends and filters as root or as "lp" by their file modes,
// so the tests that use it must run as root: skip with
// SKIP_WITHOUT_PRIVATE_CUPS() first.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace testsupport {

// Why a private cupsd cannot run here (cupsd not installed, not root);
// empty when it can.
std::string privateCupsUnavailableReason();

#define SKIP_WITHOUT_PRIVATE_CUPS()                                              \
  do {                                                                           \
    const std::string whyNotCups = ::testsupport::privateCupsUnavailableReason(); \
    if (!whyNotCups.empty()) GTEST_SKIP() << whyNotCups;                         \
  } while (0)

// IPP job states, as CUPS numbers them.
enum JobState {
  kJobUnknown = 0,
  kJobPending = 3,
  kJobHeld = 4,
  kJobProcessing = 5,
  kJobStopped = 6,
  kJobCanceled = 7,
  kJobAborted = 8,
  kJobCompleted = 9,
};

class PrivateCups {
 public:
  // folder is created when missing; everything of the server stays below it.
  explicit PrivateCups(const std::string& folder);
  ~PrivateCups();  // stops the server, restores the environment
  PrivateCups(const PrivateCups&) = delete;
  PrivateCups& operator=(const PrivateCups&) = delete;

  // Leaves one of the stock policies out of the configuration (before start()).
  void leaveOutPolicy(const std::string& name) { leftOutPolicies_.push_back(name); }
  // Passes a variable to every backend and filter the server runs (before start()).
  void setBackendEnvironment(const std::string& name, const std::string& value);

  // Writes the configuration and starts cupsd; returns once it answers on
  // its socket (at most 15 s). False with startError() when it does not.
  bool start();
  const std::string& startError() const { return startError_; }
  // Stops the server (also one restarted by someone else on the same
  // socket): TERM, at most 15 s, then KILL. True when nothing serves the
  // socket any more.
  bool stop();
  // Whether a server answers on the socket.
  bool answering() const;
  // The process serving the socket now; 0 when none.
  pid_t serverProcess() const;

  const std::string& folder() const { return folder_; }
  const std::string& socketPath() const { return socket_; }
  std::string serverBin() const { return folder_ + "/bin"; }
  std::string backendFolder() const { return folder_ + "/bin/backend"; }
  std::string errorLogPath() const { return folder_ + "/log/error_log"; }
  std::string errorLog() const;
  // The lines the server logged for one job ("[Job N]").
  std::string jobLog(int jobId) const;

  // The state of a job (kJobUnknown when the server does not know it).
  JobState jobState(int jobId) const;
  // Waits until the job has ended (canceled, aborted or completed), at most
  // timeoutMilliseconds; returns its state then (or the last state seen).
  JobState waitForJobEnd(int jobId, int timeoutMilliseconds) const;
  // The job's state message ("job-printer-state-message"), empty when none.
  std::string jobMessage(int jobId) const;
  // The first value of a queue's attribute as text ("media-default",
  // "device-uri", ...), empty when there is none.
  std::string queueAttribute(const std::string& queue, const std::string& attribute) const;

 private:
  void setEnv(const char* name, const std::string& value);
  bool writeConfiguration();
  void linkSystemPrograms();

  std::string folder_;
  std::string socket_;
  std::string startError_;
  pid_t child_ = 0;
  std::vector<std::pair<std::string, std::string>> backendEnvironment_;
  std::vector<std::string> leftOutPolicies_;
  std::vector<std::pair<std::string, std::pair<bool, std::string>>> savedEnvironment_;
};

// The job id in lp's answer "request id is Q-12 (1 file(s))"; 0 when none.
int jobIdFromLpOutput(const std::string& output);

}  // namespace testsupport
