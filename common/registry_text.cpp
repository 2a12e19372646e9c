#include "common/registry_text.h"

namespace vellora {

bool readKeyText(const platform::RegKey& key, const std::string& name, std::size_t capacity,
                 std::string* text) {
  std::string value;
  if (key.queryString(name, &value) != platform::kRegOk) return false;
  if (value.size() + 1 > capacity) return false;
  *text = value;
  return true;
}

std::string readRegistryText(platform::RegRoot root, const std::string& key,
                             const std::string& name, std::size_t capacity) {
  platform::RegKey handle;
  if (handle.open(root, key, platform::kRegRead) != platform::kRegOk) return std::string();
  std::string text;
  return readKeyText(handle, name, capacity, &text) ? text : std::string();
}

}  // namespace vellora
