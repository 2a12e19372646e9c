// The spooler on CUPS (how its parts map onto CUPS: spooler.h).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "platform/process.h"
#include "spooler/posix/spooler_cups.h"
#include "spooler/spooler.h"

namespace platform {

namespace {

using posix::CupsConnection;
using posix::CupsQueue;

// A backend announces its scheme at once; one that does not within this
// time is not a backend.
constexpr int kDiscoveryTimeoutMs = 10000;

int codeForErrno(int error) {
  switch (error) {
    case ENOENT: return kSpoolerFileNotFound;
    case ENOTDIR: return kSpoolerPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS: return kSpoolerAccessDenied;
    default: return kSpoolerInvalidParameter;
  }
}

// What a backend program answers when CUPS asks it for its devices.
std::string discoveryLine(const std::string& program) {
  ChildProcess child;
  StartOptions options;
  options.captureOutput = true;
  if (!child.start(quoteArgument(program), options)) return std::string();
  std::string output;
  char buffer[512];
  while (output.find('\n') == std::string::npos && output.size() < 4096) {
    int n = child.readOutputWithin(buffer, sizeof buffer, kDiscoveryTimeoutMs);
    if (n <= 0) break;
    output.append(buffer, static_cast<std::size_t>(n));
  }
  if (child.wait(kDiscoveryTimeoutMs) != kWaitDone) {
    child.kill();
    child.wait(kWaitForever);
    return std::string();
  }
  return output.substr(0, output.find('\n'));
}

// Puts the program into CUPS's backend folder under the scheme's name,
// whole or not at all, owned by root with mode 0700 (so CUPS runs it as root).
int installBackend(const std::string& program, const std::string& scheme) {
  const std::string folder = posix::cupsBackendFolder();
  const std::string target = folder + "/" + scheme;
  std::string bytes;
  if (!readBinaryFile(program, &bytes)) return codeForErrno(lastError());
  std::string temp = folder + "/." + scheme + ".XXXXXX";
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0) return codeForErrno(errno);
  bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
            fchmod(fd, 0700) == 0 && (geteuid() != 0 || fchown(fd, 0, 0) == 0);
  int error = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && ::rename(name.data(), target.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    ::unlink(name.data());
    return codeForErrno(error);
  }
  return kSpoolerOk;
}

// The driver of a queue: the one it was added with, else its make and
// model (a queue made by other means).
std::string driverOfQueue(const CupsQueue& queue) {
  std::string driver = posix::printerDriverOf(queue.name);
  return driver.empty() ? queue.makeAndModel : driver;
}

std::string schemeOf(const std::string& uri) {
  std::string::size_type colon = uri.find(':');
  return colon == std::string::npos ? std::string() : uri.substr(0, colon);
}

bool isAnotherServersQueue(const std::string& uri) {
  const std::string scheme = schemeOf(uri);
  return scheme == "ipp" || scheme == "ipps";
}

}  // namespace

int addMonitor(const MonitorRecord& monitor) {
  if (!posix::isLocalEnvironment(monitor.environment)) return kSpoolerInvalidEnvironment;
  CupsConnection cups;
  if (!cups.connected()) return kSpoolerServerUnavailable;
  if (monitor.name.empty()) return kSpoolerInvalidParameter;
  if (!fileExists(monitor.dllName) || isDirectory(monitor.dllName)) return kSpoolerFileNotFound;
  posix::MonitorEntry known;
  const bool existed = posix::loadMonitorEntry(monitor.name, &known);
  std::string scheme = posix::schemeOfDiscoveryLine(discoveryLine(monitor.dllName));
  if (scheme.empty()) return kSpoolerInvalidParameter;
  // A monitor that exists keeps its registration, but its program is
  // brought up to date: CUPS starts the backend afresh for every job, and a
  // reinstall must not leave the old one in place.
  int code = installBackend(monitor.dllName, scheme);
  if (code != kSpoolerOk) return code;
  if (existed) return kSpoolerMonitorExists;
  if (!posix::storeMonitorEntry({monitor.name, monitor.dllName, scheme})) return kSpoolerAccessDenied;
  return kSpoolerOk;
}

int enumMonitors(std::vector<std::string>* names) {
  names->clear();
  CupsConnection cups;
  if (!cups.connected()) return kSpoolerServerUnavailable;
  *names = posix::monitorEntryNames();
  return kSpoolerOk;
}

int deleteMonitor(const std::string& environment, const std::string& name) {
  if (!posix::isLocalEnvironment(environment)) return kSpoolerInvalidEnvironment;
  CupsConnection cups;
  if (!cups.connected()) return kSpoolerServerUnavailable;
  posix::MonitorEntry monitor;
  if (!posix::loadMonitorEntry(name, &monitor)) return kSpoolerUnknownMonitor;
  std::vector<CupsQueue> queues;
  int code = posix::listQueues(cups, &queues);
  if (code != kSpoolerOk) return code;
  for (const CupsQueue& queue : queues)
    if (!monitor.scheme.empty() && schemeOf(queue.deviceUri) == monitor.scheme) return kSpoolerMonitorInUse;
  if (!monitor.scheme.empty()) {
    std::string backend = posix::cupsBackendFolder() + "/" + monitor.scheme;
    if (::unlink(backend.c_str()) != 0 && errno != ENOENT) return codeForErrno(errno);
  }
  return posix::removeMonitorEntry(name) ? kSpoolerOk : kSpoolerAccessDenied;
}

