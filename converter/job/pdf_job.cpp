#include "converter/job/pdf_job.h"

#include "converter/backends/utility_commands.h"
#include "converter/backends/utility_runner.h"
#include "converter/delivery/error_report.h"
#include "converter/job/exception_filter.h"
#include "converter/job/job_files.h"
#include "converter/job/job_helpers.h"
#include "converter/job/run_log.h"
#include "converter/postscript/spool_title.h"
#include "converter/ui/string_table.h"
#include "platform/files.h"
#include "platform/text_encoding.h"
#include "platform/ui.h"

namespace vellora {

namespace {

std::string fileNameOf(const std::string& path) {
  std::string::size_type slash = path.find_last_of(platform::kPathSeparator);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A title is one line of text wherever it goes (names, the document's
// information, an e-mail subject): control characters become blanks.
std::string titleText(const std::string& utf8) {
  std::string text = platform::textFromUtf8(utf8);
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  return text.substr(0, platform::textCutPoint(text, kTitleCapacity - 1));
}

// Ends a job whose document cannot be converted. Nothing of the user's was
// touched yet; the job's own files go, the details into the run log.
int refuseDocument(JobRecord& job, int messageId) {
  appendLog(job.errorLog, "%s\nThe document cannot be converted: %s\n",
            stringTableText(messageId).c_str());
  deleteSpoolFile(job);
  deleteTemporaryFiles(job);
  std::string runLog;
  writeRunLog(job, &runLog);
  job.messageText = stringTableText(messageId) + "\n" +
                    (runLog.empty() ? stringTableText(kStrNoRunLog)
                                    : stringTableText(kStrRunLogAt) + "\n" + runLog);
  showMessage(job, platform::kMbOk | platform::kMbIconWarning);
  removeExceptionFilter();
  return 0;
}

}  // namespace

bool isGhostscriptKind(int kind) { return kind == kOwnGhostscript || kind == kGhostscript; }

SpoolFormat recogniseJobDocument(JobRecord& job) {
  job.foundInterpreterKind = job.interpreterKind;
  const SpoolFormat format = spoolFormat(job.spoolFile);
  if (format != SpoolFormat::kPdf) return format;
  job.pdfJob = 1;
  // The spool file goes by its short name; the document is named as its
  // user named the file.
  if (job.keepSpoolFile && job.documentName.empty())
    job.documentName = fileNameOf(platform::longPath(job.spoolFile));
  if (isGhostscriptKind(job.interpreterKind)) {
    appendLog(job.errorLog, "%s\nThe document is a PDF: Ghostscript runs it as it is\n");
  } else {
    appendLog(job.errorLog,
              "%s\nThe document is a PDF and no Ghostscript is at hand (interpreter kind %d): "
              "it is handed on as it came, with what the PDF utility applies (joining, stationery, "
              "passwords); the viewer settings and document information are not applied\n",
              job.interpreterKind);
    job.interpreterKind = kNoInterpreter;
  }
  return format;
}

int titleFromPdf(ConverterRun& run, SpoolFormat format) {
  JobRecord& job = run.job;
  if (format == SpoolFormat::kNotPdf) return refuseDocument(job, kStrNotAPdf);
  const int code = runUtility(job, titleCommand(job, job.spoolFile), false, std::string());
  if (code == kUtilityUnreadable) return refuseDocument(job, kStrPdfDamaged);
  if (code == kUtilityInputEncrypted) return refuseDocument(job, kStrEncryptedOriginal);
  if (code != kUtilityOk) {
    // Without the utility nothing can be known about the document, and it
    // could not be post-processed either.
    appendLog(job.errorLog, "%s\nThe PDF utility could not read the document: %s\n",
              job.spoolFile.c_str());
    ReportConversionError(job);
  }
  std::string found;
  platform::readBinaryFile(job.utilityOutFile, &found);
  // Emptied again: later steps take whatever is in it for their result.
  platform::writeBinaryFile(job.utilityOutFile, std::string());
  job.rawTitle = titleText(found);
  job.title = cleanTitle(job.rawTitle);
  if (job.title.empty()) job.title = cleanTitle(job.documentName);
  return kPdfJobGoesOn;
}

void keepPdfWithoutPostScriptInterpreter(JobRecord& job) {
  if (!job.pdfJob || job.filterIndex != 2 || isGhostscriptKind(job.foundInterpreterKind)) return;
  std::string path = job.outputPath;
  if (endsWithIgnoreCase(path, ".ps")) path.erase(path.size() - 3);
  job.outputPath = path;
  if (equalsIgnoreCase(job.claimExtension, "ps")) job.claimExtension = "pdf";
  job.filterIndex = 1;
  appendLog(job.errorLog,
            "%s\nPostScript cannot be made from a PDF without Ghostscript: the PDF is kept as it "
            "is, as %s.pdf\n",
            path.c_str());
}

}  // namespace vellora
