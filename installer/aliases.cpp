#include "installer/aliases.h"

#include <vector>

#include "common/monitor_contract.h"
#include "common/product.h"
#include "installer/alias_options.h"
#include "installer/install_log.h"
#include "installer/installer_state.h"
#include "installer/spooler_control.h"
#include "platform/registry.h"
#include "platform/spooler.h"

namespace vellora {

namespace {

bool printerThere(int code) {
  return code == 0 || code == platform::kSpoolerPrinterExists || code == platform::kSpoolerAlreadyExists;
}

// Adds one alias copied from a product printer; false when it failed.
bool addAlias(platform::PrinterRecord alias) {
  InstallerState& installer = Installer();
  LogInstall("%sAttempting to install virtual printer alias: %s\n", alias.printerName.c_str());
  alias.attributes |= platform::kPrinterAttributeHidden;
  Pause(200);
  int code = platform::addPrinter(alias);
  if (code == 0) return true;
  LogInstall("%sError installing print driver [%d]: %s\n", code, SystemMessageText(code).c_str());
  if (code == platform::kSpoolerServerUnavailable) {
    StartSpooler();
    Pause(1500);
    code = platform::addPrinter(alias);
    if (code == platform::kSpoolerServerUnavailable) {
      LogInstall("%sError installing print driver (2nd Attempt) [%d]: %s\n", code,
                 SystemMessageText(code).c_str());
      installer.spoolerReachable = false;
      return false;
    }
    // A retry that failed otherwise has not made the alias either.
    if (!printerThere(code))
      LogInstall("%sError installing print driver [%d]: %s\n", code, SystemMessageText(code).c_str());
    return printerThere(code);
  }
  return printerThere(code);
}

std::string pendingAlias(int number) {
  platform::RegKey key;
  std::string name;
  if (key.open(platform::HKLM, kProductKey, platform::kRegRead) != platform::kRegOk) return name;
  key.queryString(formatCut(kAliasNameCapacity, "Alias%d", number), &name);
  return cut(name, kAliasNameCapacity);
}

void deletePendingAlias(int number) {
  platform::RegKey key;
  if (key.open(platform::HKLM, kProductKey, platform::kRegWrite) == platform::kRegOk)
    key.deleteValue(formatCut(kAliasNameCapacity, "Alias%d", number));
}

}  // namespace

AliasOutcome CreateAlias(const std::string& aliasName) {
  AliasOutcome outcome;
  if (Installer().osCode > 1) RestartSpooler();
  std::vector<platform::PrinterRecord> printers;
  if (platform::enumPrinters(&printers) != 0) {
    LogInstall("%sFailed enumerating printers\n");
    return outcome;
  }
  for (const platform::PrinterRecord& printer : printers) {
    if (printer.printerName != kPrinterName) continue;
    outcome.productPrinterFound = true;
    platform::PrinterRecord alias = printer;
    alias.printerName = aliasName;
    if (!addAlias(alias)) {
      outcome.ok = false;
      return outcome;
    }
    GiveAliasItsOptions(aliasName);
  }
  return outcome;
}

bool CreatePrinterAlias(const std::string& aliasName) { return CreateAlias(aliasName).ok; }

void ProcessPendingAliases() {
  for (int number = 1;; ++number) {
    const std::string name = pendingAlias(number);
    if (name.empty()) return;
    AliasOutcome outcome = CreateAlias(name);
    // With no product printer (yet) nothing was made: the name stays for
    // the run that installs the printer.
    if (!outcome.productPrinterFound) return;
    deletePendingAlias(number);
  }
}

}  // namespace vellora
