// The spooler on Windows: the winspool calls themselves, with the records
// turned into the spooler's structures and back.
#include <cstring>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/win32/windows_api.h"
#include "spooler/spooler.h"

#include <winspool.h>

namespace platform {

const char kLocalPrintEnvironment[] =
#if defined(_WIN64)
    "Windows x64";
#else
    "Windows NT x86";
#endif

const char kMonitorFileSuffix[] = ".dll";

namespace {

// The spooler wants writable character pointers; an empty text is "none".
char* text(const std::string& value) { return value.empty() ? nullptr : const_cast<char*>(value.c_str()); }
char* environmentText(const std::string& value) { return text(value); }

std::string fromText(const char* value) { return value ? std::string(value) : std::string(); }

// Names separated by a zero character and ended by two, the spooler's list form.
std::string listForm(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names) list += name + '\0';
  list += '\0';
  return list;
}

int lastCode() { return static_cast<int>(GetLastError()); }

// Runs an enumeration call twice: once for the size, once for the data.
template <typename Call>
int enumerate(Call call, std::vector<unsigned char>* buffer, DWORD* count) {
  DWORD needed = 0;
  *count = 0;
  if (call(nullptr, 0, &needed, count)) return 0;
  DWORD error = GetLastError();
  if (error != ERROR_INSUFFICIENT_BUFFER) return static_cast<int>(error);
  buffer->assign(needed, 0);
  if (!call(buffer->data(), needed, &needed, count)) return lastCode();
  return 0;
}

}  // namespace

int addMonitor(const MonitorRecord& monitor) {
  MONITOR_INFO_2A info = {};
  info.pName = text(monitor.name);
  info.pEnvironment = environmentText(monitor.environment);
  info.pDLLName = text(monitor.dllName);
  return AddMonitorA(nullptr, 2, reinterpret_cast<LPBYTE>(&info)) ? 0 : lastCode();
}

int enumMonitors(std::vector<std::string>* names) {
  names->clear();
  std::vector<unsigned char> buffer;
  DWORD count = 0;
  int code = enumerate(
      [](LPBYTE data, DWORD size, DWORD* needed, DWORD* returned) {
        return EnumMonitorsA(nullptr, 1, data, size, needed, returned) != FALSE;
      },
      &buffer, &count);
  if (code != 0) return code;
  const MONITOR_INFO_1A* monitors = reinterpret_cast<const MONITOR_INFO_1A*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) names->push_back(fromText(monitors[i].pName));
  return 0;
}

int deleteMonitor(const std::string& environment, const std::string& name) {
  return DeleteMonitorA(nullptr, environmentText(environment), text(name)) ? 0 : lastCode();
}

int printerDriverDirectory(const std::string& environment, std::string* folder) {
  folder->clear();
  char path[MAX_PATH + 1] = {};
  DWORD needed = 0;
  if (!GetPrinterDriverDirectoryA(nullptr, environmentText(environment), 1, reinterpret_cast<LPBYTE>(path),
                                  MAX_PATH, &needed))
    return lastCode();
  *folder = path;
  return 0;
}

int addPrinterDriver(int level, const DriverRecord& driver) {
  if (level == 2) {
    DRIVER_INFO_2A info = {};
    info.cVersion = driver.version;
    info.pName = text(driver.name);
    info.pEnvironment = environmentText(driver.environment);
    info.pDriverPath = text(driver.driverPath);
    info.pDataFile = text(driver.dataFile);
    info.pConfigFile = text(driver.configFile);
    return AddPrinterDriverA(nullptr, 2, reinterpret_cast<LPBYTE>(&info)) ? 0 : lastCode();
  }
  if (level != 4) return ERROR_INVALID_LEVEL;
  std::string dependents = listForm(driver.dependentFiles);
  std::string previous = listForm(driver.previousNames);
  DRIVER_INFO_4A info = {};
  info.cVersion = driver.version;
  info.pName = text(driver.name);
  info.pEnvironment = environmentText(driver.environment);
  info.pDriverPath = text(driver.driverPath);
  info.pDataFile = text(driver.dataFile);
  info.pConfigFile = text(driver.configFile);
  info.pHelpFile = text(driver.helpFile);
  info.pDependentFiles = driver.dependentFiles.empty() ? nullptr : &dependents[0];
  info.pMonitorName = text(driver.monitorName);
  info.pDefaultDataType = text(driver.defaultDataType);
  info.pszzPreviousNames = driver.previousNames.empty() ? nullptr : &previous[0];
  return AddPrinterDriverA(nullptr, 4, reinterpret_cast<LPBYTE>(&info)) ? 0 : lastCode();
}

