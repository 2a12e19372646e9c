// Alias printers: copies of the product printer under other names, each
// with its own settings (the converter keys them by the printer's name).
#pragma once

#include <string>

namespace vellora {

struct AliasOutcome {
  // False only when adding the alias failed.
  bool ok = true;
  // Whether a product printer was there to copy (when the printers could
  // not be listed, nothing was tried either).
  bool productPrinterFound = false;
};

AliasOutcome CreateAlias(const std::string& aliasName);
// The same, as the commands use it: false only when adding the alias failed.
bool CreatePrinterAlias(const std::string& aliasName);

// Creates the alias printers named by the pending values "Alias1",
// "Alias2", ... of the product's machine key (up to the first gap), deleting
// each value once its printer is made. A name waits for the next run while
// no product printer exists, and when its printer could not be made (the
// install log says so); the names that wait close up from "Alias1" on.
void ProcessPendingAliases();

}  // namespace vellora
