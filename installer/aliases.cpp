#include "installer/aliases.h"

#include <vector>

#include "common/monitor_contract.h"
#include "common/product.h"
#include "installer/alias_options.h"
#include "installer/install_log.h"
#include "installer/installer_state.h"
#include "installer/printer_add.h"
#include "installer/printer_class.h"
#include "installer/spooler_control.h"
#include "platform/registry.h"
#include "spooler/spooler.h"

namespace vellora {

namespace {

// Adds one alias copied from a product printer; false when it failed.
bool addAlias(platform::PrinterRecord alias) {
  LogInstall("%sAttempting to install virtual printer alias: %s\n", alias.printerName.c_str());
  alias.attributes |= platform::kPrinterAttributeHidden;
  Pause(200);
  return AddPrinterWithRetry(alias);
}

std::string pendingAlias(int number) {
  platform::RegKey key;
  std::string name;
  if (key.open(platform::HKLM, kProductKey, platform::kRegRead) != platform::kRegOk) return name;
  key.queryString(formatCut(kAliasNameCapacity, "Alias%d", number), &name);
  return cut(name, kAliasNameCapacity);
}

void setPendingAlias(int number, const std::string& name) {
  platform::RegKey key;
  if (key.open(platform::HKLM, kProductKey, platform::kRegWrite) == platform::kRegOk)
    key.setString(formatCut(kAliasNameCapacity, "Alias%d", number), name);
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
  // The printer of an office server is a class: the alias copies a member.
  platform::PrinterRecord member;
  if (!outcome.productPrinterFound && ProductPrinterRecord(&member)) {
    outcome.productPrinterFound = true;
    member.printerName = aliasName;
    outcome.ok = addAlias(member);
  }
  return outcome;
}

bool CreatePrinterAlias(const std::string& aliasName) { return CreateAlias(aliasName).ok; }

void ProcessPendingAliases() {
  // The names that go on waiting, in their order: those whose printer could
  // not be made, and all from the first one that found no product printer.
  std::vector<std::string> waiting;
  bool noProductPrinter = false;
  int count = 0;
  for (;; ++count) {
    const std::string name = pendingAlias(count + 1);
    if (name.empty()) break;
    if (noProductPrinter) {
      waiting.push_back(name);
      continue;
    }
    AliasOutcome outcome = CreateAlias(name);
    if (!outcome.productPrinterFound) {
      // Nothing was made: the name waits for the run that installs the printer.
      noProductPrinter = true;
      waiting.push_back(name);
    } else if (!outcome.ok) {
      LogInstall("%sKept the printer alias %s for the next run\n", name.c_str());
      waiting.push_back(name);
    }
  }
  // The names are read from "Alias1" up to the first gap: the waiting ones
  // close up from "Alias1" on, and the values after them go.
  for (int number = 1; number <= count; ++number) {
    const std::size_t index = static_cast<std::size_t>(number - 1);
    if (index >= waiting.size())
      deletePendingAlias(number);
    else if (pendingAlias(number) != waiting[index])
      setPendingAlias(number, waiting[index]);
  }
}

}  // namespace vellora
