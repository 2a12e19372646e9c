// The install log: every step of a full install appends its lines to
// installLog, which is written to "vlinst.log" in the Windows folder at the
// end of a full install and by the failure report.
#pragma once

#include <string>

#include "common/text.h"
#include "installer/installer_state.h"

namespace vellora {

// Appends to the log. Every format begins with "%s", which stands for the
// log so far; what does not fit into the log's 9,999 characters is cut.
template <typename... Args>
void LogInstall(const char* format, Args... args) {
  InstallerState& installer = Installer();
  installer.installLog = formatCut(kInstallLogCapacity, format, installer.installLog.c_str(), args...);
}

// Writes installLog to "vlinst.log" in the Windows folder, replacing any
// earlier file; whether the file could be opened.
bool WriteInstallLog();

// The system's text for a spooler or service code (at most 255 characters,
// the system's trailing line break kept).
std::string SystemMessageText(int code);
// The same for the code of a failed file operation.
std::string FileMessageText(int code);

}  // namespace vellora