int printerDriverDirectory(const std::string& environment, std::string* folder) {
  folder->clear();
  if (!posix::isLocalEnvironment(environment)) return kSpoolerInvalidEnvironment;
  std::string path = printerDriverFolder() + "/W32X86";
  if (!createDirectories(path)) return codeForErrno(lastError());
  *folder = path;
  return kSpoolerOk;
}

int addPrinterDriver(int level, const DriverRecord& driver) {
  if (level != 2 && level != 4) return kSpoolerInvalidLevel;
  if (!posix::isLocalEnvironment(driver.environment)) return kSpoolerInvalidEnvironment;
  CupsConnection cups;
  if (!cups.connected()) return kSpoolerServerUnavailable;
  if (driver.name.empty()) return kSpoolerInvalidParameter;
  // On CUPS the driver's program is CUPS's own PostScript path; what it
  // needs of ours is the printer description.
  std::string ppd;
  if (!readBinaryFile(driver.dataFile, &ppd)) return kSpoolerFileNotFound;
  if (ppd.compare(0, 11, "*PPD-Adobe:") != 0) return kSpoolerInvalidParameter;
  DriverRecord stored = driver;
  stored.environment = kLocalPrintEnvironment;
  if (level == 2) {
    stored.helpFile.clear();
    stored.dependentFiles.clear();
    stored.monitorName.clear();
    stored.defaultDataType.clear();
    stored.previousNames.clear();
  }
  return posix::storeDriverRecord(stored);
}

int enumPrinterDrivers(const std::string& environment, std::vector<std::string>* names) {
  names->clear();
  if (!posix::isLocalEnvironment(environment)) return kSpoolerInvalidEnvironment;
  CupsConnection cups;
  if (!cups.connected()) return kSpoolerServerUnavailable;
  *names = posix::driverRecordNames();
  return kSpoolerOk;
}

int deletePrinterDriver(const std::string& environment, const std::string& name) {
  if (!posix::isLocalEnvironment(environment)) return kSpoolerInvalidEnvironment;
  CupsConnection cups;
  if (!cups.connected()) return kSpoolerServerUnavailable;
  DriverRecord driver;
  if (!posix::loadDriverRecord(name, &driver)) return kSpoolerUnknownDriver;
  std::vector<CupsQueue> queues;
  int code = posix::listQueues(cups, &queues);
  if (code != kSpoolerOk) return code;
  for (const CupsQueue& queue : queues)
    if (driverOfQueue(queue) == driver.name) return kSpoolerDriverInUse;
  return posix::removeDriverRecord(driver.name) ? kSpoolerOk : kSpoolerAccessDenied;
}

