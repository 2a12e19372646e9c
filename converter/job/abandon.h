// The ways a job is given up: after it has been named, and when the system
// asks the program to end.
#pragma once

#include <mutex>

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

// From now on a request to end the program (Ctrl+C, logoff, kill) ends the
// job as a failure does: its children are stopped, its files and the spool
// file deleted, the run log written, and the process ends with code 0. The
// user's previous file is left as it is.
void installTerminationHandling(JobRecord& job);
// Held while a result is put in place: a request to end the program waits
// until the result is in place whole, and a placement never starts once the
// end has begun.
std::unique_lock<std::mutex> holdPlacement();

}  // namespace vellora
