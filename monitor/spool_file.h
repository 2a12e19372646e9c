// The job's spool file, written by the user the monitor acts for: in the
// user's own working folder (the converter's), created new (never an
// existing file or link), readable by the user alone.
#pragma once

#include <string>

namespace vellora {
namespace monitor {

// The user's working folder, "Vellora/Temp" under the application-data
// folder; created with its parents (mode 0700) when missing. Empty with
// *why when it cannot be had.
std::string workingFolder(std::string* why);

// Copies the job from input (an open descriptor) into a new spool file in
// folder and counts its pages. The file's ending says what the job is
// (job_format.h; deliveredFormat is the format CUPS hands over). False with
// *why, and nothing left behind, when the file cannot be made or written.
bool writeSpoolFile(int input, const std::string& folder, const std::string& deliveredFormat,
                    std::string* path, int* pages, std::string* why);

}  // namespace monitor
}  // namespace vellora
