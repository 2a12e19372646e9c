// The files a job owns: its temporary files, the spool file it was handed and
// the backup of the file it replaces.
#pragma once

#include "converter/job/job_record.h"

namespace vellora {

// Puts the previous output file back when one was backed up. When that
// fails the backup is kept (and said so in the error log) instead of being
// deleted with the other temporary files.
bool restoreBackup(JobRecord& job);
// Deletes the spool file unless it belongs to the user (mode 9993).
void deleteSpoolFile(JobRecord& job);
// Deletes the prologue, epilogue and command files.
void deleteInterpreterFiles(JobRecord& job);
// Deletes workFile, utilityOutFile and backupFile (unless it must be kept).
void deleteTemporaryFiles(JobRecord& job);

}  // namespace vellora
