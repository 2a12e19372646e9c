#include "launchers/vlrun/launcher.h"

#include "common/product.h"
#include "common/program_files.h"
#include "platform/process.h"

namespace vellora {

namespace {
constexpr std::size_t kAppPathCapacity = 255;
}  // namespace

std::string launcherCommand(const std::string& productFolder, const std::string& commandLine) {
  // The converter's path is quoted when it holds blanks, so that it cannot
  // be taken for a shorter program's path followed by arguments.
  std::string command = platform::quoteArgument(programFile(productFolder, kConverterProgram));
  command += " " + commandLine;
  if (command.size() >= kLauncherCommandCapacity) return std::string();
  return command;
}

int runLauncher(const std::string& commandLine) {
  const std::string command =
      launcherCommand(applicationFolder(kProductKey, kAppPathCapacity), commandLine);
  // Cutting the command would hand the converter other arguments than ours.
  if (command.empty()) return 1;
  platform::StartOptions options;
  options.inheritHandles = true;
  options.hideWindow = true;
  platform::ChildProcess converter;
  converter.start(command, options);
  return 0;
}

}  // namespace vellora
