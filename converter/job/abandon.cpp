#include "converter/job/abandon.h"

#include <atomic>
#include <cstdlib>

#include "common/monitor_contract.h"
#include "converter/job/exception_filter.h"
#include "converter/job/job_files.h"
#include "converter/job/job_helpers.h"
#include "converter/job/job_result.h"
#include "converter/job/run_log.h"
#include "converter/ui/string_table.h"
#include "platform/crash.h"
#include "platform/process.h"
#include "platform/termination.h"
#include "platform/ui.h"

namespace vellora {

void abandonJob(JobRecord& job) {
  recordJobResult(kJobAbandoned, std::string());
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
  recordJobResult(kJobFailed, job.messageText.str());
  writeRunLog(job);
  abandonJob(job);
}

namespace {

JobRecord* gTerminatedJob = nullptr;
std::mutex gPlacement;
std::atomic<bool> gEnding{false};

void endOnRequest(int request) {
  gEnding = true;
  std::lock_guard<std::mutex> placing(gPlacement);
  JobRecord& job = *gTerminatedJob;
  appendLog(job.errorLog, "%s\nThe job was ended from outside (request %d)\n", request);
  recordJobResult(kJobFailed, "The job was ended before its document was made.");
  // Only an interpreter that writes the output file itself can have touched
  // the user's file before the end.
  restoreBackup(job);
  deleteSpoolFile(job);
  deleteAllOwnedFiles();
  endFileOwnership();
  writeRunLog(job);
  // Last, so that the job's own thread, woken by its children's end, has
  // no time left to act on it.
  platform::stopOwnedChildren();
  platform::exitProcessImmediately(0);
}

}  // namespace

void installTerminationHandling(JobRecord& job) {
  gTerminatedJob = &job;
  platform::installTerminationHandler(&endOnRequest);
}

std::unique_lock<std::mutex> holdPlacement() {
  std::unique_lock<std::mutex> hold(gPlacement);
  if (gEnding) {
    // The end has begun and will take the process with it.
    hold.unlock();
    for (;;) platform::sleepMilliseconds(1000);
  }
  return hold;
}

}  // namespace vellora
