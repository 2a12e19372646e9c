#include "converter/settings/expand_environment.h"

#include <vector>

#include "common/text.h"
#include "platform/process.h"

namespace vellora {

std::string expandEnvironment(const std::string& text) {
  if (text.empty()) return std::string();

  std::vector<std::string> pieces;
  std::string::size_type at = 0;
  while (at < text.size()) {
    std::string::size_type end = text.find('%', at);
    if (end == std::string::npos) end = text.size();
    if (end > at) pieces.push_back(text.substr(at, end - at));
    at = end + 1;
  }

  std::string result;
  bool isName = text[0] == '%';
  for (const std::string& piece : pieces) {
    std::string value;
    if (isName && platform::getEnvironmentIgnoreCase(piece, &value))
      result += value;
    else
      result += piece;
    isName = !isName;
    // Longer texts are cut anyway; stop before a long variable grows it.
    if (result.size() >= kExpandedCapacity) break;
  }
  return cut(result, kExpandedCapacity);
}

}  // namespace vellora
