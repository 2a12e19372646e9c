#include "installer/commands.h"

#include "common/installer_interpreter.h"
#include "common/text.h"
#include "installer/aliases.h"
#include "installer/full_install.h"
#include "installer/installer_state.h"
#include "installer/platform_identity.h"
#include "installer/printer_removal.h"
#include "platform/files.h"
#include "platform/ui.h"

namespace vellora {

namespace {

// The name after the command word's position, cut to the name buffer. The
// name is taken from that character on wherever the command word stands,
// as the command table has always done.
std::string aliasNameFrom(const std::string& commandLine, std::size_t start) {
  return cut(commandLine.size() > start ? commandLine.substr(start) : std::string(), kAliasNameCapacity);
}

}  // namespace

int RunInstallerCommand(const std::string& commandLine) {
  ResetInstaller();
  InstallerState& installer = Installer();
  installer.windowsDir = platform::windowsFolder();
  installer.osCode = ComputeOsCode();
  platform::UserInterface& ui = platform::ui();
  ui.setCursor(platform::Cursor::kWait);

  if (commandLine == "remove") {
    RemovePrinterSetup();
    return 0;
  }
  if (commandLine == "findint") return InstallerSelectInterpreter();
  if (commandLine == "echo") return 0;
  if (contains(commandLine, "alias:")) {
    const bool created = CreatePrinterAlias(aliasNameFrom(commandLine, 6));
    ui.messageBox(created ? kAliasCreated : kAliasFailed, kAliasCaption,
                  platform::kMbOk | (created ? platform::kMbIconInformation : platform::kMbIconWarning));
    return created ? 0 : -1;
  }
  if (contains(commandLine, "aa:")) return CreatePrinterAlias(aliasNameFrom(commandLine, 3)) ? 0 : -1;

  ProcessPendingAliases();
  if (contains(commandLine, "regadd")) return 0;
  return RunFullInstall(commandLine);
}

}  // namespace vellora
