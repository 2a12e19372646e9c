// Starting the converter for a job, as the user the monitor acts for, and
// waiting for it.
#pragma once

#include <string>
#include <vector>

namespace vellora {
namespace monitor {

struct ConverterJob {
  std::string program;  // vlconv
  int pages = 1;
  std::string spoolFile;
  std::string title;
  std::string printer;
  std::string folder;                    // its current folder
  std::vector<std::string> environment;  // NAME=value, the whole of it
};

struct ConverterOutcome {
  bool started = false;
  std::string startError;
  int exitCode = -1;  // 128 + signal when a signal ended it
  // The scheduler asked the monitor to end (the job was cancelled) while
  // the converter ran; the request was passed on to it.
  bool terminated = false;
};

// Runs "vlconv PAGES SPOOL TITLE PRINTER" without a shell, with exactly the
// environment given, standard input on the null device and no descriptor
// of the monitor's above 2; every line it writes is passed on to the
// scheduler's log. Waits until the converter itself ends, not for the end of
// its output, which programs it started may hold.
ConverterOutcome runConverter(const ConverterJob& job);

// From now on the scheduler's request to end (SIGTERM: the job was
// cancelled) is noted and passed on to a converter that runs; the
// converter ends the job as a failed one.
void passTerminationToConverter();
// Whether such a request came.
bool terminationRequested();

// The environment of the converter: a fixed PATH and locale, the user's
// HOME, USER, LOGNAME and SHELL, the machine root override when the monitor
// has one, and the desktop variables (empty: no desktop).
std::vector<std::string> converterEnvironment(const std::string& user, const std::string& home,
                                              const std::string& shell,
                                              const std::vector<std::string>& desktop);

}  // namespace monitor
}  // namespace vellora
