#include "installer/printer_add.h"

#include "installer/install_log.h"
#include "installer/installer_state.h"
#include "installer/spooler_control.h"

namespace vellora {

namespace {

// Whether an add that ended with this code leaves the printer in place.
bool printerThere(int code) {
  return code == 0 || code == platform::kSpoolerPrinterExists || code == platform::kSpoolerAlreadyExists;
}

void logFailure(const char* format, int code) { LogInstall(format, code, SystemMessageText(code).c_str()); }

}  // namespace

bool AddPrinterWithRetry(const platform::PrinterRecord& printer, const AddPrinterCall& add) {
  int code = add(printer);
  if (code == 0) return true;
  logFailure("%sError installing print driver [%d]: %s\n", code);
  if (code != platform::kSpoolerServerUnavailable) return printerThere(code);
  StartSpooler();
  Pause(1500);
  code = add(printer);
  if (code == platform::kSpoolerServerUnavailable) {
    logFailure("%sError installing print driver (2nd Attempt) [%d]: %s\n", code);
    Installer().spoolerReachable = false;
    return false;
  }
  // A second attempt that failed otherwise has not made the printer either.
  if (!printerThere(code)) {
    logFailure("%sError installing print driver [%d]: %s\n", code);
    return false;
  }
  return true;
}

}  // namespace vellora
