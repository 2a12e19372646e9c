#include "monitor/job_format.h"

namespace vellora {
namespace monitor {

bool isPdfData(const std::string& head) {
  const std::string::size_type at = head.find("%PDF-");
  if (at == std::string::npos || at + 5 > kFormatWindow) return false;
  // PostScript that mentions a PDF early on is still PostScript.
  const std::string::size_type postScript = head.find("%!");
  return postScript == std::string::npos || postScript > at;
}

const char* spoolFileEnding(const std::string& head, const std::string& contentType) {
  if (isPdfData(head) || contentType == "application/pdf") return ".pdf";
  return ".ps";
}

}  // namespace monitor
}  // namespace vellora
