// What a spool file holds. Jobs printed as PDF reach the converter as PDF
// (the printer takes them as they are), every other job as PostScript; a
// user's own file may be either.
#pragma once

#include <string>

namespace vellora {

enum class SpoolFormat {
  kPostScript,
  kPdf,
  // Named as a PDF (".pdf") but not holding one.
  kNotPdf,
};

// A PDF by its content: "%PDF-" within the first 1024 bytes, where PDF
// readers look for it (a job may begin with a few bytes of printer
// language before it), and before any "%!" of PostScript. Otherwise
// PostScript, as every job used to be, unless the file's name says PDF.
SpoolFormat spoolFormat(const std::string& path);

}  // namespace vellora
