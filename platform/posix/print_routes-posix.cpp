// The desktop's own ways of printing a document that no application claims:
// what the print server prints by itself goes to it through libcups.
#include <cups/cups.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/posix/shell_verbs.h"
#include "platform/shell.h"

namespace platform {
namespace posix {

namespace {

std::string lowerExtension(const std::string& path) {
  std::string::size_type slash = path.rfind('/');
  std::string::size_type dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
  std::string extension = path.substr(dot + 1);
  for (char& c : extension)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return extension;
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

// libcups is loaded when a document is first printed through the server:
// it brings some thirty libraries with it, which every start of every
// program on this layer (a converter per job) would otherwise pay for.
struct CupsCalls {
  decltype(&cupsAddOption) addOption = nullptr;
  decltype(&cupsFreeOptions) freeOptions = nullptr;
  decltype(&cupsPrintFile2) printFile = nullptr;
  decltype(&cupsLastErrorString) lastErrorString = nullptr;
};

const CupsCalls* cupsCalls() {
  static const CupsCalls* loaded = []() -> const CupsCalls* {
    void* library = ::dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!library) return nullptr;
    static CupsCalls calls;
    calls.addOption = reinterpret_cast<decltype(&cupsAddOption)>(::dlsym(library, "cupsAddOption"));
    calls.freeOptions =
        reinterpret_cast<decltype(&cupsFreeOptions)>(::dlsym(library, "cupsFreeOptions"));
    calls.printFile = reinterpret_cast<decltype(&cupsPrintFile2)>(::dlsym(library, "cupsPrintFile2"));
    calls.lastErrorString =
        reinterpret_cast<decltype(&cupsLastErrorString)>(::dlsym(library, "cupsLastErrorString"));
    if (!calls.addOption || !calls.freeOptions || !calls.printFile || !calls.lastErrorString)
      return nullptr;
    return &calls;
  }();
  return loaded;
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

int printThroughServer(const std::string& printer, const std::string& file, DocumentKind kind,
                       std::string* failure) {
  const char* format = documentFormat(kind);
  if (*format == '\0') {
    if (failure) *failure = "The print server cannot print this kind of document.";
    return kSeErrNoAssociation;
  }
  std::string::size_type slash = file.rfind('/');
  const std::string title = slash == std::string::npos ? file : file.substr(slash + 1);
  const CupsCalls* cups = cupsCalls();
  if (!cups) {
    if (failure) *failure = "The print server cannot be reached: libcups is missing.";
    return kSeErrDdeFail;
  }
  cups_option_t* options = nullptr;
  int count = cups->addOption("document-format", format, 0, &options);
  const int job = cups->printFile(CUPS_HTTP_DEFAULT, printer.c_str(), file.c_str(), title.c_str(),
                                  count, options);
  cups->freeOptions(count, options);
  if (job > 0) return 0;
  if (failure) {
    const char* reason = cups->lastErrorString();
    *failure = "The printer \"" + printer + "\" did not take the document: " +
               (reason && *reason ? reason : "no answer from the print server") + ".";
  }
  return kSeErrDdeFail;
}

}  // namespace posix
}  // namespace platform
