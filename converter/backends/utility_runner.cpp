#include "converter/backends/utility_runner.h"

#include <memory>

#include "converter/backends/utility_commands.h"
#include "converter/job/job_helpers.h"
#include "converter/job/run_log.h"
#include "platform/process.h"
#include "platform/ui.h"

namespace vellora {

int runUtility(JobRecord& job, const std::string& commandLine, bool showStatus,
               const std::string& statusText, int timeoutMilliseconds) {
  std::unique_ptr<platform::StatusWindow> status;
  if (showStatus) {
    platform::ui().setCursor(platform::Cursor::kWait);
    status = platform::ui().openStatusWindow(job.messageCaption, statusText);
  }

  platform::ChildProcess child;
  platform::StartOptions options;
  options.inheritHandles = true;
  options.hideWindow = true;
  int code;
  if (!child.start(commandLine, options)) {
    appendLog(job.errorLog, "%s\nCould not start the PDF utility: %s\n%s\n", commandLine.c_str(),
              lastErrorText().c_str());
    code = kUtilityNotStarted;
  } else if (child.wait(timeoutMilliseconds) == platform::kWaitDone) {
    code = child.exitCode();
  } else {
    // A utility left running could still write its output after the job has
    // moved on or been abandoned: stop it.
    child.kill();
    child.wait(platform::kWaitForever);
    code = kUtilityFailureTopmost;
  }
  appendLog(job.errorLog, "%s\nPro Ret Val: %d\n", code);

  status.reset();
  if (showStatus) platform::ui().setCursor(platform::Cursor::kArrow);
  return code;
}

}  // namespace vellora
