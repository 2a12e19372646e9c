#include "installer/driver_install.h"

#include <vector>

#include "common/monitor_contract.h"
#include "installer/install_log.h"
#include "installer/installer_state.h"
#include "installer/printer_add.h"
#include "platform/files.h"
#include "platform/ui.h"

namespace vellora {

namespace {

const std::string kSep = platform::kPathSeparator;

constexpr const char kRepairCaption[] = "Vellora Installation";
constexpr const char kRepairQuestion[] =
    "Vellora found 32 bit print driver files installed on this 64 bit system.\n"
    "This is often caused by installing other PDF print drivers which are not 64 bit compatible.\n"
    "Vellora will attempt to correct the issue by installing correct 64 bit versions of these files.\n"
    "Would you like to allow Vellora to overwrite these incorrect 32 bit drivers?";

struct DriverFiles {
  const char* driver;
  const char* config;
  const char* data;
  std::vector<const char*> dependents;
};

DriverFiles filesFor(int osCode) {
  if (osCode == 1) return {"PSCRIPT.DRV", "PSCRIPT.DRV", "VELLORA.SPD", {"fonts.mfm", "PSCRIPT.DRV", "VELLORA.SPD", "iconlib.dll"}};
  if (osCode == 2) return {"PSCRIPT4.DLL", "PS4UI.DLL", "VELLORA.PPD", {"PSCRPTFE.NTF", "PSCRIPT4.DLL", "PS4UI.DLL", "VELLORA.PPD"}};
  return {"PSCRIPT5V.DLL", "PS5UIV.DLL", "VELLORA.PPD", {"PSCRIPT.NTF", "PSCRIPT5V.DLL", "PS5UIV.DLL", "VELLORA.PPD"}};
}

bool startsWithP(const std::string& name) { return !name.empty() && (name[0] == 'P' || name[0] == 'p'); }

// Copies every file of the version folder into the driver folder. Files
// named P... keep an existing copy on 32-bit Windows unless everything is
// to be replaced. False with the error when the folder cannot be searched.
bool copyVersionFolder(const std::string& driverFolder, bool replaceAll, int* error) {
  const std::string folder = VersionFolder();
  std::vector<std::string> names;
  if (!platform::listDirectory(folder, "*", &names)) {
    *error = platform::lastError();
    return false;
  }
  // Without the spooler's driver folder there is nowhere to copy to; the
  // files must not land in the root of the disk instead.
  if (driverFolder == kSep) return true;
  for (const std::string& name : names) {
    if (platform::isDirectory(folder + name)) continue;
    const std::string destination = driverFolder + name;
    if (replaceAll || !startsWithP(name) || Installer().onWow64) platform::deleteFile(destination);
    platform::copyFile(folder + name, destination, true);
  }
  return true;
}

void logCopyFailure(int error) {
  std::string text = formatCut(kInstallLogCapacity, "Error occured copying install files:\n%s",
                               FileMessageText(error).c_str());
  LogInstall("%s%s\n", text.c_str());
}

// Registers the driver at level 4, with the repair of a 64-bit system.
// False only when the version folder cannot be searched for the repair.
bool registerDriverLevel4(const platform::DriverRecord& driver, const std::string& driverFolder) {
  const InstallerState& installer = Installer();
  LogInstall("%sDriver file [4]: %s\n", driver.driverPath.c_str());
  LogInstall("%sData file [4]: %s\n", driver.dataFile.c_str());
  LogInstall("%sHelp file [4]: %s\n", driver.helpFile.c_str());
  LogInstall("%sConfig file [4]: %s\n", driver.configFile.c_str());
  LogInstall("%sDep files [4]: %s\n", driver.dependentFiles.front().c_str());
  Pause(200);
  int code = platform::addPrinterDriver(4, driver);
  if (code == 0) return true;
  if (!installer.onWow64) {
    LogInstall("%sError installing print driver [4] [%d]: %s\n", code, SystemMessageText(code).c_str());
    return true;
  }
  LogInstall("%sError installing print driver [4] [%d]: %s\nAssuming 32 bit drivers present on a 64 bit "
             "system. Vellora will attempt to fix this problem...",
             code, SystemMessageText(code).c_str());
  int answer = platform::ui().messageBox(kRepairQuestion, kRepairCaption,
                                         platform::kMbYesNo | platform::kMbIconWarning | platform::kMbTopmost);
  if (answer != platform::kIdYes) {
    LogInstall("%sUser opted not to overwrite driver files... Proceeding");
    LogInstall("%sError installing print driver [4] [%d]: %s\n", code, SystemMessageText(code).c_str());
    return true;
  }
  int error = 0;
  if (!copyVersionFolder(driverFolder, true, &error)) {
    logCopyFailure(error);
    return false;
  }
  int retry = platform::addPrinterDriver(4, driver);
  if (retry == 0)
    LogInstall("%sSuccessfully installed driver.");
  else
    LogInstall("%sError installing print driver [4] [%d]: %s\n", retry, SystemMessageText(retry).c_str());
  return true;
}

}  // namespace

std::string VersionFolder() {
  const InstallerState& installer = Installer();
  return formatCut(kSourceDirCapacity + 16, installer.onWow64 ? "%s%s%d_64%s" : "%s%s%d%s",
                   installer.sourceDir.c_str(), kSep.c_str(), installer.osCode, kSep.c_str());
}

platform::DriverRecord DriverFor(const std::string& driverFolder) {
  const InstallerState& installer = Installer();
  const DriverFiles files = filesFor(installer.osCode);
  platform::DriverRecord driver;
  driver.name = kDriverName;
  driver.driverPath = driverFolder + files.driver;
  driver.dataFile = driverFolder + files.data;
  driver.configFile = driverFolder + files.config;
  driver.helpFile = driverFolder + "PSCRIPT.HLP";
  for (const char* dependent : files.dependents) driver.dependentFiles.push_back(driverFolder + dependent);
  if (installer.osCode >= 3) {
    driver.version = 3;
    driver.environment = installer.onWow64 ? installer.platformEnvironment : std::string();
    driver.defaultDataType = kDataType;
  } else {
    driver.version = installer.osCode == 1 ? 0 : 2;
    driver.environment = installer.platformEnvironment;
  }
  return driver;
}

platform::PrinterRecord ProductPrinter() {
  platform::PrinterRecord printer;
  printer.printerName = kPrinterName;
  printer.portName = kMonitorPort;
  printer.driverName = kDriverName;
  printer.printProcessor = kPrintProcessor;
  printer.dataType = kDataType;
  printer.attributes = platform::kPrinterAttributeQueued;
  printer.priority = 1;
  return printer;
}

bool InstallDriverAndPrinter() {
  InstallerState& installer = Installer();
  const std::string versionFolder = VersionFolder();
  const std::string pattern = versionFolder + "*";
  LogInstall("%sSupport files path: %s\n", versionFolder.c_str());

  std::string driverFolder;
  int code = platform::printerDriverDirectory(std::string(), &driverFolder);
  if (code != 0) {
    LogInstall("%sError finding driver dir: %s\n", SystemMessageText(code).c_str());
    driverFolder.clear();
  }
  driverFolder = cut(driverFolder, kFolderCapacity) + kSep;
  LogInstall("%sDriver Directory: %s\n", driverFolder.c_str());

  const platform::DriverRecord driver = DriverFor(driverFolder);
  LogInstall("%sFind Directory: %s\n", pattern.c_str());
  int error = 0;
  if (!copyVersionFolder(driverFolder, false, &error)) {
    logCopyFailure(error);
    return false;
  }

  if (installer.osCode >= 3) {
    if (!registerDriverLevel4(driver, driverFolder)) return false;
  } else {
    code = platform::addPrinterDriver(2, driver);
    if (code != 0) LogInstall("%sError install print driver [2]: %s\n", SystemMessageText(code).c_str());
  }

  LogInstall("%sAttempting to install virtual printer: %s\n", kPrinterName);
  Pause(200);
  return AddPrinterWithRetry(ProductPrinter());
}

}  // namespace vellora
