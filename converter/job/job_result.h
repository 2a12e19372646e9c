// How the job ended, told to the print monitor that started the converter
// (the file it names in kJobResultVariable, common/monitor_contract.h).
// Without the variable nothing is written.
#pragma once

#include <string>

namespace vellora {

// Takes the file's name from the environment at start-up and removes the
// variable, so that the programs the job starts cannot write the result.
void takeJobResultFile();

// Writes the end (kJobCompleted, kJobFailed or kJobAbandoned) and the line
// for the user. The first end recorded stands: a job whose document is in
// place has completed, whatever ends the process afterwards. Safe from any
// thread.
void recordJobResult(const char* end, const std::string& message);

}  // namespace vellora
