#include "converter/job/pipeline.h"

#include "common/product.h"
#include "converter/backends/conversion.h"
#include "converter/backends/interpreter_setup.h"
#include "converter/delivery/email.h"
#include "converter/delivery/error_report.h"
#include "converter/delivery/viewer.h"
#include "converter/job/exception_filter.h"
#include "converter/job/job_files.h"
#include "converter/job/job_helpers.h"
#include "converter/job/post_processing.h"
#include "converter/job/run_log.h"
#include "converter/postscript/output_naming.h"
#include "converter/postscript/prologue.h"
#include "converter/postscript/spool_title.h"
#include "converter/settings/expand_environment.h"
#include "converter/settings/profiles.h"
#include "converter/settings/store_access.h"
#include "converter/ui/save_pdf_dialog.h"
#include "converter/ui/string_table.h"
#include "platform/files.h"
#include "platform/ui.h"

namespace vellora {

namespace {

using platform::kMbIconInformation;
using platform::kMbIconWarning;
using platform::kMbOk;

const std::string kSep = platform::kPathSeparator;

int extraTypeNumber(const JobRecord& job) { return job.filterIndex - 2; }

bool isConvertedType(const JobRecord& job) {
  int n = extraTypeNumber(job);
  return n >= 1 && n <= static_cast<int>(job.convertedTypeFlags.size()) &&
         job.convertedTypeFlags[n - 1] == 1;
}

// Step 1: what the options file says about delivery and file types.
void applyDeliveryOptions(JobRecord& job, const CommandOptions& options) {
  if (options.autoEmail) job.autoEmail = 1;
  if (options.postProcess) {
    job.viewAfterConversion = 1;
    job.postProcessCommand = expandEnvironment(options.postProcessCommand);
  }
  job.copyNameToClipboard = options.copyFileNameToClipboard != 0 ? 1 : 0;
  applyFileTypeOptions(job, options);
}

// Step 3: the dialog, when no rule named the output.
void askForName(ConverterRun& run, const NamingResult& naming) {
  JobRecord& job = run.job;
  SettingsRecord& settings = run.settings.record;
  SaveDialogSetup setup;
  setup.initialFolder = naming.initialFolder;
  setup.initialName = naming.savedName.empty() ? naming.initialName : naming.savedName;
  setup.savedName = naming.savedName;
  SaveDialogResult result = runSavePdfDialog(run, setup);
  job.nameChosen = result.accepted ? 1 : 0;
  // Nobody was asked: the user's stored choices stay as they are.
  if (result.shownNoDialog) return;

  writeStoreNumber(StoreKey::kUser, "RememberLast", settings.RememberLast);
  writeStoreNumber(StoreKey::kUser, "AutoName", settings.AutoName);
  writeStoreNumber(StoreKey::kUser, "FileToClipboard", settings.FileToClipboard);
  writeStoreNumber(StoreKey::kUser, "HideProfiles", settings.HideProfiles);
  writeStoreText(StoreKey::kUser, "PDFQuality", fieldText(settings.PDFQuality));

  if (result.postScriptChosen) {
    job.interpreterKind = kNoInterpreter;
    job.autoEmail = 0;
  }
}

void readDeliverySwitches(JobRecord& job) {
  if (readStoreNumber(StoreKey::kUser, "autoemail") == 1) job.autoEmail = 1;
  std::int32_t autoview = storeNumberExists(StoreKey::kMachine, "autoview")
                              ? readStoreNumber(StoreKey::kMachine, "autoview")
                              : readStoreNumber(StoreKey::kUser, "autoview");
  if (autoview == 1) job.viewAfterConversion = 1;
}

// Ends a job whose output folder cannot be written. The previous file (the
// folder test removed it) goes back, and the job's own files go.
int endUnwritable(JobRecord& job, const std::string& message) {
  deleteSpoolFile(job);
  restoreBackup(job);
  deleteTemporaryFiles(job);
  job.messageText = message;
  showMessage(job, kMbOk | kMbIconWarning);
  removeExceptionFilter();
  return 0;
}

void logOutputFailure(JobRecord& job, const char* what, int error) {
  appendLog(job.errorLog, what);
  appendLog(job.errorLog, "%s\nError message: %s\n", systemErrorText(error).c_str());
  appendLog(job.errorLog, "%s\nPDF Output Path: %s\n", job.outputPath.c_str());
}

// Step 15: the result goes where the user asked for it.
int putInPlace(ConverterRun& run) {
  JobRecord& job = run.job;
  bool copies = job.interpreterKind != kDistiller &&
                (job.filterIndex == 1 || job.filterIndex == 2 || isConvertedType(job));
  if (copies && !platform::copyFile(job.workFile, job.outputPath, true)) {
    int error = platform::lastError();
    job.messageText = format("%s:\n%s", stringTableText(kStrErrorWritingPdf).c_str(),
                             systemErrorText(error).c_str());
    showMessage(job, kMbOk | kMbIconWarning);
    logOutputFailure(job, "%s\nError creating PDF file (NT+)\n", error);
    // The user chose to replace or join an existing document: it must not
    // be lost because the new one could not be written.
    restoreBackup(job);
    writeRunLog(job);
    deleteTemporaryFiles(job);
    removeExceptionFilter();
    return 0;
  }
  deleteTemporaryFiles(job);
  return -2;  // go on
}

}  // namespace

void applyFileTypeOptions(JobRecord& job, const CommandOptions& options) {
  if (job.interpreterKind == kNoInterpreter) {
    job.defaultExtension = "ps";
    job.defaultFilterIndex = 2;
  } else {
    job.defaultExtension = "pdf";
    job.defaultFilterIndex = 1;
  }
  if (options.hasDefaultFileType) job.defaultExtension = options.defaultFileType;
  if (options.defaultExtIndex != 0) job.defaultFilterIndex = options.defaultExtIndex;
  job.filterIndex = job.defaultFilterIndex;
  job.extraFileTypes = options.fileTypes;
  job.convertedTypeFlags.clear();
  for (const ExtraFileType& type : job.extraFileTypes)
    job.convertedTypeFlags.push_back(type.pdfOut == 1 ? 1 : 0);
}

void fitOutputExtension(JobRecord& job) {
  std::string path = job.outputPath;
  if (job.filterIndex == 1) {
    if (!endsWithIgnoreCase(path, ".pdf")) job.outputPath = path + ".pdf";
    return;
  }
  if (!isConvertedType(job)) return;
  std::string extension = job.extraFileTypes[extraTypeNumber(job) - 1].extension;
  if (!extension.empty()) extension.erase(0, 1);  // the "*" of "*.tif"
  if (!endsWithIgnoreCase(path, extension)) {
    // Only an extension makes way for the type's own: a name typed without
    // one keeps all its characters.
    if (path.size() >= 4 && path[path.size() - 4] == '.') path.erase(path.size() - 4);
    path += extension;
  }
  job.convertTarget = path;

  std::string unique;
  if (platform::createTempFile(job.tempDir, "___", &unique) == 0) platform::deleteFile(unique);
  std::string::size_type slash = unique.find_last_of(kSep);
  std::string name = slash == std::string::npos ? unique : unique.substr(slash + 1);
  if (!name.empty()) name.erase(0, 1);
  job.outputPath = job.tempDir.str() + kSep + "Converting with Rasmere" + name + ".pdf";
}

int runPipeline(ConverterRun& run) {
  JobRecord& job = run.job;
  SettingsRecord& settings = run.settings.record;
  platform::UserInterface& ui = platform::ui();

  // Without its temporary files the job cannot run at all.
  if (job.workFile.empty()) ReportConversionError(job);

  // 1. The options file.
  applyDeliveryOptions(job, run.options);
  std::string initialFolder = applyNamingOptions(job, run.options, settings, run.settings.locks);

  // 2. The title.
  scanSpool(job, job.spoolFile, job.documentName);
  setFieldText(settings.PDFTitle, job.title);

  // 3. The name: automatic rules, then the dialog.
  NamingResult naming = nameOutput(job, initialFolder);
  readDeliverySwitches(job);
  if (!naming.nameProduced) askForName(run, naming);

  // 6. No name chosen. (Checked before the extension and backup steps, which
  // would otherwise copy a file of the suggested name for nothing.)
  if (!job.nameChosen) {
    showMessageId(job, kStrNoFilename, kMbOk | kMbIconWarning);
    deleteSpoolFile(job);
    deleteTemporaryFiles(job);
    removeExceptionFilter();
    return -1;
  }

  // 4. The extension.
  fitOutputExtension(job);

  // 5. The backup of a file that is already there.
  if (platform::fileExists(job.outputPath)) {
    if (!platform::copyFile(job.outputPath, job.backupFile, false)) {
      // Without a copy the existing document could not be put back if the
      // job failed: leave it alone and give up.
      int error = platform::lastError();
      appendLog(job.errorLog, "%s\nBackup failed (Output File: %s)\n", job.outputPath.c_str());
      job.messageText = format("%s:\n%s", stringTableText(kStrErrorWritingPdf).c_str(),
                               systemErrorText(error).c_str());
      showMessage(job, kMbOk | kMbIconWarning);
      writeRunLog(job);
      job.backupMade = 0;
      deleteSpoolFile(job);
      deleteTemporaryFiles(job);
      removeExceptionFilter();
      return 0;
    }
    job.backupMade = 1;
  }

  // 7. Joining an existing PDF: look at it first.
  if ((job.existingFileMode == 2 || job.existingFileMode == 3) && job.filterIndex == 1)
    examineExistingPdf(run);

  // 8. The output folder must be writable.
  platform::deleteFile(job.outputPath);
  if (osFamily() != 1) {
    std::string problem = writeTest(job.outputPath);
    if (!problem.empty()) return endUnwritable(job, problem);
    if (!writeTest(job.outputPath).empty()) job.viewWithReaderProgram = 1;
  }

  // 9. Prologue and epilogue.
  ui.setCursor(platform::Cursor::kWait);
  std::string path;
  if (!writePrologue(job, settings, &path)) ReportConversionError(job);
  job.prologueFile = platform::shortPath(path);
  if (!writeEpilogue(job, settings, &path)) ReportConversionError(job);
  job.epilogueFile = platform::shortPath(path);
  std::string params = job.installDir.str() + kSep + "params.ps";
  job.paramsFile = platform::fileExists(params) ? params : std::string();

  // 10. The interpreter must still be there.
  if (job.interpreterKind >= kDistiller && job.interpreterKind <= kPStill &&
      !interpreterStillPresent(job)) {
    showMessageId(job, kStrNoInterpreterWritingPostScript, kMbOk | kMbIconWarning);
    job.interpreterKind = kNoInterpreter;
  }

  // 11. A converted type runs its command afterwards.
  if (isConvertedType(job)) job.postProcessCommand = afterCommand(job.optionsFile, extraTypeNumber(job));

  // 12. Convert.
  int converted = runConversion(job, settings);
  ui.setCursor(platform::Cursor::kArrow);
  deleteSpoolFile(job);
  deleteInterpreterFiles(job);
  if (converted == kConversionNoCommandFile) ReportConversionError(job);

  // 13. A failed conversion.
  if (job.conversionFailed) {
    restoreBackup(job);
    if (converted == kConversionEncrypted) {
      showMessageId(job, kStrEncryptedOriginal, kMbOk | kMbIconWarning);
      deleteTemporaryFiles(job);
      removeExceptionFilter();
      return 0;
    }
    logOutputFailure(job, "%s\nError creating PDF file (errConverting)\n", platform::lastError());
    ReportConversionError(job);
  }

  // 14. Post-processing of a PDF.
  bool pdfMade = job.filterIndex == 1 && !job.postScriptOnly;
  if (pdfMade && (job.interpreterKind == kOwnGhostscript || job.interpreterKind == kGhostscript))
    setProducer(run);
  if (pdfMade) {
    if (job.existingFileMode == 2 || job.existingFileMode == 3) joinWithExistingPdf(run);
    applyStationery(run);
    applyEncryption(run);
  }

  // 15. Into place.
  if (putInPlace(run) == 0) return 0;

  // 16. Remember the settings.
  if (settings.RememberLast == 1)
    SaveProfile(run.keys, kLastSettingProfile, settings);
  else
    DeleteLastSetting();

  // 17. View or post-process.
  viewOrPostProcess(job);

  // 18. E-mail.
  if (job.autoEmail == 1 && !sendMail(job.title, job.outputPath, 0, std::string()))
    showMessageId(job, kStrEmailFailed, kMbOk | kMbIconInformation);

  // 19.
  removeExceptionFilter();
  return 0;
}

}  // namespace vellora
