#include "launchers/vellora/drop_program.h"

#include <vector>

#include "common/monitor_contract.h"
#include "common/product.h"
#include "common/program_files.h"
#include "common/registry_text.h"
#include "common/text.h"
#include "launchers/vellora/drop_messages.h"
#include "launchers/vellora/print_route.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "platform/ui.h"

namespace vellora {

namespace {

constexpr std::size_t kRegistryTextCapacity = 255;

void tell(const std::string& text, unsigned icon) {
  platform::ui().messageBox(text, kDropCaption, platform::kMbOk | icon);
}

// Several existing files, as a drop of more than one file arrives.
bool namesSeveralFiles(const std::string& commandLine) {
  std::vector<std::string> parts = platform::splitCommandLine("x " + commandLine);
  int existing = 0;
  for (std::size_t i = 1; i < parts.size(); ++i)
    if (!parts[i].empty() && platform::fileExists(parts[i])) ++existing;
  return existing >= 2;
}

void PrintThroughDde(DropJob& job, const DdeApplication& application) {
  std::string whenRunning;
  std::string whenStarted;
  if (!formatDdeCommands(application, job.commandLine, &whenRunning, &whenStarted)) {
    tell(format(kDropDdeTooLongText, application.service, job.document.c_str()),
         platform::kMbIconWarning);
    return;
  }
  const bool wasRunning = SendDdeCommand(job.dde, application.service, "", true) == 0;

  platform::ShellExecuteRequest open;
  open.mask = platform::kSeeMaskFlagDdeWait | platform::kSeeMaskFlagNoUi;
  open.verb = "Open";
  open.file = job.commandLine;
  open.parameters = application.openParameters;
  open.show = platform::kSwShowMinimized;
  platform::shellExecute(open);

  // An application that was running keeps running and only the document is
  // closed; one started for this job is told to quit.
  if (SendDdeCommand(job.dde, application.service, wasRunning ? whenRunning : whenStarted,
                     false) == 0)
    return;
  if (++job.ddeFailures < kDropDispatchAttempts) {
    DispatchPrint(job);
    return;
  }
  tell(format(kDropDdeUnreachableText, job.document.c_str(), application.service,
              application.service),
       platform::kMbIconWarning);
}

}  // namespace

std::string typeTail(const std::string& commandLine) {
  const std::size_t length = commandLine.size();
  const bool quoted = length > 0 && commandLine[length - 1] == '"';
  const std::size_t end = quoted ? length - 1 : length;
  if (end < 3) return std::string();
  return commandLine.substr(end - 3, 3);
}

std::string documentPath(const std::string& commandLine) {
  if (!commandLine.empty() && commandLine[0] == '"') {
    std::vector<std::string> parts = platform::splitCommandLine("x " + commandLine);
    if (parts.size() == 2) return parts[1];
  }
  return commandLine;
}

void ConvertPostScriptFile(DropJob& job) {
  const std::string folder = applicationFolder(kProductKey, kRegistryTextCapacity);
  // The converter gets the document in one pair of quotes, also when the
  // command line came quoted; its own path is quoted when it has blanks.
  const std::string command = platform::quoteArgument(programFile(folder, kConverterProgram)) +
                              " " + std::to_string(kUserPostScriptMode) + " " +
                              platform::quoteArgumentAlways(job.document);
  if (command.size() >= kDropConverterCommandCapacity) {
    tell(format(kDropTooLongText, static_cast<int>(kDropConverterCommandCapacity - 1), command.c_str()),
         platform::kMbIconWarning);
    return;
  }
  platform::StartOptions options;
  options.inheritHandles = true;
  options.hideWindow = true;
  platform::ChildProcess converter;
  if (!converter.start(command, options))
    tell(format(kDropConverterFailedText, command.c_str(),
                platform::errorText(platform::lastError()).c_str()),
         platform::kMbIconWarning);
}

void DispatchPrint(DropJob& job) {
  const DdeApplication* application = ddeApplicationFor(job.typeTail);
  if (application != nullptr &&
      equalsIgnoreCase(readRegistryText(platform::HKCR, application->registrationKey, "",
                                        kRegistryTextCapacity),
                       application->registeredName)) {
    PrintThroughDde(job, *application);
    return;
  }

  platform::ShellExecuteRequest request;
  request.mask = platform::kSeeMaskFlagDdeWait | platform::kSeeMaskFlagNoUi;
  request.verb = "printVL";
  request.file = job.commandLine;
  // Printer, driver and port, in the order of the shell's print-to verb.
  request.parameters = format("\"%s\" \"WINSPOOL\" \"%s\"", kPrinterName, kMonitorPort);
  request.show = platform::kSwShowMinimized;
  std::string failure;
  int result = platform::shellExecute(request, &failure);
  if (result == platform::kSeErrNoAssociation) {
    request.verb = "printto";
    result = platform::shellExecute(request, &failure);
    if (result == platform::kSeErrNoAssociation) {
      tell(kDropNoAssociationText, platform::kMbIconWarning);
      return;
    }
  }
  if (result <= 32) tell(format(kDropPrintFailedText, job.document.c_str(), failure.c_str()),
                         platform::kMbIconWarning);
}

int runDropProgram(const std::string& commandLine, int ddeRetryPauseMilliseconds) {
  platform::setPrintRoute(&printWithoutApplication);
  if (commandLine.empty() || documentPath(commandLine).empty()) {
    platform::ui().messageBox(kDropInstalledText, kDropInstalledCaption,
                              platform::kMbOk | platform::kMbIconInformation);
    return 0;
  }
  if (commandLine.size() >= kDropCommandLineCapacity) {
    tell(format(kDropTooLongText, static_cast<int>(kDropCommandLineCapacity - 1), commandLine.c_str()),
         platform::kMbIconWarning);
    return 0;
  }
  DropJob job;
  job.commandLine = commandLine;
  job.document = documentPath(commandLine);
  job.dde.retryPauseMilliseconds = ddeRetryPauseMilliseconds;
  if (!platform::fileExists(job.document)) {
    const bool several = namesSeveralFiles(commandLine);
    tell(format(several ? kDropSeveralFilesText : kDropNotFoundText,
                several ? commandLine.c_str() : job.document.c_str()),
         platform::kMbIconWarning);
    return 0;
  }
  job.typeTail = typeTail(commandLine);
  // The converter takes a PDF as it is, as it takes PostScript: printing it
  // through an application would turn it into PostScript first and lose
  // its links and bookmarks.
  if (equalsIgnoreCase(job.typeTail, ".ps") || endsWithIgnoreCase(job.document, ".pdf"))
    ConvertPostScriptFile(job);
  else
    DispatchPrint(job);
  return 0;
}

}  // namespace vellora
