// A full install from the folder of the installation files: monitor,
// driver and printer, printer mode, spooler restart, interpreter choice,
// and the install log.
#pragma once

#include <string>

namespace vellora {

// Returns the exit code: the interpreter selection's result (0 one was
// stored, 1 none found), or the failure report's.
int RunFullInstall(const std::string& sourceDir);

// The printer-mode file for the default user's measurement system:
// "vlmode.reg" for U.S. measures, "vlmodeA.reg" for metric (or unknown).
std::string PrinterModeFile();

}  // namespace vellora
