// Starting the converter for a job on Windows: as the job's user, on that
// user's desktop, without a shell, with the user's own environment rather
// than the monitor's.
#pragma once

#include <string>
#include <vector>

namespace vellora {
namespace monitor {

class JobUser;

struct ConverterJob {
  std::string program;  // the installed vlconv.exe
  int pages = 1;
  std::string spoolFile;
  std::string title;
  std::string printer;
  std::string folder;  // its current folder
};

// "PROGRAM" PAGES SPOOLFILE "TITLE" "PRINTER": each one argument as the
// converter's start-up splits its command line, whatever the title holds.
std::string converterCommandLine(const ConverterJob& job);

// The environment a new process of the user gets from Windows (the user's
// profile and the machine's variables); where that cannot be had, a fixed
// one from the user's folders and the system's. Nothing of the process the
// monitor runs in (the spooler, or the printing program) is passed on.
std::vector<std::wstring> converterEnvironment(const JobUser& user, const std::string& folder);

// Starts the converter and returns; a thread of the monitor waits for it,
// logs how it ended and removes the spool file if the converter left it.
// False with *why when it could not be started (the spool file is then the
// caller's to remove).
bool startConverter(const ConverterJob& job, const JobUser& user, std::string* why);

}  // namespace monitor
}  // namespace vellora
