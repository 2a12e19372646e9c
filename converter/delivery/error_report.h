// The end of a job that failed in a way the user should report.
#pragma once

#include "converter/job/job_record.h"

namespace vellora {

// Offers to send the conversion error log to the maker, writes the run log
// and ends the process with code 0. Until the report agent exists the run log
// is written and the process ends.
[[noreturn]] void runErrorReport(JobRecord& job);

}  // namespace vellora
