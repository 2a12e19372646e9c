#include "converter/backends/interpreter_runner.h"

#include <cstdint>
#include <memory>

#include "converter/backends/command_file.h"
#include "converter/backends/concatenate.h"
#include "converter/job/job_files.h"
#include "converter/job/job_helpers.h"
#include "common/text.h"
#include "converter/job/run_log.h"
#include "converter/ui/small_windows.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/ui.h"

namespace vellora {

namespace {

constexpr int kReadSize = 10;
// Output is collected while it is shorter than this; the chunk that starts
// below the limit is kept whole.
constexpr std::size_t kCollectedOutputLimit = 10000;

int countPage(const char* data, int size) {
  int count = 0;
  for (int i = 0; i + 4 <= size; ++i)
    if (data[i] == 'P' && data[i + 1] == 'a' && data[i + 2] == 'g' && data[i + 3] == 'e') ++count;
  return count;
}

int silenceLimitMilliseconds = kInterpreterSilenceLimitMilliseconds;

// The one place the interpreter's output is read: waits for a piece, 0 when
// the output has ended. An interpreter that stays silent past the limit is
// caught in an endless loop (Ghostscript prints a line for every page): it
// is stopped and the job fails instead of waiting for ever.
int readOutputChunk(JobRecord& job, platform::ChildProcess& child, char* buffer) {
  int n = child.readOutputWithin(buffer, kReadSize, silenceLimitMilliseconds);
  if (n != platform::ChildProcess::kReadTimedOut) return n;
  child.kill();
  job.conversionFailed = 1;
  appendLog(job.errorLog, "%s\nThe PostScript interpreter gave no sign of progress for %d seconds "
            "and was stopped\n", silenceLimitMilliseconds / 1000);
  return 0;
}

void setProgress(ProgressWindow* window, int position) {
  if (!window) return;
  window->setPosition(position);
  window->repaint();
}

// Reads the child's output to its end with the progress window showing the
// pages counted: every "Page" within one piece read counts as a page.
std::string collectOutput(JobRecord& job, platform::ChildProcess& child,
                          ProgressWindow* window) {
  if (window) {
    window->setRange(0, job.pageCount == 1 ? 2 : job.pageCount);
    window->setStep(1);
  }
  setProgress(window, 1);

  std::string collected;
  int total = 1;
  char buffer[kReadSize];
  int n;
  while ((n = readOutputChunk(job, child, buffer)) > 0) {
    if (collected.size() < kCollectedOutputLimit) collected.append(buffer, static_cast<std::size_t>(n));
    total += countPage(buffer, n);
    setProgress(window, total + 1);
  }
  setProgress(window, total + 1);
  return withNewlines(collected);
}

std::string expectedOutputFile(const JobRecord& job, ArgumentSet set) {
  if (set == ArgumentSet::kDistiller || set == ArgumentSet::kExtraType) return job.outputPath;
  if (set == ArgumentSet::kPostScriptFromPdf) return job.utilityOutFile;
  return job.workFile;
}

bool outputWritten(const std::string& path) {
  std::uint64_t size = 0;
  return platform::fileSize(path, &size) && size > 0;
}

// A PDF job without Ghostscript: its PDF is the result.
void handOnPdf(JobRecord& job) {
  appendLog(job.errorLog, "%s\nThe PDF is handed on as it came: %s\n", job.spoolFile.c_str());
  if (!platform::copyFile(job.spoolFile, job.workFile, false)) {
    appendLog(job.errorLog, "%s\nCould not copy the PDF: %s\n", lastErrorText().c_str());
    job.conversionFailed = 1;
  }
}

// The PostScript Ghostscript made of a PDF job, between the parameters,
// prologue and epilogue as a PostScript job's would be.
void joinPostScriptOfPdf(JobRecord& job) {
  job.postScriptOnly = 1;
  job.viewAfterConversion = 0;
  if (job.conversionFailed) return;
  if (!concatenatePostScript(job, job.paramsFile, job.prologueFile, job.utilityOutFile,
                             job.epilogueFile, job.workFile))
    job.conversionFailed = 1;
}

void setInterpreterEnvironment(const JobRecord& job) {
  platform::setEnvironment("TMPDIR", job.tempDir);
  platform::setEnvironment("TEMP", job.tempDir);
}

}  // namespace

void setInterpreterSilenceLimit(int milliseconds) {
  silenceLimitMilliseconds =
      milliseconds > 0 ? milliseconds : kInterpreterSilenceLimitMilliseconds;
}

int runInterpreter(JobRecord& job, ArgumentSet set, const std::string& commandLine) {
  const bool withPipe = set != ArgumentSet::kDistiller;
  platform::StartOptions options;
  options.inheritHandles = true;
  options.hideWindow = true;
  options.captureOutput = withPipe;
  // Its result is worth nothing once the job has ended: it must not go on
  // writing (or holding the job's files) after a failure or a kill.
  options.endWithCaller = true;

  platform::ChildProcess child;
  if (!child.start(commandLine, options)) {
    // Nothing would ever be written: the job must not go on as if the
    // empty work file were its result.
    appendLog(job.errorLog, "%s\nCould not start the PostScript interpreter: %s\n%s\n",
              commandLine.c_str(), lastErrorText().c_str());
    job.conversionFailed = 1;
    platform::ui().setCursor(platform::Cursor::kArrow);
    return 0;
  }

  int result = 0;
  std::string output;
  std::unique_ptr<ProgressWindow> window;
  if (withPipe) {
    window = openProgressWindow();
    output = collectOutput(job, child, window.get());
  }
  const bool finished = child.wait(platform::kWaitForever) == platform::kWaitDone;
  const int exitCode = finished ? child.exitCode() : -1;

  bool statusFailed = false;
  if (withPipe) {
    if (contains(output, "Error")) job.conversionFailed = 1;
    if (contains(output, "encrypted PDF")) result = 1;
    // Ghostscript that crashed or gave up without saying "Error" has still
    // not made a document.
    if (judgesExitStatus(set) && exitCode != 0) {
      statusFailed = true;
      job.conversionFailed = 1;
    }
  }
  const std::string outputFile = expectedOutputFile(job, set);
  const bool noOutput = !job.conversionFailed && !outputWritten(outputFile);
  if (noOutput) job.conversionFailed = 1;

  if (job.conversionFailed && withPipe)
    appendLog(job.errorLog, "%s\nPostscript Converter Output:\n%s", output.c_str());
  if (statusFailed) appendLog(job.errorLog, "%s\nPostScript interpreter exit code: %d\n", exitCode);
  if (noOutput)
    appendLog(job.errorLog, "%s\nThe PostScript interpreter wrote no output: %s\n",
              outputFile.c_str());

  window.reset();
  platform::ui().setCursor(platform::Cursor::kArrow);
  return result;
}

int runConversionWith(JobRecord& job, const SettingsRecord& settings,
                      const std::string& intCommandText) {
  const std::string commandFile = commandFilePath(job.tempDir, job.workFile);
  InterpreterArguments arguments =
      buildInterpreterArguments(job, settings, intCommandText, commandFile);

  if (usesCommandFile(arguments.set)) {
    appendLog(job.errorLog, "%s\nCommand File Text:\n%s\n", arguments.commandFileText.c_str());
    // PStill reads its own kind of argument file; it is written as it always was.
    const bool endWithLineEnd = arguments.set != ArgumentSet::kPStill;
    if (!writeCommandFile(job, arguments.commandFileText, endWithLineEnd))
      return kConversionNoCommandFile;
  }

  if (arguments.set == ArgumentSet::kConcatenation) {
    job.postScriptOnly = 1;
    job.viewAfterConversion = 0;
    if (!concatenatePostScript(job, job.paramsFile, job.prologueFile, job.spoolFile,
                               job.epilogueFile, job.workFile))
      job.conversionFailed = 1;
  }

  appendLog(job.errorLog, "%s\nCommandline:\n%s\n", arguments.commandLine.c_str());

  if (arguments.set == ArgumentSet::kConcatenation) return kConversionDone;
  if (arguments.set == ArgumentSet::kPdfAsItCame) {
    handOnPdf(job);
    return kConversionDone;
  }
  if (arguments.set == ArgumentSet::kNone) {
    appendLog(job.errorLog, "%s\nNo PostScript interpreter of kind %d can be run\n",
              job.interpreterKind);
    job.conversionFailed = 1;
    return kConversionDone;
  }

  setInterpreterEnvironment(job);
  // These write the user's file themselves; every other result waits in
  // the work file until it is checked and put in place.
  if (arguments.set == ArgumentSet::kDistiller || arguments.set == ArgumentSet::kExtraType) {
    job.outputWritten = 1;
    // Should the job die while the user's file is being written over, its
    // backup is the previous document: no sweep after a dead job may take it.
    if (job.backupMade) disownFile(job.backupFile);
  }
  const int result = runInterpreter(job, arguments.set, arguments.commandLine);
  if (arguments.set == ArgumentSet::kPostScriptFromPdf) joinPostScriptOfPdf(job);
  return result == 1 ? kConversionEncrypted : kConversionDone;
}

}  // namespace vellora
