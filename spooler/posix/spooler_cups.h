// The POSIX spooler's pieces: talking to CUPS, CUPS's rules for queue names
// and device URIs, the records the spooler keeps in the machine registry,
// and printer descriptions with a chosen default page size.
#pragma once

#include <cups/cups.h>

#include <string>
#include <vector>

#include "spooler/spooler.h"

namespace platform {
namespace posix {

// --- CUPS ------------------------------------------------------------------

// The server libcups reaches now (CUPS_SERVER, client.conf, the system's
// socket), read afresh so that a changed environment counts.
std::string currentCupsServer();
// Whether that is the system's own server rather than one of a test or on
// another machine.
bool isSystemCupsServer(const std::string& server);

// A connection to the current server, closed when the object goes.
class CupsConnection {
 public:
  CupsConnection();
  ~CupsConnection();
  CupsConnection(const CupsConnection&) = delete;
  CupsConnection& operator=(const CupsConnection&) = delete;
  bool connected() const { return http_ != nullptr; }
  http_t* http() const { return http_; }

  // Sends a request (which it frees), with a file as its body when file is
  // not empty; returns the spooler code of the answer and, when response is
  // given, the answer itself (the caller frees it with ippDelete).
  int send(ipp_t* request, const char* resource, const std::string& file = std::string(),
           ipp_t** response = nullptr);

 private:
  http_t* http_ = nullptr;
};

// The operation policy of every queue the spooler adds: CUPS's stock policy
// that requires an authenticated user for every job operation.
constexpr const char kAuthenticatedPolicy[] = "authenticated";

// A request about one queue: printer-uri and requesting-user-name set.
ipp_t* newQueueRequest(ipp_op_t operation, const std::string& queue);
int spoolerCodeForIpp(ipp_status_t status);

// A queue as CUPS reports it.
struct CupsQueue {
  std::string name, deviceUri, info, location, makeAndModel;
  bool shared = false;
  int state = 3;
  int queuedJobs = 0;
};
// Every queue of the server (classes left out); a spooler code.
int listQueues(CupsConnection& cups, std::vector<CupsQueue>* queues);
// Whether a queue or class of this name exists (CUPS matches names
// without regard to letter case).
bool queueExists(CupsConnection& cups, const std::string& name);

// Where CUPS looks for backends: $CUPS_SERVERBIN/backend, else the system's.
std::string cupsBackendFolder();

// --- names -----------------------------------------------------------------

// The names CUPS accepts for a queue: 1 to 127 bytes of UTF-8 without
// control characters, blanks, DEL, "/", "\\", "?", "'", "\"", "#" or "@".
bool isValidQueueName(const std::string& name);
// Port "VLM:" <-> device URI "vlm:/"; any other port is a URI as it stands.
std::string deviceUriForPort(const std::string& port);
std::string portForDeviceUri(const std::string& uri);
// The scheme a backend announces in its discovery line
// ("direct vlm:/ \"Make\" \"Info\""); empty when the line has none.
std::string schemeOfDiscoveryLine(const std::string& line);

// --- records in the machine registry ----------------------------------------

bool isLocalEnvironment(const std::string& environment);

int storeDriverRecord(const DriverRecord& driver);
bool loadDriverRecord(const std::string& name, DriverRecord* driver);
std::vector<std::string> driverRecordNames();
bool removeDriverRecord(const std::string& name);

struct MonitorEntry {
  std::string name, dllName, scheme;
};
bool storeMonitorEntry(const MonitorEntry& monitor);
bool loadMonitorEntry(const std::string& name, MonitorEntry* monitor);
std::vector<std::string> monitorEntryNames();
bool removeMonitorEntry(const std::string& name);

// The driver a printer was added with ("" when unknown).
std::string printerDriverOf(const std::string& printer);
bool setPrinterDriver(const std::string& printer, const std::string& driver);
// The page size of a printer's device mode ("" when it has none) and the
// printers that have one.
std::string printerPageSize(const std::string& printer);
bool setPrinterPageSize(const std::string& printer, const std::string& pageSize);
void removePrinterData(const std::string& printer);
std::vector<std::string> printersWithPageSize();

// --- printer descriptions -----------------------------------------------------

// The description with pageSize as the default of PageSize, PageRegion,
// ImageableArea and PaperDimension; the text unchanged when it offers no
// such page size (or pageSize is empty).
std::string withDefaultPageSize(const std::string& ppd, const std::string& pageSize);
// The default PageSize a description names; empty when none.
std::string defaultPageSizeOf(const std::string& ppd);
// "PageSize=A4" <-> "A4".
std::string pageSizeOfDeviceMode(const std::string& deviceMode);
std::string deviceModeForPageSize(const std::string& pageSize);

// Gives a queue its driver's description with the page size as default.
// request is a CUPS-Add-Modify-Printer request about the queue (freed here).
int sendDescription(CupsConnection& cups, const DriverRecord& driver, const std::string& pageSize,
                    ipp_t* request);

// Gives every queue with a page size in the registry that default (after
// the spooler service started).
void applyRegisteredPageSizes();

}  // namespace posix
}  // namespace platform
