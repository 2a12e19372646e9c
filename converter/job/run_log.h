// The conversion error log and its copy on disk, the run log "vlconv.log";
// and the write test of an output folder.
#pragma once

#include <string>

#include "converter/job/job_record.h"

namespace vellora {

// Appends one entry. `entryFormat` is written as the log's entry formats are
// (its first "%s" stands for the log so far, e.g. "%s\nPro Ret Val: %d\n");
// the remaining arguments fill the rest. Text beyond the log's capacity is
// dropped. (No printf checking: the compiler cannot know that the leading
// "%s" takes no argument.)
void appendLog(ErrorLog& log, const char* entryFormat, ...);

// Writes the log to "vlconv.log" in installDir, or in tempDir when that
// cannot be created. 1 when a file was written, 0 otherwise; `writtenPath`,
// when given, receives the file's path (empty when none was written).
int writeRunLog(const JobRecord& job, std::string* writtenPath = nullptr);

// Empty when a file can be written at path; otherwise the message to show
// (at most 1,000 characters).
std::string writeTest(const std::string& path);

}  // namespace vellora
