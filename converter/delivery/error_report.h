// The end of a job that failed for good, or of a converter that crashed: the
// user may send the conversion error log to the maker's report server.
//
// Consent: nothing is sent without the user's Yes. The question's default
// button is No (MB_DEFBUTTON2), so a run where nobody can answer — the
// scripted user interface with no answer left, a run without a desktop, a
// print server — counts as No. With no report server configured
// (report_server.h) nothing is asked: the user is told that the document
// failed and where the run log is.
#pragma once

#include <string>

#include "converter/job/job_record.h"

namespace vellora {

// After a step of the job failed for good (its lines already in the error
// log): puts the previous output file back and clears the job's files, asks,
// sends when allowed, writes the run log and ends the process with code 0.
[[noreturn]] void ReportConversionError(JobRecord& job);

// The crash flow, run by a fresh converter process in report mode: the
// crashed one has already written the run log `runLogPath` (whose text is in
// job.errorLog) and waits for this one to end.
[[noreturn]] void ReportCrash(JobRecord& job, const std::string& runLogPath);

// Builds the converter's form body from the error log and posts it, through
// the user's proxy when one is enabled. The reply is not used.
void SendErrorReport(const JobRecord& job);

// Report mode: `vlconv --crash-report RUNLOG`, started by a crashing
// converter for the report it may no longer make itself.
constexpr const char kCrashReportSwitch[] = "--crash-report";
[[noreturn]] void runCrashReport(const std::string& runLogPath);

}  // namespace vellora
