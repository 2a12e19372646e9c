#include "converter/backends/command_file.h"

#include "converter/backends/interpreter_arguments.h"
#include "converter/job/run_log.h"
#include "platform/files.h"

namespace vellora {

int writeCommandFile(JobRecord& job, const std::string& text, bool endWithLineEnd) {
  const std::string path = commandFilePath(job.tempDir, job.workFile);
  job.commandFile = path;
  platform::deleteFile(path);
  platform::OutputFile file;
  bool written = file.create(path, platform::OutputFile::kText) && file.write(text) &&
                 (!endWithLineEnd || file.write("\n"));
  if (!file.close() || !written) {
    appendLog(job.errorLog, "%s\nError creating command file: %s\n", path.c_str());
    return 0;
  }
  return 1;
}

}  // namespace vellora
