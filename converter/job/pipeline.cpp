#include "converter/job/pipeline.h"

#include "common/monitor_contract.h"
#include "common/product.h"
#include "converter/backends/conversion.h"
#include "converter/backends/interpreter_setup.h"
#include "converter/delivery/email.h"
#include "converter/delivery/error_report.h"
#include "converter/delivery/viewer.h"
#include "converter/job/abandon.h"
#include "converter/job/exception_filter.h"
#include "converter/job/job_files.h"
#include "converter/job/job_helpers.h"
#include "converter/job/job_result.h"
#include "converter/job/pdf_job.h"
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
#include "platform/text_encoding.h"
#include "platform/ui.h"

namespace vellora {

namespace {

using platform::kMbIconInformation;
using platform::kMbIconWarning;
using platform::kMbOk;

const std::string kSep = platform::kPathSeparator;
// Numbered names tried when the result claims one; the count ends a folder
// where every name is taken, or reads as taken.
constexpr int kNameClaimAttempts = 10000;

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
  if (result.shownNoDialog) {
    job.nobodyAsked = 1;
    return;
  }

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

// Ends a job whose output folder cannot be written; the job's own files go.
int endUnwritable(JobRecord& job, const std::string& message) {
  deleteSpoolFile(job);
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

std::string folderOf(const std::string& path) {
  std::string::size_type slash = path.find_last_of(kSep);
  if (slash == std::string::npos) return ".";
  return slash == 0 ? kSep : path.substr(0, slash);
}

// Step 8: the output folder must take a file. The test writes a file of its
// own there: the user's file stays untouched until the result replaces it.
std::string folderWriteTest(const std::string& outputPath) {
  std::string probe;
  int code = platform::createTempFile(folderOf(outputPath), ".vl", &probe);
  if (code != 0)
    return formatCut(kMessageCapacity, "%s\n%s", stringTableText(kStrCannotWritePath).c_str(),
                     systemErrorText(code).c_str());
  ownFile(probe);
  std::string problem = writeTest(probe);
  deleteOwnedFile(probe);
  return problem;
}

// A PostScript result cannot be joined to a PDF, and must not take the
// PDF's place either: it goes beside it, under a ".ps" name of its own.
void refuseJoiningPostScript(JobRecord& job) {
  // A PDF job makes PostScript only when it is asked for.
  const bool postScriptResult = job.pdfJob ? job.filterIndex == 2
                                           : job.interpreterKind == kNoInterpreter && job.filterIndex <= 2;
  if (!postScriptResult || (job.existingFileMode != 2 && job.existingFileMode != 3)) return;
  std::string head = job.outputPath;
  if (endsWithIgnoreCase(head, ".pdf")) head.erase(head.size() - 4);
  appendLog(job.errorLog, "%s\nPostScript cannot be joined to %s; it is written beside it\n",
            job.outputPath.c_str());
  job.existingFileMode = 0;
  job.nameClaim = kClaimCounter;
  job.claimHead = head;
  job.claimName.clear();
  job.claimExtension = "ps";
  job.outputPath = claimCandidate(job, 0);
}

// A job nobody was asked about may bring the answer for a name that is a
// file already (given when it was printed): the document is then to join
// the file at its own name rather than take the next free one. True when
// the name is now that one; whether the file is there is decided once the
// name is locked, since another job may be making it.
bool joinsAnsweredName(JobRecord& job) {
  if (job.existingFileAnswer == 0 || !job.nobodyAsked || job.filterIndex != 1 || job.existingFileMode != 0)
    return false;
  if (job.nameClaim == kClaimCounter) {
    job.outputPath = claimCandidate(job, 0);
    job.nameClaim = kClaimChosen;
  }
  return job.nameClaim == kClaimChosen;
}

// Moves the result to its name in one step: over the chosen name, or onto
// the first free numbered or unique name. False with *error set when it
// could not be placed.
bool placeResult(JobRecord& job, int* error) {
  platform::FilePlacement placement;
  const std::string copy = platform::FilePlacement::copyNameFor(job.outputPath);
  ownFile(copy);
  bool placed = false;
  if (placement.prepare(job.workFile, copy)) {
    if (job.nameClaim == kClaimChosen) {
      placed = placement.placeReplacing(job.outputPath);
    } else {
      std::string previous = claimCandidate(job, 0);
      for (int attempt = 0; attempt <= kNameClaimAttempts && !placed; ++attempt) {
        const std::string target = attempt == 0 ? job.outputPath.str() : claimCandidate(job, attempt);
        if (attempt > 0 && job.nameClaim == kClaimCounter) {
          if (target == previous) break;  // the folder and prefix alone fill the name
          previous = target;
        }
        if (placement.placeNew(target)) {
          job.outputPath = target;
          placed = true;
        } else if (!platform::isFileExistsError(platform::lastError())) {
          break;
        }
      }
    }
  }
  *error = platform::lastError();
  if (placed)
    disownFile(copy);
  else
    deleteOwnedFile(copy);
  return placed;
}

// Step 15: the result goes where the user asked for it.
int putInPlace(ConverterRun& run) {
  JobRecord& job = run.job;
  bool copies = job.interpreterKind != kDistiller &&
                (job.filterIndex == 1 || job.filterIndex == 2 || isConvertedType(job));
  int error = 0;
  std::unique_lock<std::mutex> placing = holdPlacement();
  if (copies && !placeResult(job, &error)) {
    placing.unlock();
    job.messageText = format("%s:\n%s", stringTableText(kStrErrorWritingPdf).c_str(),
                             systemErrorText(error).c_str());
    showMessage(job, kMbOk | kMbIconWarning);
    logOutputFailure(job, "%s\nError creating PDF file (NT+)\n", error);
    // The previous file was never touched: it is still there, whole.
    writeRunLog(job);
    deleteTemporaryFiles(job);
    removeExceptionFilter();
    return 0;
  }
  // Whatever the interpreter wrote in place is the delivered document now;
  // an end requested from here on no longer undoes the job.
  job.outputWritten = 0;
  recordJobResult(kJobCompleted, job.outputPath.str());
  deleteTemporaryFiles(job);
  return -2;  // go on
}

}  // namespace

void applyFileTypeOptions(JobRecord& job, const CommandOptions& options) {
  // A PDF job is a PDF without any interpreter.
  const bool interpreter = job.interpreterKind != kNoInterpreter || job.pdfJob;
  job.defaultFilterIndex = interpreter ? 1 : 2;
  job.extraFileTypes = options.fileTypes;
  // An index that names no type the job can make counts as the default: no
  // type below 1 or past the list, and no PDF without an interpreter.
  const int types = 2 + static_cast<int>(job.extraFileTypes.size());
  const int index = options.defaultExtIndex;
  if (index >= 1 && index <= types && (index != 1 || interpreter)) job.defaultFilterIndex = index;
  // The extension of automatic names is the type's own, so that a name
  // always says what the file holds.
  if (options.hasDefaultFileType) {
    job.defaultExtension = options.defaultFileType;
  } else if (job.defaultFilterIndex >= 3) {
    std::string extension = job.extraFileTypes[job.defaultFilterIndex - 3].extension;
    std::string::size_type dot = extension.rfind('.');
    job.defaultExtension = dot == std::string::npos ? extension : extension.substr(dot + 1);
    if (job.defaultExtension.empty() || job.defaultExtension.find('*') != std::string::npos)
      job.defaultExtension = interpreter ? "pdf" : "ps";
  } else {
    job.defaultExtension = job.defaultFilterIndex == 2 ? "ps" : "pdf";
  }
  job.filterIndex = job.defaultFilterIndex;
  job.convertedTypeFlags.clear();
  for (const ExtraFileType& type : job.extraFileTypes)
    job.convertedTypeFlags.push_back(type.pdfOut == 1 ? 1 : 0);
}

void fitOutputExtension(JobRecord& job) {
  std::string path = job.outputPath;
  if (job.filterIndex == 1) {
    job.outputPath = pdfOutputName(path);
    // Numbered names are claimed later with the same ending.
    if (job.nameClaim != kClaimChosen && !equalsIgnoreCase(job.claimExtension, "pdf"))
      job.claimExtension += ".pdf";
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
  // The converted file is made by the type's command from a PDF with a
  // unique name of its own; only that PDF is placed here.
  job.nameClaim = kClaimChosen;

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
  const SpoolFormat spoolKind = recogniseJobDocument(job);

  // 1. The options file.
  applyDeliveryOptions(job, run.options);
  std::string initialFolder = applyNamingOptions(job, run.options, settings, run.settings.locks);

  // 2. The title.
  if (spoolKind == SpoolFormat::kPostScript) {
    scanSpool(job, job.spoolFile, job.documentName);
  } else {
    const int ended = titleFromPdf(run, spoolKind);
    if (ended != kPdfJobGoesOn) return ended;
  }
  setFieldText(settings.PDFTitle, job.title);
  // The title is the document's whatever a key holds. A profile loaded later
  // (in the dialog, or the one a job nobody is asked about runs with) puts
  // the locked values back from the snapshot; for a user who may not write
  // the printer's machine settings every text counts as locked, and the
  // snapshot's empty title would replace the document's.
  setFieldText(run.settings.snapshot.PDFTitle, job.title);
  // A spool file with nothing to print in it would give a blank page that
  // could replace a document: the job fails instead.
  if (!job.pdfJob && !spoolHasPostScript(job.spoolFile)) {
    appendLog(job.errorLog, "%s\nThe spool file holds no PostScript: %s\n", job.spoolFile.c_str());
    logOutputFailure(job, "%s\nError creating PDF file (errConverting)\n", platform::lastError());
    ReportConversionError(job);
  }

  // 3. The name: automatic rules, then the dialog.
  NamingResult naming = nameOutput(job, initialFolder);
  if (naming.nameProduced) job.nobodyAsked = 1;
  readDeliverySwitches(job);
  if (!naming.nameProduced) askForName(run, naming);
  // PostScript as the type of an automatic name means PostScript, as it
  // does when chosen in the dialog.
  if (naming.nameProduced && job.filterIndex == 2 && job.interpreterKind != kDistiller)
    job.interpreterKind = kNoInterpreter;

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
  keepPdfWithoutPostScriptInterpreter(job);
  fitOutputExtension(job);
  refuseJoiningPostScript(job);
  const bool joinAnswered = joinsAnsweredName(job);

  if (job.nameClaim == kClaimChosen) lockOutputFile(job);
  if (joinAnswered && platform::fileExists(job.outputPath)) {
    job.existingFileMode = job.existingFileAnswer;
    appendLog(job.errorLog, "%s\nThe document joins %s, as the job asked\n", job.outputPath.c_str());
    refuseJoiningPostScript(job);
  }

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
  if (osFamily() != 1) {
    std::string problem = folderWriteTest(job.outputPath);
    if (!problem.empty()) return endUnwritable(job, problem);
    if (!folderWriteTest(job.outputPath).empty()) job.viewWithReaderProgram = 1;
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
    // (A PDF job is still a PDF, handed on as it came.)
    if (job.pdfJob)
      appendLog(job.errorLog, "%s\nGhostscript is gone: the PDF is handed on as it came\n");
    else
      showMessageId(job, kStrNoInterpreterWritingPostScript, kMbOk | kMbIconWarning);
    job.interpreterKind = kNoInterpreter;
    refuseJoiningPostScript(job);
  }

  // 11. A converted type runs its command afterwards.
  if (isConvertedType(job)) job.postProcessCommand = afterCommand(job.optionsFile, extraTypeNumber(job));

  // 12. Convert. Ghostscript names itself the producer: the look at its
  // result that replaces the name starts with it.
  const bool stamp = job.filterIndex == 1 &&
                     (job.interpreterKind == kOwnGhostscript || job.interpreterKind == kGhostscript);
  std::unique_ptr<UtilityInWaiting> resultCheck;
  if (stamp) resultCheck = startResultCheck(job);
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

  // The result must be a PDF before anything is done with it: an
  // interpreter that wrote something else and said nothing has failed.
  // Ghostscript's own name as the producer is replaced in the same look.
  bool checkable = !job.postScriptOnly && !job.outputWritten &&
                   (job.filterIndex == 1 || isConvertedType(job));
  bool pdfMade = job.filterIndex == 1 && !job.postScriptOnly;
  if (checkable || (resultCheck && pdfMade)) {
    bool readable = resultCheck && pdfMade ? readablePdfWithProducer(run, *resultCheck)
                                           : resultIsReadablePdf(job);
    if (checkable && !readable) {
      logOutputFailure(job, "%s\nError creating PDF file (errConverting)\n", platform::lastError());
      ReportConversionError(job);
    }
  }

  // 14. Post-processing of a PDF.
  if (pdfMade) {
    if (job.existingFileMode == 2 || job.existingFileMode == 3) joinWithExistingPdf(run);
    applyStationery(run);
    applyEncryption(run);
  }

  // 15. Into place.
  if (putInPlace(run) == 0) return 0;

  // 16. Remember the settings. A job that is not to be remembered leaves
  // what an earlier one remembered: it comes back when "remember" is on again.
  if (settings.RememberLast == 1) SaveProfile(run.keys, kLastSettingProfile, settings);

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
