#include "converter/delivery/viewer.h"

#include "common/product.h"
#include "converter/backends/utility_commands.h"
#include "converter/job/job_helpers.h"
#include "converter/job/run_log.h"
#include "converter/settings/expand_environment.h"
#include "converter/settings/store_access.h"
#include "converter/ui/string_table.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "platform/ui.h"

namespace vellora {

namespace {

constexpr std::size_t kViewCommandCapacity = 1000;
// The window class of Acrobat's and Acrobat Reader's main windows.
constexpr const char kReaderWindowClass[] = "AdobeAcrobat";

// Starts a command without waiting for it, never through a shell. It is
// the user's from now on: it holds nothing of the converter's, so it can
// neither hold up whoever waits for the converter's output (the print
// monitor) nor lose its own output when the converter is gone.
bool startDetached(JobRecord& job, const std::string& command) {
  platform::ChildProcess child;
  platform::StartOptions options;
  options.hideWindow = false;
  options.inheritHandles = false;
  if (child.start(command, options)) return true;
  appendLog(job.errorLog, "%s\nCould not start: %s\n%s\n", command.c_str(),
            lastErrorText().c_str());
  return false;
}

// A viewer or command given as a path: quoted when that path has a blank,
// which only a short path could have avoided. A text that names no file is a
// command line of its own (program and arguments) and stays as written.
std::string programText(const std::string& command) {
  return platform::fileExists(command) ? platform::quoteArgument(command) : command;
}

void viewerNotStarted(JobRecord& job) {
  showMessageId(job, kStrViewerNotStarted, platform::kMbOk | platform::kMbIconInformation);
}

}  // namespace

void viewOrPostProcess(JobRecord& job) {
  if (job.viewAfterConversion != 1 && job.postProcessCommand.empty()) {
    writeStoreNumber(StoreKey::kUser, "AutoLaunch", 0);
    return;
  }

  std::string output = quotedArgument(job.outputPath);
  std::string command;
  std::string viewer = readRegistryString(platform::HKLM, kProductKey, "ViewerPath");
  if (!viewer.empty()) {
    command = formatCut(kViewCommandCapacity, "%s %s", programText(expandEnvironment(viewer)).c_str(),
                        output.c_str());
  } else if (!job.postProcessCommand.empty()) {
    std::string program = programText(expandEnvironment(job.postProcessCommand));
    if (!job.convertTarget.empty()) {
      command = formatCut(kViewCommandCapacity, "%s %s %s", program.c_str(),
                          quotedArgument(job.convertTarget).c_str(), output.c_str());
    } else {
      command = formatCut(kViewCommandCapacity, "%s %s", program.c_str(), output.c_str());
    }
  }

  if (!command.empty() && !isVersion6()) {
    if (!startDetached(job, command)) viewerNotStarted(job);
    return;
  }

  if (!job.viewWithReaderProgram || isVersion6()) {
    writeStoreNumber(StoreKey::kUser, "AutoLaunch", 1);
    if (!platform::shellOpen(job.outputPath)) {
      appendLog(job.errorLog, "%s\nCould not open with the desktop: %s\n%s\n",
                job.outputPath.c_str(), lastErrorText().c_str());
      viewerNotStarted(job);
      return;
    }
    // The reader may open behind the windows of the program that printed.
    platform::sleepMilliseconds(1000);
    if (!isVersion6()) platform::ui().bringWindowsForward(kReaderWindowClass);
    return;
  }

  std::string reader = readRegistryString(platform::HKLM, kAcrobatReaderAppPath, "");
  if (reader.empty() ||
      !startDetached(job, formatCut(kViewCommandCapacity, "%s %s", programText(reader).c_str(),
                                    output.c_str())))
    viewerNotStarted(job);
}

}  // namespace vellora
