#include "converter/delivery/error_report.h"

#include <cstdlib>

#include "converter/job/job_files.h"
#include "converter/job/run_log.h"
#include "platform/crash.h"

namespace vellora {

// The report agent that offers to send the log to the maker comes with the
// delivery subsystem; until then a failed job keeps its log on disk.
void runErrorReport(JobRecord& job) {
  // Whatever failed, the user's previous document goes back in place and the
  // job's files are cleared away before the process ends.
  restoreBackup(job);
  deleteSpoolFile(job);
  deleteInterpreterFiles(job);
  deleteTemporaryFiles(job);
  writeRunLog(job);
  platform::removeCrashHandler();
  std::exit(0);
}

}  // namespace vellora
