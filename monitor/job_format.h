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

// The format CUPS hands the monitor, FINAL_CONTENT_TYPE. (CONTENT_TYPE is
// the format the job was printed in: a PDF printed to a printer whose
// description is older arrives as PostScript, its CONTENT_TYPE still
// "application/pdf".)
std::string deliveredFormat();

// The ending of the job's spool file, which tells the converter (and the
// interpreter and the utility it runs) what the job holds: ".pdf" for a PDF;
// ".pdf" too for data that CUPS hands over as a PDF (deliveredFormat) but
// is none, so that the converter refuses it as the PDF it claims to be;
// ".ps" for the rest.
const char* spoolFileEnding(const std::string& head, const std::string& deliveredFormat);

}  // namespace monitor
}  // namespace vellora
