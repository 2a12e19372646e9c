// What the POSIX spooler keeps beside CUPS, in the machine registry at the
// places the Windows spooler keeps it: driver records, monitors and the
// printers' device-mode page sizes.
#include <cstring>

#include "platform/registry.h"
#include "spooler/posix/spooler_cups.h"

namespace platform {

const char kLocalPrintEnvironment[] = "Windows NT x86";
const char kMonitorFileSuffix[] = "";

namespace posix {

namespace {

const std::string kPrintKey = "SYSTEM\\CurrentControlSet\\Control\\Print";
const std::string kMonitorsKey = kPrintKey + "\\Monitors";
const std::string kDriversKey = kPrintKey + "\\Environments\\" + kLocalPrintEnvironment + "\\Drivers";
const std::string kPrintersKey = kPrintKey + "\\Printers";

std::string multiString(const std::vector<std::string>& items) {
  std::string data;
  for (const std::string& item : items) data += item + '\0';
  return data + '\0';
}

std::vector<std::string> fromMultiString(const std::string& data) {
  std::vector<std::string> items;
  std::string::size_type start = 0;
  while (start < data.size()) {
    std::string::size_type end = data.find('\0', start);
    if (end == std::string::npos) end = data.size();
    if (end == start) break;
    items.push_back(data.substr(start, end - start));
    start = end + 1;
  }
  return items;
}

std::string stringValue(const RegKey& key, const char* name) {
  std::string text;
  key.queryString(name, &text);
  return text;
}

std::vector<std::string> subkeys(const std::string& path) {
  std::vector<std::string> names;
  RegKey key;
  if (key.open(HKLM, path, kRegRead) != kRegOk) return names;
  std::string name;
  for (std::uint32_t i = 0; key.enumKey(i, &name) == kRegOk; ++i) names.push_back(name);
  return names;
}

// The key of a driver of any version; empty when there is none.
std::string driverKeyOf(const std::string& name) {
  for (const std::string& version : subkeys(kDriversKey)) {
    std::string path = kDriversKey + "\\" + version + "\\" + name;
    RegKey key;
    if (key.open(HKLM, path, kRegRead) == kRegOk) return path;
  }
  return std::string();
}

}  // namespace

bool isLocalEnvironment(const std::string& environment) {
  return environment.empty() || environment == kLocalPrintEnvironment;
}

int storeDriverRecord(const DriverRecord& driver) {
  std::string previous = driverKeyOf(driver.name);
  if (!previous.empty()) registry().DeleteTree(HKLM, previous);
  RegKey key;
  long status =
      key.create(HKLM, kDriversKey + "\\Version-" + std::to_string(driver.version) + "\\" + driver.name);
  if (status != kRegOk) return status == kRegAccessDenied ? kSpoolerAccessDenied : kSpoolerInvalidParameter;
  key.setDword("Version", driver.version);
  key.setString("Driver", driver.driverPath);
  key.setString("Data File", driver.dataFile);
  key.setString("Configuration File", driver.configFile);
  key.setString("Help File", driver.helpFile);
  registry().SetValue(key.handle(), "Dependent Files", kRegMultiSz, multiString(driver.dependentFiles));
  key.setString("Monitor", driver.monitorName);
  key.setString("Datatype", driver.defaultDataType);
  registry().SetValue(key.handle(), "Previous Names", kRegMultiSz, multiString(driver.previousNames));
  return kSpoolerOk;
}

bool loadDriverRecord(const std::string& name, DriverRecord* driver) {
  std::string path = driverKeyOf(name);
  RegKey key;
  if (path.empty() || key.open(HKLM, path, kRegRead) != kRegOk) return false;
  *driver = DriverRecord();
  driver->name = path.substr(path.rfind('\\') + 1);
  std::uint32_t version = 0;
  key.queryDword("Version", &version);
  driver->version = version;
  driver->environment = kLocalPrintEnvironment;
  driver->driverPath = stringValue(key, "Driver");
  driver->dataFile = stringValue(key, "Data File");
  driver->configFile = stringValue(key, "Configuration File");
  driver->helpFile = stringValue(key, "Help File");
  RegType type;
  std::string data;
  if (key.query("Dependent Files", &type, &data) == kRegOk) driver->dependentFiles = fromMultiString(data);
  driver->monitorName = stringValue(key, "Monitor");
  driver->defaultDataType = stringValue(key, "Datatype");
  if (key.query("Previous Names", &type, &data) == kRegOk) driver->previousNames = fromMultiString(data);
  return true;
}

std::vector<std::string> driverRecordNames() {
  std::vector<std::string> names;
  for (const std::string& version : subkeys(kDriversKey))
    for (const std::string& name : subkeys(kDriversKey + "\\" + version)) names.push_back(name);
  return names;
}

bool removeDriverRecord(const std::string& name) {
  std::string path = driverKeyOf(name);
  return !path.empty() && registry().DeleteTree(HKLM, path) == kRegOk;
}

bool storeMonitorEntry(const MonitorEntry& monitor) {
  RegKey key;
  if (key.create(HKLM, kMonitorsKey + "\\" + monitor.name) != kRegOk) return false;
  return key.setString("Driver", monitor.dllName) == kRegOk &&
         key.setString("Backend", monitor.scheme) == kRegOk;
}

bool loadMonitorEntry(const std::string& name, MonitorEntry* monitor) {
  RegKey key;
  if (name.empty() || key.open(HKLM, kMonitorsKey + "\\" + name, kRegRead) != kRegOk) return false;
  monitor->name = name;
  monitor->dllName = stringValue(key, "Driver");
  monitor->scheme = stringValue(key, "Backend");
  return true;
}

std::vector<std::string> monitorEntryNames() { return subkeys(kMonitorsKey); }

bool removeMonitorEntry(const std::string& name) {
  return !name.empty() && registry().DeleteTree(HKLM, kMonitorsKey + "\\" + name) == kRegOk;
}

std::string printerDriverOf(const std::string& printer) {
  RegKey key;
  if (printer.empty() || key.open(HKLM, kPrintersKey + "\\" + printer, kRegRead) != kRegOk) return std::string();
  return stringValue(key, "Printer Driver");
}

bool setPrinterDriver(const std::string& printer, const std::string& driver) {
  RegKey key;
  if (printer.empty() || key.create(HKLM, kPrintersKey + "\\" + printer) != kRegOk) return false;
  return key.setString("Printer Driver", driver) == kRegOk;
}

std::string printerPageSize(const std::string& printer) {
  RegKey key;
  if (printer.empty() || key.open(HKLM, kPrintersKey + "\\" + printer + "\\PrinterDriverData", kRegRead) != kRegOk)
    return std::string();
  return stringValue(key, "PageSize");
}

bool setPrinterPageSize(const std::string& printer, const std::string& pageSize) {
  RegKey key;
  if (printer.empty() || key.create(HKLM, kPrintersKey + "\\" + printer + "\\PrinterDriverData") != kRegOk)
    return false;
  return key.setString("PageSize", pageSize) == kRegOk;
}

void removePrinterData(const std::string& printer) {
  if (!printer.empty()) registry().DeleteTree(HKLM, kPrintersKey + "\\" + printer);
}

std::vector<std::string> printersWithPageSize() {
  std::vector<std::string> printers;
  for (const std::string& printer : subkeys(kPrintersKey))
    if (!printerPageSize(printer).empty()) printers.push_back(printer);
  return printers;
}

}  // namespace posix
}  // namespace platform
