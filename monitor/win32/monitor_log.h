// The print monitor's log on Windows: "vlmon.log" in the Windows folder,
// beside the install log, where an administrator looks for why a job did
// not become a PDF. The spooler keeps no log of a port monitor's own, and
// the user a refused job came from may be no one the monitor can reach.
// Each line carries the time and the process; the file starts over once it
// passes kMonitorLogLimit, so it never grows without bound.
#pragma once

#include <cstddef>
#include <string>

namespace vellora {
namespace monitor {

constexpr std::size_t kMonitorLogLimit = 256 * 1024;
constexpr const char kMonitorLogName[] = "vlmon.log";

// The log file's path.
std::string monitorLogPath();

// Appends one line; safe from several threads and processes at once. A log
// that cannot be written is no reason to fail a job: failures are ignored.
void monitorLog(const std::string& line);

}  // namespace monitor
}  // namespace vellora
