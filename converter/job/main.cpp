// vlconv: converts one spooled PostScript job per run.
//
//   vlconv PAGES SPOOLFILE [DOCUMENT [PRINTER [ignored [ignored]]]]
//
// PAGES "9993" marks a PostScript file of the user's own, which is converted
// and left in place. "vlconv --crash-report RUNLOG" is the converter's own
// report mode, started by a converter that crashed.
#include <string>
#include <vector>

#include "common/monitor_contract.h"
#include "converter/delivery/error_report.h"
#include "converter/job/job_result.h"
#include "converter/job/pipeline.h"
#include "converter/job/startup.h"
#include "scripted_ui/scripted_backend.h"

int main(int argc, char** argv) {
  // A job can be answered by a script instead of a person (the unattended mode).
  platform::installScriptedBackend();
  // The run's records live for the whole process; static storage keeps them
  // off the stack.
  static vellora::ConverterRun run;
  std::vector<std::string> arguments(argv + 1, argv + argc);
  // A crashed converter's report, made by a fresh process.
  if (arguments.size() == 2 && arguments[0] == vellora::kCrashReportSwitch)
    vellora::runCrashReport(arguments[1]);
  int exitCode = 0;
  if (!vellora::startJob(run, arguments, &exitCode)) return exitCode;
  exitCode = vellora::runPipeline(run);
  // A job that ended with code 0 and no document in place failed: its last
  // message says why.
  if (exitCode == 0) vellora::recordJobResult(vellora::kJobFailed, run.job.messageText.str());
  return exitCode;
}
