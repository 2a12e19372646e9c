// Which interpreter this job runs, found once at start-up.
#pragma once

#include "converter/job/job_record.h"

namespace vellora {

// Ensures an interpreter location is stored (selecting one automatically
// when none is) and resolves it into the job's interpreter fields.
void setUpInterpreter(JobRecord& job);

// Whether the job's interpreter is still there (checked again right before
// the conversion): Distiller needs its program, the own Ghostscript its
// folder under the system folder, the others their program.
bool interpreterStillPresent(const JobRecord& job);

}  // namespace vellora
