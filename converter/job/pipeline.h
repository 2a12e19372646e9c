// The spine of a conversion: after start-up, decide the output file, deal
// with a file already there, convert, post-process, put the result in place
// and deliver it.
#pragma once

#include "converter/job/converter_run.h"

namespace vellora {

// Runs the job to its end and returns the process's exit code: -1 when no
// output file was chosen, else 0. Some failures end the process from inside
// (abandoning the job or reporting the error), always with code 0.
int runPipeline(ConverterRun& run);

// The job's file-type choices from the options file: default extension and
// filter index, the extra types and which of them are converted from a PDF.
void applyFileTypeOptions(JobRecord& job, const CommandOptions& options);

// Makes the chosen name fit the chosen type: ".pdf" for a PDF; for a type
// converted from a PDF, the type's extension on the final name, which is kept
// in job.convertTarget while the PDF is made under a temporary name.
void fitOutputExtension(JobRecord& job);

}  // namespace vellora
