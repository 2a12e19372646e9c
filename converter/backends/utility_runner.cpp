#include "converter/backends/utility_runner.h"

#include <memory>

#include "converter/backends/utility_commands.h"
#include "converter/job/job_helpers.h"
#include "converter/job/run_log.h"
#include "converter/ui/small_windows.h"
#include "platform/process.h"
#include "platform/system.h"
#include "platform/ui.h"

namespace vellora {

namespace {

constexpr std::size_t kUtilityOutputLimit = 4000;

// Reads the utility's output to its end and waits for it, all within the
// time limit. False when the limit passed first.
bool collectWithin(platform::ChildProcess& child, int timeoutMilliseconds, std::string* said) {
  const std::uint64_t deadline =
      platform::tickMilliseconds() + static_cast<std::uint64_t>(timeoutMilliseconds);
  auto left = [deadline]() {
    std::uint64_t now = platform::tickMilliseconds();
    return now >= deadline ? 0 : static_cast<int>(deadline - now);
  };
  char buffer[512];
  for (;;) {
    int n = child.readOutputWithin(buffer, sizeof buffer, left());
    if (n == platform::ChildProcess::kReadTimedOut) return false;
    if (n <= 0) break;
    if (said->size() < kUtilityOutputLimit) said->append(buffer, static_cast<std::size_t>(n));
  }
  return child.wait(left()) == platform::kWaitDone;
}

}  // namespace

int runUtility(JobRecord& job, const std::string& commandLine, bool showStatus,
               const std::string& statusText, int timeoutMilliseconds) {
  std::unique_ptr<StatusWindow> status;
  if (showStatus) {
    platform::ui().setCursor(platform::Cursor::kWait);
    status = openStatusWindow(statusText);
  }

  platform::ChildProcess child;
  platform::StartOptions options;
  options.inheritHandles = true;
  options.hideWindow = true;
  // What the utility says goes into the error log, not onto the console of
  // whoever started the converter.
  options.captureOutput = true;
  options.endWithCaller = true;
  int code;
  std::string said;
  if (!child.start(commandLine, options)) {
    appendLog(job.errorLog, "%s\nCould not start the PDF utility: %s\n%s\n", commandLine.c_str(),
              lastErrorText().c_str());
    code = kUtilityNotStarted;
  } else if (collectWithin(child, timeoutMilliseconds, &said)) {
    code = child.exitCode();
  } else {
    // A utility left running could still write its output after the job has
    // moved on or been abandoned: stop it.
    child.kill();
    child.wait(platform::kWaitForever);
    code = kUtilityFailureTopmost;
  }
  if (code != kUtilityOk && !said.empty())
    appendLog(job.errorLog, "%s\nUtility Output:\n%s\n", said.c_str());
  appendLog(job.errorLog, "%s\nPro Ret Val: %d\n", code);

  status.reset();
  if (showStatus) platform::ui().setCursor(platform::Cursor::kArrow);
  return code;
}

}  // namespace vellora
