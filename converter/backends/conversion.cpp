#include "converter/backends/conversion.h"

#include "converter/settings/options_file.h"

namespace vellora {

int runConversion(JobRecord& job, const SettingsRecord& settings) {
  const int number = interpreterTypeNumber(job);
  const std::string intCommandText = number > 0 ? intCommand(job.optionsFile, number) : std::string();
  return runConversionWith(job, settings, intCommandText);
}

}  // namespace vellora
