#include "converter/job/startup.h"

#include "common/monitor_contract.h"
#include "common/product.h"
#include "common/program_files.h"
#include "converter/backends/interpreter_setup.h"
#include "converter/job/abandon.h"
#include "converter/job/exception_filter.h"
#include "converter/job/job_files.h"
#include "converter/job/job_helpers.h"
#include "converter/job/job_result.h"
#include "converter/job/run_log.h"
#include "converter/ui/background_scans.h"
#include "converter/ui/string_table.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/ui.h"

namespace vellora {

namespace {

const std::string kSep = platform::kPathSeparator;


bool pdfReaderInstalled() {
  platform::RegKey pdfClass;
  if (pdfClass.open(platform::HKCR, ".pdf", platform::kRegRead) != platform::kRegOk) return false;
  return !readRegistryString(platform::HKLM, kAcrobatReaderAppPath, "").empty();
}

// The three files every job owns from the start. A working folder where they
// cannot be made (full, or no longer writable) falls back to the system's
// temporary folder rather than leaving the job without them.
bool createJobFiles(JobRecord& job) {
  PathText* files[] = {&job.workFile, &job.utilityOutFile, &job.backupFile};
  const char* prefixes[] = {"vlo", "vlx", "vlt"};
  for (int attempt = 0; attempt < 2; ++attempt) {
    bool all = true;
    for (int i = 0; i < 3; ++i) {
      std::string path;
      if (platform::createTempFile(job.tempDir, prefixes[i], &path) != 0) {
        all = false;
        break;
      }
      *files[i] = platform::shortPath(path);
      ownFile(*files[i]);
    }
    if (all) return true;
    for (PathText* file : files) {
      if (!file->empty()) deleteOwnedFile(*file);
      file->clear();
    }
    std::string fallback = platform::tempPath();
    if (attempt == 1 || fallback == job.tempDir.str()) break;
    job.tempDir = fallback;
  }
  return false;
}

}  // namespace

std::string workingFolder() {
  if (osFamily() == 1) return platform::tempPath();
  std::string folder =
      platform::applicationDataFolder() + kSep + kProductName + kSep + "Temp";
  // One directory level only: a product folder under application data that
  // does not exist means the product was never set up for this user. The
  // folder holds copies of the user's documents: no one else may look in.
  if (!platform::createPrivateDirectory(folder)) return platform::tempPath();
  return platform::shortPath(folder);
}

bool startJob(ConverterRun& run, const std::vector<std::string>& arguments, int* exitCode) {
  JobRecord& job = run.job;
  takeJobResultFile();
  // 1. The record starts zeroed (a fresh object); the caption is the product name.
  job.messageCaption = stringTableText(kStrProductName);

  // 2. Message boxes have no owner window on this system family.
  // 3. The product folder.
  job.installDir =
      cut(platform::shortPath(readRegistryString(platform::HKLM, kProductKey, kAppPathValue)),
          shortPathCapacity());

  // 4. From here on a crash still leaves the error log on disk, and a
  // request to end the program ends the job the way a failure does.
  installExceptionFilter(job);
  installTerminationHandling(job);

  // 5. System folders and the own Ghostscript's library path.
  job.systemDir = platform::systemFolder();
  job.fontsDir = platform::windowsFolder() + kSep + "fonts";
  job.includePath = job.systemDir.str() + kSep + "kelp" + kSep + "lib" +
                    platform::kPathListSeparator + job.systemDir.str() + kSep + "kelp" + kSep +
                    "fonts" + platform::kPathListSeparator;

  // 6. The page count and the spool file are required.
  if (arguments.size() < 2) {
    removeExceptionFilter();
    *exitCode = -1;
    return false;
  }

  // 7.
  job.pageCount = leadingInt(arguments[0]);
  // A path cut short would name some other file, which the job would then
  // delete as its spool file: such a job runs without one and fails.
  const std::string spool = platform::shortPath(arguments[1]);
  if (spool.size() < shortPathCapacity()) {
    job.spoolFile = spool;
  } else {
    job.keepSpoolFile = 1;
    appendLog(job.errorLog, "%s\nThe spool file's path is too long: %s\n", arguments[1].c_str());
  }
  if (arguments.size() >= 3) job.documentName = arguments[2];

  // 8. The print monitor passes the printer as the fourth argument; the
  // arguments after it are accepted and ignored.
  job.printerName = kPrinterName;
  if (arguments.size() >= 4) job.printerName = arguments[3];

  // 9. The printer selects its own settings and profiles keys.
  run.keys = SelectPrinterKeys(job.printerName);
  setCurrentPrinterKeys(run.keys);

  // 10.-12.
  job.pdfSettingsName = "default";
  if (job.pageCount == kUserPostScriptMode) {
    job.pageCount = 1;
    job.keepSpoolFile = 1;
  }
  // The banner starts the log; a note made before it (a spool path too
  // long) follows it.
  const std::string early = job.errorLog.str();
  job.errorLog.clear();
  job.errorLog.append(kJobBanner);
  job.errorLog.append(early);
  // Which windows this job can show, and why: the first thing to know when
  // a job asked nobody.
  appendLog(job.errorLog, "%s\nUser interface: %s\n", platform::ui().description().c_str());

  // 13.
  job.pdfReaderInstalled = pdfReaderInstalled() ? 1 : 0;

  // 14. and 15.
  job.tempDir = workingFolder();
  beginFileOwnership(job);
  if (!createJobFiles(job)) {
    appendLog(job.errorLog, "%s\nError creating temporary files in: %s\n%s\n",
              job.tempDir.c_str(), lastErrorText().c_str());
  }

  // 16.
  setUpInterpreter(job);

  // 17.
  LoadSettings(run.keys, job.installDir, &run.settings);
  startStationeryScan(fieldText(run.settings.record.StationeryPath), job.installDir.str());

  // 18.
  job.optionsFile = cut(printerOptionsFile(optionsFolder(job.installDir.str(), shortPathCapacity()),
                                          job.printerName.str()),
                       shortPathCapacity());
  job.lastDirectory = readRegistryString(platform::HKCU, kProductKey, "LastDirectory");

  // 19.
  run.options = readCommandOptions(job.optionsFile);
  return true;
}

}  // namespace vellora
