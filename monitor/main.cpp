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
// where PRINTER is the queue's name, so aliases keep their own settings (a
// member of a class the installer made converts as the class's printer).
// Jobs of root, of unknown users and of users without a home here are
// refused. A job from another machine (a client on the network, or another
// server passing it on) never shows a window here, whoever sits at this
// machine's desktop: it is saved as a job nobody can be asked about is. No shell is used; the
// title reaches the converter as one argument. The converter tells how the
// job ended in a result file the monitor names to it: a failed conversion
// aborts the job with the reason as the job's message; a job the user gave
// up, or for which no file was chosen, is cancelled. A document in place
// leaves its name as the job's message ("Saved as ~/Documents/Report.pdf").
// A cancel from the scheduler is passed on to the converter, which ends the
// job as a failure.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
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
#include "monitor/job_options.h"
#include "monitor/job_result.h"
#include "monitor/job_user.h"
#include "monitor/queue_printer.h"
#include "monitor/spool_file.h"
#include "platform/files.h"

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

// How a failed job ends. On a queue the error policy aborts it; a job
// printed to a class the scheduler would give to the next member instead,
// and to the next, for ever: a job that cannot be converted on one member
// cannot be on another, so it is cancelled with the reason as its message.
// (The scheduler names the class in CLASS; the monitor's environment is
// replaced once it acts for the user, so it is taken at the start.)
bool gThroughClass = false;
int failed() { return gThroughClass ? kBackendCancel : kBackendFailed; }

int fail(const std::string& why) {
  cupsLog(LogLevel::kError, "Vellora could not convert the job: " + why);
  return failed();
}

// The job's end as the scheduler learns it: the exit code, and a message
// the user sees as the job's state (the last message line before the end).
int endOfJob(const std::string& title, const JobUser& user, const ConverterOutcome& outcome,
             const JobResult& result) {
  const std::string document = "\"" + loggable(title) + "\"";
  // (A cancel that came once the document was in place changed nothing.)
  if (outcome.exitCode == 0 && result.end == kJobCompleted) {
    cupsLog(LogLevel::kInfo, "Converted " + document + " for " + user.name +
                                 (result.message.empty() ? std::string() : " into " + loggable(result.message)));
    // The scheduler keeps a completed job's message only when it is a
    // warning or an error: as an information it would be gone by the time
    // the user looks.
    if (!result.message.empty()) cupsLog(LogLevel::kWarning, savedAsText(loggable(result.message, 1000), user.home));
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
    cupsLog(LogLevel::kInfo, "The job " + document + " was given up when " + user.name + " was asked: it is cancelled");
    return kBackendCancel;
  }
  std::string why = result.end == kJobFailed ? result.message : std::string();
  if (why.empty() && outcome.exitCode != 0)
    why = "the converter ended with code " + std::to_string(outcome.exitCode);
  if (why.empty()) why = "the converter ended before it finished the job (it may have crashed; see its run log)";
  cupsLog(LogLevel::kError, "Vellora could not convert " + document + ": " + why);
  return failed();
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
  gThroughClass = !environmentValue("CLASS").empty();
  const std::string userName = argv[2];
  const std::string title = argv[3];
  const std::string options = argv[5];
  std::string queue = environmentValue("PRINTER");
  if (queue.empty()) queue = kPrinterName;
  const std::string origin = jobOption(options, "job-originating-host-name");
  const bool fromHere = printedOnThisMachine(origin);
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
  // The job is converted into the user's home on this machine (an office
  // keeps the homes on its print server, or mounts them there).
  if (!hasOwnHome(user, &why)) return refuse(userName, why);

  // From here on everything happens as the user, in an environment of our
  // own making that the converter gets too.
  std::vector<std::string> desktop;
  if (fromHere) desktop = desktopSessionOf(user.uid);
  std::vector<std::string> environment = converterEnvironment(user.name, user.home, user.shell, desktop);
  const std::string printer = printerOfQueue(queue);
  clearenv();
  for (const std::string& entry : environment) {
    std::string::size_type equals = entry.find('=');
    setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
  }

  const std::string folder = workingFolder(&why);
  if (folder.empty()) return fail(why);
  // Where jobs go unless the printer says otherwise: an account whose home
  // a server made at its first login has no documents folder yet.
  ::mkdir(platform::documentsFolder().c_str(), 0755);
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
  const std::string answer = existingFileAnswer(options);
  if (!answer.empty()) job.environment.push_back(std::string(kExistingFileVariable) + "=" + answer);
  cupsLog(LogLevel::kInfo, "Converting \"" + loggable(title) + "\" (" + std::to_string(pages) + " pages) for " +
                               user.name + (printer != queue ? " as the printer " + printer : std::string()) +
                               (answer.empty() ? std::string() : ", to " + answer + " to a file of its name") +
                               (!fromHere ? ", printed on " + loggable(origin, 255) + ": without a dialog"
                                          : desktop.empty() ? ", without a desktop" : ", on the user's desktop"));
  ConverterOutcome outcome = runConverter(job);
  // The converter removes the spool file on every path it ends by; one that
  // could not start, or crashed, leaves it to us.
  unlink(spool.c_str());
  const JobResult result = takeJobResult(resultFile);
  if (!outcome.started) return fail("cannot start the converter " + job.program + ": " + outcome.startError);
  return endOfJob(title, user, outcome, result);
}
