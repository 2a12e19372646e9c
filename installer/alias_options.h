// An alias printer's own options file.
#pragma once

#include <string>

namespace vellora {

// Gives a new alias printer the options of the product printer "Vellora" in
// a file of its own, beside the product printer's, which the administrator
// may then change. An alias that has a file keeps it; without a product
// printer's file there is nothing to copy. Logs what it did.
void GiveAliasItsOptions(const std::string& aliasName);

}  // namespace vellora
