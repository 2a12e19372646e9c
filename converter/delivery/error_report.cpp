#include "converter/delivery/error_report.h"

#include <cstdlib>

#include "common/form_post.h"
#include "common/monitor_contract.h"
#include "common/report_server.h"
#include "converter/job/exception_filter.h"
#include "converter/job/job_files.h"
#include "converter/job/job_helpers.h"
#include "converter/job/job_result.h"
#include "converter/job/run_log.h"
#include "converter/ui/string_table.h"
#include "platform/files.h"
#include "platform/ui.h"

namespace vellora {

namespace {

using platform::kMbIconInformation;
using platform::kMbIconQuestion;
using platform::kMbIconWarning;
using platform::kMbOk;
using platform::kMbTopmost;

// The report question; its default button is No.
bool userAllowsReport(JobRecord& job, int questionId) {
  loadMessage(job, questionId);
  loadCaption(job, kStrReportCaption);
  int answer = platform::ui().messageBox(
      job.messageText, job.captionText,
      platform::kMbYesNo | platform::kMbDefButton2 | kMbIconQuestion | kMbTopmost);
  return answer == platform::kIdYes;
}

void sendWithWaitCursor(const JobRecord& job) {
  platform::ui().setCursor(platform::Cursor::kWait);
  SendErrorReport(job);
  platform::ui().setCursor(platform::Cursor::kArrow);
}

void showClosingMessage(JobRecord& job, int id) {
  loadMessage(job, id);
  loadCaption(job, kStrReportCaption);
  platform::ui().messageBox(job.messageText, job.captionText, kMbOk | kMbIconInformation | kMbTopmost);
}

// Without a report server the user still learns that something failed, and
// where the details are.
std::string runLogNotice(int whatId, const std::string& runLogPath) {
  std::string where = runLogPath.empty() ? stringTableText(kStrNoRunLog)
                                         : stringTableText(kStrRunLogAt) + "\n" + runLogPath;
  return stringTableText(whatId) + "\n" + where;
}

void showRunLogNotice(JobRecord& job, int whatId, const std::string& runLogPath) {
  job.messageText = runLogNotice(whatId, runLogPath);
  showMessage(job, kMbOk | kMbIconWarning | kMbTopmost);
}

[[noreturn]] void endProcess() {
  removeExceptionFilter();
  std::exit(0);
}

}  // namespace

void ReportConversionError(JobRecord& job) {
  // Whatever failed, the user's previous document goes back in place and the
  // job's files are cleared away before anyone is asked anything.
  restoreBackup(job);
  deleteSpoolFile(job);
  deleteInterpreterFiles(job);
  deleteTemporaryFiles(job);

  std::string runLog;
  if (!ConfiguredReportServer().configured()) {
    writeRunLog(job, &runLog);
    recordJobResult(kJobFailed, runLogNotice(kStrDocumentFailed, runLog));
    showRunLogNotice(job, kStrDocumentFailed, runLog);
    endProcess();
  }
  if (!userAllowsReport(job, kStrReportQuestion)) {
    writeRunLog(job, &runLog);
    recordJobResult(kJobFailed, runLogNotice(kStrDocumentFailed, runLog));
    endProcess();
  }
  sendWithWaitCursor(job);
  writeRunLog(job, &runLog);
  recordJobResult(kJobFailed, runLogNotice(kStrDocumentFailed, runLog));
  showClosingMessage(job, kStrReportThanks);
  endProcess();
}

void ReportCrash(JobRecord& job, const std::string& runLogPath) {
  removeExceptionFilter();
  if (!ConfiguredReportServer().configured()) {
    showRunLogNotice(job, kStrConverterFailed, runLogPath);
    std::exit(0);
  }
  // The crashed process wrote the run log before it started this one.
  if (userAllowsReport(job, kStrCrashQuestion)) {
    sendWithWaitCursor(job);
    showClosingMessage(job, kStrCrashLogged);
  }
  std::exit(0);
}

void SendErrorReport(const JobRecord& job) {
  const std::string host = ConfiguredReportServer().hostName;
  const std::string body = ConverterReportBody(job.errorLog.str());
  if (ProxyEnabled(host))
    PostFormViaProxy(host, kPostMethod, ReportUrl(host), body);
  else
    PostForm(host, kPostMethod, kReportPath, body);
}

void runCrashReport(const std::string& runLogPath) {
  static JobRecord job;
  job.messageCaption = stringTableText(kStrProductName);
  std::string text;
  platform::readBinaryFile(runLogPath, &text);
  job.errorLog.append(text);
  ReportCrash(job, runLogPath);
}

}  // namespace vellora
