// The converter's last resort: a crash anywhere in the run still leaves the
// conversion error log on disk, with the exception code in it, and the
// report of the crash is offered by a fresh converter process.
#pragma once

#include "converter/job/job_record.h"

namespace vellora {

// Installs the filter for this job; it reads the job's folders when it runs,
// so folders set later in the start-up count.
void installExceptionFilter(JobRecord& job);
void removeExceptionFilter();

// The filter's first part, callable directly by tests: appends
// "\nException has been thrown, code: %d\n" and writes the run log, using
// only signal-safe operations. Returns the path of the log file written (a
// buffer of its own), or nullptr when none could be written.
const char* recordException(JobRecord& job, int exceptionCode);

}  // namespace vellora
