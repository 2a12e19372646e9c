// The two ways a job is given up after it has been named.
#pragma once

#include "converter/job/job_record.h"

namespace vellora {

// Deletes the job's files (the spool file unless it is the user's), puts the
// previous output file back when one was backed up, and ends the process
// with code 0.
[[noreturn]] void abandonJob(JobRecord& job);

// "Sorry, an error occured while modifying the PDF file." (string 93), then
// the run log and abandonJob. The topmost variant is used when the utility
// failed with 99, the plain one for 98.
[[noreturn]] void failModifying(JobRecord& job, bool topmost);

}  // namespace vellora