int addPrinter(const PrinterRecord& printer) {
  if (!posix::isValidQueueName(printer.printerName)) return kSpoolerInvalidPrinterName;
  CupsConnection cups;
  if (!cups.connected()) return kSpoolerServerUnavailable;
  if (posix::queueExists(cups, printer.printerName)) return kSpoolerPrinterExists;
  DriverRecord driver;
  if (!posix::loadDriverRecord(printer.driverName, &driver)) return kSpoolerUnknownDriver;

  std::string pageSize = posix::pageSizeOfDeviceMode(printer.deviceMode);
  if (pageSize.empty()) pageSize = posix::printerPageSize(printer.printerName);

  // A port of a monitor needs the monitor's backend.
  std::string uri = posix::deviceUriForPort(printer.portName);
  if (uri != printer.portName && !fileExists(posix::cupsBackendFolder() + "/" + schemeOf(uri)))
    return kSpoolerUnknownPort;
  ipp_t* request = posix::newQueueRequest(IPP_OP_CUPS_ADD_MODIFY_PRINTER, printer.printerName);
  ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_URI, "device-uri", nullptr, uri.c_str());
  if (!printer.comment.empty())
    ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_TEXT, "printer-info", nullptr, printer.comment.c_str());
  if (!printer.location.empty())
    ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_TEXT, "printer-location", nullptr,
                 printer.location.c_str());
  const bool shared = (printer.attributes & kPrinterAttributeShared) != 0 &&
                      (printer.attributes & kPrinterAttributeHidden) == 0;
  ippAddBoolean(request, IPP_TAG_PRINTER, "printer-is-shared", shared ? 1 : 0);
  ippAddBoolean(request, IPP_TAG_PRINTER, "printer-is-accepting-jobs", 1);
  ippAddInteger(request, IPP_TAG_PRINTER, IPP_TAG_ENUM, "printer-state", IPP_PSTATE_IDLE);
  // A job that fails is the job's failure, not the device's: the queue goes on.
  ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_NAME, "printer-error-policy", nullptr, "abort-job");
  // Whoever prints must be vouched for by the server (a local client by its
  // socket's peer credentials), as a Windows job belongs to the user logged
  // on: the stock open policy believes any name a client claims, and the
  // backend acts as the job's user.
  ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_NAME, "printer-op-policy", nullptr,
               posix::kAuthenticatedPolicy);
  int code;
  const bool passesOn = isAnotherServersQueue(uri);
  if (passesOn) {
    // A queue of another server takes a job only from a user it has
    // authenticated too: the job goes on with its user's credentials. It
    // goes on as it was printed, with all its options: the other server's
    // queue, a printer of the product, has the description and converts it.
    static const char* const kCredentials[] = {"username", "password"};
    ippAddStrings(request, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "auth-info-required", 2, nullptr, kCredentials);
    ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_NAME, "ppd-name", nullptr, "raw");
    code = cups.send(request, "/admin/");
  } else {
    code = posix::sendDescription(cups, driver, pageSize, request);
  }
  if (code != kSpoolerOk) {
    // A failed add leaves no queue: one the server made before it refused
    // the rest (its policy, say) must not stay, open to everyone.
    if (posix::queueExists(cups, printer.printerName))
      cups.send(posix::newQueueRequest(IPP_OP_CUPS_DELETE_PRINTER, printer.printerName), "/admin/");
    return code;
  }
  // The queue's name may differ in letter case from a record of an earlier
  // queue; the records follow the new queue.
  posix::removePrinterData(printer.printerName);
  posix::setPrinterDriver(printer.printerName, driver.name);
  if (!pageSize.empty() && !passesOn) posix::setPrinterPageSize(printer.printerName, pageSize);
  return code;
}

int enumPrinters(std::vector<PrinterRecord>* printers) {
  printers->clear();
  CupsConnection cups;
  if (!cups.connected()) return kSpoolerServerUnavailable;
  std::vector<CupsQueue> queues;
  int code = posix::listQueues(cups, &queues);
  if (code != kSpoolerOk) return code;
  for (const CupsQueue& queue : queues) {
    PrinterRecord record;
    record.printerName = queue.name;
    record.portName = posix::portForDeviceUri(queue.deviceUri);
    record.driverName = driverOfQueue(queue);
    record.comment = queue.info;
    record.location = queue.location;
    record.deviceMode = posix::deviceModeForPageSize(posix::printerPageSize(queue.name));
    record.attributes = kPrinterAttributeQueued | (queue.shared ? kPrinterAttributeShared : 0u);
    record.status = queue.state == IPP_PSTATE_STOPPED ? 1u : 0u;  // paused
    record.jobs = static_cast<unsigned>(queue.queuedJobs);
    printers->push_back(record);
  }
  return kSpoolerOk;
}

int deletePrinter(const std::string& name) {
  CupsConnection cups;
  if (!cups.connected()) return kSpoolerServerUnavailable;
  if (!posix::isValidQueueName(name) || !posix::queueExists(cups, name)) return kSpoolerInvalidPrinterName;
  int code = cups.send(posix::newQueueRequest(IPP_OP_CUPS_DELETE_PRINTER, name), "/admin/");
  if (code == kSpoolerOk) posix::removePrinterData(name);
  return code;
}

std::string spoolerErrorText(int code) {
  switch (code) {
    case 0: return "The operation completed successfully.";
    case 2: return "The system cannot find the file specified.";
    case 3: return "The system cannot find the path specified.";
    case 5: return "Access is denied.";
    case 50: return "The request is not supported.";
    case 6: return "The handle is invalid.";
    case 87: return "The parameter is incorrect.";
    case 124: return "The system call level is not correct.";
    case 183: return "Cannot create a file when that file already exists.";
    case 1056: return "An instance of the service is already running.";
    case 1058:
      return "The service cannot be started, either because it is disabled or because it has no "
             "enabled devices associated with it.";
    case 1060: return "The specified service does not exist as an installed service.";
    case 1062: return "The service has not been started.";
    case 1722: return "The RPC server is unavailable.";
    case 1796: return "The specified port is unknown.";
    case 1797: return "The printer driver is unknown.";
    case 1801: return "The printer name is invalid.";
    case 1802: return "The printer already exists.";
    case 1805: return "The environment specified is invalid.";
    case 3000: return "The specified print monitor is unknown.";
    case 3001: return "The specified printer driver is currently in use.";
    case 3006: return "The specified print monitor has already been installed.";
    case 3008: return "The specified print monitor is currently in use.";
    default: {
      char text[64];
      std::snprintf(text, sizeof text, "Unknown error %d.", code);
      return text;
    }
  }
}

}  // namespace platform
