// vlmon: the Vellora print monitor on CUPS, a backend for the device URI
// "vlm:/" (the port "VLM:").
//
//   vlmon                                          prints its discovery line
//   vlmon JOB USER TITLE COPIES OPTIONS [FILE]     converts one job
//
// CUPS runs it as root (mode 0700, owned by root) with the job's PostScript
// in FILE or on standard input. It acts for the user who printed: it
// becomes that user before it touches any file, writes the spool file into
// the user's working folder and starts the converter as that user with
//   vlconv PAGES SPOOLFILE TITLE PRINTER
// where PRINTER is the queue's name, so aliases keep their own settings.
// Jobs of root and of unknown users are refused. No shell is used; the
// title reaches the converter as one argument. The converter tells how the
// job ended in a result file the monitor names to it: a failed conversion
// aborts the job with the reason as the job's message; a job the user gave
// up, or for which no file was chosen, is cancelled. A cancel from the
// scheduler is passed on to the converter, which ends the job as a failure.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/monitor_contract.h"
#include "common/product.h"
#include "common/program_files.h"
#include "monitor/converter_start.h"
#include "monitor/cups_log.h"
#include "monitor/desktop_session.h"
#include "monitor/job_format.h"
#include "monitor/job_result.h"
#include "monitor/job_user.h"
#include "monitor/spool_file.h"

using namespace vellora;
using namespace vellora::monitor;

namespace {

// The product folder's capacity, as every program reads "AppPath".
constexpr std::size_t kProductFolderCapacity = 260;

// "vlm", the URI scheme of the port "VLM:".
std::string deviceScheme() {
  std::string scheme = kMonitorPort;
  if (!scheme.empty() && scheme.back() == ':') scheme.pop_back();
  for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return scheme;
}

std::string environmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The converter of the installed product: "vlconv" in the folder "AppPath" names.
std::string converterProgram(std::string* why) {
  const std::string product = applicationFolder(kProductKey, kProductFolderCapacity);
  if (product.empty()) {
    *why = "Vellora is not installed on this machine (no product folder in the registry)";
    return std::string();
  }
  std::string program = programFile(product, "vlconv");
  if (access(program.c_str(), X_OK) != 0) {
    *why = "the converter " + program + " cannot be run";
    return std::string();
  }
  return program;
}

int refuse(const std::string& user, const std::string& why) {
  cupsLog(LogLevel::kError, "Vellora refused the job of \"" + loggable(user, 64) + "\": " + why);
  return kBackendCancel;
}

int fail(const std::string& why) {
  cupsLog(LogLevel::kError, "Vellora could not convert the job: " + why);
  return kBackendFailed;
}

// The job's end as the scheduler learns it: the exit code, and a message
// the user sees as the job's state (the last message line before the end).
int endOfJob(const std::string& title, const std::string& user, const ConverterOutcome& outcome,
             const JobResult& result) {
  const std::string document = "\"" + loggable(title) + "\"";
  // (A cancel that came once the document was in place changed nothing.)
  if (outcome.exitCode == 0 && result.end == kJobCompleted) {
    cupsLog(LogLevel::kInfo, "Converted " + document + " for " + user +
                                 (result.message.empty() ? std::string() : " into " + loggable(result.message)));
    return kBackendOk;
  }
  if (outcome.terminated) {
    cupsLog(LogLevel::kInfo, "The conversion of " + document + " was stopped: the job was cancelled");
    return kBackendCancel;
  }
  if (outcome.exitCode == 255) {
    cupsLog(LogLevel::kInfo, "No file was chosen for " + document + ": the job is cancelled");
    return kBackendCancel;
  }
  if (outcome.exitCode == 0 && result.end == kJobAbandoned) {
    cupsLog(LogLevel::kInfo, "The job " + document + " was given up when " + user + " was asked: it is cancelled");
    return kBackendCancel;
  }
  std::string why = result.end == kJobFailed ? result.message : std::string();
  if (why.empty() && outcome.exitCode != 0)
    why = "the converter ended with code " + std::to_string(outcome.exitCode);
  if (why.empty()) why = "the converter ended before it finished the job (it may have crashed; see its run log)";
  cupsLog(LogLevel::kError, "Vellora could not convert " + document + ": " + why);
  return kBackendFailed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 1) {
    std::printf("direct %s:/ \"Norvale %s\" \"%s PDF printer\"\n", deviceScheme().c_str(), kProductName,
                kProductName);
    return kBackendOk;
  }
  if (argc < 6 || argc > 7) {
    std::fprintf(stderr, "Usage: %s job-id user title copies options [file]\n", argv[0]);
    return kBackendFailed;
  }
  // A cancel may come at any time from here on; the scheduler may have
  // stopped reading the monitor's messages by then, and a message that
  // cannot be written must not end the monitor before it has cleaned up.
  passTerminationToConverter();
  signal(SIGPIPE, SIG_IGN);
  const std::string userName = argv[2];
  const std::string title = argv[3];
  std::string printer = environmentValue("PRINTER");
  if (printer.empty()) printer = kPrinterName;
  const std::string delivered = deliveredFormat();

  // The job's data as CUPS hands it over; its file is CUPS's, readable by
  // root only, so it is opened before the monitor gives root up.
  int input = 0;
  if (argc == 7) {
    input = open(argv[6], O_RDONLY | O_CLOEXEC);
    if (input < 0) return fail("cannot open the job's data");
  }

  JobUser user;
  std::string why;
  if (!findJobUser(userName, &user, &why)) return refuse(userName, why);
  if (!becomeJobUser(user, &why)) return fail(why);

  // From here on everything happens as the user, in an environment of our
  // own making that the converter gets too.
  std::vector<std::string> desktop = desktopSessionOf(user.uid);
  std::vector<std::string> environment = converterEnvironment(user.name, user.home, user.shell, desktop);
  clearenv();
  for (const std::string& entry : environment) {
    std::string::size_type equals = entry.find('=');
    setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
  }

  const std::string folder = workingFolder(&why);
  if (folder.empty()) return fail(why);
  std::string spool;
  int pages = 1;
  if (!writeSpoolFile(input, folder, delivered, &spool, &pages, &why)) return fail(why);
  if (input != 0) close(input);
  std::string resultFile;
  if (terminationRequested() || !createResultFile(spool, &resultFile, &why)) {
    unlink(spool.c_str());
    if (terminationRequested()) return kBackendCancel;
    return fail(why);
  }

  ConverterJob job;
  job.program = converterProgram(&why);
  if (job.program.empty()) {
    unlink(spool.c_str());
    unlink(resultFile.c_str());
    return fail(why);
  }
  job.pages = pages;
  job.spoolFile = spool;
  job.title = title;
  job.printer = printer;
  job.folder = user.home;
  job.environment = environment;
  job.environment.push_back(std::string(kJobResultVariable) + "=" + resultFile);
  cupsLog(LogLevel::kInfo, "Converting \"" + loggable(title) + "\" (" + std::to_string(pages) + " pages) for " +
                               user.name + (desktop.empty() ? ", without a desktop" : ", on the user's desktop"));
  ConverterOutcome outcome = runConverter(job);
  // The converter removes the spool file on every path it ends by; one that
  // could not start, or crashed, leaves it to us.
  unlink(spool.c_str());
  const JobResult result = takeJobResult(resultFile);
  if (!outcome.started) return fail("cannot start the converter " + job.program + ": " + outcome.startError);
  return endOfJob(title, user.name, outcome, result);
}
