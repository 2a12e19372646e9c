// Adding a printer the installer's way, for the product printer and its
// aliases alike.
#pragma once

#include <functional>

#include "spooler/spooler.h"

namespace vellora {

// The spooler call that adds a printer: platform::addPrinter; a test gives
// the answers of a spooler in trouble, which no real one gives on cue.
using AddPrinterCall = std::function<int(const platform::PrinterRecord&)>;

// Adds the printer; every failure is logged ("Error installing print driver
// [code]: text"). A spooler that cannot be reached (1722) is started and
// asked once more; a second 1722 is logged as the second attempt and clears
// spoolerReachable. True only when the printer is there afterwards: added,
// or there already (1802, 183) on either attempt.
bool AddPrinterWithRetry(const platform::PrinterRecord& printer,
                         const AddPrinterCall& add = platform::addPrinter);

}  // namespace vellora
