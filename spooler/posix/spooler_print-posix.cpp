// Documents the print server prints by itself, queued through libcups.
#include <cups/cups.h>

#include <string>

#include "spooler/posix/spooler_cups.h"
#include "spooler/spooler.h"

namespace platform {

int printFile(const std::string& printer, const std::string& file, const std::string& format,
              std::string* reason) {
  std::string::size_type slash = file.rfind('/');
  const std::string title = slash == std::string::npos ? file : file.substr(slash + 1);
  cups_option_t* options = nullptr;
  int count = cupsAddOption("document-format", format.c_str(), 0, &options);
  const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, printer.c_str(), file.c_str(), title.c_str(),
                                 count, options);
  cupsFreeOptions(count, options);
  if (job > 0) return kSpoolerOk;
  const int code = posix::spoolerCodeForIpp(cupsLastError());
  if (reason) {
    const char* words = cupsLastErrorString();
    *reason = words ? words : "";
  }
  return code == kSpoolerOk ? kSpoolerServerUnavailable : code;
}

}  // namespace platform
