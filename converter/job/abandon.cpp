#include "converter/job/abandon.h"

#include <cstdlib>

#include "converter/job/exception_filter.h"
#include "converter/job/job_files.h"
#include "converter/job/job_helpers.h"
#include "converter/job/run_log.h"
#include "converter/ui/string_table.h"
#include "platform/ui.h"

namespace vellora {

void abandonJob(JobRecord& job) {
  deleteSpoolFile(job);
  deleteInterpreterFiles(job);
  restoreBackup(job);
  deleteTemporaryFiles(job);
  removeExceptionFilter();
  std::exit(0);
}

void failModifying(JobRecord& job, bool topmost) {
  unsigned flags = platform::kMbOk | platform::kMbIconWarning;
  if (topmost) flags |= platform::kMbTopmost;
  showMessageId(job, kStrModifyFailed, flags);
  writeRunLog(job);
  abandonJob(job);
}

}  // namespace vellora
