#include "installer/monitor_install.h"

#include <string>

#include "common/monitor_contract.h"
#include "installer/install_log.h"
#include "installer/installer_state.h"
#include "installer/platform_identity.h"
#include "installer/spooler_control.h"
#include "platform/files.h"
#include "spooler/spooler.h"

namespace vellora {

namespace {

const std::string kSep = platform::kPathSeparator;

std::string monitorFileName() {
  const InstallerState& installer = Installer();
  const char* stem = kMonitorFile32;
  if (installer.osCode == 1)
    stem = kMonitorFile9x;
  else if (installer.osCode == 2)
    stem = kMonitorFileNt4;
  else if (installer.onWow64)
    stem = installer.ia64 ? kMonitorFileIa64 : kMonitorFileX64;
  return std::string(stem) + platform::kMonitorFileSuffix;
}

// Replaces a file of the system folder with the one of the installation files.
bool replaceFile(const std::string& source, const std::string& destination) {
  if (platform::fileExists(destination)) platform::deleteFile(destination);
  return platform::copyFile(source, destination, false);
}

}  // namespace

bool InstallMonitor() {
  InstallerState& installer = Installer();
  StopSpooler();

  installer.systemDir = platform::systemFolder();
  LogInstall("%sSystem Directory: %s\n", installer.systemDir.c_str());
  installer.osCode = ComputeOsCode();
  LogInstall("%sOS Version: %d\n", installer.osCode);
  DetectPlatform(true);

  const std::string system = installer.systemDir.str();
  const std::string source = installer.sourceDir.str();
  if (installer.osCode != 1 && installer.osCode != 2 && installer.onWow64) {
    const std::string helper = std::string(kMonitorHelper64) + platform::kExeSuffix;
    if (!replaceFile(source + kSep + helper, system + kSep + helper))
      LogInstall("%sError copying vlcvt to 64 bit sys32: %s\n", FileMessageText(platform::lastError()).c_str());
  }
  const std::string file = monitorFileName();
  const std::string monitorSource = source + kSep + file;
  const std::string monitorDestination = system + kSep + file;
  LogInstall("%sMonitor Source: %s\n", monitorSource.c_str());
  LogInstall("%sMonitor Dest: %s\n", monitorDestination.c_str());
  if (!replaceFile(monitorSource, monitorDestination))
    LogInstall("%sError copying monitor: %s\n", FileMessageText(platform::lastError()).c_str());

  StartSpooler();
  Pause(1000);
  platform::MonitorRecord monitor;
  monitor.name = kMonitorName;
  monitor.environment = installer.platformEnvironment;
  monitor.dllName = monitorDestination;
  int code = platform::addMonitor(monitor);
  if (code == platform::kSpoolerServerUnavailable) {
    LogInstall("%sError installing monitor [%d]: %s\n", code, SystemMessageText(code).c_str());
    StartSpooler();
    Pause(1500);
    code = platform::addMonitor(monitor);
    if (code == platform::kSpoolerServerUnavailable) {
      LogInstall("%sError installing monitor (2nd attempt) [%d]: %s\n", code, SystemMessageText(code).c_str());
      installer.spoolerReachable = false;
    }
  }
  if (code == 0) return true;
  LogInstall("%sError installing monitor [%d]: %s\n", code, SystemMessageText(code).c_str());
  return code == platform::kSpoolerMonitorExists;
}

bool RemoveMonitor() {
  InstallerState& installer = Installer();
  StopSpooler();
  installer.osCode = ComputeOsCode();
  LogInstall("%sOS Version: %d\n", installer.osCode);
  DetectPlatform(false);
  StartSpooler();
  Pause(1000);
  platform::deleteMonitor(installer.platformEnvironment, kMonitorName);
  return true;
}

}  // namespace vellora
