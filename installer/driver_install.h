// The printer driver and the printer: the platform's driver files copied
// from the installation files' version folder into the spooler's driver
// folder, the driver "Vellora" registered, and the printer "Vellora" added
// on the port "VLM:".
#pragma once

#include <string>

#include "spooler/spooler.h"

namespace vellora {

// True when the printer exists afterwards.
bool InstallDriverAndPrinter();

// The version folder of the installation files: "%s\\%d\\" (or
// "%s\\%d_64\\" for a 64-bit system) with the source folder and OsCode.
std::string VersionFolder();

// The driver record of the platform's row of the driver-file table, with
// the driver folder (ending in a separator) in front of every file.
platform::DriverRecord DriverFor(const std::string& driverFolder);

// The level-2 record of the product printer.
platform::PrinterRecord ProductPrinter();

}  // namespace vellora
