// The files a job owns: its temporary files, the spool file it was handed and
// the backup of the file it replaces.
//
// Every file the job creates is noted in its lease, a file in the working
// folder that the job holds locked while it runs. A job that dies without
// cleaning up (killed outright, crashed) leaves its lease unlocked; the next
// job of the same user deletes what such leases name, so nothing of a dead
// job stays behind for long.
#pragma once

#include <string>

#include "converter/job/job_record.h"

namespace vellora {

// Deletes what dead jobs left in the working folder, then opens this job's
// lease there. Without a private working folder (the system's temporary
// folder is shared) there is nothing to sweep and no lease.
void beginFileOwnership(const JobRecord& job);
// Notes a file the job is about to create or now holds.
void ownFile(const std::string& path);
// Deletes a file of the job's and forgets it (in that order of noting, so
// that a name freed for others is never on the job's list).
void deleteOwnedFile(const std::string& path);
// Forgets a file that must outlive the job.
void disownFile(const std::string& path);
// Deletes every file still noted (the job is being ended from outside).
void deleteAllOwnedFiles();
// Deletes the lease and lets go of the output file's lock: the job has
// cleaned up after itself.
void endFileOwnership();

// Jobs that replace or join one file take turns: each holds the file's lock
// from the look at what is there to the placing of its result (the end of
// its file ownership), so none works from a document another is about to
// replace. The lock file lives in the working folder, named after the
// output file, never beside the user's document. Waits while another job
// holds it.
void lockOutputFile(JobRecord& job);

// Puts the previous output file back when one was backed up and the job
// wrote over it (only an interpreter that writes the output file itself
// does; every other result replaces it in one step at the very end). When
// that fails the backup is kept (and said so in the error log) instead of
// being deleted with the other temporary files.
bool restoreBackup(JobRecord& job);
// Deletes the spool file unless it belongs to the user (mode 9993) or is not
// a plain file (a device, a folder or a link is never the monitor's spool
// file).
void deleteSpoolFile(JobRecord& job);
// Deletes the prologue, epilogue and command files.
void deleteInterpreterFiles(JobRecord& job);
// Deletes workFile, utilityOutFile and backupFile (unless it must be kept),
// and ends the job's file ownership.
void deleteTemporaryFiles(JobRecord& job);

}  // namespace vellora
