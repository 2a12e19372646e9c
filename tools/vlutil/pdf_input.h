// Opening the PDF files vlutil reads: passwords, damage, and what makes an
// input usable at all.
#pragma once

#include <memory>
#include <string>

#include <qpdf/QPDF.hh>

namespace vlutil {

enum class OpenStatus {
  kOpened,
  // Encrypted, and neither the given password nor the empty one opens it.
  kPasswordRejected,
  // Missing, not a PDF, damaged beyond recovery, unsupported encryption, or
  // without a single readable page.
  kUnreadable,
};

struct OpenedPdf {
  OpenStatus status = OpenStatus::kUnreadable;
  std::unique_ptr<QPDF> pdf;  // set when opened
  std::string problem;        // why not, for the message on stderr
};

// Opens path with password (empty for none). A password that does not match
// as typed is tried again in the other encodings the file's maker may have
// used (UTF-8, WinAnsi, PDFDocEncoding).
OpenedPdf openPdf(const std::string& path, const std::string& password);

// True when the file is encrypted and was opened without owner access, so
// its owner restricts what may be done with it.
bool ownerRestricted(const QPDF& pdf);

// Writes "vlutil: <what>: <detail>" to standard error.
void complain(const std::string& what, const std::string& detail);

}  // namespace vlutil
