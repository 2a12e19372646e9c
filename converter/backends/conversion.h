// The pipeline's entry into the conversion back ends.
#pragma once

#include "converter/backends/interpreter_runner.h"

namespace vellora {

// runConversionWith with the "IntCommand%d" of the job's options file.
// Returns kConversionDone, kConversionEncrypted or kConversionNoCommandFile.
int runConversion(JobRecord& job, const SettingsRecord& settings);

}  // namespace vellora
