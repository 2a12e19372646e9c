// What a job's data is, told by its content: CUPS hands the monitor a PDF
// as it was printed, and every other job as PostScript.
#pragma once

#include <cstddef>
#include <string>

namespace vellora {
namespace monitor {

// How many of the job's first bytes decide its format.
constexpr std::size_t kFormatWindow = 1024;

// "%PDF-" within the first kFormatWindow bytes, where PDF readers look for
// it (a job may begin with a few bytes of printer language before it), and
// before any "%!" of PostScript.
bool isPdfData(const std::string& head);

// The ending of the job's spool file, which tells the converter (and the
// interpreter and the utility it runs) what the job holds: ".pdf" for a PDF;
// ".pdf" too for data that CUPS was told is a PDF (contentType, the job's
// CONTENT_TYPE) but is none, so that the converter refuses it as the PDF it
// claims to be; ".ps" for the rest.
const char* spoolFileEnding(const std::string& head, const std::string& contentType);

}  // namespace monitor
}  // namespace vellora
