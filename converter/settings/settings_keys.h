// Where the settings live in the registry. The two per-printer keys depend on
// the printer the job was printed to; everything else is fixed.
#pragma once

#include <string>

#include "common/product.h"
#include "common/text.h"
#include "platform/registry.h"

namespace vellora {

// The user's own values, shared by all printers (HKEY_CURRENT_USER).
constexpr platform::RegRoot kUserRoot = platform::HKCU;
constexpr const char* const kUserKey = kProductKey;
// Installation values (HKEY_LOCAL_MACHINE).
constexpr platform::RegRoot kMachineRoot = platform::HKLM;
constexpr const char* const kMachineKey = kProductKey;
// Administrator values and locks, read under HKEY_CURRENT_USER first and
// HKEY_LOCAL_MACHINE second.
constexpr const char kPolicyKey[] = "Software\\Policies\\Norvale\\Vellora";
// One-shot output names per document (both roots).
constexpr const char kDocumentsKey[] = "SOFTWARE\\Norvale\\Vellora\\Documents";

// The per-printer keys of the product's own printer.
constexpr const char kDefaultSettingsKey[] = "Software\\Norvale\\Vellora\\Settings";
constexpr const char kDefaultProfilesKey[] = "Software\\Norvale\\Vellora\\Profiles";
// The printer whose keys drop the printer component (letter case ignored).
constexpr const char kDefaultPrinterName[] = "vellora";

// The two key paths of one printer: MachineSettingsKey (under
// HKEY_LOCAL_MACHINE) and ProfilesKey (under either root).
struct PrinterKeys {
  Bounded<kKeyTextCapacity> settingsKey{kDefaultSettingsKey};
  Bounded<kKeyTextCapacity> profilesKey{kDefaultProfilesKey};
};

// The keys for a printer name: the defaults for the product's own printer,
// else "...\\Settings\\<printer>" and "...\\Profiles\\<printer>".
PrinterKeys SelectPrinterKeys(const std::string& printerName);

// The keys of this run. The job driver sets them once the printer name is
// known; until then they are the defaults. Tests set them as they need.
const PrinterKeys& currentPrinterKeys();
void setCurrentPrinterKeys(const PrinterKeys& keys);

}  // namespace vellora
