// Taking the product out of the spooler: the printer "Vellora", the driver
// and the monitor. Alias printers stay.
#pragma once

namespace vellora {

// Always true.
bool RemovePrinterSetup();

}  // namespace vellora
