#include "common/program_files.h"

#include "common/product.h"
#include "common/registry_text.h"
#include "platform/files.h"

namespace vellora {

std::string programFile(const std::string& folder, const char* program) {
  return folder + platform::kPathSeparator + program + platform::kExeSuffix;
}

std::string applicationFolder(const char* key, std::size_t capacity) {
  return readRegistryText(platform::HKLM, key, kAppPathValue, capacity);
}

std::string optionsFolder(const std::string& productFolder, std::size_t capacity) {
  std::string folder = readRegistryText(platform::HKLM, kProductKey, kOptionsPathValue, capacity);
  return folder.empty() ? productFolder : folder;
}

std::string printerOptionsFile(const std::string& folder, const std::string& printer) {
  return folder + platform::kPathSeparator + printer + ".opt";
}

}  // namespace vellora
