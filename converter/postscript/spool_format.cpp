#include "converter/postscript/spool_format.h"

#include <cstdio>
#include <cstring>

#include "common/text.h"

namespace vellora {

namespace {

constexpr std::size_t kHeaderWindow = 1024;

// "%PDF-" before any "%!": PostScript that mentions a PDF early on is still
// PostScript.
bool startsAPdf(const char* data, std::size_t size) {
  for (std::size_t at = 0; at + 5 <= size; ++at) {
    if (std::memcmp(data + at, "%!", 2) == 0) return false;
    if (std::memcmp(data + at, "%PDF-", 5) == 0) return true;
  }
  return false;
}

}  // namespace

SpoolFormat spoolFormat(const std::string& path) {
  char head[kHeaderWindow];
  std::size_t size = 0;
  if (std::FILE* file = path.empty() ? nullptr : std::fopen(path.c_str(), "rb")) {
    size = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
  }
  if (startsAPdf(head, size)) return SpoolFormat::kPdf;
  return endsWithIgnoreCase(path, ".pdf") ? SpoolFormat::kNotPdf : SpoolFormat::kPostScript;
}

}  // namespace vellora
