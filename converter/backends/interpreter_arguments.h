// What the interpreter of a job is given: the argument set written into the
// command file "vl.cmd" and the command line that starts it.
#pragma once

#include <cstddef>
#include <string>

#include "converter/job/job_record.h"
#include "converter/settings/settings_record.h"

namespace vellora {

constexpr std::size_t kCommandFileCapacity = 6000;
constexpr std::size_t kCommandLineCapacity = 1300;

enum class ArgumentSet {
  kGhostscript,    // kinds 1 and 2, PDF (or a PDF converted afterwards)
  kPStill,         // kind 3
  kDistiller,      // kind 0: no command file, the command line says it all
  kExtraType,      // an extra file type the interpreter makes itself ("IntCommand%d")
  kConcatenation,  // kind -1: no interpreter, the PostScript pieces are joined
  kNone,           // any other kind: nothing can run
  // A PDF job (job.pdfJob).
  kPostScriptFromPdf,  // PostScript output: Ghostscript makes PostScript of the
                       // PDF, which is then joined as for kConcatenation
  kPdfAsItCame,        // no Ghostscript: the PDF is the result as it is
};

// The set a job uses. An extra type whose "PDFOut" is not 1 uses the
// "IntCommand" set whatever the interpreter kind (Ghostscript reads a PDF
// job as it reads PostScript). A PDF job is otherwise run by Ghostscript
// only: the PDF sets, or kGhostscript for a PDF.
ArgumentSet argumentSetFor(const JobRecord& job);
// The number of that extra type (1 for filter index 3), 0 when the job is
// not one.
int interpreterTypeNumber(const JobRecord& job);

// Sets that are read by the interpreter from a command file.
bool usesCommandFile(ArgumentSet set);
// Sets run by Ghostscript, whose exit status can be trusted.
bool judgesExitStatus(ArgumentSet set);

// PostScript run before the job by the pdfwrite sets. It chains a page-end
// procedure to the device's own: whenever that one reports a page as
// transmitted, a line "Page" and the page number (its last four digits, so
// that every line is exactly ten bytes) goes to standard output and is
// flushed. The counter lives in global memory, which a job's save and
// restore do not touch, and a job's setpagedevice keeps the procedure
// unless the job installs its own.
extern const char kPageProgressHook[];

struct InterpreterArguments {
  ArgumentSet set = ArgumentSet::kNone;
  std::string commandFileText;  // empty unless usesCommandFile(set)
  std::string commandLine;      // empty for kConcatenation and kNone
};

// "vl.cmd" directly inside tempDir, whether or not it ends in a separator.
std::string commandFilePath(const std::string& tempDir, const std::string& workFile = "");

// The command file text and command line of the job; intCommandText is the
// options file's "IntCommand%d" of the chosen extra type (ignored for every
// other set) and commandFile the path the text will be written to.
InterpreterArguments buildInterpreterArguments(const JobRecord& job, const SettingsRecord& settings,
                                               const std::string& intCommandText,
                                               const std::string& commandFile);

}  // namespace vellora
