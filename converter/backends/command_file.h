// The interpreter's command file "vl.cmd" in the working folder.
#pragma once

#include <string>

#include "converter/job/job_record.h"

namespace vellora {

// Writes text in text mode to "vl.cmd" in job.tempDir (an old file of that
// name is deleted first) and sets job.commandFile. With endWithLineEnd a
// line end follows the last line: Ghostscript rejects an argument file whose
// last line ends in a quoted name without one. Returns 1; on failure 0 after
// "Error creating command file" went into the error log.
int writeCommandFile(JobRecord& job, const std::string& text, bool endWithLineEnd);

}  // namespace vellora
