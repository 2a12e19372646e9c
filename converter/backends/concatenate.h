// The back end without an interpreter: the job is delivered as PostScript,
// the parameters file, prologue, job and epilogue joined into one file.
#pragma once

#include <string>

#include "converter/job/job_record.h"

namespace vellora {

// Joins the pieces into outputFile with the progress window shown. The
// parameters file, prologue and epilogue are text (read line by line, a
// Ctrl-Z ends them; a missing one adds nothing); the spool file is copied
// byte for byte, since binary PostScript may hold any byte. Returns 1; 0 when
// the spool file cannot be read (the output file is then left as it was and
// nothing is shown) or the output cannot be written (a message says so).
// Either failure is noted in the error log.
int concatenatePostScript(JobRecord& job, const std::string& paramsFile,
                          const std::string& prologueFile, const std::string& spoolFile,
                          const std::string& epilogueFile, const std::string& outputFile);

}  // namespace vellora
