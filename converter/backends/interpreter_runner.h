// Running the job's interpreter: command file, environment, the child with
// its output pipe, the progress window fed from that output, and the verdict.
#pragma once

#include <string>

#include "converter/backends/interpreter_arguments.h"
#include "converter/job/job_record.h"
#include "converter/settings/settings_record.h"

namespace vellora {

// Results of a conversion run.
constexpr int kConversionDone = 0;
// The interpreter said the input was an encrypted PDF; the pipeline acts on
// it only when job.conversionFailed is set too.
constexpr int kConversionEncrypted = 1;
// The command file could not be written: the error report must run.
constexpr int kConversionNoCommandFile = -1;

// How long an interpreter may run without printing anything before it
// counts as hung: ten minutes (a page that takes longer is not a page).
constexpr int kInterpreterSilenceLimitMilliseconds = 600000;
// Tests shorten it; 0 restores the default.
void setInterpreterSilenceLimit(int milliseconds);

// Converts the job with its interpreter kind and file type: builds the
// arguments, writes the command file, runs the interpreter (or joins the
// PostScript pieces for kind -1) and sets job.conversionFailed when no good
// output was made. intCommandText is the options file's "IntCommand%d" of
// the chosen extra type (see interpreterTypeNumber). Never ends the process.
int runConversionWith(JobRecord& job, const SettingsRecord& settings,
                      const std::string& intCommandText);

// Starts the command line for the given set and judges the run: 1 for an
// encrypted PDF, else 0. A failed start, "Error" in the output, a non-zero
// exit status of Ghostscript, or an output file that is missing or empty
// set job.conversionFailed.
int runInterpreter(JobRecord& job, ArgumentSet set, const std::string& commandLine);

}  // namespace vellora
