// The print spooler of the local machine: print monitors, printer drivers
// and printers, shaped after the Windows spooler calls the installer makes.
// Every call returns a Windows error code (0 on success) on every platform,
// so that callers judge and log results the same way everywhere.
//
// On Windows these are the winspool calls. On POSIX the spooler is CUPS,
// reached through libcups with IPP requests:
//  - a printer is a CUPS queue. Its port "NAME:" is the device URI "name:/",
//    which the CUPS backend "name" serves; any other port is a device URI as
//    it stands. The hidden attribute (0x20) keeps a queue from being shared;
//    otherwise the shared attribute (0x08) shares it. The driver a queue was
//    added with is kept in the machine registry (as on Windows); a queue
//    made by other means reports its make and model instead.
//    Failed jobs abort, they never stop the queue. Every job operation on
//    a queue needs a user the server has authenticated (CUPS's stock policy
//    "authenticated"; local clients by their socket's credentials, without
//    a password): a job's user is who printed, as on Windows, never a name
//    the client merely claims. A server without that policy refuses the
//    queue (87).
//  - a printer driver is a record in the machine registry, where Windows
//    keeps it too; its data file, a PostScript printer description, is given
//    to every queue added with the driver. The driver folder lies under the
//    machine root's system folder.
//  - a print monitor is a CUPS backend program. Adding one installs the
//    program into CUPS's backend folder ($CUPS_SERVERBIN/backend, else the
//    system's), named after the URI scheme it announces when run without
//    arguments, owned by root with mode 0700 so that CUPS runs it as root.
//  - the page size of a printer's device mode lives in the machine registry
//    ("SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\NAME\\PrinterDriverData",
//    value "PageSize"); it becomes the queue's default when the printer is
//    added and whenever the spooler service starts (service_control.h), as
//    the Windows spooler reads its printers' settings at start.
//    A printer whose port is a queue of another server (an "ipp://" or
//    "ipps://" URI) passes each job on as it was printed, options and all
//    (a raw queue: the other server's queue has the description), with the
//    credentials its user was authenticated with (auth-info-required
//    username,password), so that the other server knows the same user.
//  - a printer class is a CUPS class: jobs printed to it go to whichever of
//    its member printers is free, so that several run at once. A class has
//    the "authenticated" policy, as every queue. Windows has no classes:
//    the class calls answer 50 (not supported) there.
//  - sharing makes a printer or class reachable for the server's network
//    clients (printer-is-shared), always with the "authenticated" policy,
//    so that a shared queue takes a job only from a user the server has
//    authenticated (a network client by its password or Kerberos ticket,
//    as the server's AuthType says), never from a name the client claims.
//  - a server that cannot be reached is 1722, as an unavailable spooler is.
// There is one environment on POSIX, "Windows NT x86"; calls naming another
// are refused (1805).
#pragma once

#include <string>
#include <vector>

namespace platform {

enum SpoolerError : int {
  kSpoolerOk = 0,
  kSpoolerFileNotFound = 2,
  kSpoolerPathNotFound = 3,
  kSpoolerAccessDenied = 5,
  kSpoolerNotSupported = 50,
  kSpoolerInvalidParameter = 87,
  kSpoolerInvalidLevel = 124,
  kSpoolerAlreadyExists = 183,
  kSpoolerServerUnavailable = 1722,
  kSpoolerUnknownPort = 1796,
  kSpoolerUnknownDriver = 1797,
  kSpoolerInvalidPrinterName = 1801,
  kSpoolerPrinterExists = 1802,
  kSpoolerInvalidEnvironment = 1805,
  kSpoolerUnknownMonitor = 3000,
  kSpoolerDriverInUse = 3001,
  kSpoolerMonitorExists = 3006,
  kSpoolerMonitorInUse = 3008,
};

// Printer attribute bits, as the spooler numbers them.
constexpr unsigned kPrinterAttributeQueued = 0x1;
constexpr unsigned kPrinterAttributeShared = 0x8;
constexpr unsigned kPrinterAttributeHidden = 0x20;

// The name of the spooler's own environment on this platform.
extern const char kLocalPrintEnvironment[];
// How a print monitor's file ends: ".dll" (a library the spooler loads) on
// Windows, "" on POSIX (a backend program).
extern const char kMonitorFileSuffix[];

// A print monitor (level 2 record). An empty environment is the local one.
struct MonitorRecord {
  std::string name;
  std::string environment;
  std::string dllName;  // the full path of the monitor's file
};

// A printer driver (the fields of the level 2 and level 4 records).
struct DriverRecord {
  unsigned version = 0;
  std::string name;
  std::string environment;  // empty: the local environment
  std::string driverPath;
  std::string dataFile;
  std::string configFile;
  // Level 4 only.
  std::string helpFile;
  std::vector<std::string> dependentFiles;
  std::string monitorName;
  std::string defaultDataType;
  std::vector<std::string> previousNames;
};

// A printer (level 2 record).
struct PrinterRecord {
  std::string serverName;
  std::string printerName;
  std::string shareName;
  std::string portName;
  std::string driverName;
  std::string comment;
  std::string location;
  // The driver's default settings as the platform keeps them: a DEVMODE's
  // bytes on Windows, "PageSize=NAME" on POSIX; empty for the defaults.
  std::string deviceMode;
  std::string separatorFile;
  std::string printProcessor;
  std::string dataType;
  std::string parameters;
  std::string securityDescriptor;  // self-relative bytes; empty for none
  unsigned attributes = 0;
  unsigned priority = 0;
  unsigned defaultPriority = 0;
  unsigned startTime = 0;
  unsigned untilTime = 0;
  unsigned status = 0;
  unsigned jobs = 0;
  unsigned averagePpm = 0;
};

int addMonitor(const MonitorRecord& monitor);
int enumMonitors(std::vector<std::string>* names);
int deleteMonitor(const std::string& environment, const std::string& name);

// The folder printer drivers are copied into, without a trailing separator.
int printerDriverDirectory(const std::string& environment, std::string* folder);
// level is 2 or 4 (the fields of level 4 beyond level 2 are ignored at 2).
int addPrinterDriver(int level, const DriverRecord& driver);
int enumPrinterDrivers(const std::string& environment, std::vector<std::string>* names);
int deletePrinterDriver(const std::string& environment, const std::string& name);

int addPrinter(const PrinterRecord& printer);
int enumPrinters(std::vector<PrinterRecord>* printers);
// Opens the printer with full access and deletes it.
int deletePrinter(const std::string& name);

// A printer class: a name clients print to, and the printers that take
// its jobs.
struct PrinterClass {
  std::string name;
  std::vector<std::string> members;
  bool shared = false;
};
// Adds the class, or gives an existing one these members and this sharing;
// every member must be a printer already.
int addPrinterClass(const PrinterClass& printerClass);
int enumPrinterClasses(std::vector<PrinterClass>* classes);
int deletePrinterClass(const std::string& name);

// Shares a printer or class on the network, or stops sharing it.
int sharePrinter(const std::string& name, bool shared);

// Queues a file on a printer as one job titled with the file's name, the
// server told its format (a MIME type such as "application/pdf"), so that
// the server prints it itself. On failure *reason (when given) gets the
// server's words, empty when it has none. POSIX only: Windows prints a
// document through its application (kSpoolerNotSupported).
int printFile(const std::string& printer, const std::string& file, const std::string& format,
              std::string* reason);

// The system's text for a code these calls return (Windows numbering on
// every platform), at most 255 characters, without a trailing line break
// (as errorText() gives the texts of the platform's own codes).
std::string spoolerErrorText(int code);

}  // namespace platform
