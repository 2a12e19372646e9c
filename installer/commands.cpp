#include "installer/commands.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "common/installer_interpreter.h"
#include "common/text.h"
#include "installer/aliases.h"
#include "installer/full_install.h"
#include "installer/installer_state.h"
#include "installer/platform_identity.h"
#include "installer/printer_class.h"
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

// The member count of "class:N": a whole number from 1 to the limit; 0 for
// anything else.
int memberCount(const std::string& text) {
  if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos) return 0;
  const int count = std::stoi(text);
  return count >= 1 && count <= kMaxClassMembers ? count : 0;
}

// As many members as the machine has processors, one at the least.
int processorCount() {
  const unsigned processors = std::thread::hardware_concurrency();
  return processors == 0 ? 1 : static_cast<int>(std::min<unsigned>(processors, kMaxClassMembers));
}

bool startsWith(const std::string& text, const char* head) { return text.compare(0, std::strlen(head), head) == 0; }

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
  // The office commands come before the alias commands: an address may
  // hold "aa:" ("ipps://laserjet.aa:631/...").
  if (commandLine == "share") return ShareProductPrinters() ? 0 : -1;
  if (commandLine == "class") return MakePrinterClass(processorCount()) ? 0 : -1;
  if (startsWith(commandLine, "class:")) {
    const int count = memberCount(commandLine.substr(6));
    return count > 0 && MakePrinterClass(count) ? 0 : -1;
  }
  if (startsWith(commandLine, "remote:")) return AddRemoteMember(commandLine.substr(7)) ? 0 : -1;
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
