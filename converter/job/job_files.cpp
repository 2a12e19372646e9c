#include "converter/job/job_files.h"

#include "converter/job/run_log.h"
#include "platform/files.h"

namespace vellora {

namespace {

void deleteIfNamed(const std::string& path) {
  if (!path.empty()) platform::deleteFile(path);
}

}  // namespace

bool restoreBackup(JobRecord& job) {
  if (!job.backupMade || job.outputPath.empty()) return true;
  if (platform::copyFile(job.backupFile, job.outputPath, false)) return true;
  job.keepBackup = 1;
  appendLog(job.errorLog, "%s\nPrevious file could not be restored; it is kept at: %s\n",
            job.backupFile.c_str());
  return false;
}

void deleteSpoolFile(JobRecord& job) {
  if (!job.keepSpoolFile) deleteIfNamed(job.spoolFile);
}

void deleteInterpreterFiles(JobRecord& job) {
  deleteIfNamed(job.prologueFile);
  deleteIfNamed(job.epilogueFile);
  deleteIfNamed(job.commandFile);
}

void deleteTemporaryFiles(JobRecord& job) {
  deleteIfNamed(job.workFile);
  deleteIfNamed(job.utilityOutFile);
  if (!job.keepBackup) deleteIfNamed(job.backupFile);
}

}  // namespace vellora
