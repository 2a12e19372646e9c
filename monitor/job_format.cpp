#include "monitor/job_format.h"

#include <cstdlib>

namespace vellora {
namespace monitor {

bool isPdfData(const std::string& head) {
  const std::string::size_type at = head.find("%PDF-");
  if (at == std::string::npos || at + 5 > kFormatWindow) return false;
  // PostScript that mentions a PDF early on is still PostScript.
  const std::string::size_type postScript = head.find("%!");
  return postScript == std::string::npos || postScript > at;
}

std::string deliveredFormat() {
  const char* format = std::getenv("FINAL_CONTENT_TYPE");
  return format ? format : "";
}

const char* spoolFileEnding(const std::string& head, const std::string& deliveredFormat) {
  if (isPdfData(head) || deliveredFormat == "application/pdf") return ".pdf";
  return ".ps";
}

}  // namespace monitor
}  // namespace vellora