int enumPrinterDrivers(const std::string& environment, std::vector<std::string>* names) {
  names->clear();
  std::vector<unsigned char> buffer;
  DWORD count = 0;
  char* env = environmentText(environment);
  int code = enumerate(
      [env](LPBYTE data, DWORD size, DWORD* needed, DWORD* returned) {
        return EnumPrinterDriversA(nullptr, env, 2, data, size, needed, returned) != FALSE;
      },
      &buffer, &count);
  if (code != 0) return code;
  const DRIVER_INFO_2A* drivers = reinterpret_cast<const DRIVER_INFO_2A*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) names->push_back(fromText(drivers[i].pName));
  return 0;
}

int deletePrinterDriver(const std::string& environment, const std::string& name) {
  return DeletePrinterDriverA(nullptr, environmentText(environment), text(name)) ? 0 : lastCode();
}

int addPrinter(const PrinterRecord& printer) {
  PRINTER_INFO_2A info = {};
  info.pServerName = text(printer.serverName);
  info.pPrinterName = text(printer.printerName);
  info.pShareName = text(printer.shareName);
  info.pPortName = text(printer.portName);
  info.pDriverName = text(printer.driverName);
  info.pComment = const_cast<char*>(printer.comment.c_str());
  info.pLocation = text(printer.location);
  std::string deviceMode = printer.deviceMode;
  info.pDevMode = deviceMode.size() >= sizeof(DEVMODEA) ? reinterpret_cast<DEVMODEA*>(&deviceMode[0]) : nullptr;
  info.pSepFile = text(printer.separatorFile);
  info.pPrintProcessor = text(printer.printProcessor);
  info.pDatatype = text(printer.dataType);
  info.pParameters = text(printer.parameters);
  std::string security = printer.securityDescriptor;
  info.pSecurityDescriptor = security.empty() ? nullptr : reinterpret_cast<PSECURITY_DESCRIPTOR>(&security[0]);
  info.Attributes = printer.attributes;
  info.Priority = printer.priority;
  info.DefaultPriority = printer.defaultPriority;
  info.StartTime = printer.startTime;
  info.UntilTime = printer.untilTime;
  HANDLE handle = AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
  if (handle == nullptr) return lastCode();
  ClosePrinter(handle);
  return 0;
}

int enumPrinters(std::vector<PrinterRecord>* printers) {
  printers->clear();
  std::vector<unsigned char> buffer;
  DWORD count = 0;
  int code = enumerate(
      [](LPBYTE data, DWORD size, DWORD* needed, DWORD* returned) {
        return EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, data, size, needed, returned) != FALSE;
      },
      &buffer, &count);
  if (code != 0) return code;
  const PRINTER_INFO_2A* infos = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    const PRINTER_INFO_2A& info = infos[i];
    PrinterRecord record;
    record.serverName = fromText(info.pServerName);
    record.printerName = fromText(info.pPrinterName);
    record.shareName = fromText(info.pShareName);
    record.portName = fromText(info.pPortName);
    record.driverName = fromText(info.pDriverName);
    record.comment = fromText(info.pComment);
    record.location = fromText(info.pLocation);
    if (info.pDevMode)
      record.deviceMode.assign(reinterpret_cast<const char*>(info.pDevMode),
                               info.pDevMode->dmSize + info.pDevMode->dmDriverExtra);
    record.separatorFile = fromText(info.pSepFile);
    record.printProcessor = fromText(info.pPrintProcessor);
    record.dataType = fromText(info.pDatatype);
    record.parameters = fromText(info.pParameters);
    if (info.pSecurityDescriptor && IsValidSecurityDescriptor(info.pSecurityDescriptor))
      record.securityDescriptor.assign(reinterpret_cast<const char*>(info.pSecurityDescriptor),
                                       GetSecurityDescriptorLength(info.pSecurityDescriptor));
    record.attributes = info.Attributes;
    record.priority = info.Priority;
    record.defaultPriority = info.DefaultPriority;
    record.startTime = info.StartTime;
    record.untilTime = info.UntilTime;
    record.status = info.Status;
    record.jobs = info.cJobs;
    record.averagePpm = info.AveragePPM;
    printers->push_back(record);
  }
  return 0;
}

int deletePrinter(const std::string& name) {
  PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE handle = nullptr;
  if (!OpenPrinterA(const_cast<char*>(name.c_str()), &handle, &defaults)) return lastCode();
  int code = DeletePrinter(handle) ? 0 : lastCode();
  ClosePrinter(handle);
  return code;
}

// Windows pools a printer's ports rather than grouping printers, and the
// installer does not share printers there: these are not offered.
int addPrinterClass(const PrinterClass&) { return kSpoolerNotSupported; }
int enumPrinterClasses(std::vector<PrinterClass>* classes) {
  classes->clear();
  return 0;
}
int deletePrinterClass(const std::string&) { return kSpoolerNotSupported; }
int sharePrinter(const std::string&, bool) { return kSpoolerNotSupported; }

int printFile(const std::string&, const std::string&, const std::string&, std::string* reason) {
  if (reason) reason->clear();
  return kSpoolerNotSupported;
}

std::string spoolerErrorText(int code) { return errorText(code); }

}  // namespace platform
