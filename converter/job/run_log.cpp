#include "converter/job/run_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "converter/job/job_helpers.h"
#include "converter/ui/string_table.h"
#include "platform/files.h"

namespace vellora {

namespace {

constexpr const char kRunLogName[] = "vlconv.log";

std::string joinFolder(const std::string& folder, const char* name) {
  return folder + platform::kPathSeparator + name;
}

}  // namespace

void appendLog(ErrorLog& log, const char* entryFormat, ...) {
  // Every entry format starts with the "%s" that stands for the log so far;
  // formatting only the rest and appending gives the same text without
  // copying the log through a format call.
  const char* rest = entryFormat;
  if (std::strncmp(rest, "%s", 2) == 0) rest += 2;

  va_list args;
  va_start(args, entryFormat);
  va_list copy;
  va_copy(copy, args);
  int needed = std::vsnprintf(nullptr, 0, rest, copy);
  va_end(copy);
  if (needed > 0) {
    std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), rest, args);
    log.append(buffer.data(), static_cast<std::size_t>(needed));
  }
  va_end(args);
}

int writeRunLog(const JobRecord& job, std::string* writtenPath) {
  if (writtenPath != nullptr) writtenPath->clear();
  // Without a product folder the first location would be the root of the
  // file system; the working folder is the only sensible place then.
  std::string inInstallDir =
      job.installDir.empty() ? std::string() : joinFolder(job.installDir, kRunLogName);
  std::string inTempDir = joinFolder(job.tempDir, kRunLogName);
  if (!inInstallDir.empty()) platform::deleteFile(inInstallDir);
  platform::deleteFile(inTempDir);

  for (const std::string& path : {inInstallDir, inTempDir}) {
    if (path.empty()) continue;
    // The working folder can be the shared temporary folder: the log is a
    // new private file there, never written through what another user left.
    platform::OutputFile file;
    if (!file.create(path, platform::OutputFile::kText, platform::OutputFile::kNewPrivate)) continue;
    bool written = file.write(job.errorLog.data(), job.errorLog.size());
    if (file.close() && written) {
      if (writtenPath != nullptr) *writtenPath = path;
      return 1;
    }
  }
  return 0;
}

std::string writeTest(const std::string& path) {
  platform::deleteFile(path);
  platform::OutputFile file;
  if (!file.create(path, platform::OutputFile::kText, platform::OutputFile::kNewPrivate)) {
    int error = platform::lastError();
    return formatCut(kMessageCapacity, "%s\n%s", stringTableText(kStrCannotWritePath).c_str(),
                     systemErrorText(error).c_str());
  }
  bool written = file.write("test file\n");
  bool closed = file.close();
  std::string result;
  if (!written || !closed) result = cut(systemErrorText(platform::lastError()), kMessageCapacity);
  platform::deleteFile(path);
  return result;
}

}  // namespace vellora
