// Opening the finished document, or handing it to the post-process command.
#pragma once

#include "converter/job/job_record.h"

namespace vellora {

// The viewer step of a finished job.
void viewOrPostProcess(JobRecord& job);

}  // namespace vellora
