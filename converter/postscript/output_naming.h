// Naming the output file before anything is converted: the administrator's
// fixed names, automatic names from the title or from a prefix with a unique
// number, one-shot names left in the registry for a document, and what the
// Save PDF dialog starts with when no rule produced a name.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "converter/job/job_record.h"
#include "converter/settings/options_file.h"
#include "converter/settings/settings_record.h"

namespace vellora {

// Automatic and suggested names hold at most 259 characters.
constexpr std::size_t kAutoNameCapacity = 260;
// Administrator names hold at most 999.
constexpr std::size_t kPresetNameCapacity = 1000;

// What the naming leaves for the Save PDF dialog.
struct NamingResult {
  // A rule produced job.outputPath; no dialog is shown.
  bool nameProduced = false;
  // The dialog's initial folder.
  std::string initialFolder;
  // The dialog's initial file name (also left in job.outputPath, the
  // dialog's file name buffer).
  std::string initialName;
  // The name another component left for this document (suggestedName), which
  // the dialog prefers to its own automatic name; empty when none.
  std::string savedName;
};

// The options file's effect on naming. Sets job.lastDirectory,
// job.defaultPath, job.autoNamePrefix, job.autoNameIncrement,
// job.suppressDialog, job.autoNameTitle and job.autoNameTitleExplicit, and
// returns the dialog's initial folder. job.lastDirectory is expected to hold
// the user's "LastDirectory" from start-up (it is read here when empty).
std::string applyNamingOptions(JobRecord& job, const CommandOptions& options,
                               const SettingsRecord& settings, const LockTable& locks);

// Runs the naming rules in order for job.title and job.rawTitle. With a name,
// job.outputPath holds it, job.nameChosen is 1 and job.filterIndex the default
// one; without, job.outputPath holds the dialog's initial name. A numbered
// or unique name also sets how the result claims it (job.nameClaim).
NamingResult nameOutput(JobRecord& job, const std::string& initialFolder);

// A PDF's name: ".pdf" appended unless the name ends with it (letter case
// ignored).
std::string pdfOutputName(const std::string& path);

// The name a result claiming a numbered or unique name tries at this
// attempt (1, 2, ...) when the ones before were taken: the title name with
// that counter, or a fresh unique name.
std::string claimCandidate(const JobRecord& job, int attempt);

// "<prefix><logon name>-<high><low>": the current file time's two 32-bit
// halves, each as a signed decimal number.
std::string uniqueName(const std::string& prefix);

// A name or path built from a title (at most 259 characters): the title
// cleaned into a safe file name (the document's name, or "Untitled", when
// nothing of it is left), placed as the machine's "autoname" rule or the
// job's flags say; forms inside a folder count up while the file exists.
std::string autoNameFromTitle(const JobRecord& job, const std::string& title);

// The administrator's name for this job: the machine's "Documents" value
// named after the title (deleted once read), else the machine's "saveas";
// expanded. Empty when neither is set.
std::string presetName(const std::string& title);

// The name the user's "Documents" value named after the raw title proposes
// (deleted once read), as "<name>.pdf"; empty when there is none.
std::string suggestedName(const std::string& rawTitle);

// The first name from `candidate` that no file has, asked again up to 1000
// times a millisecond apart (a name made from the clock repeats within one
// tick); the last one asked when all were taken. *attempts, when given,
// receives how many names were asked for.
std::string unusedName(const std::function<std::string()>& candidate, int* attempts = nullptr);

// The file-name form of a title's characters: prefix skipped, escapes
// decoded (as the Windows code page's characters, in the system's own text
// encoding), reserved and control characters replaced by "_", extension
// cut, and a name that could leave its folder or name a device made harmless.
std::string titleFileName(const std::string& title);

}  // namespace vellora
