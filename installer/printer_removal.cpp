#include "installer/printer_removal.h"

#include <string>
#include <vector>

#include "common/monitor_contract.h"
#include "installer/install_log.h"
#include "installer/installer_state.h"
#include "installer/monitor_install.h"
#include "installer/printer_class.h"
#include "installer/spooler_control.h"
#include "spooler/spooler.h"

namespace vellora {

bool RemovePrinterSetup() {
  const bool ntFamily = Installer().osCode > 1;
  if (ntFamily) RestartSpooler();

  // The printer of an office server is a class of member queues.
  RemovePrinterClass();
  std::vector<platform::PrinterRecord> printers;
  if (platform::enumPrinters(&printers) != 0) LogInstall("%sFailed enumerating printers\n");
  for (const platform::PrinterRecord& printer : printers)
    if (printer.printerName == kPrinterName) platform::deletePrinter(printer.printerName);

  std::vector<std::string> drivers;
  platform::enumPrinterDrivers(std::string(), &drivers);
  for (const std::string& driver : drivers) {
    if (driver != kDriverName) continue;
    if (ntFamily) RestartSpooler();
    platform::deletePrinterDriver(std::string(), driver);
  }

  Pause(500);
  std::vector<std::string> monitors;
  platform::enumMonitors(&monitors);
  for (const std::string& monitor : monitors)
    if (monitor == kMonitorName) platform::deleteMonitor(std::string(), monitor);

  RemoveMonitor();
  if (ntFamily) {
    RestartSpooler();
    Pause(2000);
  }
  return true;
}

}  // namespace vellora
