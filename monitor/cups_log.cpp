#include "monitor/cups_log.h"

#include <cstdio>

namespace vellora {
namespace monitor {

void cupsLog(LogLevel level, const std::string& message) {
  const char* prefix = level == LogLevel::kError     ? "ERROR: "
                       : level == LogLevel::kWarning ? "WARNING: "
                       : level == LogLevel::kInfo    ? "INFO: "
                                                     : "DEBUG: ";
  std::string line = prefix + loggable(message, 1000) + "\n";
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
}

std::string loggable(const std::string& text, std::size_t limit) {
  std::string out;
  for (char c : text) {
    if (out.size() >= limit) {
      out += "...";
      break;
    }
    unsigned char u = static_cast<unsigned char>(c);
    out += (u < 0x20 || u == 0x7F) ? '?' : c;
  }
  return out;
}

}  // namespace monitor
}  // namespace vellora
