// The PostScript the interpreter runs before and after the job: the viewer
// settings of the future PDF and the page rotation (prologue), the document
// information and, on older systems, the font embedding (epilogue).
#pragma once

#include <string>

#include "converter/job/job_record.h"
#include "converter/settings/settings_record.h"

namespace vellora {

// The texts exactly as the files hold them, with "\n" line ends (the files
// are written in text mode, so on disk the platform's line end stands for
// each "\n").
std::string prologueText(const SettingsRecord& settings);
std::string epilogueText(const JobRecord& job, const SettingsRecord& settings);

// A copy of text with a backslash before every "(", ")" and "\"; at most 999
// characters (a longer result is cut).
std::string escapePostScriptString(const std::string& text);

// Create the file in job.tempDir under a fresh temporary name ("vlpl" or
// "vlel") and return 1 with its path. On failure the error log gets "Error
// creating prologue file" (or epilogue) and the result is 0; the caller then
// runs the error report.
int writePrologue(JobRecord& job, const SettingsRecord& settings, std::string* path);
int writeEpilogue(JobRecord& job, const SettingsRecord& settings, std::string* path);

}  // namespace vellora
