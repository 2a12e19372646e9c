// Runs the PDF utility once, with the status window naming the step.
#pragma once

#include <string>

#include "converter/job/job_record.h"

namespace vellora {

constexpr int kUtilityTimeoutMilliseconds = 300000;

// Starts the command hidden, waits for it at most timeoutMilliseconds and
// returns its exit code: 99 when it ran too long (it is then stopped), and
// kUtilityNotStarted when it could not be started. Every run leaves
// "Pro Ret Val" in the error log.
int runUtility(JobRecord& job, const std::string& commandLine, bool showStatus,
               const std::string& statusText,
               int timeoutMilliseconds = kUtilityTimeoutMilliseconds);

}  // namespace vellora
