#include "converter/job/exception_filter.h"

#include <cstddef>

#include "converter/delivery/error_report.h"
#include "platform/crash.h"
#include "platform/files.h"

namespace vellora {

namespace {

// On POSIX the filter runs inside a signal handler: no allocation, no stdio,
// only fixed buffers and the platform's signal-safe calls.
JobRecord* filterJob = nullptr;
char pathBuffer[kPathCapacity + 32];

std::size_t appendText(char* out, std::size_t at, std::size_t capacity, const char* text) {
  while (*text != '\0' && at + 1 < capacity) out[at++] = *text++;
  out[at] = '\0';
  return at;
}

std::size_t formatDecimal(char* out, int value) {
  char digits[16];
  std::size_t n = 0;
  // Work in the negative range so that the most negative code prints too.
  bool negative = value < 0;
  long long v = value;
  if (!negative) v = -v;
  do {
    digits[n++] = static_cast<char>('0' - (v % 10));
    v /= 10;
  } while (v != 0);
  std::size_t at = 0;
  if (negative) out[at++] = '-';
  while (n > 0) out[at++] = digits[--n];
  out[at] = '\0';
  return at;
}

const char* runLogPath(const std::string& folder) {
  if (folder.empty()) return nullptr;
  std::size_t at = appendText(pathBuffer, 0, sizeof pathBuffer, folder.c_str());
  at = appendText(pathBuffer, at, sizeof pathBuffer, platform::kPathSeparator);
  appendText(pathBuffer, at, sizeof pathBuffer, "vlconv.log");
  return pathBuffer;
}

// The report itself (a question, a connection) is not for a crashed process:
// a fresh converter in report mode makes it from the run log, and this one
// waits for it and ends.
void onException(int code) {
  const char* runLog = filterJob != nullptr ? recordException(*filterJob, code) : nullptr;
  if (runLog != nullptr) platform::runCrashHelper(runLog);
  platform::exitProcessImmediately(0);
}

}  // namespace

const char* recordException(JobRecord& job, int exceptionCode) {
  char entry[80];
  std::size_t at = appendText(entry, 0, sizeof entry, "\nException has been thrown, code: ");
  at += formatDecimal(entry + at, exceptionCode);
  appendText(entry, at, sizeof entry, "\n");
  job.errorLog.append(entry, at + 1);

  const char* first = runLogPath(job.installDir);
  if (first != nullptr) {
    platform::deleteFileFromCrashHandler(first);
    if (platform::writeFileFromCrashHandler(first, job.errorLog.data(), job.errorLog.size()))
      return first;
  }
  const char* second = runLogPath(job.tempDir);
  if (second == nullptr) return nullptr;
  platform::deleteFileFromCrashHandler(second);
  if (!platform::writeFileFromCrashHandler(second, job.errorLog.data(), job.errorLog.size()))
    return nullptr;
  return second;
}

void installExceptionFilter(JobRecord& job) {
  static bool helperReady = platform::prepareCrashHelper({kCrashReportSwitch});
  (void)helperReady;
  filterJob = &job;
  platform::installCrashHandler(&onException);
}

void removeExceptionFilter() {
  platform::removeCrashHandler();
  filterJob = nullptr;
}

}  // namespace vellora
