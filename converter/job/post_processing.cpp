#include "converter/job/post_processing.h"

#include <utility>

#include "common/product.h"
#include "converter/backends/utility_commands.h"
#include "converter/backends/utility_runner.h"
#include "converter/delivery/error_report.h"
#include "converter/job/abandon.h"
#include "converter/job/job_helpers.h"
#include "converter/job/run_log.h"
#include "converter/ui/small_windows.h"
#include "converter/ui/string_table.h"
#include "platform/files.h"
#include "platform/ui.h"

namespace vellora {

namespace {

using platform::kIdCancel;
using platform::kIdYes;
using platform::kMbIconError;
using platform::kMbIconInformation;
using platform::kMbIconWarning;
using platform::kMbOk;
using platform::kMbOkCancel;
using platform::kMbTopmost;
using platform::kMbYesNo;

bool askYesNo(JobRecord& job, int id) {
  return showMessageId(job, id, kMbYesNo | kMbIconWarning | kMbTopmost) == kIdYes;
}

// "Would you like to replace this file instead?": Yes goes on, No ends the job.
void replaceInsteadOrAbandon(JobRecord& job, int id) {
  if (!askYesNo(job, id)) abandonJob(job);
}

std::string statusText(int id) { return stringTableText(id); }

void showStationeryFailure(JobRecord& job, const SettingsRecord& settings) {
  job.messageText = format("%s \"%s\".", stringTableText(kStrStationeryFailed).c_str(),
                           fieldText(settings.StationeryName).c_str());
  showMessage(job, kMbOk | kMbIconError);
}

void showEncryptionFailure(JobRecord& job) {
  int id = job.interpreterKind == kDistiller ? kStrEncryptionWithDistiller : kStrEncryptionFailed;
  showMessageId(job, id, kMbOk | kMbIconInformation);
}

}  // namespace

bool replaceWorkFile(JobRecord& job, const char* failureFormat) {
  platform::deleteFile(job.workFile);
  if (platform::copyFile(job.utilityOutFile, job.workFile, true)) {
    platform::deleteFile(job.utilityOutFile);
    return true;
  }
  appendLog(job.errorLog, failureFormat, job.workFile.c_str());
  // The good result still lies in the utility's output: let it be the work
  // file from now on instead of deleting it.
  std::string result = job.utilityOutFile;
  job.utilityOutFile = job.workFile.str();
  job.workFile = result;
  return false;
}

void examineExistingPdf(ConverterRun& run) {
  JobRecord& job = run.job;
  if (!platform::copyFile(job.outputPath, job.backupFile, false))
    appendLog(job.errorLog, "%s\nMerge failed (Output File: %s)\n", job.backupFile.c_str());

  int code = runUtility(job, examineCommand(job), true, statusText(kStrExaminingPdf));
  if (code == kUtilityEncrypted || code == kUtilityEncryptedRestricted) {
    std::string password;
    int answer = askExistingFilePassword(&password);
    if (answer == 0) {
      job.existingFilePassword = password;
    } else if (answer == 1) {
      abandonJob(job);
    } else if (askYesNo(job, kStrReplaceInstead)) {
      job.existingFileMode = 1;
    } else {
      abandonJob(job);
    }
  } else if (code == kUtilityUnreadable) {
    showMessageId(job, kStrErrorReadingPdf, kMbOk);
  } else if (code == kUtilityFailureTopmost) {
    failModifying(job, true);
  } else if (code == kUtilityFailure) {
    failModifying(job, false);
  }
}

void joinWithExistingPdf(ConverterRun& run) {
  JobRecord& job = run.job;
  const SettingsRecord& settings = run.settings.record;
  for (int attempt = 1;; ++attempt) {
    bool append = job.existingFileMode == 2;
    std::string first = append ? job.backupFile.str() : job.workFile.str();
    std::string second = append ? job.workFile.str() : job.backupFile.str();
    int code = runUtility(job, joinCommand(job, settings, first, second), true,
                          statusText(kStrJoining));
    if (code == kUtilityOk) {
      replaceWorkFile(job, "%s\nAppend failed (Output File: %s)\n");
      return;
    }
    if (code == kUtilityFailure || code == kUtilityFailureTopmost) {
      failModifying(job, code == kUtilityFailureTopmost);
    }
    if (code != kUtilityWrongPassword && code != kUtilityPasswordNeeded) {
      replaceInsteadOrAbandon(job, kStrUnreadableReplaceInstead);
      return;
    }
    if (attempt >= 3) {
      replaceInsteadOrAbandon(job, kStrPasswordReplaceInstead);
      return;
    }
    if (showMessageId(job, kStrPasswordTryAgain, kMbOkCancel | kMbIconWarning) == kIdCancel) {
      replaceInsteadOrAbandon(job, kStrReplaceInstead);
      return;
    }
    std::string password;
    int answer = askExistingFilePassword(&password);
    if (answer == 1) abandonJob(job);
    if (answer != 0) {
      replaceInsteadOrAbandon(job, kStrReplaceInstead);
      return;
    }
    job.existingFilePassword = password;
  }
}

bool stationeryWanted(const SettingsRecord& settings) {
  // Any name the list offers counts, however short ("Memo"): only "None"
  // and nothing at all choose no stationery.
  std::string name = fieldText(settings.StationeryName);
  return settings.StationeryDisable == 0 && !name.empty() && !equalsIgnoreCase(name, "None");
}

void applyStationery(ConverterRun& run) {
  JobRecord& job = run.job;
  const SettingsRecord& settings = run.settings.record;
  if (!stationeryWanted(settings)) return;
  int code = runUtility(job, stationeryCommand(job, settings), true,
                        statusText(kStrApplyingStationery));
  if (code == kUtilityOk) {
    replaceWorkFile(job, "%s\nStationery Application Failed (Output File: %s)\n");
  } else if (code == kUtilityFailure || code == kUtilityFailureTopmost) {
    failModifying(job, code == kUtilityFailureTopmost);
  } else {
    // The document goes on without it; the run log keeps why for a job
    // whose message nobody could see.
    appendLog(job.errorLog, "%s\nStationery not applied: \"%s\" in %s\n",
              fieldText(settings.StationeryName).c_str(), fieldText(settings.StationeryPath).c_str());
    writeRunLog(job);
    showStationeryFailure(job, settings);
  }
}

void applyEncryption(ConverterRun& run) {
  JobRecord& job = run.job;
  const SettingsRecord& settings = run.settings.record;
  if (settings.EncryptionLevel != 1 && settings.EncryptionLevel != 2) return;
  int code =
      runUtility(job, encryptCommand(job, settings), true, statusText(kStrSettingPermissions));
  if (code == kUtilityOk) {
    replaceWorkFile(job, "%s\nEncryption failed (Output File: %s)\n");
  } else if (code == kUtilityFailure || code == kUtilityFailureTopmost) {
    failModifying(job, code == kUtilityFailureTopmost);
  } else {
    showEncryptionFailure(job);
    // Distiller's document is delivered as it is, the message says so; any
    // other must not reach the user without the protection asked for.
    if (job.interpreterKind != kDistiller) {
      appendLog(job.errorLog, "%s\nEncryption failed (Output File: %s)\n", job.workFile.c_str());
      ReportConversionError(job);
    }
  }
}

namespace {

void logNotReadable(JobRecord& job) {
  appendLog(job.errorLog, "%s\nThe PostScript interpreter's result is not a readable PDF: %s\n",
            job.workFile.c_str());
}

}  // namespace

bool resultIsReadablePdf(JobRecord& job) {
  int code = runUtility(job, examineFileCommand(job, job.workFile), false, std::string());
  // Encrypted is still a PDF; anything else that is not 0 (unreadable, no
  // pages, the utility failing or missing) means nothing is known to be
  // there worth delivering.
  if (code == kUtilityOk || code == kUtilityEncrypted || code == kUtilityEncryptedRestricted)
    return true;
  logNotReadable(job);
  return false;
}

std::unique_ptr<UtilityInWaiting> startResultCheck(const JobRecord& job) {
  return std::make_unique<UtilityInWaiting>(
      finishCommand(job, format("%s %d.%d", kProductName, kVersionMajor, kVersionMinor)));
}

bool readablePdfWithProducer(ConverterRun& run, UtilityInWaiting& check) {
  JobRecord& job = run.job;
  int code = check.run(job);
  if (code == kUtilityOk) {
    replaceWorkFile(job, "%s\nProducer not set (Output File: %s)\n");
    return true;
  }
  // A PDF that needs its password to be opened goes on as it is.
  if (code == kUtilityEncrypted || code == kUtilityEncryptedRestricted) return true;
  if (code == kUtilityUnreadable) {
    logNotReadable(job);
    return false;
  }
  // The utility failed for a reason of its own (no room for its output,
  // missing): the document goes without the stamp, if it is a PDF.
  return resultIsReadablePdf(job);
}

}  // namespace vellora
