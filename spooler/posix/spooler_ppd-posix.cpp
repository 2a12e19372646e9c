// Printer descriptions given to CUPS queues, with the page size of the
// printer's device mode as their default.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <vector>

#include "platform/files.h"
#include "spooler/posix/spooler_cups.h"

namespace platform {
namespace posix {

namespace {

const char* const kDefaultKeywords[] = {"*DefaultPageSize:", "*DefaultPageRegion:",
                                        "*DefaultImageableArea:", "*DefaultPaperDimension:"};
const char kDeviceModePrefix[] = "PageSize=";

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string::size_type start = 0;
  while (start < text.size()) {
    std::string::size_type end = text.find('\n', start);
    if (end == std::string::npos) end = text.size() - 1;
    lines.push_back(text.substr(start, end - start + 1));
    start = end + 1;
  }
  return lines;
}

bool startsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool offersPageSize(const std::vector<std::string>& lines, const std::string& pageSize) {
  const std::string option = "*PageSize " + pageSize;
  for (const std::string& line : lines)
    if (startsWith(line, option) && line.size() > option.size() &&
        (line[option.size()] == '/' || line[option.size()] == ':'))
      return true;
  return false;
}

// The line's own ending ("\r\n", "\n" or none), kept when it is rewritten.
std::string lineEnding(const std::string& line) {
  if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) return "\r\n";
  if (!line.empty() && line.back() == '\n') return "\n";
  return std::string();
}

}  // namespace

std::string withDefaultPageSize(const std::string& ppd, const std::string& pageSize) {
  std::vector<std::string> lines = splitLines(ppd);
  if (pageSize.empty() || !offersPageSize(lines, pageSize)) return ppd;
  std::string result;
  for (const std::string& line : lines) {
    std::string rewritten = line;
    for (const char* keyword : kDefaultKeywords)
      if (startsWith(line, keyword)) rewritten = std::string(keyword) + " " + pageSize + lineEnding(line);
    result += rewritten;
  }
  return result;
}

std::string defaultPageSizeOf(const std::string& ppd) {
  for (const std::string& line : splitLines(ppd)) {
    if (!startsWith(line, kDefaultKeywords[0])) continue;
    std::string value = line.substr(std::string(kDefaultKeywords[0]).size());
    std::string::size_type start = value.find_first_not_of(" \t");
    std::string::size_type end = value.find_last_not_of(" \t\r\n");
    return start == std::string::npos ? std::string() : value.substr(start, end - start + 1);
  }
  return std::string();
}

std::string pageSizeOfDeviceMode(const std::string& deviceMode) {
  return startsWith(deviceMode, kDeviceModePrefix) ? deviceMode.substr(sizeof kDeviceModePrefix - 1)
                                                   : std::string();
}

std::string deviceModeForPageSize(const std::string& pageSize) {
  return pageSize.empty() ? std::string() : kDeviceModePrefix + pageSize;
}

int sendDescription(CupsConnection& cups, const DriverRecord& driver, const std::string& pageSize,
                    ipp_t* request) {
  std::string ppd;
  if (!readBinaryFile(driver.dataFile, &ppd)) {
    ippDelete(request);
    return kSpoolerFileNotFound;
  }
  std::string folder = tempPath();
  std::vector<char> name(folder.begin(), folder.end());
  const char stem[] = "vlppdXXXXXX";
  name.insert(name.end(), stem, stem + sizeof stem);
  int fd = mkstemp(name.data());
  if (fd < 0) {
    ippDelete(request);
    return kSpoolerAccessDenied;
  }
  std::string text = withDefaultPageSize(ppd, pageSize);
  bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ::close(fd);
  int code = written ? cups.send(request, "/admin/", name.data()) : (ippDelete(request), kSpoolerAccessDenied);
  ::unlink(name.data());
  return code;
}

void applyRegisteredPageSizes() {
  std::vector<std::string> printers = printersWithPageSize();
  if (printers.empty()) return;
  CupsConnection cups;
  std::vector<CupsQueue> queues;
  if (listQueues(cups, &queues) != kSpoolerOk) return;
  for (const std::string& printer : printers) {
    for (const CupsQueue& queue : queues) {
      DriverRecord driver;
      if (queue.name != printer) continue;
      // A queue passing jobs on to another server has no description.
      if (queue.deviceUri.compare(0, 4, "ipp:") == 0 || queue.deviceUri.compare(0, 5, "ipps:") == 0) continue;
      std::string driverName = printerDriverOf(queue.name);
      if (!loadDriverRecord(driverName.empty() ? queue.makeAndModel : driverName, &driver)) continue;
      sendDescription(cups, driver, printerPageSize(printer),
                      newQueueRequest(IPP_OP_CUPS_ADD_MODIFY_PRINTER, queue.name));
    }
  }
}

}  // namespace posix
}  // namespace platform
