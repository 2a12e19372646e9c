#include "installer/alias_options.h"

#include "common/monitor_contract.h"
#include "common/product.h"
#include "common/program_files.h"
#include "installer/install_log.h"
#include "platform/files.h"

namespace vellora {

void GiveAliasItsOptions(const std::string& aliasName) {
  const std::string product = applicationFolder(kProductKey, kFolderCapacity);
  if (product.empty()) return;
  const std::string folder = optionsFolder(product, kFolderCapacity);
  const std::string own = printerOptionsFile(folder, aliasName);
  if (platform::fileExists(own)) return;
  const std::string original = printerOptionsFile(folder, kPrinterName);
  if (!platform::fileExists(original)) return;
  if (platform::copyFile(original, own, true))
    LogInstall("%sOptions file of the alias: %s\n", own.c_str());
  else
    LogInstall("%sError copying the options file to %s: %s\n", own.c_str(),
               FileMessageText(platform::lastError()).c_str());
}

}  // namespace vellora
