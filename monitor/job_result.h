// The file in which the converter says how the job ended (the contract is
// in common/monitor_contract.h): made empty by the monitor beside the spool
// file, in the user's working folder and as the user, before the converter
// starts; read and removed once it has ended.
#pragma once

#include <string>

namespace vellora {
namespace monitor {

struct JobResult {
  std::string end;      // kJobCompleted, kJobFailed, kJobAbandoned; empty: none told
  std::string message;  // the line for the user
};

// Creates the file for the job of spoolFile ("vlm....ps" gives "vlm....end"),
// new, mode 0600. False with *why when it cannot be made.
bool createResultFile(const std::string& spoolFile, std::string* path, std::string* why);

// What the converter wrote (the first bytes only, never through a link);
// the file is removed.
JobResult takeJobResult(const std::string& path);

}  // namespace monitor
}  // namespace vellora
