#include "installer/full_install.h"

#include "common/installer_interpreter.h"
#include "common/text.h"
#include "installer/aliases.h"
#include "installer/driver_install.h"
#include "installer/install_error_report.h"
#include "installer/install_log.h"
#include "installer/installer_state.h"
#include "installer/monitor_install.h"
#include "installer/spooler_control.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/ui.h"

namespace vellora {

namespace {

constexpr const char kLogHeader[] =
    "*****************************\n*  Vellora 2.5 Install log  *\n*****************************\n\n";

}  // namespace

std::string PrinterModeFile() {
  platform::RegKey key;
  std::string measure;
  if (key.open(platform::HKU, ".DEFAULT\\Control Panel\\International", platform::kRegRead) == platform::kRegOk)
    key.queryString("iMeasure", &measure);
  return leadingInt(measure) != 0 ? "vlmode.reg" : "vlmodeA.reg";
}

int RunFullInstall(const std::string& sourceDir) {
  InstallerState& installer = Installer();
  installer.installLog.clear();
  installer.spoolerReachable = true;
  installer.installLog = kLogHeader;
  installer.sourceDir = sourceDir;
  LogInstall("%sTemp Path: %s\n", installer.sourceDir.c_str());

  InstallMonitor();
  Pause(1000);
  if (!InstallDriverAndPrinter()) return ReportInstallError();

  const std::string sep = platform::kPathSeparator;
  const std::string modeFile = formatCut(kSourceDirCapacity + 32, "%s%s%d%s%s", installer.sourceDir.c_str(),
                                         sep.c_str(), installer.osCode, sep.c_str(), PrinterModeFile().c_str());
  platform::startRegistryImport(installer.windowsDir.str(), modeFile);

  if (installer.osCode > 1) RestartSpooler();
  // Names that waited for the product printer get their printers now, as
  // copies of it with its printer mode.
  ProcessPendingAliases();
  const int extendedCode = InstallerSelectInterpreter();

  platform::ui().setCursor(platform::Cursor::kArrow);
  LogInstall("%sCompleted with extended code: %d\n", extendedCode);
  WriteInstallLog();
  return extendedCode;
}

}  // namespace vellora
