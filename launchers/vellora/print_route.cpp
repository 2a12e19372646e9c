#include "launchers/vellora/print_route.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "common/text.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "spooler/spooler.h"

namespace vellora {

namespace {

constexpr int kHandedOn = 42;  // any instance value above 32 means success

std::string lowerExtension(const std::string& path) {
  std::string::size_type slash = path.rfind('/');
  std::string::size_type dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
  return toLower(path.substr(dot + 1));
}

bool isOfficeExtension(const std::string& extension) {
  static const char* const kOffice[] = {
      "doc", "docx", "docm", "dot", "dotx", "rtf", "odt", "ott", "wpd",
      "xls", "xlsx", "xlsm", "xlt", "xltx", "ods", "ots",
      "ppt", "pptx", "pps", "ppsx", "odp", "otp", "odg"};
  for (const char* known : kOffice)
    if (extension == known) return true;
  return false;
}

bool startsWith(const std::string& bytes, const char* prefix, std::size_t length) {
  return bytes.size() >= length && std::memcmp(bytes.data(), prefix, length) == 0;
}

// Text the print server's text filter prints: UTF-8 (ASCII included)
// without NUL bytes or control characters other than layout ones. A
// character cut by the end of the sample is fine.
bool looksLikeText(const std::string& bytes, bool sampleCut) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      if (c < 0x20 && std::strchr("\b\t\n\v\f\r\x1a\x1b", c) == nullptr) return false;
      if (c == 0) return false;
      ++i;
      continue;
    }
    std::size_t follow = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 0;
    if (follow == 0 || c == 0xC0 || c == 0xC1) return false;
    for (std::size_t k = 1; k <= follow; ++k) {
      if (i + k >= bytes.size()) return sampleCut;
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    }
    i += follow + 1;
  }
  return true;
}

}  // namespace

DocumentKind documentKind(const std::string& path) {
  if (isOfficeExtension(lowerExtension(path))) return DocumentKind::kOffice;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return DocumentKind::kOther;
  char buffer[8192];
  const std::size_t got = std::fread(buffer, 1, sizeof buffer, file);
  const bool more = got == sizeof buffer && std::fgetc(file) != EOF;
  std::fclose(file);
  const std::string bytes(buffer, got);
  if (bytes.empty()) return DocumentKind::kOther;
  // A PDF header may follow some bytes of junk within the first kilobyte.
  if (bytes.substr(0, 1024).find("%PDF-") != std::string::npos) return DocumentKind::kPdf;
  if (startsWith(bytes, "%!", 2) || startsWith(bytes, "\x04%!", 3) ||
      startsWith(bytes, "\xC5\xD0\xD3\xC6", 4))
    return DocumentKind::kPostScript;
  if (startsWith(bytes, "\x89PNG\r\n\x1a\n", 8)) return DocumentKind::kPng;
  if (startsWith(bytes, "\xFF\xD8\xFF", 3)) return DocumentKind::kJpeg;
  if (startsWith(bytes, "GIF87a", 6) || startsWith(bytes, "GIF89a", 6)) return DocumentKind::kGif;
  if (startsWith(bytes, "II*\0", 4) || startsWith(bytes, "MM\0*", 4)) return DocumentKind::kTiff;
  if (looksLikeText(bytes, more)) return DocumentKind::kText;
  return DocumentKind::kOther;
}

const char* documentFormat(DocumentKind kind) {
  switch (kind) {
    case DocumentKind::kPdf: return "application/pdf";
    case DocumentKind::kPostScript: return "application/postscript";
    case DocumentKind::kText: return "text/plain";
    case DocumentKind::kPng: return "image/png";
    case DocumentKind::kJpeg: return "image/jpeg";
    case DocumentKind::kGif: return "image/gif";
    case DocumentKind::kTiff: return "image/tiff";
    case DocumentKind::kOffice:
    case DocumentKind::kOther: break;
  }
  return "";
}

int printWithoutApplication(const std::string& file, const std::string& printer,
                            const std::string& directory, std::string* failure) {
  const DocumentKind kind = documentKind(file);
  if (kind == DocumentKind::kOffice) {
    const std::string office = platform::findProgramPath("soffice");
    if (office.empty()) return platform::kSeErrNoAssociation;
    platform::ShellExecuteRequest start;
    start.verb = "open";
    start.file = office;
    start.parameters = "--headless --pt " + platform::quoteArgument(printer) + " " +
                       platform::quoteArgument(file);
    start.directory = directory;
    return platform::shellExecute(start, failure);
  }
  const char* format = documentFormat(kind);
  if (*format == '\0' || printer.empty()) return platform::kSeErrNoAssociation;
  std::string reason;
  if (platform::printFile(printer, file, format, &reason) == platform::kSpoolerOk)
    return kHandedOn;
  if (failure)
    *failure = "The printer \"" + printer + "\" did not take the document: " +
               (reason.empty() ? "no answer from the print server" : reason) + ".";
  return platform::kSeErrDdeFail;
}

}  // namespace vellora
