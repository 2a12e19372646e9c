// Everything one converter run holds: the job record, the settings of the
// printer the job was printed to, and what the printer's options file says.
#pragma once

#include "converter/job/job_record.h"
#include "converter/settings/load_settings.h"
#include "converter/settings/options_file.h"
#include "converter/settings/settings_keys.h"

namespace vellora {

struct ConverterRun {
  JobRecord job;
  LoadedSettings settings;
  PrinterKeys keys;
  CommandOptions options;
};

}  // namespace vellora
