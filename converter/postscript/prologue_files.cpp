// Writing the prologue and epilogue files of a job.
#include "converter/job/job_files.h"
#include "converter/job/run_log.h"
#include "converter/postscript/prologue.h"
#include "platform/files.h"

namespace vellora {

namespace {

// The unique-name call creates the file; it is deleted and created again,
// new and private, as a text file so that the text is written in the
// platform's text mode.
int writeJobFile(JobRecord& job, const char* prefix, const std::string& text,
                 const char* failureEntry, std::string* path) {
  path->clear();
  std::string name;
  if (platform::createTempFile(job.tempDir, prefix, &name) != 0) {
    // No name was made: the folder is what could not be written.
    appendLog(job.errorLog, failureEntry, job.tempDir.c_str());
    return 0;
  }
  ownFile(name);
  platform::deleteFile(name);
  platform::OutputFile file;
  bool written = file.create(name, platform::OutputFile::kText, platform::OutputFile::kNewPrivate) &&
                 file.write(text);
  if (!file.close() || !written) {
    appendLog(job.errorLog, failureEntry, name.c_str());
    deleteOwnedFile(name);
    return 0;
  }
  *path = name;
  return 1;
}

}  // namespace

int writePrologue(JobRecord& job, const SettingsRecord& settings, std::string* path) {
  return writeJobFile(job, "vlpl", prologueText(settings), "%s\nError creating prologue file: %s\n",
                      path);
}

int writeEpilogue(JobRecord& job, const SettingsRecord& settings, std::string* path) {
  return writeJobFile(job, "vlel", epilogueText(job, settings),
                      "%s\nError creating epilogue file: %s\n", path);
}

}  // namespace vellora
