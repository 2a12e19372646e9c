#include "common/interpreter_registry.h"

#include <cstdint>

#include "common/interpreter_location.h"
#include "common/text.h"
#include "platform/registry.h"

namespace vellora {

bool MachineKeyPresent(const std::string& key) {
  platform::RegKey handle;
  return handle.open(platform::HKLM, key, platform::kRegRead) == platform::kRegOk;
}

std::string ReadMachineString(const std::string& key, const std::string& name) {
  platform::RegKey handle;
  if (handle.open(platform::HKLM, key, platform::kRegRead) != platform::kRegOk)
    return std::string();
  std::string text;
  if (handle.queryString(name, &text) != platform::kRegOk) return std::string();
  return cut(text, kLocationCapacity);
}

std::vector<std::string> MachineSubkeys(const std::string& key) {
  std::vector<std::string> names;
  platform::RegKey handle;
  if (handle.open(platform::HKLM, key, platform::kRegRead) != platform::kRegOk) return names;
  for (std::uint32_t index = 0;; ++index) {
    std::string name;
    if (handle.enumKey(index, &name) != platform::kRegOk) break;
    names.push_back(cut(name, kKeyTextCapacity));
  }
  return names;
}

}  // namespace vellora
