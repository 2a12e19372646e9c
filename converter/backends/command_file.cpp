#include "converter/backends/command_file.h"

#include "converter/backends/interpreter_arguments.h"
#include "converter/job/job_files.h"
#include "converter/job/run_log.h"
#include "platform/files.h"

namespace vellora {

int writeCommandFile(JobRecord& job, const std::string& text, bool endWithLineEnd) {
  const std::string path = commandFilePath(job.tempDir, job.workFile);
  job.commandFile = path;
  deleteOwnedFile(path);
  ownFile(path);
  // Created new and private: the text names the user's files, and nothing
  // planted under its name beforehand may be written through.
  platform::OutputFile file;
  bool written = file.create(path, platform::OutputFile::kText, platform::OutputFile::kNewPrivate) &&
                 file.write(text) && (!endWithLineEnd || file.write("\n"));
  if (!file.close() || !written) {
    appendLog(job.errorLog, "%s\nError creating command file: %s\n", path.c_str());
    return 0;
  }
  return 1;
}

}  // namespace vellora
