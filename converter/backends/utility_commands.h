// Command lines of the PDF utility `vlutil`, which does every operation on a
// finished or existing PDF: examine, join, stationery, encryption.
#pragma once

#include <string>

#include "converter/job/job_record.h"
#include "converter/settings/settings_record.h"

namespace vellora {

constexpr std::size_t kUtilityCommandCapacity = 1300;

// Exit codes the converter gives a meaning to.
enum UtilityExitCode {
  kUtilityOk = 0,
  kUtilityEncrypted = 1,
  kUtilityEncryptedRestricted = 2,
  kUtilityUnreadable = 3,
  // w, b, e, p, t: the input needs a password.
  kUtilityInputEncrypted = 4,
  kUtilityWrongPassword = 8,
  kUtilityPasswordNeeded = 9,
  kUtilityFailure = 98,
  kUtilityFailureTopmost = 99,
  // Used when the utility cannot be started at all (outside the named values).
  kUtilityNotStarted = -1,
};

// The utility program in the product folder.
std::string utilityProgram(const JobRecord& job);

// An argument in double quotes, escaped so that a quote or a trailing
// backslash inside it cannot end the argument early (titles and passwords
// may hold either).
std::string quotedArgument(const std::string& text);

std::string examineCommand(const JobRecord& job);
// The same for any file (the job's own result before it replaces anything).
std::string examineFileCommand(const JobRecord& job, const std::string& path);
// Joins first and second into utilityOutFile with the document information
// and the existing file's password.
std::string joinCommand(const JobRecord& job, const SettingsRecord& settings,
                        const std::string& first, const std::string& second);
// "w" when StationeryWatermark is 1, else "b".
std::string stationeryCommand(const JobRecord& job, const SettingsRecord& settings);
// The eight permission digits in the order the utility expects them, each
// 1 for a stored value other than 0.
std::string permissionDigits(const SettingsRecord& settings);
// 40-bit for EncryptionLevel 1, 128-bit otherwise.
std::string encryptCommand(const JobRecord& job, const SettingsRecord& settings);
// Checks that workFile is a readable PDF and writes it with the producer set
// into utilityOutFile (Ghostscript puts its own name there), in one read.
std::string finishCommand(const JobRecord& job, const std::string& producer);
// Writes the title of the PDF at path (UTF-8, empty when it has none) into
// utilityOutFile.
std::string titleCommand(const JobRecord& job, const std::string& path);

}  // namespace vellora
