// From process entry to a job ready to be named and converted.
#pragma once

#include <string>
#include <vector>

#include "converter/job/converter_run.h"

namespace vellora {

constexpr const char kJobBanner[] =
    "*************************\n*  Vellora Conversion Error Log  *\n*************************\n\n";

// Runs the start-up steps in order for the command-line arguments (program
// name excluded). Returns false with *exitCode set when the run ends here
// (fewer than two arguments: -1).
bool startJob(ConverterRun& run, const std::vector<std::string>& arguments, int* exitCode);

// The working folder of the run: the temporary path on the 9x family, else
// "<application data>/Vellora/Temp", created with one directory call, with the
// temporary path as fall back.
std::string workingFolder();

}  // namespace vellora
