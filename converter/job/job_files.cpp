#include "converter/job/job_files.h"

#include <mutex>
#include <set>
#include <vector>

#include "converter/job/run_log.h"
#include "platform/files.h"
#include "platform/system.h"

namespace vellora {

namespace {

constexpr char kLeasePrefix[] = "vlj";
constexpr char kLeaseHeader[] = "vellora job files\n";

// Shared with the thread that ends a job on a termination request.
std::mutex gOwnedMutex;
std::set<std::string> gOwned;
platform::FileLock gLease;
std::string gLeasePath;
platform::FileLock gOutputLock;

std::string baseName(const std::string& path) {
  std::string::size_type slash = path.find_last_of(platform::kPathSeparator);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Only names the converter makes are ever deleted from a lease: a damaged
// or foreign list must not reach anyone's documents.
bool isJobFileName(const std::string& path) {
  std::string name = baseName(path);
  return startsWithIgnoreCase(name, "vl") || startsWithIgnoreCase(name, ".vlpart-");
}

// The files a lease still names: "+path" lines add, "-path" lines remove.
std::set<std::string> namedFiles(const std::string& lease) {
  std::set<std::string> files;
  std::string::size_type start = 0;
  while (start < lease.size()) {
    std::string::size_type end = lease.find('\n', start);
    if (end == std::string::npos) break;  // a line cut short by the job's death
    std::string line = lease.substr(start, end - start);
    start = end + 1;
    if (line.size() < 2) continue;
    if (line[0] == '+') files.insert(line.substr(1));
    if (line[0] == '-') files.erase(line.substr(1));
  }
  return files;
}

void sweepLease(const std::string& path) {
  platform::FileLock lease;
  if (!lease.tryAcquireExisting(path)) return;  // its job is alive
  std::string content;
  lease.readAll(&content);
  // Without its header the lease never named anything: its job died (or
  // lost the race for it, see beginFileOwnership) before it could.
  if (content.compare(0, sizeof kLeaseHeader - 1, kLeaseHeader) == 0) {
    for (const std::string& file : namedFiles(content))
      if (isJobFileName(file) && platform::isRegularFile(file)) platform::deleteFile(file);
  }
  lease.release(true);
}

// Lock files of output files whose jobs died while holding them.
void sweepLockFiles(const std::string& folder) {
  std::vector<std::string> names;
  if (!platform::listDirectory(folder, "vlk*.lck", &names)) return;
  for (const std::string& name : names) {
    platform::FileLock lock;
    if (lock.tryAcquireExisting(folder + platform::kPathSeparator + name)) lock.release(true);
  }
}

void sweepDeadJobs(const std::string& folder) {
  std::vector<std::string> names;
  if (!platform::listDirectory(folder, std::string(kLeasePrefix) + "*.tmp", &names)) return;
  for (const std::string& name : names) sweepLease(folder + platform::kPathSeparator + name);
  sweepLockFiles(folder);
}

void note(char sign, const std::string& path) {
  if (gLease.held()) gLease.append(std::string(1, sign) + path + "\n");
}

void deleteIfNamed(const std::string& path) {
  if (!path.empty()) deleteOwnedFile(path);
}

}  // namespace

void beginFileOwnership(const JobRecord& job) {
  const std::string folder = job.tempDir.str();
  // The system's temporary folder is shared with other users: there no
  // list is trusted and none is kept.
  if (folder.empty() || folder == platform::tempPath()) return;
  sweepDeadJobs(folder);
  std::string path;
  if (platform::createTempFile(folder, kLeasePrefix, &path) != 0) return;
  std::lock_guard<std::mutex> hold(gOwnedMutex);
  // Another job's sweep may take the new, still empty lease for a dead one
  // in the instant before it is locked; the job then runs without one.
  if (!gLease.tryAcquireExisting(path)) return;
  gLeasePath = path;
  gLease.append(kLeaseHeader);
}

void ownFile(const std::string& path) {
  if (path.empty()) return;
  std::lock_guard<std::mutex> hold(gOwnedMutex);
  if (gOwned.insert(path).second) note('+', path);
}

void deleteOwnedFile(const std::string& path) {
  platform::deleteFile(path);
  std::lock_guard<std::mutex> hold(gOwnedMutex);
  if (gOwned.erase(path) > 0) note('-', path);
}

void disownFile(const std::string& path) {
  std::lock_guard<std::mutex> hold(gOwnedMutex);
  if (gOwned.erase(path) > 0) note('-', path);
}

void deleteAllOwnedFiles() {
  std::lock_guard<std::mutex> hold(gOwnedMutex);
  for (const std::string& path : gOwned) platform::deleteFile(path);
  gOwned.clear();
}

void endFileOwnership() {
  std::lock_guard<std::mutex> hold(gOwnedMutex);
  if (gOutputLock.held()) gOutputLock.release(true);
  if (gLease.held()) gLease.release(true);
  gLeasePath.clear();
}

void lockOutputFile(JobRecord& job) {
  const std::string key = platform::canonicalPath(job.outputPath);
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (char c : key) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  const std::string path = format("%s%svlk%016llx.lck", job.tempDir.c_str(),
                                  platform::kPathSeparator, static_cast<unsigned long long>(hash));
  // Waiting here for another job must not block the one that ends this one.
  platform::FileLock lock;
  if (!lock.acquire(path, true)) {
    appendLog(job.errorLog, "%s\nOutput file not locked (%s): %s\n", path.c_str(),
              platform::errorText(platform::lastError()).c_str());
    return;
  }
  std::lock_guard<std::mutex> hold(gOwnedMutex);
  gOutputLock = std::move(lock);
}

bool restoreBackup(JobRecord& job) {
  if (!job.backupMade || !job.outputWritten || job.outputPath.empty()) return true;
  if (platform::copyFile(job.backupFile, job.outputPath, false)) return true;
  job.keepBackup = 1;
  disownFile(job.backupFile);
  appendLog(job.errorLog, "%s\nPrevious file could not be restored; it is kept at: %s\n",
            job.backupFile.c_str());
  return false;
}

void deleteSpoolFile(JobRecord& job) {
  if (job.keepSpoolFile || job.spoolFile.empty()) return;
  if (platform::isRegularFile(job.spoolFile)) platform::deleteFile(job.spoolFile);
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
  endFileOwnership();
}

}  // namespace vellora
