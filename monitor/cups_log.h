// Messages to CUPS. A backend talks to the scheduler through its standard
// error, one message a line ("ERROR: ...", "INFO: ...", "DEBUG: ..."), and
// some prefixes change the printer ("ATTR:", "PPD:", "STATE:"): text that
// comes from a job (its title, its user name, the converter's output) is
// made single-line and cut before it goes there, so it can never start a
// line of its own.
#pragma once

#include <string>

namespace vellora {
namespace monitor {

enum class LogLevel { kError, kWarning, kInfo, kDebug };

// One line to the scheduler.
void cupsLog(LogLevel level, const std::string& message);
// Text from outside made fit for a log line: control characters become
// "?", and it is cut to at most limit bytes ("..." marks the cut).
std::string loggable(const std::string& text, std::size_t limit = 200);

// CUPS backend exit codes.
enum BackendStatus {
  kBackendOk = 0,
  kBackendFailed = 1,  // the queue's error policy decides (ours aborts the job)
  kBackendCancel = 5,  // the job is cancelled, the queue goes on
};

}  // namespace monitor
}  // namespace vellora
