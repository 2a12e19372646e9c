#include "converter/settings/settings_keys.h"

namespace vellora {

PrinterKeys SelectPrinterKeys(const std::string& printerName) {
  PrinterKeys keys;
  if (equalsIgnoreCase(printerName, kDefaultPrinterName)) return keys;
  keys.settingsKey = formatCut(kKeyTextCapacity, "%s\\%s", kDefaultSettingsKey, printerName.c_str());
  keys.profilesKey = formatCut(kKeyTextCapacity, "%s\\%s", kDefaultProfilesKey, printerName.c_str());
  return keys;
}

namespace {
PrinterKeys& current() {
  static PrinterKeys keys;
  return keys;
}
}  // namespace

const PrinterKeys& currentPrinterKeys() { return current(); }

void setCurrentPrinterKeys(const PrinterKeys& keys) { current() = keys; }

}  // namespace vellora
