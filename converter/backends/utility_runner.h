// Runs the PDF utility once, with the status window naming the step.
#pragma once

#include <memory>
#include <string>

#include "converter/job/job_record.h"

namespace vellora {

constexpr int kUtilityTimeoutMilliseconds = 300000;

// Starts the command hidden, waits for it at most timeoutMilliseconds and
// returns its exit code: 99 when it ran too long (it is then stopped), and
// kUtilityNotStarted when it could not be started. Every run leaves
// "Pro Ret Val" in the error log.
int runUtility(JobRecord& job, const std::string& commandLine, bool showStatus,
               const std::string& statusText,
               int timeoutMilliseconds = kUtilityTimeoutMilliseconds);

// A utility run started ahead of its time ("vlutil --when-told ..."), which
// waits for the word to go: its start-up then runs beside whatever the job
// does meanwhile (the interpreter) instead of after it. Without the word it
// ends doing nothing, also when the job ends first.
class UtilityInWaiting {
 public:
  explicit UtilityInWaiting(const std::string& commandLine);
  ~UtilityInWaiting();
  UtilityInWaiting(const UtilityInWaiting&) = delete;
  UtilityInWaiting& operator=(const UtilityInWaiting&) = delete;

  // Lets it go and collects it as runUtility does (no status window); one
  // that could not be started ahead is run now.
  int run(JobRecord& job, int timeoutMilliseconds = kUtilityTimeoutMilliseconds);

 private:
  struct Waiting;
  std::string commandLine_;
  std::unique_ptr<Waiting> waiting_;
};

}  // namespace vellora
