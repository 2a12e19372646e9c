#include "common/product.h"
#include "common/program_files.h"
#include "common/text.h"
#include "platform/process.h"
#include "shellext/rasmenu/shellext.h"

namespace vellora {

namespace {

const StringEntry kStrings[] = {
    {kPdfMenuProject, "rasmenu"},
    {kPdfMenuText, "Open with Rasmere"},
    {kPdfMenuHelp, "Convert PDF files with Rasmere"},
    {0, nullptr},
};

const MenuCommand kCommands[] = {
    {kPdfMenuText, kPdfMenuHelp},
    {0, 0},
};

}  // namespace

PdfMenuExtension::PdfMenuExtension() : MenuExtension(kCommands, kStrings) {}

bool PdfMenuExtension::takes(const std::string& path) const {
  return endsWithIgnoreCase(path, ".pdf");
}

unsigned PdfMenuExtension::insertPosition(unsigned) const {
  // The item comes first in the menu.
  return 0;
}

std::vector<std::string> rasmereCommands(const std::string& program,
                                         const std::vector<std::string>& files) {
  const std::string start = platform::quoteArgument(program);
  std::vector<std::string> commands;
  std::string command = start;
  for (const std::string& file : files) {
    const std::string argument = format(" \"%s\"", file.c_str());
    if (command.size() + argument.size() >= kRasmereCommandCapacity && command != start) {
      commands.push_back(command);
      command = start;
    }
    if (command.size() + argument.size() >= kRasmereCommandCapacity) continue;  // never fits
    command += argument;
  }
  if (command != start) commands.push_back(command);
  return commands;
}

platform::HResult PdfMenuExtension::run(int kind) {
  if (kind != kOpenWithRasmereCommand) return platform::kEInvalidArg;
  const std::string folder = applicationFolder(kRasmereKey, kShellPathCapacity);
  // Rasmere runs in its own folder, shown normally; nobody waits for it.
  platform::StartOptions options;
  options.hideWindow = false;
  options.currentDirectory = folder;
  for (const std::string& command : rasmereCommands(programFile(folder, kRasmereProgram), selectedFiles())) {
    platform::ChildProcess rasmere;
    rasmere.start(command, options);
  }
  return platform::kSOk;
}

platform::HResult updatePdfMenuRegistration(bool registering, const std::string& modulePath) {
  bool writable = false;
  std::string programId;
  if (!readFileToken(".pdf", &writable, &programId)) return platform::kEInvalidArg;
  return updateHandlerRegistration(registering, programId, kPdfMenuClass, modulePath);
}

}  // namespace vellora
