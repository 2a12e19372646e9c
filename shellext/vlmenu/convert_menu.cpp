#include "shellext/vlmenu/convert_menu.h"

#include "common/product.h"
#include "common/program_files.h"
#include "common/text.h"
#include "platform/shell.h"

namespace vellora {

namespace {

const StringEntry kStrings[] = {
    {kConvertMenuText, "Convert with Vellora"},
    {kConvertMenuHelp, "Select this option to convert the selected file to PDF."},
    {kConvertMenuProject, "vlmenu"},
    {0, nullptr},
};

const MenuCommand kCommands[] = {
    {kConvertMenuText, kConvertMenuHelp},
    {0, 0},
};

constexpr std::size_t kAppPathCapacity = 255;

}  // namespace

ConvertMenuExtension::ConvertMenuExtension() : MenuExtension(kCommands, kStrings) {}

bool ConvertMenuExtension::takes(const std::string&) const {
  // Every item, folders included: the drop program decides what it can do.
  return true;
}

unsigned ConvertMenuExtension::insertPosition(unsigned index) const { return index; }

platform::HResult ConvertMenuExtension::run(int kind) {
  if (kind != kConvertCommand) return platform::kEInvalidArg;
  const std::string program = programFile(applicationFolder(kProductKey, kAppPathCapacity), kDropProgram);
  // A program path cut to its buffer would name another file: start nothing.
  if (program.size() >= kShellPathCapacity) return platform::kSOk;
  // One instance per file, each given the path as its whole command line,
  // unquoted; nobody waits for them and their results are not looked at.
  for (const std::string& path : selectedFiles()) {
    platform::ShellExecuteRequest request;
    request.verb = "open";
    request.file = program;
    request.parameters = path;
    request.show = platform::kSwMinimize;
    platform::shellExecute(request);
  }
  return platform::kSOk;
}

platform::HResult updateConvertMenuRegistration(bool registering, const std::string& modulePath) {
  bool writable = false;
  std::string token;
  if (!readFileToken("*", &writable, &token)) token = "*";
  if (!writable) return platform::kEInvalidArg;
  return updateHandlerRegistration(registering, token, kConvertMenuClass, modulePath);
}

}  // namespace vellora
